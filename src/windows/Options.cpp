#include "windows/Options.h"

#include <exception>

#include "platform/Keys.h"
#include "platform/Log.h"
#include "script/ScriptLines.h"

namespace trv {
namespace {

// Buttons fade back on release; Shift turns a single switch without its
// sound (the group switches ignore it, see OnMouseDown).
constexpr SkinMouseRules kOptionsRules{false, true, true};

constexpr const char* kOptionsFile = "Options.txt";

// Farther out than any screen: an element placed there is a script error,
// and its edges (place plus picture size) must not overflow.
constexpr std::int32_t kFarthestPlace = 1 << 20;

bool PlacedSanely(const auto& r) {
  if (r.left > -kFarthestPlace && r.left < kFarthestPlace && r.top > -kFarthestPlace && r.top < kFarthestPlace)
    return true;
  Log("options", "an element at " + std::to_string(r.left) + "," + std::to_string(r.top) +
                     " lies beyond any screen; it is left without pictures");
  return false;
}

}  // namespace

TCoolOptions::TCoolOptions(Platform& platform, const TReadBin& archive, const ScriptPaths& paths,
                           CoolOptionsHost host)
    : TSkinWindow(platform),
      pictures_(&archive, nullptr, "options"),
      paths_(paths),
      host_(std::move(host)),
      controls_(*this, platform.Loop(), kOptionsRules, [this] { FormPaint(); }) {
  std::vector<std::uint8_t> bytes;
  TDynamicStringArray lines;
  const bool found = archive.ReadToBuffer(kOptionsFile, bytes) >= 0;
  if (found) SplitLines(bytes, true, lines);
  else Log("options", "the archive holds no readable Options.txt; the options window is empty");
  Init(found ? &lines : nullptr);
}

TCoolOptions::TCoolOptions(Platform& platform, const TReadBin& archive, const TDynamicStringArray* lines,
                           const ScriptPaths& paths, CoolOptionsHost host)
    : TSkinWindow(platform),
      pictures_(&archive, nullptr, "options"),
      paths_(paths),
      host_(std::move(host)),
      controls_(*this, platform.Loop(), kOptionsRules, [this] { FormPaint(); }) {
  Init(lines);
}

void TCoolOptions::Init(const TDynamicStringArray* lines) {
  if (lines) script_ = ReadOptionsScript(*lines, paths_);
  WindowOptions options;
  options.role = "options";
  options.bounds = {0, 0, 1, 1};
  options.topmost = true;
  options.inTaskbar = false;
  CreateSkinWindow(options);
  if (!script_.read) return;
  ReadStoredStates(script_, platform_.Settings(), host_.settingsKey, StoredRead::kCreation);
  ApplySwitches("start");
}

TCoolOptions::~TCoolOptions() {
  DestroySkinWindow();
  controls_.Clear();
}

void TCoolOptions::ApplySwitches(const char* when) {
  if (!host_.flags) return;
  RunSwitchCommands(script_, *host_.flags, host_.music);
  const TOptionFlags& f = *host_.flags;
  platform_.Tracer()
      .Emit("options")
      .Utf8("op", "apply")
      .Utf8("when", when)
      .Int("startScreen", f.StartScreen)
      .Bool("sounds", f.SoundsOn)
      .Bool("music", host_.music.musicOn && host_.music.musicOn())
      .Bool("sendResults", f.SendResults)
      .Bool("gameTable", f.GameTable)
      .Bool("quizMasterVoice", f.QuizMasterVoice)
      .Bool("storeVisitedHtml", f.StoreVisitedHtml);
  if (host_.applied) host_.applied();
}

void TCoolOptions::Execute() {
  if (!closed_ || Visible()) return;  // already shown
  if (!script_.read) {
    Log("options", "no Options.txt: the options window is not shown");
    return;
  }
  try {
    done_ = false;
    ReadStoredStates(script_, platform_.Settings(), host_.settingsKey, StoredRead::kExecute);
    if (!Build()) return;
    Show();
  } catch (const std::exception& e) {
    Log("options", std::string("the options window stopped: ") + e.what());
    if (!closed_) {
      closed_ = true;
      if (SkinWindow()) SkinWindow()->Hide();
    }
    Release();
  }
}

bool TCoolOptions::Build() {
  Bitmap background;
  if (!pictures_.Load(script_.picture, &background)) {
    Log("options", "no background picture \"" + script_.picture + "\": the options window is not shown");
    return false;
  }
  controls_.Clear();
  controls_.ResizeButtons(script_.buttons.size());
  for (std::size_t i = 0; i < script_.buttons.size(); ++i) {
    RBtn& r = script_.buttons[i];
    // A missing first picture leaves the button without area: it cannot be hit.
    r.right = r.left;
    r.bottom = r.top;
    TSkinButton& b = controls_.Button(i);
    b.Bind(&r);
    b.hover = false;
    b.pressed = false;
    if (PlacedSanely(r)) b.LoadPictures(pictures_, 3);
  }
  auto bindSwitches = [&](auto& records, std::size_t count, auto element) {
    for (std::size_t i = 0; i < count; ++i) {
      auto& r = records[i];
      r.right = r.left;
      r.bottom = r.top;
      TSkinSwitch& s = element(i);
      s.Bind(&r);
      if (PlacedSanely(r)) s.LoadPictures(pictures_);
    }
  };
  controls_.ResizeSingles(script_.singles.size());
  bindSwitches(script_.singles, script_.singles.size(), [&](std::size_t i) -> TSkinSwitch& { return controls_.Single(i); });
  controls_.ResizeGroups(script_.groups.size());
  bindSwitches(script_.groups, script_.groups.size(), [&](std::size_t i) -> TSkinSwitch& { return controls_.Group(i); });
  SkinBackground() = std::move(background);
  controls_.PaintNormal(SkinBackground());
  built_ = true;
  return true;
}

void TCoolOptions::Show() {
  const int width = SkinBackground().Width(), height = SkinBackground().Height();
  const Rect main = host_.mainBounds ? host_.mainBounds() : Rect{};
  const int left = main.left + main.Width() / 2 - width / 2;
  const int top = main.top + main.Height() / 2 - height / 2;
  SkinWindow()->SetBounds(Rect::FromSize(left, top, width, height));
  platform_.Tracer()
      .Emit("options")
      .Utf8("op", "show")
      .Int("left", left)
      .Int("top", top)
      .Int("width", width)
      .Int("height", height);
  closed_ = false;
  ShowModalFaded([this] { return closed_; });
  if (!closed_) CloseOptions();  // the program is ending
}

void TCoolOptions::CloseOptions() {
  done_ = false;
  Close();
}

void TCoolOptions::Close() {
  if (closed_) return;
  closed_ = true;
  Hints().Clear();
  SkinWindow()->Hide();
  platform_.Tracer().Emit("options").Utf8("op", "close").Bool("done", done_);
  if (done_) {
    ApplySwitches("done");
    WriteStoredStates(script_, platform_.Settings(), host_.settingsKey);
  }
  Release();
}

void TCoolOptions::Release() {
  // Built again by the next Execute.
  controls_.Clear();
  SkinBackground() = Bitmap();
  built_ = false;
}

void TCoolOptions::PaintSkin(Bitmap& target) {
  target.Blit(0, 0, SkinBackground());
  controls_.Paint(target);
}

// ---- Mouse and keys

void TCoolOptions::OnMouseMove(Point p, unsigned /*shift*/) {
  if (!built_ || closed_ || Fading()) return;
  const SkinHover hover = controls_.MouseMove(p);
  const bool hints = host_.flags && host_.flags->ShowHints;
  // Standard hints: after the pause, below the pointer.
  if (hints && hover.enteredButton >= 0)
    Hints().Arm(controls_.Button(std::size_t(hover.enteredButton)).Record().hint, {p.x, p.y + kCursorHeight});
  else if (hints && hover.enteredSwitch)
    Hints().Arm(hover.enteredSwitch->hint, {p.x, p.y + kCursorHeight});
  else if (!hover.OverElement())
    Hints().Hide();
}

void TCoolOptions::OnMouseDown(MouseButton b, Point p, unsigned shift) {
  Hints().Hide();
  if (!built_ || closed_ || Fading() || b != MouseButton::Left) return;
  // Shift silences only the single switches: a group switch under it acts as always.
  bool overSingle = false;
  for (std::size_t i = 0; i < controls_.SingleCount(); ++i) overSingle = overSingle || controls_.Single(i).Contains(p);
  if (!overSingle) shift &= ~kShift;
  const SkinClick click = controls_.MouseDown(p, shift);
  if (click.run) {
    ElementAction(click.command, click.sound);
    return;
  }
  if (click.hit == SkinClick::Hit::kNothing) DragWindow();
}

void TCoolOptions::OnMouseUp(MouseButton b, Point p, unsigned shift) {
  if (!built_ || closed_ || b != MouseButton::Left) return;
  const SkinClick click = controls_.MouseUp(p, shift);
  if (click.run) ElementAction(click.command, click.sound);
}

void TCoolOptions::OnKeyDown(int key, unsigned /*shift*/) {
  if (!built_ || closed_ || Fading()) return;
  if (key == vk::Escape || key == vk::Return) CloseOptions();
}

void TCoolOptions::ElementAction(const std::string& command, const std::string& sound) {
  if (!sound.empty() && sound != "no" && host_.flags && host_.flags->SoundsOn)
    platform_.Audio().PlaySound(paths_.programDir + sound, SoundMode::Async);
  // A switch's option command waits for "done"; only the buttons' words act now.
  if (command == "done") {
    done_ = true;
    Close();
  } else if (command == "close") {
    CloseOptions();
  }
}

}  // namespace trv
