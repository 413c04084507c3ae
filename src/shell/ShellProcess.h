#pragma once

#include <functional>

#include "platform/Paths.h"
#include "platform/Platform.h"
#include "shell/MainForm.h"

namespace trv {

// The process entry on a platform: creates the main window (which runs the
// start-up), then the message loop until the application ends. `beforeLoop`
// sees the started window (the scenario runner hooks in there). Returns the
// exit code: 0 for a normal end and for a second start that brought the
// running window to the front, 1 when start-up stopped.
int RunShellProcess(Platform& platform, const DiscPaths& disc, const StartArguments& start,
                    const std::function<void(TMainForm&)>& beforeLoop = {});

}  // namespace trv
