#pragma once

#include <span>

#include "disc/Verbs.h"

namespace trv::disc {

// `build CONTENT DISC_DIR [--force]`: the demo disc from its sources.
int VerbBuild(const std::vector<std::string>& args, ToolIo& io);

std::span<const VerbInfo> BuildVerbs();

}  // namespace trv::disc
