#include "windows/PathInputBoxes.h"

#include <cstdlib>

#include "platform/Json.h"
#include "platform/Keys.h"
#include "platform/Log.h"
#include "platform/Text.h"

namespace trv {
namespace {

// Room between the box's left edge and its text, as an edit control leaves.
constexpr int kTextMargin = 1;
// The system's colours of selected text.
constexpr Color kSelectionBack = MakeColor(0, 0, 128);
constexpr Color kSelectionText = MakeColor(255, 255, 255);

// Script coordinates far off any window are held to a range whose sizes
// cannot overflow.
constexpr std::int32_t kCoordLimit = 32767;
int Coord(std::int32_t v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

bool IsWordChar(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u > ' ' && c != '\\' && c != '/' && c != '.' && c != ',' && c != ';' && c != ':' && c != '-';
}

// The part of `text` a single-line box can take: up to the first line break,
// control characters left out.
std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r' || c == '\n') break;
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) continue;
    out.push_back(c);
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------- TEditBox

TEditBox::TEditBox(FontEngine* fonts, const EditBoxLook& look, Rect bounds, std::size_t maxLength)
    : fonts_(fonts), look_(look), bounds_(bounds), maxLength_(maxLength) {}

TEditBox::~TEditBox() = default;

void TEditBox::SetText(const std::string& text) {
  text_ = OneLine(text).substr(0, maxLength_);
  caret_ = anchor_ = text_.size();
  Relayout();
}

void TEditBox::Select(std::size_t anchor, std::size_t caret) {
  anchor_ = std::min(anchor, text_.size());
  caret_ = std::min(caret, text_.size());
  Relayout();
}

int TEditBox::InnerWidth() const { return std::max(1, bounds_.Width() - 2 * kTextMargin); }

const Font* TEditBox::GetFont() const {
  if (!fontTried_) {
    fontTried_ = true;
    if (fonts_) font_ = fonts_->CreateFont(look_.font);
  }
  return font_.get();
}

void TEditBox::EnsureLayout() const {
  if (layoutValid_) return;
  layoutValid_ = true;
  const Font* font = GetFont();
  positions_.assign(text_.size() + 1, 0);
  const std::string shown = Shown();
  for (std::size_t i = 0; i < shown.size(); ++i)
    positions_[i + 1] = positions_[i] + (font ? font->TextExtent(std::string(1, shown[i])).width : 0);
  // No empty room after the text while some of it is scrolled away, and the
  // caret always in view.
  const int total = positions_.back();
  const int inner = InnerWidth();
  scroll_ = std::min(scroll_, std::max(0, total - inner + 1));
  const int caretX = positions_[caret_];
  if (caretX < scroll_) scroll_ = caretX;
  if (caretX - scroll_ >= inner) scroll_ = caretX - inner + 1;
  scroll_ = std::max(0, scroll_);
}

int TEditBox::CaretX() const {
  EnsureLayout();
  return bounds_.left + kTextMargin - scroll_ + positions_[caret_];
}

std::size_t TEditBox::IndexAt(int windowX) const {
  EnsureLayout();
  const int x = windowX - bounds_.left - kTextMargin + scroll_;
  std::size_t best = 0;
  for (std::size_t i = 1; i < positions_.size(); ++i)
    if (std::abs(positions_[i] - x) < std::abs(positions_[best] - x)) best = i;
  return best;
}

std::size_t TEditBox::WordLeft(std::size_t from) const {
  std::size_t i = from;
  while (i > 0 && !IsWordChar(text_[i - 1])) --i;
  while (i > 0 && IsWordChar(text_[i - 1])) --i;
  return i;
}

std::size_t TEditBox::WordRight(std::size_t from) const {
  std::size_t i = from;
  while (i < text_.size() && IsWordChar(text_[i])) ++i;
  while (i < text_.size() && !IsWordChar(text_[i])) ++i;
  return i;
}

bool TEditBox::MoveCaret(std::size_t to, bool extend) {
  to = std::min(to, text_.size());
  if (to == caret_ && (extend || anchor_ == caret_)) return false;
  caret_ = to;
  if (!extend) anchor_ = to;
  Relayout();
  return true;
}

bool TEditBox::DeleteSelection() {
  if (anchor_ == caret_) return false;
  const std::size_t from = SelStart();
  text_.erase(from, SelEnd() - from);
  caret_ = anchor_ = from;
  Relayout();
  return true;
}

bool TEditBox::Insert(const std::string& text) {
  std::string piece = OneLine(text);
  if (piece.empty()) return false;
  const std::size_t kept = text_.size() - (SelEnd() - SelStart());
  const std::size_t room = maxLength_ > kept ? maxLength_ - kept : 0;
  if (room == 0) return false;  // full: the key is refused and the selection stays
  piece.resize(std::min(piece.size(), room));
  DeleteSelection();
  text_.insert(caret_, piece);
  caret_ += piece.size();
  anchor_ = caret_;
  Relayout();
  return true;
}

bool TEditBox::KeyDown(int virtualKey, unsigned shift, const Clipboard& clipboard) {
  if (shift & kAlt) return false;
  const bool extend = (shift & kShift) != 0;
  const bool ctrl = (shift & kCtrl) != 0;
  switch (virtualKey) {
    case vk::Left:
    case vk::Up:  // a single line: up and down move as left and right
      if (!extend && !ctrl && anchor_ != caret_) return MoveCaret(SelStart(), false);
      return MoveCaret(ctrl ? WordLeft(caret_) : (caret_ ? caret_ - 1 : 0), extend);
    case vk::Right:
    case vk::Down:
      if (!extend && !ctrl && anchor_ != caret_) return MoveCaret(SelEnd(), false);
      return MoveCaret(ctrl ? WordRight(caret_) : caret_ + 1, extend);
    case vk::Home: return MoveCaret(0, extend);
    case vk::End: return MoveCaret(text_.size(), extend);
    case vk::Delete:
      if (extend && !ctrl) {  // Shift+Delete cuts
        if (anchor_ == caret_) return false;
        if (clipboard.set && !masked_) clipboard.set(SelectedText());
        return DeleteSelection();
      }
      if (DeleteSelection()) return true;
      if (caret_ >= text_.size()) return false;
      text_.erase(caret_, ctrl ? WordRight(caret_) - caret_ : 1);
      anchor_ = caret_;
      Relayout();
      return true;
    case vk::Insert:
      if (ctrl && !extend) {  // Ctrl+Insert copies
        if (anchor_ != caret_ && clipboard.set && !masked_) clipboard.set(SelectedText());
        return false;
      }
      if (extend && !ctrl) return clipboard.get ? Insert(clipboard.get()) : false;  // Shift+Insert pastes
      return false;
    default: return false;
  }
}

bool TEditBox::Char(char c, const Clipboard& clipboard) {
  switch (c) {
    case '\x08':  // Backspace
      if (DeleteSelection()) return true;
      if (caret_ == 0) return false;
      text_.erase(caret_ - 1, 1);
      anchor_ = --caret_;
      Relayout();
      return true;
    case '\x01':  // Ctrl+A
      if (anchor_ == 0 && caret_ == text_.size()) return false;
      SelectAll();
      return true;
    case '\x03':  // Ctrl+C
      if (anchor_ != caret_ && clipboard.set && !masked_) clipboard.set(SelectedText());
      return false;
    case '\x18':  // Ctrl+X
      if (anchor_ == caret_) return false;
      if (clipboard.set && !masked_) clipboard.set(SelectedText());
      return DeleteSelection();
    case '\x16':  // Ctrl+V
      return clipboard.get ? Insert(clipboard.get()) : false;
    default:
      if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F') return false;
      return Insert(std::string(1, c));
  }
}

bool TEditBox::MouseDown(Point windowPoint, unsigned shift) {
  return MoveCaret(IndexAt(windowPoint.x), (shift & kShift) != 0);
}

bool TEditBox::MouseDrag(Point windowPoint) { return MoveCaret(IndexAt(windowPoint.x), true); }

void TEditBox::Paint(Bitmap& canvas, bool focused) const {
  // Only the part of the box on the canvas is drawn, off-screen first, so that
  // scrolled text cannot spill out of the box.
  const Rect shown = bounds_.Intersect(canvas.Bounds());
  if (shown.Empty()) return;
  EnsureLayout();
  const Font* font = GetFont();
  Bitmap box(shown.Width(), shown.Height(), look_.backColor);
  // The whole box in the coordinates of the off-screen picture.
  const Rect whole = bounds_.Offset(-shown.left, -shown.top);
  const int textX = whole.left + kTextMargin - scroll_;
  const unsigned flags = dt::SingleLine | dt::NoPrefix | dt::Left;
  const int slack = font ? font->Height() : 0;  // room for overhanging glyphs
  if (font && !text_.empty()) {
    Rect r{textX, whole.top, textX + positions_.back() + slack, whole.bottom};
    font->DrawText(box, r, Shown(), flags, look_.textColor);
  }
  if (focused && anchor_ != caret_) {
    const int x0 = textX + positions_[SelStart()], x1 = textX + positions_[SelEnd()];
    box.Fill({x0, whole.top, x1, whole.bottom}, kSelectionBack);
    if (font) {
      Rect r{x0, whole.top, x1, whole.bottom};
      font->DrawText(box, r, Shown().substr(SelStart(), SelEnd() - SelStart()), flags, kSelectionText);
    }
  }
  if (focused) {
    // The caret inverts what lies under it, so it shows on every colour.
    const int x = std::clamp(textX + positions_[caret_], whole.left, whole.right - 1);
    const int bottom = font ? std::min(whole.bottom, whole.top + std::max(1, font->Height())) : whole.bottom;
    for (int y = std::max(0, whole.top); y < std::min(bottom, box.Height()); ++y) {
      const Color c = box.Pixel(x, y);
      box.SetPixel(x, y, MakeColor(255 - RedOf(c), 255 - GreenOf(c), 255 - BlueOf(c)));
    }
  }
  canvas.Blit(shown.left, shown.top, box);
}

// ----------------------------------------------------------- TPathInputBox

std::string TPathInputBox::SettingsKey(const std::string& title) { return "SOFTWARE\\VOMAR\\" + title; }

TPathInputBox::TPathInputBox(Platform& platform, PathBoxHost host, const std::string& title, bool dialogMode,
                             const TDynamicPathInputArray& list, const std::vector<std::string>& names,
                             std::int32_t dialogKey)
    : platform_(platform), host_(std::move(host)), settingsKey_(SettingsKey(title)) {
  if (list.empty()) return;
  Registry& settings = platform_.Settings();
  // A value that is missing, or is not a string, counts as empty.
  auto stored = [&](const std::string& name) {
    return settings.ReadString(RootKey::CurrentUser, settingsKey_, name).value_or(std::string());
  };
  FontEngine* fonts = &platform_.Fonts();
  for (std::size_t i = 0; i < list.size(); ++i) {
    const RPathInput& r = list[i];
    EditBoxLook look;
    const Rect bounds{Coord(r.left), Coord(r.top), Coord(r.right), Coord(r.bottom)};
    look.font = FontSpec{r.fontName, 8, r.fontStyle, std::max(1, bounds.Height() - 1)};
    look.textColor = r.fontColor;
    look.backColor = r.bgColor;
    Entry e;
    e.edit = std::make_unique<TEditBox>(fonts, look, bounds);
    if (!r.sound.empty() && r.sound != "no") e.sound = r.sound;
    e.hint = r.hint;
    if (!dialogMode) {
      std::string text;
      if (r.defaultText != "nodefvalue") {
        text = stored("PathInstall" + std::to_string(i));
        if (text.empty()) text = r.defaultText;
      }
      e.edit->SetText(text);
      e.key = r.screen;
    } else {
      const std::string name = i < names.size() ? Trim(names[i]) : std::string();
      if (!name.empty()) e.edit->SetName(name);
      e.edit->SetMasked(name.find("userpassword") != std::string::npos);
      std::string text;
      if (name.find("username") != std::string::npos) text = stored("PathInstall" + std::to_string(dialogKey));
      if (text.empty()) text = r.defaultText;
      e.edit->SetText(text);
      e.key = dialogKey;
    }
    boxes_.push_back(std::move(e));
  }
  ShowForScreen(false, 0);
}

TPathInputBox::~TPathInputBox() { SaveTexts(); }

void TPathInputBox::SaveTexts() {
  if (saved_ || boxes_.empty()) return;
  saved_ = true;
  RegBatch texts;
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    const Entry& e = boxes_[i];
    std::string name;
    if (e.key < kDialogBoxKeyBase) name = "PathInstall" + std::to_string(i);
    else if (e.edit->Name().find("username") != std::string::npos) name = "PathInstall" + std::to_string(e.key);
    else continue;
    texts.WriteString(settingsKey_, name, e.edit->Text());
  }
  if (!texts.Empty() && !platform_.Settings().Apply(RootKey::CurrentUser, texts))
    Log("settings", "cannot keep the texts of the input boxes");
}

void TPathInputBox::Changed(int index) {
  if (host_.changed) host_.changed(index);
}

TEditBox::Clipboard TPathInputBox::Clip() {
  return {[this] { return platform_.ClipboardText(); },
          [this](const std::string& text) { platform_.SetClipboardText(text); }};
}

void TPathInputBox::Focus(int index) {
  if (index >= int(boxes_.size())) return;
  if (index >= 0 && !boxes_[std::size_t(index)].edit->Visible()) return;  // a hidden box never takes it
  if (index == focused_) return;
  const int before = focused_;
  focused_ = index;
  // Taking the focus selects the whole text, so that typing replaces it.
  if (index >= 0) boxes_[std::size_t(index)].edit->SelectAll();
  if (before >= 0) Changed(before);
  if (index >= 0) Changed(index);
}

void TPathInputBox::ShowForScreen(bool dialogMode, std::int32_t key) {
  // Nothing is painted here: the caller paints once its new look is ready.
  const bool ownerVisible = host_.ownerVisible && host_.ownerVisible();
  const int screen = host_.currentScreen ? host_.currentScreen() : 0;
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    TEditBox& edit = *boxes_[i].edit;
    if (dialogMode && boxes_[i].key == key) {
      edit.SetVisible(true);
      if (ownerVisible) Focus(int(i));
      continue;
    }
    // Boxes of the current screen keep their visibility outside dialogs.
    if (!dialogMode && boxes_[i].key == screen) continue;
    edit.SetVisible(false);
    if (focused_ == int(i)) focused_ = -1;  // to the owning window
    if (captured_ == int(i)) captured_ = -1;
    if (underMouse_ == int(i)) underMouse_ = -1;
  }
}

void TPathInputBox::SetBoxesHidden(bool hidden) {
  const bool ownerVisible = host_.ownerVisible && host_.ownerVisible();
  const int screen = host_.currentScreen ? host_.currentScreen() : 0;
  bool anyChange = false;
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    if (boxes_[i].key != screen) continue;
    TEditBox& edit = *boxes_[i].edit;
    anyChange |= edit.Visible() == hidden;
    edit.SetVisible(!hidden);
    if (!hidden) {
      if (ownerVisible) Focus(int(i));
      continue;
    }
    // Hidden: the focus goes to the window, and never stays in a hidden box.
    if (ownerVisible || focused_ == int(i)) focused_ = -1;
    if (captured_ == int(i)) captured_ = -1;
    if (underMouse_ == int(i)) underMouse_ = -1;
  }
  if (anyChange) Changed(-1);
}

int TPathInputBox::FirstOfCurrentScreen() const {
  const int screen = host_.currentScreen ? host_.currentScreen() : 0;
  for (std::size_t i = 0; i < boxes_.size(); ++i)
    if (boxes_[i].key == screen) return int(i);
  return -1;
}

std::string TPathInputBox::GetBoxText() const {
  const int i = FirstOfCurrentScreen();
  return i < 0 ? std::string() : boxes_[std::size_t(i)].edit->Text();
}

void TPathInputBox::SetBoxText(const std::string& text) {
  const int i = FirstOfCurrentScreen();
  if (i < 0) return;
  boxes_[std::size_t(i)].edit->SetText(text);
  Changed(i);
}

std::string TPathInputBox::FindBoxText(std::int32_t key, const std::string& namePart) const {
  if (namePart.empty()) return {};
  for (const Entry& e : boxes_)
    if (e.key == key && e.edit->Name().find(namePart) != std::string::npos) return e.edit->Text();
  return {};
}

void TPathInputBox::ClearBoxText(std::int32_t key, const std::string& namePart) {
  if (namePart.empty()) return;
  for (std::size_t i = 0; i < boxes_.size(); ++i)
    if (boxes_[i].key == key && boxes_[i].edit->Name().find(namePart) != std::string::npos) {
      boxes_[i].edit->SetText({});
      Changed(int(i));
    }
}

void TPathInputBox::FocusNext(std::int32_t key, bool back) {
  const int n = int(boxes_.size());
  if (n == 0) return;
  const int from = focused_ >= 0 ? focused_ : (back ? 0 : n - 1);
  for (int step = 1; step <= n; ++step) {
    const int i = ((from + (back ? -step : step)) % n + n) % n;
    if (boxes_[std::size_t(i)].key == key && boxes_[std::size_t(i)].edit->Visible()) {
      Focus(i);
      return;
    }
  }
}

bool TPathInputBox::KeyDown(int virtualKey, unsigned shift) {
  if (focused_ < 0) return false;
  Entry& e = boxes_[std::size_t(focused_)];
  if (!e.edit->Visible()) return false;
  // Plain keys click; capitals (Shift), shortcuts, F-keys, Enter and Escape do not.
  const bool functionKey = virtualKey >= vk::F1 && virtualKey < vk::F1 + 24;
  if (!e.sound.empty() && !(shift & (kShift | kCtrl | kAlt)) && !functionKey && virtualKey != vk::Return &&
      virtualKey != vk::Escape && host_.typingSound)
    host_.typingSound(e.sound);
  const int index = focused_;
  if (e.edit->KeyDown(virtualKey, shift, Clip())) Changed(index);
  return true;
}

bool TPathInputBox::Char(char c) {
  if (focused_ < 0 || !boxes_[std::size_t(focused_)].edit->Visible()) return false;
  const int index = focused_;
  if (boxes_[std::size_t(index)].edit->Char(c, Clip())) Changed(index);
  return true;
}

int TPathInputBox::BoxAt(Point p) const {
  for (std::size_t i = 0; i < boxes_.size(); ++i)
    if (boxes_[i].edit->Visible() && boxes_[i].edit->Bounds().Contains(p)) return int(i);
  return -1;
}

bool TPathInputBox::MouseDown(MouseButton button, Point p, unsigned shift) {
  const int i = BoxAt(p);
  if (i < 0) return false;
  // A click places the caret where it lands, without selecting everything.
  if (focused_ != i) {
    const int before = focused_;
    focused_ = i;
    if (before >= 0) Changed(before);
  }
  if (button == MouseButton::Left) {
    boxes_[std::size_t(i)].edit->MouseDown(p, shift);
    captured_ = i;
  }
  Changed(i);
  return true;
}

bool TPathInputBox::MouseMove(Point p, unsigned /*shift*/) {
  if (captured_ >= 0) {
    if (boxes_[std::size_t(captured_)].edit->MouseDrag(p)) Changed(captured_);
    return true;
  }
  const int i = BoxAt(p);
  const int before = underMouse_;
  underMouse_ = i;
  if (i < 0) return false;
  // Once per entry: the screen's hovers end, and the box's hint gets its
  // pause without being hidden again by the next move inside the box.
  if (i != before) {
    if (host_.mouseOverBox) host_.mouseOverBox();
    if (!boxes_[std::size_t(i)].hint.empty() && host_.boxHint) host_.boxHint(boxes_[std::size_t(i)].hint, p);
  }
  return true;
}

bool TPathInputBox::MouseUp(Point p, unsigned /*shift*/) {
  if (captured_ >= 0) {
    captured_ = -1;
    return true;
  }
  return BoxAt(p) >= 0;
}

void TPathInputBox::Paint(Bitmap& canvas) const {
  for (std::size_t i = 0; i < boxes_.size(); ++i)
    if (boxes_[i].edit->Visible()) boxes_[i].edit->Paint(canvas, focused_ == int(i));
}

std::string TPathInputBox::StateJson() const {
  std::string out = "[";
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    const Entry& e = boxes_[i];
    const TEditBox& b = *e.edit;
    if (i) out += ",";
    const std::int64_t screen = e.key < kDialogBoxKeyBase ? std::int64_t(e.key) + 1 : e.key;
    out += "{\"screen\":" + std::to_string(screen) + ",\"visible\":" + (b.Visible() ? "true" : "false") +
           ",\"focused\":" + (focused_ == int(i) ? "true" : "false") + ",\"text\":" + JsonQuote(Cp1251ToUtf8(b.Shown())) +
           ",\"caret\":" + std::to_string(b.Caret()) + ",\"selection\":[" + std::to_string(b.SelStart()) + "," +
           std::to_string(b.SelEnd()) + "]}";
  }
  return out + "]";
}

}  // namespace trv
