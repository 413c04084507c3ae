#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "game/Users.h"
#include "platform/Registry.h"
#include "shell/parts/ScreenPart.h"
#include "script/ShellElements.h"
#include "windows/SkinPictures.h"
#include "windows/TreeView.h"

namespace trv {

// The tree views of the screens (`TTreeList`): one per "_tree" block, shown
// with its screen, swapped and hidden by "settree", "ontree" and "offtree".
// The tree numbered 1 is the ratings list: the registered players with a
// score, in the table's order. Only the current screen's trees draw, over the
// screen's other parts; the main window's input box keeps the keyboard, and a
// tree takes the keys only when nothing below it did.
class TTreesPart : public ScreenPart {
 public:
  static constexpr std::int32_t kRatingsNumber = 1;

  // What the trees need of the program around them.
  struct Services {
    FontEngine* fonts = nullptr;           // null: no text is drawn
    TPictureLoader pictures;               // the backgrounds, from the packed tree
    Registry* settings = nullptr;          // "LastVisitedHtmlFile" under settingsKey
    std::string settingsKey;
    std::function<TUsersList()> players;   // the players table in its order
    std::function<void()> hidePopups;      // a click in a tree closes the popup lists
  };

  TTreesPart(ScreenPartHost& host, const TDynamicTreeDataArray& records, Services services);
  // Writes the pending file back as the last visited one, so that the value
  // read at start-up survives the run.
  ~TTreesPart() override;

  // Shows the trees of the current screen, hides the others, and selects the
  // pending item in each shown one.
  void Refresh();
  void ShowForScreen(int) override { Refresh(); }
  // "settree": the first tree with this number replaces the current one.
  void SelectTree(std::int32_t number);
  // "offtree" (true) and "ontree" (false).
  void SetHidden(bool hidden);
  // Hides (true) or shows the current tree, whatever the hidden flag says.
  void ShowCurrent(bool hide);
  // Setting one clears the other; neither is cleared by its use.
  void SetPendingFile(const std::string& file);
  void SetPendingItem(const std::string& caption);
  const std::string& PendingFile() const { return pendingFile_; }
  const std::string& PendingItem() const { return pendingItem_; }
  // Refills the current tree: the ratings when it is the ratings list.
  void FillRatings();

  int Count() const { return int(trees_.size()); }
  const TTreeView& View(int i) const { return *trees_[std::size_t(i)].view; }
  std::int32_t Number(int i) const { return trees_[std::size_t(i)].number; }
  int Current() const { return current_; }
  bool Hidden() const { return hidden_; }

  void Paint(Bitmap& canvas) const override;
  bool MouseMove(Point p, unsigned shift) override;
  bool MouseDown(MouseButton b, Point p, unsigned shift) override;
  bool MouseUp(MouseButton b, Point p, unsigned shift) override;
  bool MouseWheel(int delta, Point p, unsigned shift) override;
  bool KeyDown(int key, unsigned shift) override;
  void FadeStarted() override;
  void FadeEnded() override;
  // "trees": the shown trees with their rows, the ratings list's as pairs.
  void TraceState(Trace::Event& ev) const override;

 private:
  struct Tree {
    std::unique_ptr<TTreeView> view;
    Rect rect;  // as the script gives it, before the window clips it
    std::int32_t number = 0;
    std::int32_t screen = 0;
    Color hintColor = 0;
    Color hintTextColor = 0;
  };

  void AddRatings(TTreeView& view);
  // Gives a tree its rectangle, kept inside the window.
  void Place(int tree);
  // Searches the current tree from after its focused item, wrapping round.
  void SelectCaption(const std::string& text, bool exact);
  void SetVisible(int tree, bool visible);
  // A tree whose rows changed draws itself again; showing or hiding redraws the window.
  void Changed(int tree);
  void ChangedAll();
  // The shown tree under the point, -1 for none.
  int TreeAt(Point p) const;
  void OnSelect(int tree);
  // A caption's hint in the tree's colour; the window's colour comes back with the pointer.
  void ArmHint(int tree, const std::string& text, Point anchor);
  void EndHint();

  ScreenPartHost& host_;
  Services services_;
  std::vector<Tree> trees_;
  std::string pendingFile_;
  std::string pendingItem_;
  int current_ = 0;
  bool hidden_ = false;
  bool hiddenByFade_ = false;
  bool over_ = false;      // the pointer is over a tree
  int capture_ = -1;       // the tree a press began in, until the release
  std::string hintText_;   // the hint armed for the caption under the pointer
  // The window's own hint colours (background, text), while a tree's are set.
  std::optional<std::pair<Color, Color>> windowHintColor_;
};

}  // namespace trv
