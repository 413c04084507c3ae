#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Graphics.h"
#include "platform/Platform.h"
#include "script/ShellElements.h"

namespace trv {

// The longest text a box holds; typed, pasted, stored and script texts are
// cut to it.
constexpr std::size_t kMaxBoxText = 255;

// Keys of the boxes of dialog pages start here (page + 666); main-window boxes
// carry their screen.
constexpr std::int32_t kDialogBoxKeyBase = 666;

// The look of one box.
struct EditBoxLook {
  FontSpec font;
  Color textColor = 0;
  Color backColor = 0;
};

// A single-line edit control drawn by the program itself: text, caret,
// selection, the editing keys, the clipboard and the mouse. Text is CP1251.
class TEditBox {
 public:
  // Where cut, copied and pasted text goes.
  struct Clipboard {
    std::function<std::string()> get;
    std::function<void(const std::string&)> set;
  };

  // `fonts` may be null: the box then edits but draws no glyphs.
  TEditBox(FontEngine* fonts, const EditBoxLook& look, Rect bounds, std::size_t maxLength = kMaxBoxText);
  ~TEditBox();

  const std::string& Text() const { return text_; }
  // Replaces the text (cut at the maximum); the caret goes to its end.
  void SetText(const std::string& text);
  std::size_t MaxLength() const { return maxLength_; }

  std::size_t Caret() const { return caret_; }
  std::size_t SelStart() const { return std::min(anchor_, caret_); }
  std::size_t SelEnd() const { return std::max(anchor_, caret_); }
  std::string SelectedText() const { return text_.substr(SelStart(), SelEnd() - SelStart()); }
  void Select(std::size_t anchor, std::size_t caret);
  void SelectAll() { Select(0, text_.size()); }

  // Editing input; each returns true when the look changed.
  bool KeyDown(int virtualKey, unsigned shift, const Clipboard& clipboard);
  bool Char(char c, const Clipboard& clipboard);
  bool MouseDown(Point windowPoint, unsigned shift);
  bool MouseDrag(Point windowPoint);

  // Inserts `text` in place of the selection: line breaks end it (a single
  // line), other control characters are dropped, and what does not fit is cut.
  bool Insert(const std::string& text);

  // A masked box (a password) draws a star for every character and gives
  // nothing to the clipboard; Text() stays the text typed.
  void SetMasked(bool masked) {
    masked_ = masked;
    Relayout();
  }
  bool Masked() const { return masked_; }
  // What the box draws: the text, or as many stars.
  std::string Shown() const { return masked_ ? std::string(text_.size(), kMaskChar) : text_; }
  static constexpr char kMaskChar = '*';

  const Rect& Bounds() const { return bounds_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }

  // Draws the box at its place; the caret and the selection only when focused.
  void Paint(Bitmap& canvas, bool focused) const;
  // The caret's x in window coordinates, after scrolling.
  int CaretX() const;
  int Scroll() const {
    EnsureLayout();
    return scroll_;
  }

 private:
  std::size_t IndexAt(int windowX) const;
  // Measuring waits for the first use of the font: faces registered after the
  // box was made (the fonts beside the program) are still found.
  const Font* GetFont() const;
  void Relayout() { layoutValid_ = false; }
  void EnsureLayout() const;  // positions, and scrolling that keeps the caret in view
  bool DeleteSelection();
  std::size_t WordLeft(std::size_t from) const;
  std::size_t WordRight(std::size_t from) const;
  bool MoveCaret(std::size_t to, bool extend);
  int InnerWidth() const;

  FontEngine* fonts_;
  mutable std::unique_ptr<Font> font_;
  mutable bool fontTried_ = false;
  EditBoxLook look_;
  Rect bounds_;
  std::size_t maxLength_;
  std::string name_;
  bool masked_ = false;
  bool visible_ = false;
  std::string text_;
  std::size_t caret_ = 0;
  std::size_t anchor_ = 0;
  mutable bool layoutValid_ = false;
  mutable std::vector<int> positions_;  // left edge of each character and the end, from the text's start
  mutable int scroll_ = 0;              // pixels of the text hidden on the left
};

// What the owner of the boxes provides: its current screen, whether it shows,
// the typing sound, what a mouse over a box means to it, and the repaints.
struct PathBoxHost {
  std::function<int()> currentScreen;
  // The owning window exists and is visible: only then can it or a box take the focus.
  std::function<bool()> ownerVisible;
  // RunCommand("playwavonly", sound, 0, 0, 0).
  std::function<void(const std::string& sound)> typingSound;
  // The pointer came over a box: no element of the screen stays under it.
  std::function<void()> mouseOverBox;
  // The pointer came over a box with a hint, at this point of the window.
  std::function<void(const std::string& hint, Point p)> boxHint;
  // Box `index` changed its look; -1: boxes were shown or hidden.
  std::function<void(int index)> changed;
};

// The text input boxes of one window (the main window, or one page of the
// game dialog): their start texts from the settings, which of them show, the
// focus among them, and the texts written back when the component goes.
class TPathInputBox {
 public:
  // Main mode: key = the record's screen, start texts "PathInstall" + position.
  // Dialog mode: key = `dialogKey` for every box, `names` name the boxes,
  // those named "...username..." keep their text in "PathInstall" + key, and
  // those named "...userpassword..." are masked.
  TPathInputBox(Platform& platform, PathBoxHost host, const std::string& title, bool dialogMode,
                const TDynamicPathInputArray& list, const std::vector<std::string>& names = {},
                std::int32_t dialogKey = kDialogBoxKeyBase);
  // Writes the texts to the settings (see SaveTexts).
  ~TPathInputBox();

  // The settings key of the texts: SOFTWARE\VOMAR\ + title.
  static std::string SettingsKey(const std::string& title);

  // Fits the boxes to the current screen (dialog: to the page `key`). Paints
  // nothing: the caller paints once its new look is ready.
  void ShowForScreen(bool dialogMode, std::int32_t key);
  // Hides or shows the boxes of the current screen and moves the focus.
  void SetBoxesHidden(bool hidden);
  // The first box of the current screen: its text, or empty; set its text.
  std::string GetBoxText() const;
  void SetBoxText(const std::string& text);
  // The first box with that key whose name contains `namePart`.
  std::string FindBoxText(std::int32_t key, const std::string& namePart) const;
  // Empties every box with that key whose name contains `namePart`.
  void ClearBoxText(std::int32_t key, const std::string& namePart);
  // Moves the focus to the next visible box with that key (the previous one
  // when `back`), round from the last to the first.
  void FocusNext(std::int32_t key, bool back);

  // Input of the owning window. Each returns true when a box took it.
  bool KeyDown(int virtualKey, unsigned shift);
  bool Char(char c);
  // The visible box under the window point, or -1.
  int BoxAt(Point p) const;
  bool MouseDown(MouseButton button, Point p, unsigned shift);
  bool MouseMove(Point p, unsigned shift);
  bool MouseUp(Point p, unsigned shift);
  // A box holds the mouse between a press in it and the release.
  bool Capturing() const { return captured_ >= 0; }

  // Draws the visible boxes.
  void Paint(Bitmap& canvas) const;
  // [{"screen":..(from 1, or the key of a dialog box),"visible":..,"focused":..,
  // "text":..,"caret":..,"selection":[from,to]}, ...] for the state trace.
  std::string StateJson() const;

  // -1: the owning window itself has the focus.
  int Focused() const { return focused_; }
  void Focus(int index);
  std::size_t Count() const { return boxes_.size(); }
  TEditBox& Box(std::size_t i) { return *boxes_[i].edit; }
  const TEditBox& Box(std::size_t i) const { return *boxes_[i].edit; }
  std::int32_t Key(std::size_t i) const { return boxes_[i].key; }
  const std::string& Sound(std::size_t i) const { return boxes_[i].sound; }

  // The texts into the settings: a main-window box under "PathInstall" + its
  // position, a dialog box named "...username..." under "PathInstall" + key.
  void SaveTexts();

 private:
  struct Entry {
    std::unique_ptr<TEditBox> edit;
    std::string hint;
    std::string sound;  // empty: silent
    std::int32_t key = 0;
  };
  int FirstOfCurrentScreen() const;
  void Changed(int index);
  TEditBox::Clipboard Clip();

  Platform& platform_;
  PathBoxHost host_;
  std::string settingsKey_;
  std::vector<Entry> boxes_;
  int focused_ = -1;
  int captured_ = -1;
  int underMouse_ = -1;
  bool saved_ = false;
};

}  // namespace trv
