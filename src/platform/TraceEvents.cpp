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

namespace trv {
namespace {

Trace::Event Media(Trace& trace, int device, const char* op) {
  auto e = trace.Emit("media");
  e.Int("device", device).Utf8("op", op);
  return e;
}

}  // namespace

const char* MediaNotifyName(MediaNotify value) {
  switch (value) {
    case MediaNotify::Successful: return "successful";
    case MediaNotify::Superseded: return "superseded";
    case MediaNotify::Aborted: return "aborted";
    case MediaNotify::Failure: return "failure";
  }
  return "failure";
}

void TraceMediaOpen(Trace& trace, int device, const std::string& windowsPath, int result, std::int64_t lengthMs,
                    bool video) {
  auto e = Media(trace, device, "open");
  e.Text("file", windowsPath).Int("result", result);
  if (result == 0) e.Int("length", lengthMs).Bool("video", video);
}

void TraceMediaPlay(Trace& trace, int device, std::int64_t fromMs, std::int64_t toMs) {
  Media(trace, device, "play").Int("from", fromMs).Int("to", toMs);
}

void TraceMediaSeek(Trace& trace, int device, std::int64_t toMs) { Media(trace, device, "seek").Int("to", toMs); }

void TraceMediaNotify(Trace& trace, int device, MediaNotify value) {
  Media(trace, device, "notify").Utf8("value", MediaNotifyName(value));
}

void TraceMediaVideo(Trace& trace, int device, const std::string& role, const Rect& r) {
  Media(trace, device, "video")
      .Utf8("window", role)
      .Int("left", r.left)
      .Int("top", r.top)
      .Int("width", r.Width())
      .Int("height", r.Height());
}

void TraceMediaCall(Trace& trace, int device, const char* op, int result) {
  auto e = Media(trace, device, op);
  if (result != 0) e.Int("result", result);
}

}  // namespace trv
