// The clip areas of the shell's screens and the clip player behind them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shell/CommandDisc.h"
#include "support/MediaFixtures.h"

namespace trv::test {
namespace {

using ::testing::ElementsAre;

constexpr Color kArea = MakeColor(0, 0, 255);

class ClipAreasTest : public CommandShellTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteClip(discDir / "clip.avi", 64, 48, 25, 50));
    StartOn(FiveScreenScript() + "_clip1 vx=10;vy=60;vw=74;vh=108\nbgcolor=0,0,255;html=0\n");
  }
};

TEST_F(ClipAreasTest, AClipShowsInItsScreensAreaAndWaitsWhileAnotherScreenShows) {
  EXPECT_EQ(At(20, 70), kArea);  // the area, in its colour, on its screen
  Run("clip=clip.avi");
  const auto calls = MediaCalls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1], "video main 10,60");
  EXPECT_EQ(At(20, 70), kHeadlessVideoColor);
  EXPECT_NE(At(5, 70), kHeadlessVideoColor);  // nothing outside the area
  // Another screen: the area goes with its screen, and the video draws
  // nothing there while it plays on.
  Run("screen3=store");
  Settle();
  const Color other = At(20, 70);
  EXPECT_NE(other, kArea);
  Mark();
  Run("stepback");
  EXPECT_THAT(MediaCalls(), ElementsAre("notify aborted", "seek 0", "play 0 2000"));
  EXPECT_EQ(At(20, 70), other);
  // Back on the area's screen the video shows again.
  Run("1");
  Settle();
  EXPECT_EQ(At(20, 70), kHeadlessVideoColor);
  // A pointer over the area is the area's: no drag of the window from it.
  const Rect before = Main()->Bounds();
  platform->Mouse("main", HeadlessPlatform::MouseAction::Down, {20, 70});
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {40, 90});
  platform->Mouse("main", HeadlessPlatform::MouseAction::Up, {40, 90});
  EXPECT_EQ(Main()->Bounds(), before);
}

}  // namespace
}  // namespace trv::test
