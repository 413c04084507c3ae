// The rules both backends share for their windows: z-order, keyboard focus
// and where the mouse goes.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/MouseRouter.h"
#include "platform/WindowStack.h"

namespace trv {
namespace {

// A window that is only its state; the events it gets are written to `log`
// as "<name> <event> x,y shift".
class FakeWindow : public Window, public WindowEvents {
 public:
  FakeWindow(std::string name, Rect bounds, std::vector<std::string>& log)
      : name_(std::move(name)), bounds_(bounds), log_(log) {}

  const std::string& Role() const override { return name_; }
  void SetEvents(WindowEvents*) override {}
  WindowEvents* Events() const override { return const_cast<FakeWindow*>(this); }
  Bitmap& Framebuffer() override { return fb_; }
  void Present() override {}
  void Present(const Rect&) override {}
  void SetBounds(const Rect& r) override { bounds_ = r; }
  Rect Bounds() const override { return bounds_; }
  void Show() override { visible_ = true; }
  void ShowNoActivate() override { visible_ = true; }
  void Hide() override { visible_ = false; }
  bool Visible() const override { return visible_; }
  bool HasFocus() const override { return false; }
  void Minimize() override { minimized_ = true; }
  void Restore() override { minimized_ = false; }
  bool Minimized() const override { return minimized_; }
  void SetRegion(const Polygon& p) override { region_ = p; }
  void ClearRegion() override { region_.reset(); }
  const Polygon* Region() const override { return region_ ? &*region_ : nullptr; }
  const std::string& Caption() const override { return name_; }
  void Raise() override {}
  void SetTopmost(bool) override {}
  void SetCaption(const std::string&) override {}
  void SetIcon(const Bitmap&) override {}
  void SetCursor(Cursor) override {}
  void BeginDrag() override {}
  void SetMouseCapture(bool) override {}
  void AcceptFiles(bool) override {}
  void Close() override {}
  void SetFramed(bool) override {}
  bool Framed() const override { return false; }
  void Maximize() override {}
  void ShowNormal() override {}
  bool Maximized() const override { return false; }
  void SetColor(Color) override {}

  void OnMouseMove(Point p, unsigned s) override { Note("move", p, s); }
  void OnMouseDown(MouseButton, Point p, unsigned s) override { Note("down", p, s); }
  void OnMouseUp(MouseButton, Point p, unsigned s) override { Note("up", p, s); }
  void OnMouseWheel(int, Point p, unsigned s) override { Note("wheel", p, s); }
  void OnMouseLeave() override { log_.push_back(name_ + " leave"); }

 private:
  void Note(const char* what, Point p, unsigned s) {
    log_.push_back(name_ + " " + what + " " + std::to_string(p.x) + "," + std::to_string(p.y) + " " +
                   std::to_string(s));
  }
  std::string name_;
  Rect bounds_;
  std::vector<std::string>& log_;
  Bitmap fb_;
  bool visible_ = true;
  bool minimized_ = false;
  std::optional<Polygon> region_;
};

using Lines = std::vector<std::string>;

class WindowRulesTest : public ::testing::Test, public MouseRouter::Device {
 protected:
  using A = MouseRouter::Action;
  void HoldPointer(bool hold) override { log.push_back(hold ? "hold" : "release"); }
  void PointerOver(Window&) override {}
  bool Route(Window* w, A a, int x, int y, MouseButton b = MouseButton::Left, unsigned keys = 0) {
    MouseRouter::Event e;
    e.action = a;
    e.screen = {x, y};
    e.button = b;
    e.keys = keys;
    return router.Route(w, e);
  }
  Lines Take() { return std::exchange(log, {}); }

  Lines log;
  WindowStack stack;
  MouseRouter router{stack, this};
  FakeWindow main{"main", {0, 0, 200, 200}, log};
  FakeWindow hint{"hint", {150, 150, 250, 250}, log};
  FakeWindow dialog{"dialog", {100, 100, 300, 300}, log};
};

TEST_F(WindowRulesTest, TheTopmostLayerStaysAboveWhateverIsRaised) {
  stack.Add(main, false, false);
  stack.Add(hint, true, true);
  stack.Add(dialog, false, false);
  EXPECT_EQ(stack.BottomToTop(), (std::vector<Window*>{&main, &dialog, &hint}));
  stack.Shown(main, true);  // to the top of the normal layer only
  EXPECT_EQ(stack.BottomToTop(), (std::vector<Window*>{&dialog, &main, &hint}));
  EXPECT_EQ(stack.WindowAt({160, 160}, &hint), &main);
  stack.SetTopmost(dialog, true);  // joins the top layer at its top
  EXPECT_EQ(stack.BottomToTop(), (std::vector<Window*>{&main, &hint, &dialog}));
  EXPECT_EQ(stack.WindowAt({160, 160}), &dialog);
  // Hidden, minimized and shaped-away windows let the point through.
  dialog.Hide();
  hint.SetRegion({{0, 0}, {5, 0}, {0, 5}});
  main.Minimize();
  EXPECT_EQ(stack.WindowAt({160, 160}), nullptr);
  EXPECT_EQ(stack.WindowAt({151, 151}), &hint);
}

TEST_F(WindowRulesTest, FocusGoesBackToTheLastFocusedWindowStillVisible) {
  stack.Add(main, false, false);
  stack.Add(hint, true, true);
  stack.Add(dialog, true, false);
  EXPECT_TRUE(stack.Shown(main, true));
  EXPECT_FALSE(stack.Shown(hint, true));  // a noActivate window never takes it
  EXPECT_FALSE(stack.Focus(hint));
  EXPECT_FALSE(stack.Shown(dialog, false));  // shown without activation
  EXPECT_FALSE(stack.Hidden(hint));
  EXPECT_EQ(stack.Focused(), &main);
  EXPECT_TRUE(stack.Shown(dialog, true));
  EXPECT_EQ(stack.Focused(), &dialog);
  dialog.Hide();
  EXPECT_TRUE(stack.Hidden(dialog));
  EXPECT_EQ(stack.Focused(), &main);
  // Destroyed while focused, with main hidden meanwhile: nobody has it.
  dialog.Show();
  EXPECT_TRUE(stack.Focus(dialog));
  main.Hide();
  EXPECT_TRUE(stack.Remove(dialog));
  EXPECT_EQ(stack.Focused(), nullptr);
}

TEST_F(WindowRulesTest, FallThroughCaptureAndLeaving) {
  stack.Add(main, false, false);
  stack.Add(dialog, false, false);
  stack.Add(hint, true, true);
  main.SetRegion({{0, 0}, {200, 0}, {0, 200}});
  EXPECT_TRUE(Route(&main, A::Move, 10, 20));
  EXPECT_TRUE(Route(&main, A::Move, 160, 160));  // outside main's shape: the hint above, not the dialog
  hint.Hide();
  router.Forget(hint, true);
  EXPECT_TRUE(Route(&main, A::Move, 160, 160));
  EXPECT_FALSE(Route(&dialog, A::Move, 350, 350));  // over nothing of ours
  Route(&dialog, A::Down, 150, 150, MouseButton::Right, kShift);
  router.SetCapture(dialog, true);
  EXPECT_TRUE(Route(&main, A::Move, 10, 10));  // captured: to the dialog, in its coordinates
  router.PointerLeft(dialog);                  // the system's leave notice does not end a capture
  EXPECT_TRUE(Route(&main, A::Up, 10, 10, MouseButton::Right));
  router.SetCapture(main, false);  // not main's capture to end
  dialog.Hide();
  router.Forget(dialog, true);  // hiding ends the capture and the window hears the mouse left
  EXPECT_EQ(router.Captured(), nullptr);
  EXPECT_EQ(Take(), (Lines{"main move 10,20 0", "main leave", "hint move 10,10 0", "hint leave", "dialog move 60,60 0",
                           "dialog leave", "dialog down 50,50 17", "hold", "dialog move -90,-90 16",
                           "dialog up -90,-90 0", "release", "dialog leave"}));
}

TEST_F(WindowRulesTest, ADragFollowsThePointerAndSwallowsTheMouseUntilTheRelease) {
  stack.Add(main, false, false);
  EXPECT_FALSE(router.BeginDrag(main, {10, 10}, false));  // no left button down
  Route(&main, A::Down, 10, 10);
  EXPECT_TRUE(router.BeginDrag(main, {10, 10}, false));
  EXPECT_TRUE(Route(&main, A::Move, 30, 15));
  EXPECT_TRUE(Route(&main, A::Down, 30, 15, MouseButton::Right));
  EXPECT_TRUE(Route(&main, A::Up, 30, 15, MouseButton::Right));
  EXPECT_EQ(main.Bounds(), (Rect{20, 5, 220, 205}));
  EXPECT_TRUE(Route(&main, A::Up, 40, 20));  // the release moves it last and ends the drag
  EXPECT_EQ(main.Bounds(), (Rect{30, 10, 230, 210}));
  Route(&main, A::Move, 50, 50);

  // Ended by polling (the button came up where no event reached us): the
  // release that follows is not delivered; the next click is.
  Route(&main, A::Down, 50, 50);
  router.BeginDrag(main, {50, 50}, true);
  router.PollDrag({60, 70}, true);
  router.PollDrag({70, 70}, false);
  EXPECT_EQ(main.Bounds(), (Rect{50, 30, 250, 230}));
  EXPECT_TRUE(Route(&main, A::Up, 70, 70));
  Route(&main, A::Down, 70, 70);
  Route(&main, A::Up, 70, 70);

  // The dragged window is destroyed: the drag ends, and nothing is told.
  Route(&main, A::Down, 70, 70);
  router.BeginDrag(main, {70, 70}, false);
  router.Forget(main, false);
  EXPECT_EQ(router.Dragged(), nullptr);
  EXPECT_EQ(Take(), (Lines{"main down 10,10 8", "hold", "release", "main move 20,40 0", "main down 20,40 8", "hold",
                           "release", "main down 20,40 8", "main up 20,40 0", "main down 20,40 8", "hold",
                           "release"}));
}

}  // namespace
}  // namespace trv
