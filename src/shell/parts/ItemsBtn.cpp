#include "shell/parts/ItemsBtn.h"

namespace trv {
namespace {

// The archive knows pictures by the file part of a path.
std::string FilePart(const std::string& name) {
  const std::size_t slash = name.find_last_of('\\');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

// Plain looks of an item without pictures: a light menu row, darker under
// the mouse and when pressed.
constexpr Color kPlainUp = MakeColor(236, 236, 236);
constexpr Color kPlainMove = MakeColor(200, 212, 240);
constexpr Color kPlainDown = MakeColor(168, 184, 224);

}  // namespace

void TItemsBtn::SetPictures(const std::string& up, const std::string& move, const std::string& down) {
  nameUp_ = up;
  nameMove_ = move;
  nameDown_ = down;
}

bool TItemsBtn::LoadPictures(const TPictureLoader& pictures) {
  const bool haveUp = pictures.Load(FilePart(nameUp_), &up_);
  // Fresh looks every time: an old one would still carry the old caption.
  if (!haveUp) up_ = Bitmap(kPlainSize.width, kPlainSize.height, kPlainUp);
  // A missing look of another state shows the normal one, never nothing.
  if (!pictures.Load(FilePart(nameMove_), &move_)) move_ = haveUp ? up_ : Bitmap(up_.Width(), up_.Height(), kPlainMove);
  if (!pictures.Load(FilePart(nameDown_), &down_)) down_ = haveUp ? up_ : Bitmap(up_.Width(), up_.Height(), kPlainDown);
  box_.width = up_.Width();
  box_.height = up_.Height();
  return haveUp;
}

void TItemsBtn::DrawCaption(Bitmap& picture, const Font* font, Color color) {
  if (!font || caption_.empty()) return;
  const CaptionPlace place = PlaceCaption({box_.width, box_.height}, font->TextExtent(caption_));
  if (!place.fits) hint_ = caption_;
  Rect r = place.rect;
  // Drawn as written ("&" is a letter here), from the rectangle's corner, clipped to it.
  font->DrawText(picture, r, caption_, dt::Left | dt::SingleLine | dt::NoPrefix, color);
}

bool TItemsBtn::SetCaption(const std::string& text, const TPictureLoader& pictures, bool redraw) {
  if (text == caption_ && !redraw) return false;
  LoadPictures(pictures);
  caption_ = text;
  hint_.clear();
  DrawCaption(up_, fonts_.up, fonts_.upColor);
  DrawCaption(move_, fonts_.move, fonts_.moveColor);
  DrawCaption(down_, fonts_.move, fonts_.moveColor);
  return true;
}

bool TItemsBtn::SetShown(bool shown) {
  if (box_.shown == shown) return false;
  box_.shown = shown;
  if (!shown) {
    box_.placed = false;
    hover = false;
    pressed = false;
  }
  return true;
}

const Bitmap& TItemsBtn::Look() const {
  if (pressed) return down_;
  if (hover) return move_;
  return up_;
}

}  // namespace trv
