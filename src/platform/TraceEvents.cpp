#include "platform/TraceEvents.h"

#include "platform/Text.h"

namespace trv {

const char* SoundModeName(SoundMode mode) {
  switch (mode) {
    case SoundMode::Async: return "async";
    case SoundMode::AsyncNoStop: return "nostop";
    case SoundMode::Sync: return "sync";
  }
  return "async";
}

void TraceSound(Trace& trace, const std::string& windowsPath, SoundMode mode, bool played) {
  trace.Emit("sound").Text("file", windowsPath).Utf8("mode", SoundModeName(mode)).Bool("played", played);
}

void TraceWindow(Trace& trace, const std::string& role, const char* op) {
  trace.Emit("window").Utf8("window", role).Utf8("op", op);
}

void TraceWindowBounds(Trace& trace, const std::string& role, const Rect& b) {
  trace.Emit("window")
      .Utf8("window", role)
      .Utf8("op", "size")
      .Int("left", b.left)
      .Int("top", b.top)
      .Int("width", b.Width())
      .Int("height", b.Height());
}

void TraceWindowRegion(Trace& trace, const std::string& role, std::size_t vertexCount) {
  trace.Emit("window").Utf8("window", role).Utf8("op", "region").Int("vertices", std::int64_t(vertexCount));
}

void TraceShell(Trace& trace, const char* verb, const std::string& target,
                const std::vector<std::string>& args) {
  std::string list = "[";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) list += ",";
    list += JsonQuote(Cp1251ToUtf8(args[i]));
  }
  list += "]";
  trace.Emit("shell").Utf8("verb", verb).Text("target", target).Json("args", list);
}

}  // namespace trv
