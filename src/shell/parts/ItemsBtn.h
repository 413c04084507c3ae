#pragma once

#include <string>

#include "platform/Bitmap.h"
#include "platform/Graphics.h"
#include "shell/parts/PopupLayout.h"
#include "windows/SkinPictures.h"

namespace trv {

// The look every item of one popup shares: its two faces (normal, and under
// the mouse, which the pressed look uses too) and colours.
struct ItemFonts {
  const Font* up = nullptr;
  const Font* move = nullptr;
  Color upColor = 0;
  Color moveColor = 0;
};

// One item of a popup list: three pictures (normal, under the mouse,
// pressed) with the caption drawn on each, the command it runs, and its
// place in the popup. Its window lays it out, paints it and routes the mouse.
class TItemsBtn {
 public:
  // An item whose normal picture cannot be read is drawn plain at this size,
  // so that its caption can still be read and chosen.
  static constexpr Size kPlainSize{160, 22};

  // The three picture names (archive entries, by the part after the last
  // backslash); the look of the captions.
  void SetPictures(const std::string& up, const std::string& move, const std::string& down);
  void SetFonts(const ItemFonts& fonts) { fonts_ = fonts; }
  // Reads the three pictures afresh; the normal one gives the item's size.
  // False when the normal picture could not be read.
  bool LoadPictures(const TPictureLoader& pictures);
  // Draws `text` on fresh pictures; nothing happens when it is the caption
  // already, unless `redraw` asks for it (the pictures changed). True when drawn.
  bool SetCaption(const std::string& text, const TPictureLoader& pictures, bool redraw = false);
  // Shows or hides the item; hiding forgets its place, hover and press.
  // True when it changed.
  bool SetShown(bool shown);

  const std::string& Caption() const { return caption_; }
  // The caption when it does not fit the item, else empty.
  const std::string& Hint() const { return hint_; }
  void ClearHint() { hint_.clear(); }
  const std::string& Command() const { return command_; }
  void SetCommand(const std::string& command) { command_ = command; }
  const std::string& PictureUp() const { return nameUp_; }
  const std::string& PictureMove() const { return nameMove_; }
  const std::string& PictureDown() const { return nameDown_; }

  bool Shown() const { return box_.shown; }
  PopupItemBox& Box() { return box_; }
  const PopupItemBox& Box() const { return box_; }
  Rect Bounds() const { return Rect::FromSize(box_.left, box_.top, box_.width, box_.height); }

  bool hover = false;
  bool pressed = false;

  // The picture for its state: pressed, else under the mouse, else normal.
  const Bitmap& Look() const;

 private:
  void DrawCaption(Bitmap& picture, const Font* font, Color color);

  std::string command_;
  std::string caption_;
  std::string hint_;
  std::string nameUp_, nameMove_, nameDown_;
  Bitmap up_, move_, down_;
  ItemFonts fonts_;
  PopupItemBox box_;
};

}  // namespace trv
