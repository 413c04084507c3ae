// Screens and switches: the screen command, the screen switch that rebuilds
// the window for a new screen, and the switch states kept in the settings from
// one run to the next.
#include <algorithm>
#include <limits>

#include "platform/Log.h"
#include "platform/Text.h"
#include "script/CommandRules.h"
#include "script/ExpandPath.h"
#include "script/ScriptValues.h"
#include "shell/MainForm.h"

namespace trv {
namespace {

constexpr int kRegistrationScreen = 1;
constexpr int kGameScreen = 4;

// A tree number as a command writes it: an optional sign and digits that fit.
bool WholeNumber(const std::string& text) {
  std::size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (i == text.size() || text.size() - i > 10) return false;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return value <= std::numeric_limits<std::int32_t>::max();
}

// A file name has an extension: a "." after its last "\" or ":".
bool HasExtension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  const std::size_t sep = name.find_last_of("\\:");
  return sep == std::string::npos || dot > sep;
}

template <typename Switches>
void ClearUnderMouse(Switches& switches) {
  for (auto& s : switches) s.underMouse = false;
}

}  // namespace

int TMainForm::ScreenCount() const {
  // A "_screen" line grows all four lists together; the smallest is the bound
  // every one of them can be indexed by.
  return int(std::min({elements_.ScreenPictures.size(), elements_.Buttons.size(), elements_.SingleSwitches.size(),
                       elements_.GroupSwitches.size()}));
}

void TMainForm::ScreenCommand(const std::string& command, int source, int index) {
  const int number = ReadInt(CommandVerb(command), 1);
  if (number < 1 || number > ScreenCount()) {
    Log("screen", "the command names no screen of the script: " + Cp1251ToUtf8(command.substr(0, 200)));
    return;
  }
  const int target = number - 1;
  const std::string first = FirstArgument(command, paths_);
  const std::string second = SecondArgument(command, paths_);
  if (!second.empty()) {
    if (!WholeNumber(first)) return;
    if (TTreesPart* trees = parts_.Trees()) {
      if (HasExtension(second)) trees->SetPendingFile(second);
      else trees->SetPendingItem(second);
    }
    // The group switch that shows this tree is on when the screen appears;
    // nothing runs or draws here, the screen switch replays it.
    if (std::size_t(target) < elements_.GroupSwitches.size()) {
      TDynamicSwthGrpArray& groups = elements_.GroupSwitches[std::size_t(target)];
      const std::string wanted = "settree" + first;
      for (RSwthGrp& s : groups) {
        if (s.command.find(wanted) == std::string::npos) continue;
        for (RSwthGrp& other : groups)
          if (&other != &s && other.group == s.group) other.on = false;
        s.on = true;
        break;
      }
    }
  } else if (first != "store") {
    // "store" switches screens without touching the trees.
    if (TTreesPart* trees = parts_.Trees()) trees->SetPendingFile(first);
  }
  SwitchScreen(target, source, index);
}

void TMainForm::SwitchScreen(int target, int source, int index) {
  Window* window = SkinWindow();
  if (destroyed_ || !window) return;
  if (target < 0 || target >= ScreenCount()) {
    Log("screen", "there is no screen " + std::to_string(target + 1));
    return;
  }
  if (std::find(replaying_.begin(), replaying_.end(), target) != replaying_.end()) {
    // A replayed switch command leads back to a screen still being entered:
    // following it would never end.
    Log("screen", "a switch of screen " + std::to_string(replaying_.back() + 1) + " asks for screen " +
                      std::to_string(target + 1) + " while it is being entered; refused");
    platform_.Tracer().Emit("screen").Int("screen", target + 1).Bool("refused", true);
    return;
  }
  HideHint();
  const std::size_t screen = std::size_t(target);
  // The mouse is over nothing of a screen that goes away.
  if (currentScreen_ != target && std::size_t(currentScreen_) < elements_.SingleSwitches.size()) {
    ClearUnderMouse(elements_.SingleSwitches[std::size_t(currentScreen_)]);
    if (std::size_t(currentScreen_) < elements_.GroupSwitches.size())
      ClearUnderMouse(elements_.GroupSwitches[std::size_t(currentScreen_)]);
  }
  currentScreen_ = target;
  window->SetCursor(Cursor::Arrow);
  window->SetCursor(Cursor::Wait);

  if (screen < elements_.ScreenPictures.size()) {
    Bitmap picture;
    if (pictures_.Load(elements_.ScreenPictures[screen], &picture)) SkinBackground() = std::move(picture);
  }
  Rect bounds = window->Bounds();
  if (!window->Visible() && !shown_) {
    // Placed at the centre of the desktop before the first show; left and top
    // stay from then on.
    const Size desktop = platform_.ScreenSize();
    bounds = Rect::FromSize(std::max(0, (desktop.width - SkinBackground().Width()) / 2),
                            std::max(0, (desktop.height - SkinBackground().Height()) / 2), 0, 0);
  }
  const Rect newBounds = Rect::FromSize(bounds.left, bounds.top, SkinBackground().Width(), SkinBackground().Height());
  // The fade starts from what the screen shows now, before the window takes
  // its new size and look.
  if (window->Visible()) fadeBefore_ = platform_.CaptureScreen(newBounds);
  window->SetBounds(newBounds);

  LoadScreenControls(target);
  TDynamicSwthOneArray& singles = elements_.SingleSwitches[screen];
  TDynamicSwthGrpArray& groups = elements_.GroupSwitches[screen];
  if (source == 1 && index >= 0 && std::size_t(index) < singles.size()) {
    singles[std::size_t(index)].underMouse = false;
  } else if (source == 2 && index >= 0 && std::size_t(index) < groups.size()) {
    groups[std::size_t(index)].underMouse = false;
  } else if (source == 0) {
    for (std::size_t i = 0; i < controls_.ButtonCount(); ++i) {
      TSkinButton& b = controls_.Button(i);
      b.hover = false;
      b.pressed = false;
      b.active = true;
      b.Animation().RequestStop();
    }
  }

  // The background carries every element's normal look; painting adds only
  // what differs from it.
  controls_.PaintNormal(SkinBackground());
  platform_.Tracer().Emit("screen").Int("screen", target + 1);
  parts_.ShowForScreen(target);

  // Entering a screen runs its switches' commands again, silently, so that
  // what they set (a tree, a clip, an option) matches what they show. A
  // command may switch screens itself; then this screen is gone and the rest
  // of its entry is the other screen's business.
  {
    replaying_.push_back(target);
    // Popped however the replay ends, so that an error in a command cannot
    // leave the screen refused for good.
    struct ReplayEnd {
      std::vector<int>& stack;
      ~ReplayEnd() { stack.pop_back(); }
    } replayEnd{replaying_};
    for (std::size_t i = 0; i < singles.size() && currentScreen_ == target && !destroyed_; ++i) {
      const RSwthOne s = singles[i];
      RunCommand(s.on ? s.goDown : s.goUp, s.sound, int(i), 1, 1);
    }
    for (std::size_t i = 0; i < groups.size() && currentScreen_ == target && !destroyed_; ++i) {
      if (!groups[i].on) continue;
      const RSwthGrp s = groups[i];
      RunCommand(s.command, s.sound, int(i), 2, 1);
    }
  }
  if (currentScreen_ != target || destroyed_) return;

  if (window->Visible()) {
    StartFade();
    FormPaint();
  }
  if (currentScreen_ == kRegistrationScreen) {
    // The players and their ratings are read afresh; a failure gets one more try.
    try {
      PlayersReload();
      if (TTreesPart* trees = parts_.Trees()) trees->FillRatings();
    } catch (const std::exception& e) {
      Log("screen", std::string("reading the players failed, once more: ") + e.what());
      PlayersReload();
      if (TTreesPart* trees = parts_.Trees()) trees->FillRatings();
    }
  } else if (currentScreen_ == kGameScreen) {
    ScheduleGameStart();
  }
  window->SetCursor(Cursor::Arrow);
}

void TMainForm::LoadScreenControls(int screen) {
  // The element sets are reused from screen to screen: a picture that cannot
  // be read keeps what it showed before.
  const std::size_t s = std::size_t(screen);
  TDynamicBtnArray& buttons = elements_.Buttons[s];
  controls_.ResizeButtons(buttons.size());
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    TSkinButton& b = controls_.Button(i);
    b.Bind(&buttons[i]);
    b.LoadPictures(pictures_, kBtnPictures);
    b.Animation().SetStep(10);
  }
  TDynamicSwthOneArray& singles = elements_.SingleSwitches[s];
  controls_.ResizeSingles(singles.size());
  for (std::size_t i = 0; i < singles.size(); ++i) {
    controls_.Single(i).Bind(&singles[i]);
    controls_.Single(i).LoadPictures(pictures_);
  }
  TDynamicSwthGrpArray& groups = elements_.GroupSwitches[s];
  controls_.ResizeGroups(groups.size());
  for (std::size_t i = 0; i < groups.size(); ++i) {
    controls_.Group(i).Bind(&groups[i]);
    controls_.Group(i).LoadPictures(pictures_);
  }
}

std::string TMainForm::SettingsValueName(const char* kind, int screen, int index) const {
  return kind + std::to_string(screen) + std::to_string(index);
}

void TMainForm::LoadSwitchStates() {
  Registry& settings = platform_.Settings();
  const std::string key = SettingsKey();
  auto load = [&](auto& perScreen, const char* kind) {
    for (std::size_t s = 0; s < perScreen.size(); ++s) {
      for (std::size_t i = 0; i < perScreen[s].size(); ++i) {
        auto& sw = perScreen[s][i];
        sw.underMouse = false;
        if (!sw.store) continue;
        // A value of another type, or none, leaves the script's state.
        if (auto on = settings.ReadBool(RootKey::CurrentUser, key, SettingsValueName(kind, int(s), int(i))))
          sw.on = *on;
      }
    }
  };
  load(elements_.SingleSwitches, "SwOne");
  load(elements_.GroupSwitches, "SwGrp");
}

void TMainForm::SaveSwitchStates() {
  Registry& settings = platform_.Settings();
  const std::string key = SettingsKey();
  // Every switch lands in one write: a crash at shutdown keeps the old states
  // or the new ones, never some of each.
  RegBatch states;
  auto save = [&](const auto& perScreen, const char* kind) {
    for (std::size_t s = 0; s < perScreen.size(); ++s) {
      for (std::size_t i = 0; i < perScreen[s].size(); ++i) {
        const auto& sw = perScreen[s][i];
        if (!sw.store) continue;
        const std::string name = SettingsValueName(kind, int(s), int(i));
        // A value that already holds the state is left as it is.
        const std::optional<RegValue> old = settings.ReadValue(RootKey::CurrentUser, key, name);
        if (old && *old == RegValue::Integer(sw.on ? 1 : 0)) continue;
        states.WriteBool(key, name, sw.on);
      }
    }
  };
  save(elements_.SingleSwitches, "SwOne");
  save(elements_.GroupSwitches, "SwGrp");
  if (!states.Empty() && !settings.Apply(RootKey::CurrentUser, states))
    Log("settings", std::to_string(states.Ops().size()) + " switch states could not be written");
}

}  // namespace trv
