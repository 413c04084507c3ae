#include "shell/parts/PopupWindow.h"

#include <algorithm>

#include "platform/Json.h"
#include "platform/Log.h"
#include "platform/Text.h"
#include "script/ScriptValues.h"

namespace trv {
namespace {

// A popup whose background cannot be read gets a plain dark one.
constexpr Color kPlainBackground = MakeColor(48, 48, 56);
// How often a slide redraws.
constexpr std::uint32_t kSlideTickMs = 10;

const std::string& Entry(const TDynamicStringArray& list, std::size_t n) {
  static const std::string kNone;
  if (n < list.size()) return list[n];
  return list.empty() ? kNone : list[0];
}

}  // namespace

TPopupWindow::TPopupWindow(Platform& platform, const RPopupData& record, int recordIndex,
                           const TPictureLoader& pictures, PopupWindowHost host)
    : TSkinWindow(platform), record_(record), recordIndex_(recordIndex), pictures_(pictures), host_(std::move(host)) {
  margin_ = PopupMargin(record_.itemTop);
  Bitmap& background = SkinBackground();
  if (!pictures_.Load(record_.bgPicture, &background)) {
    Log("popup", "popup " + std::to_string(record_.kind) + ": no background picture \"" +
                     Cp1251ToUtf8(record_.bgPicture) + "\"; a plain one is used");
    background = Bitmap(TItemsBtn::kPlainSize.width + 2 * margin_, 2 * margin_, kPlainBackground);
  }
  WindowOptions options;
  options.role = "popup";
  options.bounds = Rect::FromSize(0, 0, std::max(1, background.Width()), std::max(1, background.Height()));
  options.topmost = true;
  options.noActivate = true;
  options.inTaskbar = false;
  CreateSkinWindow(options);

  std::string why;
  shape_ = PopupShape(record_.vertex, WindowSize(), &why);
  if (!shape_ && !why.empty())
    Log("popup", "popup " + std::to_string(record_.kind) + ": its outline is not used (" + Cp1251ToUtf8(why) + ")");

  FontEngine& fonts = platform_.Fonts();
  for (std::size_t s : {kPopupUp, kPopupMove}) {
    FontSpec face;
    if (!record_.fontName[s].empty()) face.name = record_.fontName[s];
    face.sizePt = std::clamp(record_.fontSize[s] > 0 ? record_.fontSize[s] : 8, 1, 200);
    face.style = ParseFontStyle(record_.fontStyle[s]);
    (s == kPopupUp ? fontUp_ : fontMove_) = fonts.CreateFont(face);
  }
}

TPopupWindow::~TPopupWindow() {
  StopSlide();
  DestroySkinWindow();
}

void TPopupWindow::PrepareItem(TItemsBtn& item, std::size_t position) {
  item.SetPictures(Entry(record_.picturesUp, position), Entry(record_.picturesMove, position),
                   Entry(record_.picturesDown, position));
  item.SetFonts({fontUp_.get(), fontMove_.get(), record_.fontColor[kPopupUp], record_.fontColor[kPopupMove]});
}

void TPopupWindow::SetItemCount(std::size_t n) {
  while (items_.size() > n) items_.pop_back();
  while (items_.size() < n) items_.push_back(std::make_unique<TItemsBtn>());
  for (std::size_t i = 0; i < items_.size(); ++i) {
    TItemsBtn& item = *items_[i];
    item.SetCommand({});
    item.ClearHint();
    PrepareItem(item, i);
    item.LoadPictures(pictures_);
    item.SetShown(false);
  }
  Layout();
}

void TPopupWindow::AddItem(const std::string& caption, const std::string& command) {
  auto item = std::make_unique<TItemsBtn>();
  item->SetCommand(command);
  PrepareItem(*item, items_.size());
  item->LoadPictures(pictures_);
  item->SetCaption(caption, pictures_);
  item->SetShown(true);
  items_.push_back(std::move(item));
  Layout();
}

void TPopupWindow::ClearItems() {
  while (!items_.empty()) RemoveItem(0);
  HideWindow();
}

void TPopupWindow::RemoveItem(std::size_t i) {
  if (i >= items_.size()) return;
  // Each later item's content moves one place up; the last place goes.
  for (std::size_t k = i; k + 1 < items_.size(); ++k) {
    TItemsBtn& to = *items_[k];
    const TItemsBtn& from = *items_[k + 1];
    to.SetCommand(from.Command());
    to.SetPictures(from.PictureUp(), from.PictureMove(), from.PictureDown());
    to.pressed = from.pressed;
    to.SetCaption(from.Caption(), pictures_, true);
    to.Box().placed = false;
  }
  items_.pop_back();
  Layout();
  if (items_.empty()) HideWindow();
}

bool TPopupWindow::AnyShown() const {
  return std::any_of(items_.begin(), items_.end(), [](const auto& item) { return item->Shown(); });
}

void TPopupWindow::Layout() {
  std::vector<PopupItemBox> boxes;
  boxes.reserve(items_.size());
  for (const auto& item : items_) boxes.push_back(item->Box());
  const int desktopHeight = platform_.ScreenSize().height;
  const int total = LayoutPopupItems(boxes, record_.itemLeft, margin_, WindowSize().width, desktopHeight);
  std::size_t left = 0;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    items_[i]->Box() = boxes[i];
    if (boxes[i].shown && !boxes[i].placed) ++left;
  }
  if (left) Log("popup", "popup " + std::to_string(record_.kind) + ": " + std::to_string(left) +
                             " items do not fit on the screen and are left out");
  if (!shape_) {
    StretchPopupBackground(SkinBackground(), total + 2 * margin_, margin_);
    // A hidden popup takes its size when it shows.
    if (IsOpen()) {
      Window* w = SkinWindow();
      const Rect b = w->Bounds();
      w->SetBounds(Rect::FromSize(b.left, b.top, std::max(1, WindowSize().width), std::max(1, WindowSize().height)));
    }
  }
  Repaint();
}

void TPopupWindow::ShowAt(Point p) {
  showing_ = true;
  Window* w = SkinWindow();
  const Size size = WindowSize();
  const Size screen = platform_.ScreenSize();
  const Point at = PlacePopup(p, record_.bgLeft, record_.bgTop, host_.clientOrigin ? host_.clientOrigin() : Point{},
                              size, {0, 0, screen.width, screen.height});
  const Rect bounds = Rect::FromSize(at.x, at.y, std::max(1, size.width), std::max(1, size.height));
  const bool wasOpen = IsOpen();
  w->SetBounds(bounds);
  w->SetTopmost(true);
  const int screenIndex = host_.currentScreen ? host_.currentScreen() : -1;
  const std::uint64_t now = platform_.Loop().GetClock().NowMs();
  StopSlide();
  if (!wasOpen && PopupSlides(now, lastShown_, screenIndex)) {
    // The popup slides in over what the screen shows there: down when the
    // pointer is at or above its top, else up.
    under_ = platform_.CaptureScreen(bounds);
    slideStart_ = now;
    slideDown_ = p.y <= at.y;
    slideTimer_ = platform_.Loop().SetTimer(kSlideTickMs, true, [this] { SlideTick(); });
  }
  if (screenIndex == 0 && shape_) SetShape(*shape_);
  w->ShowNoActivate();
  w->Raise();
  FormPaint();
  if (!wasOpen) TracePopup("show");
  lastShown_ = std::max<std::uint64_t>(platform_.Loop().GetClock().NowMs(), 1);
  showing_ = false;
}

void TPopupWindow::HideWindow() {
  for (auto& item : items_) {
    item->hover = false;
    item->pressed = false;
  }
  deleteMode_ = false;
  StopSlide();
  Hints().Clear();
  if (!IsOpen()) return;
  SkinWindow()->Hide();
  TracePopup("hide");
}

void TPopupWindow::StopSlide() {
  if (!slideTimer_) return;
  platform_.Loop().KillTimer(slideTimer_);
  slideTimer_ = 0;
  under_ = Bitmap();
}

void TPopupWindow::SlideTick() {
  if (platform_.Loop().GetClock().NowMs() - slideStart_ >= kPopupSlideMs) StopSlide();
  FormPaint();
}

void TPopupWindow::Repaint() {
  if (IsOpen()) FormPaint();
}

void TPopupWindow::PaintNormal(Bitmap& target) const {
  target.Blit(0, 0, SkinBackground());
  for (const auto& item : items_)
    if (item->Shown() && item->Box().placed) target.Blit(item->Box().left, item->Box().top, item->Look());
}

void TPopupWindow::PaintSkin(Bitmap& target) {
  if (!slideTimer_) {
    PaintNormal(target);
    return;
  }
  Bitmap look(target.Width(), target.Height());
  PaintNormal(look);
  const int h = look.Height();
  const int rows = SlideRows(platform_.Loop().GetClock().NowMs() - slideStart_, h);
  target.Blit(0, 0, under_);
  // Sliding down, the popup's lower rows come in first at its top edge; up, its upper rows at the bottom.
  if (slideDown_) target.Blit(0, 0, look, {0, h - rows, look.Width(), h});
  else target.Blit(0, h - rows, look, {0, 0, look.Width(), rows});
}

void TPopupWindow::OnMouseMove(Point p, unsigned /*shift*/) {
  bool changed = false;
  const TItemsBtn* entered = nullptr;
  for (auto& item : items_) {
    if (!item->Shown()) continue;
    const bool over = item->Box().placed && item->Bounds().Contains(p);
    if (over && !item->hover) {
      item->hover = true;
      entered = item.get();
      changed = true;
    } else if (!over && item->hover) {
      item->hover = false;
      item->pressed = false;
      changed = true;
    }
  }
  if (entered) Hints().Arm(entered->Hint(), {p.x, p.y + kCursorHeight});
  else if (std::none_of(items_.begin(), items_.end(), [](const auto& i) { return i->hover; })) Hints().Hide();
  if (changed) Repaint();
}

void TPopupWindow::OnMouseLeave() {
  bool changed = false;
  for (auto& item : items_) {
    changed = changed || item->hover || item->pressed;
    item->hover = false;
    item->pressed = false;
  }
  Hints().Hide();
  if (changed) Repaint();
}

void TPopupWindow::OnMouseDown(MouseButton /*b*/, Point p, unsigned /*shift*/) {
  Hints().Hide();
  for (std::size_t i = 0; i < items_.size(); ++i) {
    TItemsBtn& item = *items_[i];
    if (!item.Shown() || !item.Box().placed || item.pressed || !item.Bounds().Contains(p)) continue;
    item.pressed = true;
    Repaint();
    const std::string command = item.Command();
    if (command == "no") return;
    if (deleteMode_) {
      TracePopup("remove", std::int64_t(i), command);
      RemoveItem(i);
      return;
    }
    TracePopup("choose", std::int64_t(i), command);
    HideWindow();
    if (host_.chosen) host_.chosen(*this, i);
    return;
  }
}

std::string TPopupWindow::ItemsJson() const {
  std::string out = "[";
  for (const auto& item : items_) {
    if (!item->Shown()) continue;
    if (out.size() > 1) out += ",";
    out += JsonQuote(Cp1251ToUtf8(item->Caption()));
  }
  return out + "]";
}

void TPopupWindow::TracePopup(const char* what, std::int64_t item, const std::string& command) {
  Trace::Event ev = platform_.Tracer().Emit("popup");
  ev.Utf8("do", what).Int("kind", record_.kind);
  if (std::string(what) == "show") {
    const Rect b = SkinWindow()->Bounds();
    ev.Json("items", ItemsJson())
        .Int("left", b.left)
        .Int("top", b.top)
        .Int("width", b.Width())
        .Int("height", b.Height())
        .Bool("shaped", SkinWindow()->Region() != nullptr);
  }
  if (item >= 0) ev.Int("item", item).Text("command", command);
}

}  // namespace trv
