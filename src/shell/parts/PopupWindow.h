#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "script/ShellElements.h"
#include "shell/parts/ItemsBtn.h"
#include "windows/SkinWindow.h"

namespace trv {

class TPopupWindow;

// What a popup asks of its controller.
struct PopupWindowHost {
  std::function<int()> currentScreen;
  // The main window's client origin on the screen (fixed places are relative to it).
  std::function<Point()> clientOrigin;
  // Item `index` was chosen outside delete mode; the popup is already hidden.
  std::function<void(TPopupWindow&, std::size_t index)> chosen;
};

// One popup list of the current screen: a top-level window of its own that
// never takes the keyboard focus (the main window's name box keeps it), on
// top of the others, with a background that grows with its column of items.
class TPopupWindow : public TSkinWindow {
 public:
  TPopupWindow(Platform& platform, const RPopupData& record, int recordIndex, const TPictureLoader& pictures,
               PopupWindowHost host);
  ~TPopupWindow() override;

  int Kind() const { return record_.kind; }
  int RecordIndex() const { return recordIndex_; }

  // n items: surplus ones go from the end, new ones come hidden; every item
  // then loses its command and hint and gets fresh pictures, hidden.
  void SetItemCount(std::size_t n);
  // A shown item at the end.
  void AddItem(const std::string& caption, const std::string& command);
  // Every item goes; the popup ends hidden.
  void ClearItems();
  // Item i goes, the later ones moving one place up; with none left the popup hides.
  void RemoveItem(std::size_t i);

  // Places the shown items and fits the window's height (and background) to them.
  void Layout();
  // Shows the popup at screen point `p`, or at its fixed place, on the desktop.
  void ShowAt(Point p);
  // Hides it: no item stays under the mouse or pressed, delete mode ends.
  void HideWindow();
  bool IsOpen() const { return Visible(); }
  bool AnyShown() const;

  // Choosing an item then removes it instead of running it, until the popup hides.
  void SetDeleteMode() { deleteMode_ = true; }
  bool DeleteMode() const { return deleteMode_; }
  bool Sliding() const { return slideTimer_ != 0; }
  std::uint64_t LastShown() const { return lastShown_; }

  std::size_t Count() const { return items_.size(); }
  const TItemsBtn& Item(std::size_t i) const { return *items_[i]; }
  Size WindowSize() const { return {SkinBackground().Width(), SkinBackground().Height()}; }
  Window* PopupWindow() const { return SkinWindow(); }
  // [captions of the shown items] as JSON, for the trace.
  std::string ItemsJson() const;

  // Window events.
  void OnMouseMove(Point p, unsigned shift) override;
  void OnMouseDown(MouseButton b, Point p, unsigned shift) override;
  void OnMouseLeave() override;

 protected:
  void PaintSkin(Bitmap& target) override;

 private:
  void PrepareItem(TItemsBtn& item, std::size_t position);
  void PaintNormal(Bitmap& target) const;
  void SlideTick();
  void StopSlide();
  void Repaint();
  void TracePopup(const char* what, std::int64_t item = -1, const std::string& command = {});

  RPopupData record_;
  int recordIndex_ = 0;
  const TPictureLoader& pictures_;
  PopupWindowHost host_;
  std::unique_ptr<Font> fontUp_, fontMove_;
  std::vector<std::unique_ptr<TItemsBtn>> items_;
  std::optional<Polygon> shape_;
  int margin_ = kPopupDefaultMargin;
  bool deleteMode_ = false;
  bool showing_ = false;
  std::uint64_t lastShown_ = 0;
  // The slide: what lay under the window, when it began, which way it runs.
  Bitmap under_;
  std::uint64_t slideStart_ = 0;
  bool slideDown_ = true;
  TimerId slideTimer_ = 0;
};

}  // namespace trv
