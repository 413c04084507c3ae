#include "windows/About.h"

#include <algorithm>

#include "platform/Json.h"
#include "platform/Keys.h"
#include "platform/Log.h"
#include "platform/Text.h"
#include "script/ScriptLines.h"
#include "script/ScriptValues.h"

namespace trv {
namespace {

// The About box's buttons only close it: no press look, nothing on release.
constexpr SkinMouseRules kAboutRules{false, false, false};

// A press exactly this far inside the right and bottom edges counts as a
// press on the corner.
constexpr int kCornerInset = 5;

// The lines of About.txt, split with lower-casing; none when it cannot be read.
TDynamicStringArray AboutLines(const TReadBin& archive) {
  std::vector<std::uint8_t> bytes;
  TDynamicStringArray lines;
  if (archive.ReadToBuffer("About.txt", bytes) >= 0)
    SplitLines(bytes, true, lines);
  else
    Log("about", "the archive holds no readable About.txt");
  return lines;
}

std::string RectJson(const Rect& r) {
  return "\"left\":" + std::to_string(r.left) + ",\"top\":" + std::to_string(r.top) +
         ",\"right\":" + std::to_string(r.right) + ",\"bottom\":" + std::to_string(r.bottom);
}

}  // namespace

TAboutBox::TAboutBox(Platform& platform, const TReadBin& archive, const ScriptPaths& paths, AboutBoxHost host)
    : TSkinWindow(platform),
      pictures_(&archive, nullptr, "about"),
      host_(std::move(host)),
      controls_(*this, platform.Loop(), kAboutRules, [this] { FormPaint(); }) {
  Build(AboutLines(archive), paths);
}

TAboutBox::TAboutBox(Platform& platform, const TReadBin& archive, const TDynamicStringArray& lines,
                     const ScriptPaths& paths, AboutBoxHost host)
    : TSkinWindow(platform),
      pictures_(&archive, nullptr, "about"),
      host_(std::move(host)),
      controls_(*this, platform.Loop(), kAboutRules, [this] { FormPaint(); }) {
  Build(lines, paths);
}

TAboutBox::~TAboutBox() {
  // The window goes first so that no event reaches the buttons below.
  DestroySkinWindow();
  controls_.Clear();
}

void TAboutBox::Build(const TDynamicStringArray& lines, const ScriptPaths& paths) {
  script_ = ReadAboutScript(lines, paths);
  WindowOptions options;
  options.role = "about";
  options.bounds = {0, 0, 1, 1};
  options.topmost = true;
  options.inTaskbar = false;
  CreateSkinWindow(options);

  // The background, sized and centred on the screen. Without one the box has
  // no size and shows nothing useful.
  Bitmap& background = SkinBackground();
  pictures_.Load(script_.picture, &background);
  const Size screen = platform_.ScreenSize();
  const int w = background.Width(), h = background.Height();
  SkinWindow()->SetBounds(Rect::FromSize(screen.width / 2 - w / 2, screen.height / 2 - h / 2, std::max(w, 1),
                                         std::max(h, 1)));
  if (script_.shape) SetShape(*script_.shape);

  // Plain buttons: a missing picture 1 leaves a button without area.
  controls_.ResizeButtons(script_.buttons.size());
  for (std::size_t i = 0; i < script_.buttons.size(); ++i) {
    RBtn& record = script_.buttons[i];
    record.right = record.left;
    record.bottom = record.top;
    TSkinButton& button = controls_.Button(i);
    button.Bind(&record);
    button.LoadPictures(pictures_, 2);
  }
  controls_.PaintNormal(background);
  PaintTexts();
  cornerPresses_ = 0;
  TraceCreated();
}

void TAboutBox::PaintTexts() {
  for (const RText& t : script_.texts) {
    FontSpec wanted;
    if (!t.fontName.empty()) wanted.name = t.fontName;
    wanted.sizePt = t.fontSize;
    wanted.style = ParseFontStyle(t.fontStyle);
    const std::unique_ptr<Font> font = platform_.Fonts().CreateFont(wanted);
    if (!font) {
      Log("about", "no font for the text at " + std::to_string(t.left) + "," + std::to_string(t.top));
      continue;
    }
    const bool link = IsAboutLink(t);
    const std::string shown = link ? AboutLinkDisplay(t.text) : t.text;
    const Size extent = font->TextExtent(shown);
    Rect place = Rect::FromSize(t.left, t.top, extent.width, extent.height);
    // A link takes the mouse over what it shows, not over what it opens.
    if (link) links_.push_back({place, shown, AboutLinkCommand(t.text), t.sound});
    font->DrawText(SkinBackground(), place, shown, dt::Left | dt::SingleLine | dt::NoPrefix | dt::NoClip,
                   t.fontColor);
  }
}

void TAboutBox::TraceCreated() {
  std::string buttons = "[";
  for (const RBtn& b : script_.buttons) {
    if (buttons.size() > 1) buttons += ",";
    buttons += "{" + RectJson({b.left, b.top, b.right, b.bottom}) + "}";
  }
  std::string links = "[";
  for (const TAboutLink& l : links_) {
    if (links.size() > 1) links += ",";
    links += "{" + RectJson(l.bounds) + ",\"text\":" + JsonQuote(Cp1251ToUtf8(l.display)) +
             ",\"command\":" + JsonQuote(Cp1251ToUtf8(l.command)) + "}";
  }
  const Rect b = SkinWindow()->Bounds();
  platform_.Tracer()
      .Emit("about")
      .Utf8("op", "create")
      .Int("left", b.left)
      .Int("top", b.top)
      .Int("width", SkinBackground().Width())
      .Int("height", SkinBackground().Height())
      .Bool("shaped", script_.shape.has_value())
      .Json("buttons", buttons + "]")
      .Json("links", links + "]");
}

// ---- Showing and closing

void TAboutBox::ShowModal() {
  if (!closed_) {
    SkinWindow()->Raise();  // already up: an "about" from under it changes nothing
    return;
  }
  for (std::size_t i = 0; i < controls_.ButtonCount(); ++i) {
    controls_.Button(i).hover = false;
    controls_.Button(i).pressed = false;
  }
  for (TAboutLink& l : links_) l.handPointer = false;
  SkinWindow()->SetCursor(Cursor::Arrow);
  closed_ = false;
  platform_.Tracer().Emit("about").Utf8("op", "show");
  ShowModalFaded([this] { return closed_; });
  if (!closed_) Close();  // the program is ending
}

void TAboutBox::CloseBox() {
  if (!closed_) Close();
}

void TAboutBox::Close() {
  if (closed_) return;
  Hints().Clear();
  for (std::size_t i = 0; i < controls_.ButtonCount(); ++i) controls_.Button(i).hover = false;
  ResetPointer();
  // Hiding gives the keyboard back to the window that had it before.
  SkinWindow()->Hide();
  closed_ = true;
  platform_.Tracer().Emit("about").Utf8("op", "close");
}

void TAboutBox::OnCloseRequest() { CloseBox(); }

// ---- Painting

void TAboutBox::PaintSkin(Bitmap& target) {
  target.Blit(0, 0, SkinBackground());
  controls_.Paint(target);
}

// ---- Mouse and keys

void TAboutBox::SetHand(TAboutLink& link, bool on) {
  link.handPointer = on;
  SkinWindow()->SetCursor(on ? Cursor::Hand : Cursor::Arrow);
  platform_.Tracer().Emit("about").Utf8("op", "pointer").Utf8("cursor", on ? "hand" : "arrow");
}

void TAboutBox::ResetPointer() {
  bool wasHand = false;
  for (TAboutLink& l : links_) {
    wasHand = wasHand || l.handPointer;
    l.handPointer = false;
  }
  SkinWindow()->SetCursor(Cursor::Arrow);
  if (wasHand) platform_.Tracer().Emit("about").Utf8("op", "pointer").Utf8("cursor", "arrow");
}

void TAboutBox::OnMouseMove(Point p, unsigned /*shift*/) {
  if (closed_ || Fading()) return;
  const SkinHover hover = controls_.MouseMove(p);
  const bool hints = host_.showHints && host_.showHints();
  if (hover.enteredButton >= 0 && hints)
    Hints().Arm(script_.buttons[std::size_t(hover.enteredButton)].hint, {p.x, p.y + kCursorHeight});
  else if (!hover.OverElement())
    Hints().Hide();
  // Leaves first: going straight from one link onto the next keeps the hand.
  for (TAboutLink& l : links_)
    if (l.handPointer && !l.bounds.StrictlyContains(p)) SetHand(l, false);
  for (TAboutLink& l : links_)
    if (!l.handPointer && l.bounds.StrictlyContains(p)) SetHand(l, true);
}

void TAboutBox::OnMouseDown(MouseButton b, Point p, unsigned /*shift*/) {
  Hints().Hide();
  if (b != MouseButton::Left || closed_ || Fading()) return;
  for (std::size_t i = 0; i < controls_.ButtonCount(); ++i) {
    if (!controls_.Button(i).Contains(p)) continue;
    PlaySound(script_.buttons[i].sound);
    Close();
    return;
  }
  for (const TAboutLink& l : links_) {
    if (!l.bounds.StrictlyContains(p)) continue;
    PlaySound(l.sound);
    platform_.Tracer().Emit("about").Utf8("op", "link").Text("command", l.command);
    if (host_.openLink) host_.openLink(l.command);
    return;
  }
  DragWindow();
  CornerPress(p);
}

void TAboutBox::CornerPress(Point p) {
  const Rect b = SkinWindow()->Bounds();
  if (p.x + kCornerInset != b.Width() || p.y + kCornerInset != b.Height()) return;
  // The second press on the corner shows who made the program; the count
  // stops there, so that it never comes round again.
  if (cornerPresses_ == 1)
    platform_.ShowMessageBox("Trivion", Utf8ToCp1251("Программеры:\n\nTrivion team — команда разработчиков Тривиона"));
  if (cornerPresses_ < 2) ++cornerPresses_;
}

void TAboutBox::OnKeyDown(int key, unsigned /*shift*/) {
  if (closed_ || Fading()) return;
  if (key == vk::Escape || key == vk::Return) Close();
}

void TAboutBox::PlaySound(const std::string& sound) {
  if (sound.empty() || sound == "no") return;
  if (host_.soundsOn && host_.soundsOn() && host_.playSound) host_.playSound(sound);
}

}  // namespace trv
