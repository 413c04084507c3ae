#include "shell/CoolDialog.h"

#include <algorithm>

#include "online/VMHighScores.h"
#include "platform/Bmp.h"
#include "platform/Json.h"
#include "platform/Keys.h"
#include "platform/Log.h"
#include "platform/Text.h"
#include "script/ScriptLines.h"
#include "script/ScriptValues.h"

namespace trv {

const char* const kEnterAnswerText =
    "\xcf\xee\xe6\xe0\xeb\xf3\xe9\xf1\xf2\xe0, \xe2\xe2\xe5\xe4\xe8\xf2\xe5 \xee\xf2\xe2\xe5\xf2!";

namespace {

// A release waits this long, again and again, while a button still fades.
constexpr std::uint32_t kMouseUpRetryMs = 300;
constexpr const char* kScoreGameId = "3";
constexpr int kSendPage = 2;  // the page whose boxes hold the user name and password

bool Contains(const std::string& s, const char* word) { return s.find(word) != std::string::npos; }

// Column `srcX` of `pic` from row `fromRow` down, copied to column `x` of
// `canvas` starting at row `toRow`.
void CopyColumn(Bitmap& canvas, int x, int toRow, const Bitmap& pic, int srcX, int fromRow) {
  canvas.Blit(x, toRow, pic, {srcX, fromRow, srcX + 1, pic.Height()});
}

}  // namespace

TCoolDialog::TCoolDialog(Platform& platform, const TReadBin& archive, const ScriptPaths& paths, CoolDialogHost host)
    : platform_(platform), archive_(archive), paths_(paths), host_(std::move(host)) {
  std::vector<std::uint8_t> bytes;
  TDynamicStringArray lines;
  if (archive_.ReadToBuffer("Dialog.txt", bytes) >= 0)
    SplitLines(bytes, true, lines);
  else
    Log("dialog", "the archive holds no readable Dialog.txt");
  Init(lines);
}

TCoolDialog::TCoolDialog(Platform& platform, const TReadBin& archive, const TDynamicStringArray& lines,
                         const ScriptPaths& paths, CoolDialogHost host)
    : platform_(platform), archive_(archive), paths_(paths), host_(std::move(host)) {
  Init(lines);
}

void TCoolDialog::Init(const TDynamicStringArray& lines) {
  script_ = ReadDialogScript(lines, paths_);
  WindowOptions options;
  options.role = "dialog";
  options.bounds = {0, 0, 1, 1};
  options.topmost = true;
  options.inTaskbar = false;
  window_ = platform_.CreateWindow(options);
  window_->SetEvents(this);
  appear_ = std::make_unique<TEffCar>(*this, platform_.Loop());
  boxSets_.resize(script_.Boxes.size());
  for (std::size_t p = 0; p < script_.Boxes.size(); ++p) {
    if (script_.Boxes[p].empty()) continue;
    PathBoxHost h;
    h.currentScreen = [this] { return currentPage_ + kDialogBoxKeyBase; };
    h.ownerVisible = [this] { return window_ && window_->Visible(); };
    h.typingSound = [this](const std::string& sound) {
      if (host_.playWav) host_.playWav(sound);
    };
    h.changed = [this](int) {
      if (built_ && !Appearing()) FormPaint();
    };
    boxSets_[p] = std::make_unique<TPathInputBox>(platform_, std::move(h), host_.title, true, script_.Boxes[p],
                                                  script_.BoxNames[p], std::int32_t(p) + kDialogBoxKeyBase);
  }
}

TCoolDialog::~TCoolDialog() {
  // FormDestroy: the window goes first so that no event reaches the parts below.
  if (mouseUpTimer_) platform_.Loop().KillTimer(mouseUpTimer_);
  if (window_) {
    window_->SetEvents(nullptr);
    window_->Hide();
  }
  btnStates_.clear();
  swStates_.clear();
  boxSets_.clear();
}

TPathInputBox* TCoolDialog::Boxes(int page) const {
  if (page < 0 || std::size_t(page) >= boxSets_.size()) return nullptr;
  return boxSets_[std::size_t(page)].get();
}

bool TCoolDialog::Visible() const { return window_ && window_->Visible(); }

bool TCoolDialog::LoadPicture(const std::string& name, Bitmap* out) const {
  if (name.empty()) return false;
  std::vector<std::uint8_t> bytes;
  if (archive_.ReadToBuffer(name, bytes) < 0) {
    Log("dialog", "no picture " + Cp1251ToUtf8(name) + " in the archive");
    return false;
  }
  std::string error;
  std::optional<Bitmap> bmp = DecodeBmp(bytes, &error);
  if (!bmp) {
    Log("dialog", Cp1251ToUtf8(name) + ": " + error);
    return false;
  }
  *out = std::move(*bmp);
  return true;
}

int TCoolDialog::ShowDialog(int layout, const std::string& text) {
  // A dialog still up (the non-blocking message) gives way to the new one.
  if (Visible() || built_) CloseDialog();
  const int serial = ++serial_;
  auto refuse = [&](const char* why) {
    platform_.Tracer()
        .Emit("dialog")
        .Utf8("op", "refused")
        .Int("layout", layout)
        .Text("text", text)
        .Utf8("why", why)
        .Int("result", kDialogClosed);
    return kDialogClosed;
  };
  if (layout < 0 || std::size_t(layout) >= script_.PagePictures.size()) return refuse("no such page");
  if (std::size_t(layout) >= script_.Texts.size()) return refuse("the page has no text area");
  const std::size_t page = std::size_t(layout);

  // 1. The user name and password are typed in Latin letters.
  if (layout == kSendPage) platform_.Keys().LoadLayout(kLayoutUS);
  // 2.
  Bitmap picture;
  if (!LoadPicture(script_.PagePictures[page], &picture)) {
    if (layout == kSendPage) platform_.Keys().LoadLayout(kLayoutRussian);
    return refuse("no page picture");
  }
  // 3.
  currentPage_ = layout;
  shownText_ = text;
  // 4. Buttons.
  const TDynamicDialogBtnArray& buttons = script_.Buttons[page];
  btnStates_.clear();
  btnStates_.resize(buttons.size());
  placed_ = buttons;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    ButtonState& st = btnStates_[i];
    for (std::size_t k = 0; k < 4; ++k) st.hasPic[k] = LoadPicture(buttons[i].fn[k], &st.pic[k]);
    placed_[i].right = placed_[i].left + st.pic[0].Width();
    placed_[i].bottom = placed_[i].top + st.pic[0].Height();
    st.fade = std::make_unique<TEffBtnCar>(*this, platform_.Loop());
  }
  // 5. Switches.
  switches_ = script_.Switches[page];
  swStates_.clear();
  swStates_.resize(switches_.size());
  for (std::size_t i = 0; i < switches_.size(); ++i) {
    SwitchState& st = swStates_[i];
    for (std::size_t k = 0; k < 4; ++k) st.hasPic[k] = LoadPicture(switches_[i].fn[k], &st.pic[k]);
    switches_[i].right = switches_[i].left + st.pic[0].Width();
    switches_[i].bottom = switches_[i].top + st.pic[0].Height();
    switches_[i].underMouse = false;
    st.fade = std::make_unique<TEffBtnCar>(*this, platform_.Loop());
  }
  built_ = true;
  closed_ = false;
  result_ = kDialogClosed;
  // 6. A switch that starts on acts at once, as a click would.
  for (std::size_t i = 0; i < switches_.size() && serial == serial_ && built_; ++i)
    if (switches_[i].on) RunDialogCommand(switches_[i].command, switches_[i].sound);
  if (serial != serial_ || !built_) return result_;  // its command closed the page

  // 7. The text's font.
  const RText& area = script_.Texts[page];
  FontSpec wanted;
  wanted.name = area.fontName;
  wanted.sizePt = area.fontSize > 0 ? area.fontSize : 10;
  wanted.style = ParseFontStyle(area.fontStyle);
  font_ = platform_.Fonts().CreateFont(wanted);
  // 8. Measure.
  const std::size_t lf = text.find('\n');
  const std::string line1 = lf == std::string::npos ? text : text.substr(0, lf);
  const std::string line2 = lf == std::string::npos ? std::string() : text.substr(lf + 1);
  const Size s1 = font_ ? font_->TextExtent(line1) : Size{};
  const Size s2 = font_ ? font_->TextExtent(line2) : Size{};
  const int w = lf == std::string::npos ? s1.width : std::max(s1.width, s2.width);
  const int h = s1.height;
  const int e = lf == std::string::npos ? 0 : h;
  // 9. Stretch the background by repeating its middle column.
  const int W = picture.Width(), H = picture.Height();
  const int B = area.right - area.left;
  const int G = w > B ? w - B : 0;
  const int hw = W / 2, hh = H / 2, hg = G / 2;
  canvas_ = Bitmap(W + G, H + e);
  canvas_.Blit(0, 0, picture, {0, 0, hw, H});
  canvas_.Blit(hw + G, 0, picture, {hw, 0, W, H});
  for (int x = hw; x < hw + G; ++x) CopyColumn(canvas_, x, 0, picture, hw, 0);
  if (e > 0) {
    canvas_.Blit(0, hh + e, picture, {0, hh, hw, H});
    canvas_.Blit(hw + G, hh + e, picture, {hw, hh, W, H});
    const int from = hw - hg < 1 ? hw : hw - hg;
    for (int x = from; x < hw + G; ++x) CopyColumn(canvas_, x, hh + e, picture, hw, hh);
  }
  // 10. The text.
  const Rect textRect{area.left, area.top, area.right + G, area.top + h + e};
  if (font_) {
    const unsigned flags = dt::Left | dt::SingleLine | dt::NoPrefix;
    if (lf != std::string::npos) {
      Rect r1 = textRect;
      font_->DrawText(canvas_, r1, line1, flags, area.fontColor);
      Rect r2{textRect.left, textRect.top + h, textRect.right, textRect.bottom};
      font_->DrawText(canvas_, r2, line2, flags, area.fontColor);
    } else if (G > 0) {
      Rect r{textRect.left, textRect.top, textRect.left + w, textRect.top + h};
      font_->DrawText(canvas_, r, line1, flags | dt::NoClip, area.fontColor);
    } else {
      Rect r{area.left + (B - w) / 2, textRect.top, textRect.right, textRect.bottom};
      font_->DrawText(canvas_, r, line1, flags, area.fontColor);
    }
  }
  // 11. Buttons move with the text; switches stay.
  for (std::size_t i = 0; i < placed_.size(); ++i) {
    RDialogBtn& b = placed_[i];
    const int dx = b.align == "left" ? 0 : b.align == "middle" ? hg : G;
    const int dy = Contains(b.name, "close") ? 0 : e;
    b.left += dx;
    b.right += dx;
    b.top += dy;
    b.bottom += dy;
    if (btnStates_[i].hasPic[0]) canvas_.Blit(b.left, b.top, btnStates_[i].pic[0]);
  }
  for (std::size_t i = 0; i < switches_.size(); ++i)
    if (swStates_[i].hasPic[0]) canvas_.Blit(switches_[i].left, switches_[i].top, swStates_[i].pic[0]);
  // 12.
  picture = Bitmap();
  for (ButtonState& st : btnStates_) st.underMouse = false;
  // 13. Centred on the main window.
  const Rect main = host_.mainBounds ? host_.mainBounds() : Rect{};
  const int left = main.left + main.Width() / 2 - canvas_.Width() / 2;
  const int top = main.top + main.Height() / 2 - canvas_.Height() / 2;
  window_->SetBounds(Rect::FromSize(left, top, canvas_.Width(), canvas_.Height()));
  // 14. Only this page's boxes show.
  for (std::size_t p = 0; p < boxSets_.size(); ++p)
    if (boxSets_[p]) boxSets_[p]->ShowForScreen(true, -1);
  if (TPathInputBox* boxes = Boxes(layout)) boxes->ShowForScreen(true, layout + kDialogBoxKeyBase);
  // 15. Every button is active (the game table page has its own rules).
  for (ButtonState& st : btnStates_) st.active = true;

  // Where each button landed, in the dialog's own coordinates: what a test
  // clicks and what a page's author checks the alignment by.
  std::string placedJson = "[";
  for (const RDialogBtn& b : placed_) {
    if (placedJson.size() > 1) placedJson += ",";
    placedJson += "{\"name\":" + JsonQuote(Cp1251ToUtf8(b.name)) + ",\"left\":" + std::to_string(b.left) +
               ",\"top\":" + std::to_string(b.top) + ",\"right\":" + std::to_string(b.right) +
               ",\"bottom\":" + std::to_string(b.bottom) + "}";
  }
  placedJson += "]";
  platform_.Tracer()
      .Emit("dialog")
      .Utf8("op", "show")
      .Int("layout", layout)
      .Text("text", text)
      .Int("left", left)
      .Int("top", top)
      .Int("width", canvas_.Width())
      .Int("height", canvas_.Height())
      .Bool("modal", !Contains(text, kEnterAnswerText))
      .Json("buttons", placedJson);
  // 16.
  appear_->Start();
  result_ = kDialogClosed;
  resultIsStatus_ = false;
  // 17. The empty-answer reminder leaves the player typing in the main window.
  const bool reminder = Contains(text, kEnterAnswerText);
  if (reminder)
    window_->ShowNoActivate();
  else
    window_->Show();
  window_->Raise();
  if (TPathInputBox* boxes = Boxes(layout)) {
    for (std::size_t i = 0; i < boxes->Count(); ++i)
      if (boxes->Key(i) == layout + kDialogBoxKeyBase) {
        boxes->Focus(int(i));
        break;
      }
  }
  FormPaint();
  if (reminder) return kDialogClosed;
  ++modalDepth_;
  platform_.Loop().RunModal([this, serial] { return serial != serial_ || closed_; });
  --modalDepth_;
  if (serial != serial_) return kDialogClosed;  // a later dialog took its place
  if (!closed_) Close(kDialogClosed);           // the program is ending
  return result_;
}

void TCoolDialog::CloseDialog() {
  if (built_ || Visible()) Close(kDialogClosed);
}

void TCoolDialog::Close(int result) {
  if (closed_ && !built_) return;
  result_ = result;
  resultIsStatus_ = false;
  const int page = currentPage_;
  FormClose();
  for (auto& set : boxSets_)
    if (set) set->ShowForScreen(true, -1);
  window_->Hide();
  closed_ = true;
  platform_.Tracer()
      .Emit("dialog")
      .Utf8("op", "close")
      .Int("layout", page)
      .Text("text", shownText_)
      .Int("result", result);
}

void TCoolDialog::FormClose() {
  if (mouseUpTimer_) platform_.Loop().KillTimer(mouseUpTimer_);
  mouseUpTimer_ = 0;
  platform_.Keys().LoadLayout(kLayoutRussian);
  canvas_ = Bitmap();
  btnStates_.clear();
  swStates_.clear();
  placed_.clear();
  switches_.clear();
  built_ = false;
}

void TCoolDialog::OnCloseRequest() {
  if (built_ || Visible()) Close(kDialogClosed);
}

// ---- Painting

Bitmap TCoolDialog::ScreenUnder() { return platform_.CaptureScreen(window_->Bounds()); }

void TCoolDialog::PaintNormal(Bitmap& target) { PaintTo(target); }

void TCoolDialog::PaintTo(Bitmap& target) {
  target.Blit(0, 0, canvas_);
  for (std::size_t i = 0; i < btnStates_.size(); ++i) {
    const ButtonState& st = btnStates_[i];
    const RDialogBtn& b = placed_[i];
    if (st.active && st.underMouse) {
      if (st.hasPic[1]) target.Blit(b.left, b.top, st.pic[1]);
    } else if (!st.active && st.hasPic[3]) {
      target.Blit(b.left, b.top, st.pic[3]);
    }
  }
  for (std::size_t i = 0; i < swStates_.size(); ++i) {
    const SwitchState& st = swStates_[i];
    const RSwthGrp& s = switches_[i];
    const int k = s.underMouse ? (s.on ? 2 : 1) : (s.on ? 3 : -1);
    if (k >= 0 && st.hasPic[k]) target.Blit(s.left, s.top, st.pic[k]);
  }
  if (TPathInputBox* boxes = Boxes(currentPage_)) boxes->Paint(target);
}

void TCoolDialog::FormPaint() {
  if (!built_) return;
  Bitmap& fb = window_->Framebuffer();
  if (Appearing())
    appear_->DrawFrame(fb);
  else
    PaintTo(fb);
  window_->Present();
}

void TCoolDialog::CrossFade(TEffBtnCar& fade, const Bitmap& from, const Bitmap& to, Point at) {
  if (from.Empty() || to.Empty()) {
    FormPaint();
    return;
  }
  fade.Start(from, to, at);
}

// ---- Mouse

void TCoolDialog::OnMouseMove(Point p, unsigned shift) {
  if (TPathInputBox* boxes = Boxes(currentPage_); boxes && built_) {
    if (boxes->Capturing() || boxes->BoxAt(p) >= 0) {
      boxes->MouseMove(p, shift);
      return;
    }
    boxes->MouseMove(p, shift);
  }
  FormMouseMove(p.x, p.y);
}

void TCoolDialog::OnMouseDown(MouseButton b, Point p, unsigned shift) {
  if (TPathInputBox* boxes = Boxes(currentPage_); boxes && built_ && boxes->BoxAt(p) >= 0) {
    boxes->MouseDown(b, p, shift);
    return;
  }
  if (b == MouseButton::Left) FormMouseDown(p.x, p.y);
}

void TCoolDialog::OnMouseUp(MouseButton b, Point p, unsigned shift) {
  if (TPathInputBox* boxes = Boxes(currentPage_); boxes && built_ && boxes->Capturing()) {
    boxes->MouseUp(p, shift);
    return;
  }
  if (b == MouseButton::Left) FormMouseUp(p.x, p.y);
}

void TCoolDialog::SwitchMouseMove(std::size_t i, Point p) {
  RSwthGrp& s = switches_[i];
  SwitchState& st = swStates_[i];
  const Rect r{s.left, s.top, s.right, s.bottom};
  const bool inside = r.StrictlyContains(p);
  if (inside && !s.underMouse) {
    if (s.on)
      CrossFade(*st.fade, st.pic[3], st.pic[2], {s.left, s.top});
    else
      CrossFade(*st.fade, st.pic[0], st.pic[1], {s.left, s.top});
    s.underMouse = true;
  } else if (!inside && s.underMouse) {
    s.underMouse = false;
    if (s.on)
      CrossFade(*st.fade, st.pic[2], st.pic[3], {s.left, s.top});
    else
      CrossFade(*st.fade, st.pic[1], st.pic[0], {s.left, s.top});
  }
}

void TCoolDialog::FormMouseMove(int x, int y) {
  if (!built_ || Appearing() || !Visible()) return;
  const Point p{x, y};
  for (std::size_t i = 0; i < btnStates_.size(); ++i) {
    ButtonState& st = btnStates_[i];
    if (!st.active) continue;
    const RDialogBtn& b = placed_[i];
    const bool inside = Rect{b.left, b.top, b.right, b.bottom}.StrictlyContains(p);
    if (inside && !st.underMouse) {
      st.underMouse = true;
      CrossFade(*st.fade, st.pic[0], st.pic[1], {b.left, b.top});
    } else if (!inside && st.underMouse) {
      st.underMouse = false;
      st.pressed = false;
      CrossFade(*st.fade, st.pic[1], st.pic[0], {b.left, b.top});
    }
  }
  for (std::size_t i = 0; i < switches_.size(); ++i) SwitchMouseMove(i, p);
}

void TCoolDialog::FormMouseDown(int x, int y) {
  if (!built_ || Appearing()) return;
  const Point p{x, y};
  for (std::size_t i = 0; i < btnStates_.size(); ++i) {
    ButtonState& st = btnStates_[i];
    const RDialogBtn& b = placed_[i];
    if (!st.active || st.pressed || !Rect{b.left, b.top, b.right, b.bottom}.StrictlyContains(p)) continue;
    CrossFade(*st.fade, st.pic[1], st.pic[2], {b.left, b.top});
    st.pressed = true;
    return;
  }
  for (std::size_t i = 0; i < switches_.size(); ++i) {
    RSwthGrp& s = switches_[i];
    if (!Rect{s.left, s.top, s.right, s.bottom}.StrictlyContains(p)) continue;
    if (s.on) return;
    CrossFade(*swStates_[i].fade, swStates_[i].pic[1], swStates_[i].pic[2], {s.left, s.top});
    for (std::size_t j = 0; j < switches_.size(); ++j) {
      if (j == i || switches_[j].group != s.group || !switches_[j].on) continue;
      CrossFade(*swStates_[j].fade, swStates_[j].pic[3], swStates_[j].pic[0], {switches_[j].left, switches_[j].top});
      switches_[j].on = false;
    }
    s.on = true;
    const std::string command = s.command, sound = s.sound;  // the command may close the page
    RunDialogCommand(command, sound);
    return;
  }
  window_->SetMouseCapture(false);
  window_->BeginDrag();
}

void TCoolDialog::FormMouseUp(int x, int y) {
  if (!built_) return;
  // A click never starts its command while a button still fades.
  for (const ButtonState& st : btnStates_) {
    if (!st.fade->Running()) continue;
    pendingUp_ = {x, y};
    if (mouseUpTimer_) platform_.Loop().KillTimer(mouseUpTimer_);
    mouseUpTimer_ = platform_.Loop().SetTimer(kMouseUpRetryMs, false, [this] {
      mouseUpTimer_ = 0;
      FormMouseUp(pendingUp_.x, pendingUp_.y);
    });
    return;
  }
  const Point p{x, y};
  for (std::size_t i = 0; i < btnStates_.size(); ++i) {
    const RDialogBtn& b = placed_[i];
    if (!btnStates_[i].pressed || !Rect{b.left, b.top, b.right, b.bottom}.StrictlyContains(p)) continue;
    btnStates_[i].pressed = false;
    const std::string command = b.command, sound = b.sound;
    RunDialogCommand(command, sound);
    return;
  }
  for (std::size_t i = 0; i < switches_.size(); ++i) {
    const RSwthGrp& s = switches_[i];
    if (Rect{s.left, s.top, s.right, s.bottom}.StrictlyContains(p)) SwitchMouseMove(i, p);
  }
}

// ---- Commands and keys

void TCoolDialog::RunDialogCommand(const std::string& command, const std::string& sound) {
  if (!sound.empty() && sound != "no" && host_.soundsOn && host_.soundsOn() && host_.playWav) host_.playWav(sound);
  if (command == "iwanttoplayagain") {
    Close(kDialogPlayAgain);
    return;
  }
  if (command == "sendresults") {
    const std::int32_t score = host_.currentScore ? host_.currentScore() : 0;
    if (score == 0) return;  // nothing to send: the dialog stays
    TVMHighScores client(platform_);
    client._ServerAddress = host_.saveUrl ? host_.saveUrl() : std::string();
    client._GameID = kScoreGameId;
    if (std::size_t(kSendPage) < script_.Boxes.size()) {
      const TDynamicStringArray& names = script_.BoxNames[kSendPage];
      TPathInputBox* boxes = Boxes(kSendPage);
      auto any = [&names](const char* word) {
        return std::any_of(names.begin(), names.end(), [word](const std::string& n) { return Contains(n, word); });
      };
      if (boxes && any("username")) client._UserName = boxes->FindBoxText(kSendPage + kDialogBoxKeyBase, "username");
      if (boxes && any("userpassword"))
        client._UserPassword = boxes->FindBoxText(kSendPage + kDialogBoxKeyBase, "userpassword");
    }
    const std::int32_t status = client.SendScore(score);
    Close(status);
    resultIsStatus_ = true;
    return;
  }
  if (command == "help") {
    if (host_.mainKeyDown) host_.mainKeyDown(vk::F1, 0);
    return;
  }
  Close(command == "yes" ? kDialogYes : command == "no" ? kDialogNo : kDialogClosed);
}

void TCoolDialog::OnKeyDown(int key, unsigned shift) {
  const unsigned mods = shift & (kShift | kAlt | kCtrl);
  const bool own = key == vk::F1 || key == vk::Escape || key == vk::Return ||
                   (key == vk::F1 + 3 && (mods == kAlt || mods == kCtrl));
  if (own) {
    FormKeyDown(key, shift);
    return;
  }
  if (TPathInputBox* boxes = Boxes(currentPage_); boxes && built_) boxes->KeyDown(key, shift);
}

void TCoolDialog::OnChar(char c) {
  if (c == '\r' || c == 27) return;  // Enter and Escape act as keys only
  if (TPathInputBox* boxes = Boxes(currentPage_); boxes && built_) boxes->Char(c);
}

void TCoolDialog::FormKeyDown(int key, unsigned shift) {
  if (!built_) return;
  const unsigned mods = shift & (kShift | kAlt | kCtrl);
  if (key == vk::F1) {
    if (host_.mainKeyDown) host_.mainKeyDown(key, shift);
    return;
  }
  if (key == vk::Escape || (key == vk::F1 + 3 && (mods == kAlt || mods == kCtrl))) {
    for (const RDialogBtn& b : placed_) {
      if (!Contains(b.name, "close")) continue;
      if (!b.sound.empty() && b.sound != "no" && host_.playWav) host_.playWav(b.sound);
      break;
    }
    // Alt+F4 closes through the system; here that is the same close.
    Close(kDialogClosed);
    return;
  }
  if (key == vk::Return) {
    for (const RDialogBtn& b : placed_) {
      const bool ok = Contains(b.name, "ok"), yes = Contains(b.name, "yes");
      if (!ok && !yes) continue;
      if (!b.sound.empty() && b.sound != "no" && host_.playWav) host_.playWav(b.sound);
      Close(ok ? kDialogOk : kDialogYes);
      return;
    }
  }
}

}  // namespace trv
