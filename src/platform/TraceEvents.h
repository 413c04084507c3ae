#pragma once

#include <string>
#include <vector>

#include <cstdint>

#include "platform/Geometry.h"
#include "platform/MediaDevice.h"
#include "platform/Sound.h"
#include "platform/Trace.h"

// The trace events the platform itself records, written the same way by both
// backends so that a scenario's trace does not depend on the backend.
namespace trv {

const char* SoundModeName(SoundMode mode);  // "async", "nostop", "sync"

// {"ev":"sound","file":...,"mode":...,"played":...}
void TraceSound(Trace& trace, const std::string& windowsPath, SoundMode mode, bool played);
// {"ev":"window","window":role,"op":"show"|"hide"|"minimize"|"restore"|"maximize"|"normal"|"frame"|"no-frame",...}
void TraceWindow(Trace& trace, const std::string& role, const char* op);
void TraceWindowBounds(Trace& trace, const std::string& role, const Rect& bounds);
void TraceWindowRegion(Trace& trace, const std::string& role, std::size_t vertexCount);
// {"ev":"shell","verb":"open"|"start"|"wait"|"terminate"|"close-window","target":...,"args":[...]}
void TraceShell(Trace& trace, const char* verb, const std::string& target,
                const std::vector<std::string>& args = {});

// Media devices: {"ev":"media","device":N,"op":...}, N numbering the devices
// of the run from 1. Positions are milliseconds whatever the time format.
const char* MediaNotifyName(MediaNotify value);  // "successful", "superseded", "aborted", "failure"
// "op":"open","file":...,"result":code, and on success "length" and "video".
void TraceMediaOpen(Trace& trace, int device, const std::string& windowsPath, int result, std::int64_t lengthMs,
                    bool video);
// "op":"play","from":ms,"to":ms
void TraceMediaPlay(Trace& trace, int device, std::int64_t fromMs, std::int64_t toMs);
// "op":"seek","to":ms
void TraceMediaSeek(Trace& trace, int device, std::int64_t toMs);
// "op":"notify","value":name
void TraceMediaNotify(Trace& trace, int device, MediaNotify value);
// "op":"video","window":role,"left","top","width","height": where frames go.
void TraceMediaVideo(Trace& trace, int device, const std::string& role, const Rect& rect);
// Any other call ("stop", "pause", "resume", "close"), and a call that failed
// with "result" (not written when 0).
void TraceMediaCall(Trace& trace, int device, const char* op, int result);

}  // namespace trv
