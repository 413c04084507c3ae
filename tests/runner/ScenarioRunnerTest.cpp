#include <gtest/gtest.h>

#include <fstream>

#include "platform/Keys.h"
#include "shell/runner/ScenarioRunner.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

struct Recorder : WindowEvents {
  std::vector<std::string> events;
  void OnMouseMove(Point p, unsigned) override { events.push_back("move " + std::to_string(p.x) + "," + std::to_string(p.y)); }
  void OnMouseDown(MouseButton b, Point p, unsigned) override {
    events.push_back(std::string(b == MouseButton::Right ? "rdown " : "down ") + std::to_string(p.x) + "," +
                     std::to_string(p.y));
  }
  void OnMouseUp(MouseButton, Point, unsigned) override { events.push_back("up"); }
  void OnKeyDown(int k, unsigned s) override { events.push_back("key " + std::to_string(k) + "/" + std::to_string(s)); }
  void OnChar(char c) override { events.push_back(std::string("char ") + c); }
};

class ScenarioRunnerTest : public ::testing::Test {
 protected:
  ScenarioRunnerTest() : platform(Config()) {
    platform.Tracer().KeepLines(true);
    window = platform.CreateWindow({"main", "", Rect::FromSize(100, 100, 200, 100)});
    window->SetEvents(&recorder);
    window->Show();
  }
  PlatformConfig Config() {
    PlatformConfig c;
    c.settingsDir = dir / "settings";
    return c;
  }
  // Runs the script through the loop, as the program does.
  int Play(std::vector<std::string> lines) {
    runner = std::make_unique<ScenarioRunner>(platform, std::move(lines));
    runner->Install();
    return platform.Loop().Run();
  }
  std::string Trace() {
    std::string all;
    for (const auto& l : platform.Tracer().Lines()) all += l + "\n";
    return all;
  }
  test::TempDir dir;
  HeadlessPlatform platform;
  Recorder recorder;
  std::unique_ptr<Window> window;
  std::unique_ptr<ScenarioRunner> runner;
};

TEST_F(ScenarioRunnerTest, StepsRunInOrderWithTimeBetweenThem) {
  std::vector<std::uint64_t> fired;
  platform.Loop().SetTimer(250, false, [&] { fired.push_back(platform.Loop().GetClock().NowMs()); });
  Play({"# a comment", "", "move 10 20", "wait 100", "click 30 40", "rclick 5 5", "wait 200", "key Alt+F4",
        "type ab", "quit", "move 1 1"});
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"move 10,20", "move 30,40", "down 30,40", "up", "move 5,5",
                                                       "rdown 5,5", "up", "key 115/2", "char a", "char b"}));
  EXPECT_EQ(fired, (std::vector<std::uint64_t>{250}));
  EXPECT_EQ(platform.VirtualLoop().NowMs(), 300u);
  EXPECT_EQ(runner->Errors(), 0);
}

TEST_F(ScenarioRunnerTest, BadLinesAreReportedAndSkipped) {
  Play({"wait soon", "click 1", "key Hyper+Q", "jump 3 4", "move 1 1 @dialog", "move 7 8"});
  EXPECT_EQ(runner->Errors(), 5);
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"move 7,8"}));
  EXPECT_NE(Trace().find("\"ev\":\"scenario\""), std::string::npos);
}

// "until" runs the clock on to the first trace line that holds its text, in
// 10 ms slices, and gives up (an error) after an hour of virtual time.
TEST_F(ScenarioRunnerTest, UntilRunsTheClockToATracedLine) {
  platform.Loop().SetTimer(1234, false, [&] { platform.Tracer().Emit("game").Utf8("step", "turn"); });
  platform.Loop().SetTimer(2000, false, [&] { platform.Tracer().Emit("game").Utf8("step", "judged"); });
  runner = std::make_unique<ScenarioRunner>(
      platform, std::vector<std::string>{"until \"step\":\"turn\"", "move 1 1", "until \"step\":\"judged\"",
                                         "move 2 2", "until never traced", "move 3 3"});
  runner->Install();
  // When each move arrived on the virtual clock.
  struct Clocked : WindowEvents {
    HeadlessPlatform* p = nullptr;
    std::vector<std::uint64_t> at;
    void OnMouseMove(Point, unsigned) override { at.push_back(p->VirtualLoop().NowMs()); }
  } clocked;
  clocked.p = &platform;
  window->SetEvents(&clocked);
  platform.Loop().Run();
  ASSERT_EQ(clocked.at.size(), 3u);
  EXPECT_EQ(clocked.at[0], 1240u);  // the end of the slice in which the line came
  EXPECT_EQ(clocked.at[1], 2000u);
  EXPECT_EQ(clocked.at[2], 2000u + 3600u * 1000u);
  EXPECT_EQ(runner->Errors(), 1);
  EXPECT_NE(Trace().find("not traced within an hour"), std::string::npos);
}

TEST_F(ScenarioRunnerTest, ShotWritesThePresentedFrameAndDumpCallsTheShell) {
  window->Framebuffer().Fill(window->Framebuffer().Bounds(), MakeColor(9, 8, 7));
  window->Present();
  int dumps = 0;
  runner = std::make_unique<ScenarioRunner>(platform, std::vector<std::string>{"shot " + (dir / "a.png").string(), "dump"});
  runner->SetDumper([&] { ++dumps; });
  runner->Install();
  platform.Loop().Run();
  EXPECT_EQ(dumps, 1);
  const std::string png = test::ReadFile(dir / "a.png");
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
}

TEST(KeyNameTest, NamesModifiersAndUnknowns) {
  int key = 0;
  unsigned shift = 0;
  EXPECT_TRUE(ParseKeyName("Enter", &key, &shift));
  EXPECT_EQ(key, vk::Return);
  EXPECT_TRUE(ParseKeyName("Ctrl+N", &key, &shift));
  EXPECT_EQ(key, vk::KeyA + 13);
  EXPECT_EQ(shift, unsigned(kCtrl));
  EXPECT_TRUE(ParseKeyName("Shift+F12", &key, &shift));
  EXPECT_EQ(key, vk::F1 + 11);
  EXPECT_EQ(shift, unsigned(kShift));
  EXPECT_TRUE(ParseKeyName("7", &key, &shift));
  EXPECT_EQ(key, vk::Key0 + 7);
  EXPECT_FALSE(ParseKeyName("F25", &key, &shift));
  EXPECT_FALSE(ParseKeyName("Meta+A", &key, &shift));
  EXPECT_FALSE(ParseKeyName("", &key, &shift));
}

}  // namespace
}  // namespace trv
