#pragma once

#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Sound.h"
#include "platform/Trace.h"

// The trace events the platform itself records, written the same way by both
// backends so that a scenario's trace does not depend on the backend.
namespace trv {

const char* SoundModeName(SoundMode mode);  // "async", "nostop", "sync"

// {"ev":"sound","file":...,"mode":...,"played":...}
void TraceSound(Trace& trace, const std::string& windowsPath, SoundMode mode, bool played);
// {"ev":"window","window":role,"op":"show"|"hide"|"minimize"|"restore",...}
void TraceWindow(Trace& trace, const std::string& role, const char* op);
void TraceWindowBounds(Trace& trace, const std::string& role, const Rect& bounds);
void TraceWindowRegion(Trace& trace, const std::string& role, std::size_t vertexCount);
// {"ev":"shell","verb":"open"|"start"|"wait"|"terminate"|"close-window","target":...,"args":[...]}
void TraceShell(Trace& trace, const char* verb, const std::string& target,
                const std::vector<std::string>& args = {});

}  // namespace trv
