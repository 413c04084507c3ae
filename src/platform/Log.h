#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace trv {

// One line per dropped failure or notable event. Lines go to
// $XDG_STATE_HOME/trivion/trivion.log (default ~/.local/state/trivion/) and to
// stderr when TRIVION_LOG=1. `area` names the subsystem ("store", "script",
// "registry", ...). Text is UTF-8; convert CP1251 with Cp1251ToUtf8 first.
void Log(std::string_view area, std::string_view message);

// Tests watch the log through a sink; pass an empty function to remove it.
// The sink receives "area: message" and is called under the log's lock.
using LogSink = std::function<void(const std::string&)>;
void SetLogSink(LogSink sink);

// Redirects the log file (tests and tools); empty restores the default.
void SetLogFile(const std::string& path);

}  // namespace trv
