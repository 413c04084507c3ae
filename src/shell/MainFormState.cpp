// The visible state of the shell as one trace line, for scenario tests.
#include "platform/Json.h"
#include "platform/Text.h"
#include "shell/MainForm.h"

namespace trv {
namespace {

template <typename Switches>
std::string SwitchStates(const Switches& switches) {
  std::string out = "[";
  for (std::size_t i = 0; i < switches.size(); ++i) {
    if (i) out += ",";
    out += std::string("{\"on\":") + (switches[i].on ? "true" : "false") +
           ",\"underMouse\":" + (switches[i].underMouse ? "true" : "false") + "}";
  }
  return out + "]";
}

}  // namespace

void TMainForm::DumpState() {
  Trace::Event ev = platform_.Tracer().Emit("state");
  static constexpr const char* kRoleNames[] = {"shell", "help", "thesaurus", "second-shell"};
  ev.Utf8("role", kRoleNames[int(role_)]).Int("screen", currentScreen_ + 1).Text("title", title_).Bool("fading", Fading());
  Window* window = SkinWindow();
  if (window) ev.Text("caption", window->Caption());
  if (window) {
    const Rect b = window->Bounds();
    ev.Json("window", "[" + std::to_string(b.left) + "," + std::to_string(b.top) + "," + std::to_string(b.Width()) +
                          "," + std::to_string(b.Height()) + "]");
  }
  std::string buttons = "[";
  for (std::size_t i = 0; i < controls_.ButtonCount(); ++i) {
    const TSkinButton& b = controls_.Button(i);
    if (i) buttons += ",";
    buttons += std::string("{\"hover\":") + (b.hover ? "true" : "false") +
               ",\"pressed\":" + (b.pressed ? "true" : "false") + ",\"active\":" + (b.active ? "true" : "false") + "}";
  }
  ev.Json("buttons", buttons + "]");
  if (std::size_t(currentScreen_) < elements_.SingleSwitches.size())
    ev.Json("singleSwitches", SwitchStates(elements_.SingleSwitches[std::size_t(currentScreen_)]));
  if (std::size_t(currentScreen_) < elements_.GroupSwitches.size())
    ev.Json("groupSwitches", SwitchStates(elements_.GroupSwitches[std::size_t(currentScreen_)]));
  ev.Text("hint", Hints().Showing() ? Hints().Text() : std::string());
  parts_.TraceState(ev);
}

}  // namespace trv
