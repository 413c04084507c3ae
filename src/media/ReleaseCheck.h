#pragma once

#include <string>

#include "platform/Platform.h"

namespace trv {

// A copy of the shell that still has its build files beside the executable is
// refused: one warning box per file found, in a fixed order. True when the
// start may go on.
bool RunReleaseCheck(Platform& platform, const std::string& programDir);

// The codecs the disc carries are for another system; the media layer decodes
// with its own libraries, so there is nothing to install. Logs one line.
void InstallMp3Codec();
void InstallMpegDriver();

}  // namespace trv
