#include "shell/parts/TreesPart.h"

#include <algorithm>

#include "platform/Json.h"
#include "platform/Log.h"
#include "platform/Text.h"
#include "script/ScriptValues.h"
#include "windows/Hints.h"

namespace trv {
namespace {

constexpr const char* kLastVisited = "LastVisitedHtmlFile";
// The ratings list asks for a fixed-pitch face, so that the names line up.
constexpr const char* kFixedPitchFace = "Courier New";
// Coordinates beyond this are no place on any screen; kept so that widths
// computed from them cannot overflow.
constexpr int kFarCoordinate = 1 << 20;

int Near(std::int32_t v) { return std::clamp(v, -kFarCoordinate, kFarCoordinate); }

std::string Where(const RTreeData& r) {
  return "the tree " + std::to_string(r.number) + " of screen " + std::to_string(r.screen + 1);
}

Rect RectOf(const RTreeData& r) {
  Rect rect{Near(r.left), Near(r.top), Near(r.right), Near(r.bottom)};
  if (rect.Width() < TTreeView::kMinWidth)
    Log("trees", Where(r) + " is " + std::to_string(rect.Width()) + " pixels wide; it is made " +
                     std::to_string(TTreeView::kMinWidth) + " wide");
  if (rect.Height() <= 0) Log("trees", Where(r) + " has no height and shows nothing");
  return rect;
}

}  // namespace

TTreesPart::TTreesPart(ScreenPartHost& host, const TDynamicTreeDataArray& records, Services services)
    : host_(host), services_(std::move(services)) {
  for (const RTreeData& r : records) {
    Tree tree;
    tree.rect = RectOf(r);
    tree.view = std::make_unique<TTreeView>(tree.rect);
    tree.number = r.number;
    tree.screen = r.screen;
    tree.hintColor = r.hintColor;
    tree.hintTextColor = r.hintTextColor;
    TTreeView& view = *tree.view;
    if (!r.backgroundImage.empty()) {
      Bitmap picture;
      if (services_.pictures.LoadFromTree(r.backgroundImage, &picture)) view.SetBackground(std::move(picture));
      else Log("trees", Where(r) + " has no background: " + Cp1251ToUtf8(r.backgroundImage) + " cannot be read");
    }
    const bool ratings = r.number == kRatingsNumber;
    view.SetListForm(ratings);
    if (services_.fonts) {
      FontSpec face{r.fontName[kTreeNormal], r.fontSize[kTreeNormal], ParseFontStyle(r.fontStyle[kTreeNormal]), 0};
      if (ratings) face.name = kFixedPitchFace;
      if (face.name.empty()) face.name = "Arial";
      view.SetFont(services_.fonts->CreateFont(face));
    }
    TreeViewLook look;
    look.text = r.fontColor[kTreeNormal];
    look.selectBack = r.selectColor;
    look.selectText = r.selectTextColor;
    look.track = r.sbColor;
    look.thumb = r.sbBarColor;
    look.arrow = r.sbArrowColor;
    look.arrowHot = r.sbArrowHotTrackColor;
    view.SetLook(look);
    const int index = int(trees_.size());
    view.onSelect = [this, index](int) { OnSelect(index); };
    view.onPress = [this] {
      if (services_.hidePopups) services_.hidePopups();
    };
    view.onClick = view.onPress;
    if (ratings) AddRatings(view);
    trees_.push_back(std::move(tree));
  }
  if (services_.settings) {
    if (auto file = services_.settings->ReadString(RootKey::CurrentUser, services_.settingsKey, kLastVisited))
      pendingFile_ = *file;
  }
}

TTreesPart::~TTreesPart() {
  if (services_.settings &&
      !services_.settings->WriteString(RootKey::CurrentUser, services_.settingsKey, kLastVisited, pendingFile_))
    Log("settings", "the last visited page could not be written");
}

void TTreesPart::AddRatings(TTreeView& view) {
  if (!services_.players) return;
  for (const TUser& u : services_.players())
    if (u.Score != 0) view.AddItem(u.Name, std::to_string(u.Score));
}

void TTreesPart::OnSelect(int tree) {
  // No row of the ratings list stays highlighted.
  if (current_ >= 0 && trees_[std::size_t(current_)].number == kRatingsNumber)
    trees_[std::size_t(tree)].view->SetFocused(-1);
}

void TTreesPart::Refresh() {
  const int screen = host_.CurrentScreen();
  bool found = false;
  for (int i = 0; i < Count(); ++i) {
    Tree& t = trees_[std::size_t(i)];
    const bool mine = t.screen == screen;
    if (mine) {
      current_ = i;
      found = true;
      Place(i);
    }
    t.view->SetVisible(mine);
    if (mine && !pendingItem_.empty()) {
      t.view->SetFocused(-1);
      SelectCaption(pendingItem_, false);
    }
  }
  if (!found) current_ = -1;
  hiddenByFade_ = false;
  capture_ = -1;
  over_ = false;
  if (windowHintColor_) EndHint();
}

void TTreesPart::Place(int tree) {
  Tree& t = trees_[std::size_t(tree)];
  Rect r = t.rect;
  // Kept inside the window, so that its scroll bar can be reached.
  if (Window* window = host_.ScreenWindow()) {
    const Rect client = Rect::FromSize(0, 0, window->Bounds().Width(), window->Bounds().Height());
    if (!client.Empty()) {
      r.left = std::clamp(r.left, 0, std::max(0, client.right - TTreeView::kMinWidth));
      r.top = std::max(r.top, 0);
      r.right = std::min(r.right, client.right);
      r.bottom = std::min(r.bottom, client.bottom);
    }
  }
  t.view->SetBounds(r);
}

void TTreesPart::SelectCaption(const std::string& text, bool exact) {
  if (current_ < 0) return;
  TTreeView& view = *trees_[std::size_t(current_)].view;
  const int item = view.FindCaption(text, exact);
  if (item < 0) return;
  // Ancestors first, from the topmost down, as a tree focuses its way to an item.
  std::vector<int> chain;
  for (int a = view.At(item).parent; a >= 0; a = view.At(a).parent) chain.push_back(a);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) view.SetFocused(*it);
  view.SetFocused(item);
  view.ScrollIntoView(item);
}

void TTreesPart::SelectTree(std::int32_t number) {
  int wanted = -1;
  for (int i = 0; i < Count() && wanted < 0; ++i)
    if (trees_[std::size_t(i)].number == number) wanted = i;
  if (wanted < 0 || hidden_ || current_ < 0 || wanted == current_) return;
  const int old = current_;
  const TTreeView& before = *trees_[std::size_t(old)].view;
  current_ = wanted;
  Place(wanted);
  if (before.Focused() >= 0) SelectCaption(before.At(before.Focused()).caption, true);
  SetVisible(wanted, true);
  SetVisible(old, false);
}

void TTreesPart::SetHidden(bool hidden) {
  if (current_ >= 0) {
    if (hidden_ && !hidden) SetVisible(current_, true);
    if (hidden && !hidden_) SetVisible(current_, false);
  }
  hidden_ = hidden;
}

void TTreesPart::ShowCurrent(bool hide) {
  if (current_ >= 0) SetVisible(current_, !hide);
}

void TTreesPart::SetPendingFile(const std::string& file) {
  pendingFile_ = file;
  pendingItem_.clear();
}

void TTreesPart::SetPendingItem(const std::string& caption) {
  pendingItem_ = caption;
  pendingFile_.clear();
}

void TTreesPart::FillRatings() {
  if (current_ < 0) return;
  Tree& t = trees_[std::size_t(current_)];
  t.view->Clear();
  if (t.number == kRatingsNumber) AddRatings(*t.view);
  // A fade in progress shows it when it ends.
  if (host_.Fading()) hiddenByFade_ = true;
  else t.view->SetVisible(true);
  ChangedAll();
}

void TTreesPart::SetVisible(int tree, bool visible) {
  TTreeView& view = *trees_[std::size_t(tree)].view;
  if (view.Visible() == visible) return;
  view.SetVisible(visible);
  ChangedAll();
}

void TTreesPart::Changed(int tree) {
  Window* window = host_.ScreenWindow();
  if (!window || host_.Fading()) return;
  const TTreeView& view = *trees_[std::size_t(tree)].view;
  view.Paint(window->Framebuffer());
  host_.PartChanged(*this, view.Bounds().Intersect(window->Framebuffer().Bounds()));
}

void TTreesPart::ChangedAll() {
  if (!host_.ScreenWindow() || host_.Fading()) return;
  host_.PartChanged(*this, {});
}

void TTreesPart::Paint(Bitmap& canvas) const {
  for (const Tree& t : trees_) t.view->Paint(canvas);
}

int TTreesPart::TreeAt(Point p) const {
  // The topmost first: a later tree lies over an earlier one.
  for (int i = Count() - 1; i >= 0; --i) {
    const TTreeView& view = *trees_[std::size_t(i)].view;
    if (view.Visible() && view.Bounds().Contains(p)) return i;
  }
  return -1;
}

bool TTreesPart::MouseMove(Point p, unsigned) {
  if (capture_ >= 0) {
    TTreeView& view = *trees_[std::size_t(capture_)].view;
    const int top = view.TopRow();
    view.MouseMove(p);
    if (view.TopRow() != top) Changed(capture_);
    return true;
  }
  const int tree = TreeAt(p);
  if (tree < 0) {
    if (over_) {
      EndHint();
      // An arrow lit under the pointer goes out when the pointer leaves.
      for (int i = 0; i < Count(); ++i) {
        TTreeView& view = *trees_[std::size_t(i)].view;
        if (!view.HotArrow(1) && !view.HotArrow(2)) continue;
        view.MouseMove(p);
        Changed(i);
      }
    }
    over_ = false;
    return false;
  }
  if (host_.Fading()) return true;
  // No element of the screen stays lit while the pointer is over a tree.
  if (!over_) host_.LeaveElements();
  over_ = true;
  TTreeView& view = *trees_[std::size_t(tree)].view;
  auto hot = [&view] { return view.HotArrow(1) ? 1 : view.HotArrow(2) ? 2 : 0; };
  const int hotBefore = hot();
  view.MouseMove(p);
  if (hot() != hotBefore) Changed(tree);
  const auto hint = view.HintAt(p);
  if (!hint) {
    if (!hintText_.empty()) EndHint();
  } else if (hint->first != hintText_) {
    ArmHint(tree, hint->first, hint->second);
  }
  return true;
}

void TTreesPart::ArmHint(int tree, const std::string& text, Point anchor) {
  THints& hints = host_.ScreenHints();
  if (!windowHintColor_) windowHintColor_ = {hints.GetColor(), hints.GetTextColor()};
  hints.SetColor(trees_[std::size_t(tree)].hintColor);
  hints.SetTextColor(trees_[std::size_t(tree)].hintTextColor);
  hintText_ = text;
  hints.Arm(text, anchor);
}

void TTreesPart::EndHint() {
  THints& hints = host_.ScreenHints();
  hints.Hide();
  if (windowHintColor_) {
    hints.SetColor(windowHintColor_->first);
    hints.SetTextColor(windowHintColor_->second);
  }
  windowHintColor_.reset();
  hintText_.clear();
}

bool TTreesPart::MouseDown(MouseButton b, Point p, unsigned) {
  const int tree = TreeAt(p);
  if (tree < 0) return false;
  if (host_.Fading()) return true;
  host_.ScreenHints().Hide();
  if (b != MouseButton::Left) {
    if (services_.hidePopups) services_.hidePopups();
    return true;
  }
  capture_ = tree;
  trees_[std::size_t(tree)].view->MouseDown(p);
  Changed(tree);
  return true;
}

bool TTreesPart::MouseUp(MouseButton, Point p, unsigned) {
  if (capture_ >= 0) {
    const int tree = capture_;
    capture_ = -1;
    trees_[std::size_t(tree)].view->MouseUp(p);
    return true;
  }
  return TreeAt(p) >= 0;
}

bool TTreesPart::MouseWheel(int delta, Point p, unsigned) {
  const int tree = TreeAt(p);
  if (tree < 0) return false;
  if (host_.Fading()) return true;
  trees_[std::size_t(tree)].view->MouseWheel(delta, p);
  Changed(tree);
  return true;
}

bool TTreesPart::KeyDown(int key, unsigned) {
  if (current_ < 0 || host_.Fading()) return false;
  TTreeView& view = *trees_[std::size_t(current_)].view;
  if (!view.Visible() || !view.KeyDown(key)) return false;
  Changed(current_);
  return true;
}

void TTreesPart::FadeStarted() {
  // Only a tree that shows comes back when the fade ends.
  hiddenByFade_ = current_ >= 0 && trees_[std::size_t(current_)].view->Visible();
  if (hiddenByFade_) ShowCurrent(true);
}

void TTreesPart::FadeEnded() {
  if (hiddenByFade_) ShowCurrent(false);
  hiddenByFade_ = false;
}

void TTreesPart::TraceState(Trace::Event& ev) const {
  std::string out = "[";
  bool first = true;
  for (int i = 0; i < Count(); ++i) {
    const TTreeView& view = View(i);
    if (!view.Visible()) continue;
    if (!first) out += ",";
    first = false;
    out += "{\"number\":" + std::to_string(Number(i)) + ",\"current\":" + (i == current_ ? "true" : "false");
    if (view.TopRow()) out += ",\"top\":" + std::to_string(view.TopRow());
    if (view.Focused() >= 0) out += ",\"focused\":" + JsonQuote(Cp1251ToUtf8(view.At(view.Focused()).caption));
    out += ",\"rows\":[";
    for (int row = 0; row < view.Count(); ++row) {
      const TTreeView::Item& item = view.At(view.ItemOfRow(row));
      if (row) out += ",";
      if (view.ListForm())
        out += "[" + JsonQuote(Cp1251ToUtf8(item.caption)) + "," + JsonQuote(Cp1251ToUtf8(item.second)) + "]";
      else
        out += JsonQuote(Cp1251ToUtf8(item.caption));
    }
    out += "]}";
  }
  ev.Json("trees", out + "]");
}

}  // namespace trv
