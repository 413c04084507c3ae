#pragma once

#include <string>

#include "platform/Trace.h"

namespace trv {

// A call on a part of the program that is still to come: recorded as
// {"ev":"command-owner","owner":...,"call":...,"arg":...}, so that what the
// interpreter asks of it is complete and visible in the trace.
inline void OwnerCall(Trace& trace, const char* owner, const char* call, const std::string& argument = {}) {
  trace.Emit("command-owner").Utf8("owner", owner).Utf8("call", call).Text("arg", argument);
}

}  // namespace trv
