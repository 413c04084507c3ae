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
  if (window_) ev.Text("caption", window_->Caption());
  if (window_) {
    const Rect b = window_->Bounds();
    ev.Json("window", "[" + std::to_string(b.left) + "," + std::to_string(b.top) + "," + std::to_string(b.Width()) +
                          "," + std::to_string(b.Height()) + "]");
  }
  std::string buttons = "[";
  for (std::size_t i = 0; i < btnPics_.size(); ++i) {
    if (i) buttons += ",";
    buttons += std::string("{\"hover\":") + (btnPics_[i].hover ? "true" : "false") +
               ",\"pressed\":" + (btnPics_[i].pressed ? "true" : "false") +
               ",\"active\":" + (btnPics_[i].active ? "true" : "false") + "}";
  }
  ev.Json("buttons", buttons + "]");
  if (std::size_t(currentScreen_) < elements_.SingleSwitches.size())
    ev.Json("singleSwitches", SwitchStates(elements_.SingleSwitches[std::size_t(currentScreen_)]));
  if (std::size_t(currentScreen_) < elements_.GroupSwitches.size())
    ev.Json("groupSwitches", SwitchStates(elements_.GroupSwitches[std::size_t(currentScreen_)]));
  ev.Text("hint", hintWindow_ && hintWindow_->Visible() ? hintText_ : std::string());
  // Only scripts that have fields or boxes show them, so older traces stay as they were.
  if (textMsg_) ev.Json("fields", textMsg_->StateJson());
  if (pathBoxes_ && pathBoxes_->Count()) ev.Json("boxes", pathBoxes_->StateJson());
}

}  // namespace trv
