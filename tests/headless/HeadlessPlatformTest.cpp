#include <gtest/gtest.h>

#include "platform/Bmp.h"
#include "platform/Keys.h"
#include "platform/Paths.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

// Records what a window receives, one line per event.
struct Recorder : WindowEvents {
  std::vector<std::string> events;
  Window* window = nullptr;
  bool dragOnDown = false;
  static std::string P(Point p) { return std::to_string(p.x) + "," + std::to_string(p.y); }
  void OnMouseMove(Point p, unsigned s) override { events.push_back("move " + P(p) + " s" + std::to_string(s)); }
  void OnMouseDown(MouseButton, Point p, unsigned s) override {
    events.push_back("down " + P(p) + " s" + std::to_string(s));
    if (dragOnDown) window->BeginDrag();
  }
  void OnMouseUp(MouseButton, Point p, unsigned s) override { events.push_back("up " + P(p) + " s" + std::to_string(s)); }
  void OnMouseLeave() override { events.push_back("leave"); }
  void OnKeyDown(int k, unsigned) override { events.push_back("keydown " + std::to_string(k)); }
  void OnKeyUp(int k, unsigned) override { events.push_back("keyup " + std::to_string(k)); }
  void OnChar(char c) override { events.push_back("char " + std::to_string(static_cast<unsigned char>(c))); }
  void OnDropFiles(const std::vector<std::string>& f) override {
    for (const auto& p : f) events.push_back("drop " + p);
  }
  void OnCloseRequest() override { events.push_back("close"); }
};

class HeadlessPlatformTest : public ::testing::Test {
 protected:
  HeadlessPlatformTest() : platform(Config()) { platform.Tracer().KeepLines(true); }
  PlatformConfig Config() {
    PlatformConfig c;
    c.settingsDir = dir / "settings";
    return c;
  }
  std::unique_ptr<Window> Open(const std::string& role, Rect bounds, Recorder& rec) {
    auto w = platform.CreateWindow({role, role, bounds});
    rec.window = w.get();
    w->SetEvents(&rec);
    w->Show();
    return w;
  }
  test::TempDir dir;
  HeadlessPlatform platform;
};

TEST_F(HeadlessPlatformTest, MouseGoesToVisibleWindowsInsideTheirShape) {
  Recorder main, popup;
  auto w = Open("main", {100, 100, 300, 300}, main);
  w->SetRegion({{0, 0}, {200, 0}, {0, 200}});  // upper-left triangle
  EXPECT_TRUE(platform.Mouse("main", HeadlessPlatform::MouseAction::Move, {10, 10}));
  // Outside the triangle nothing is under the point.
  EXPECT_FALSE(platform.Mouse("main", HeadlessPlatform::MouseAction::Move, {190, 190}));
  auto p = Open("popup", {250, 250, 350, 350}, popup);
  // The same screen point now lies on the popup, which gets popup coordinates.
  EXPECT_TRUE(platform.Mouse("main", HeadlessPlatform::MouseAction::Move, {190, 190}));
  p->Hide();
  EXPECT_FALSE(platform.Mouse("popup", HeadlessPlatform::MouseAction::Move, {5, 5}));
  EXPECT_EQ(main.events, (std::vector<std::string>{"move 10,10 s0", "leave"}));
  // The hidden popup is told that the mouse left it.
  EXPECT_EQ(popup.events, (std::vector<std::string>{"move 40,40 s0", "leave"}));
}

TEST_F(HeadlessPlatformTest, ButtonsShowInTheShiftStateAndCaptureKeepsEvents) {
  Recorder main;
  auto w = Open("main", {0, 0, 100, 100}, main);
  platform.Mouse("main", HeadlessPlatform::MouseAction::Down, {5, 5}, MouseButton::Left, kShift);
  w->SetMouseCapture(true);
  platform.Mouse("main", HeadlessPlatform::MouseAction::Move, {150, 5});  // outside, but captured
  platform.Mouse("main", HeadlessPlatform::MouseAction::Up, {150, 5});
  w->SetMouseCapture(false);
  EXPECT_FALSE(platform.Mouse("main", HeadlessPlatform::MouseAction::Move, {150, 5}));
  EXPECT_EQ(main.events, (std::vector<std::string>{"down 5,5 s9", "move 150,5 s8", "up 150,5 s0", "leave"}));
}

TEST_F(HeadlessPlatformTest, DragMovesTheWindowWithTheMouse) {
  Recorder main;
  main.dragOnDown = true;
  auto w = Open("main", {100, 100, 300, 300}, main);
  platform.Mouse("main", HeadlessPlatform::MouseAction::Down, {10, 10});
  // Points of a drag are relative to where the window was when it began.
  platform.Mouse("main", HeadlessPlatform::MouseAction::Move, {30, 15});
  platform.Mouse("main", HeadlessPlatform::MouseAction::Move, {60, 50});
  platform.Mouse("main", HeadlessPlatform::MouseAction::Up, {60, 50});
  EXPECT_EQ(w->Bounds(), (Rect{150, 140, 350, 340}));
  EXPECT_EQ(main.events, (std::vector<std::string>{"down 10,10 s8"}));  // the drag swallows the rest
  platform.Mouse("main", HeadlessPlatform::MouseAction::Move, {60, 50});
  EXPECT_EQ(main.events.back(), "move 60,50 s0");
  EXPECT_EQ(w->Framebuffer().Width(), 200);
}

TEST_F(HeadlessPlatformTest, FocusGoesToActivatingWindowsAndBackWhenTheyGo) {
  Recorder main, hint;
  auto m = Open("main", {0, 0, 100, 100}, main);
  WindowOptions hintOptions{"hint", "", {10, 10, 30, 30}};
  hintOptions.noActivate = true;
  auto h = platform.CreateWindow(hintOptions);
  h->SetEvents(&hint);
  h->Show();
  auto d = platform.CreateWindow({"dialog", "", {20, 20, 80, 80}});
  d->ShowNoActivate();
  EXPECT_TRUE(m->HasFocus());
  d->Hide();
  d->Show();
  EXPECT_EQ(platform.Focused(), platform.FindWindow("dialog"));
  d.reset();
  EXPECT_TRUE(m->HasFocus());
  // Injected keys still go to the window named, focused or not.
  EXPECT_TRUE(platform.KeyDown("hint", vk::F1));
  EXPECT_EQ(hint.events, (std::vector<std::string>{"keydown 112"}));
}

TEST_F(HeadlessPlatformTest, KeysTypeByTheProcessLayout) {
  Recorder main;
  auto w = Open("main", {0, 0, 10, 10}, main);
  platform.KeyPress("main", 'Q');
  ASSERT_TRUE(platform.Keys().LoadLayout(kLayoutRussian));
  platform.KeyPress("main", 'Q');
  platform.KeyPress("main", 'Q', kShift);
  platform.KeyPress("main", vk::Oem3);  // ё
  platform.KeyPress("main", vk::Return);
  platform.KeyPress("main", vk::F1);  // types nothing
  EXPECT_FALSE(platform.Keys().LoadLayout("00000407"));
  EXPECT_EQ(platform.Keys().ActiveLayout(), kLayoutRussian);
  EXPECT_EQ(main.events, (std::vector<std::string>{
                             "keydown 81", "char 113", "keyup 81",          // q
                             "keydown 81", "char 233", "keyup 81",          // й
                             "keydown 81", "char 201", "keyup 81",          // Й
                             "keydown 192", "char 184", "keyup 192",        // ё
                             "keydown 13", "char 13", "keyup 13",           //
                             "keydown 112", "keyup 112"}));
  main.events.clear();
  platform.TypeText("main", "Ёж");
  EXPECT_EQ(main.events, (std::vector<std::string>{"char 168", "char 230"}));
}

TEST_F(HeadlessPlatformTest, DroppedFilesArriveAsWindowsPaths) {
  Recorder main;
  auto w = Open("main", {0, 0, 10, 10}, main);
  EXPECT_FALSE(platform.DropFiles("main", {"/tmp/a.wav"}));  // not accepting yet
  w->AcceptFiles(true);
  EXPECT_TRUE(platform.DropFiles("main", {"/tmp/Музыка/a.wav"}));
  EXPECT_EQ(main.events, (std::vector<std::string>{"drop \\tmp\\\xCC\xF3\xE7\xFB\xEA\xE0\\a.wav"}));
}

TEST_F(HeadlessPlatformTest, CloseIsPostedAndSkippedForDestroyedWindows) {
  Recorder a, b;
  auto wa = Open("main", {0, 0, 10, 10}, a);
  auto wb = Open("about", {0, 0, 10, 10}, b);
  wa->Close();
  wb->Close();
  EXPECT_TRUE(a.events.empty());
  wb.reset();  // destroyed before the close message is handled
  platform.Loop().ProcessMessages();
  EXPECT_EQ(a.events, (std::vector<std::string>{"close"}));
}

TEST_F(HeadlessPlatformTest, WindowChangesAreTraced) {
  Recorder main;
  auto w = Open("main", {0, 0, 10, 10}, main);
  w->SetBounds({5, 5, 25, 15});
  w->SetRegion({{0, 0}, {5, 0}, {0, 5}});
  w->Hide();
  auto lines = platform.Tracer().Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], R"({"t":0,"ev":"window","window":"main","op":"show"})");
  EXPECT_EQ(lines[1], R"({"t":0,"ev":"window","window":"main","op":"size","left":5,"top":5,"width":20,"height":10})");
  EXPECT_EQ(lines[2], R"({"t":0,"ev":"window","window":"main","op":"region","vertices":3})");
  EXPECT_EQ(lines[3], R"({"t":0,"ev":"window","window":"main","op":"hide"})");
}

// A PCM WAV of `ms` milliseconds at 8 kHz mono 8-bit.
std::string Wav(int ms) {
  const std::uint32_t data = 8 * ms;
  std::string s = "RIFF";
  auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) s.push_back(char(v >> (8 * i))); };
  auto u16 = [&](std::uint16_t v) { s.push_back(char(v)); s.push_back(char(v >> 8)); };
  u32(36 + data);
  s += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(1);
  u32(8000);
  u32(8000);
  u16(1);
  u16(8);
  s += "data";
  u32(data);
  s.append(data, char(128));
  return s;
}

TEST_F(HeadlessPlatformTest, SoundModesOnTheVirtualClock) {
  test::WriteFile(dir / "long.wav", Wav(500));
  test::WriteFile(dir / "short.wav", Wav(100));
  const std::string longWav = ToWindowsPath(dir / "long.wav");
  const std::string shortWav = ToWindowsPath(dir / "SHORT.WAV");  // found ignoring case
  Sound& s = platform.Audio();

  EXPECT_TRUE(s.PlaySound(longWav, SoundMode::Async));
  EXPECT_TRUE(s.SoundPlaying());
  EXPECT_FALSE(s.PlaySound(shortWav, SoundMode::AsyncNoStop));  // dropped: one is playing
  platform.VirtualLoop().Advance(499);
  EXPECT_TRUE(s.SoundPlaying());
  EXPECT_TRUE(s.PlaySound(shortWav, SoundMode::Async));  // cuts the long one off
  platform.VirtualLoop().Advance(100);
  EXPECT_FALSE(s.SoundPlaying());
  EXPECT_TRUE(s.PlaySound(shortWav, SoundMode::AsyncNoStop));

  const std::uint64_t before = platform.VirtualLoop().NowMs();
  EXPECT_TRUE(s.PlaySound(longWav, SoundMode::Sync));
  EXPECT_EQ(platform.VirtualLoop().NowMs(), before + 500);  // the caller was blocked
  EXPECT_FALSE(s.SoundPlaying());
  EXPECT_FALSE(s.PlaySound(ToWindowsPath(dir / "missing.wav"), SoundMode::Async));

  const auto& plays = platform.Sounds().Plays();
  ASSERT_EQ(plays.size(), 6u);
  EXPECT_FALSE(plays[1].played);
  EXPECT_EQ(plays[2].t, 499u);
  EXPECT_EQ(plays[4].durationMs, 500u);
  EXPECT_FALSE(plays[5].played);
}

TEST_F(HeadlessPlatformTest, ShellCallsAreRecordedNotPerformed) {
  HeadlessShell& shell = platform.ShellCalls();
  EXPECT_TRUE(platform.Desktop().OpenDocument("http://localhost/list.php?GameID=3"));
  auto pid = platform.Desktop().StartProcess("C:\\Games\\setup.exe", {"/s"});
  ASSERT_TRUE(pid);
  shell.SetProcessExitCode(4);
  EXPECT_EQ(platform.Desktop().WaitProcess(*pid, -1), 4);
  EXPECT_EQ(platform.Desktop().WaitProcess(*pid, -1), std::nullopt);  // already ended
  shell.SetStartFails(true);
  EXPECT_FALSE(platform.Desktop().StartProcess("x.exe", {}));
  ASSERT_EQ(shell.Calls().size(), 5u);
  EXPECT_EQ(shell.Calls()[1].verb, "start");
  EXPECT_EQ(shell.Calls()[1].args, std::vector<std::string>{"/s"});

  Recorder viewer;
  auto w = Open("viewer", {0, 0, 10, 10}, viewer);
  w->SetCaption("Help");
  auto found = platform.Desktop().FindWindowByTitle("Help");
  ASSERT_TRUE(found);
  EXPECT_TRUE(platform.Desktop().CloseWindow(*found));
  platform.Loop().ProcessMessages();
  EXPECT_EQ(viewer.events, (std::vector<std::string>{"close"}));
  EXPECT_FALSE(platform.Desktop().FindWindowByTitle("Hel"));
}

TEST_F(HeadlessPlatformTest, PresentKeepsTheFrameForComparison) {
  Recorder main;
  auto w = Open("main", {0, 0, 4, 3}, main);
  w->Framebuffer().SetPixel(1, 1, MakeColor(10, 20, 30));
  w->Present();
  w->Framebuffer().SetPixel(1, 1, MakeColor(0, 0, 0));
  auto* hw = platform.FindWindow("main");
  EXPECT_EQ(hw->PresentCount(), 1);
  EXPECT_EQ(hw->Presented().Pixel(1, 1), MakeColor(10, 20, 30));
}

}  // namespace
}  // namespace trv
