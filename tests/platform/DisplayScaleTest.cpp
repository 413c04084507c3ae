#include <gtest/gtest.h>

#include <cmath>

#include "platform/DisplayScale.h"
#include "platform/SettingsStore.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

TEST(DisplayScaleTest, DisplayPicksTheLargestScaleUpToItsDpiThatFitsWithRoom) {
  struct Case {
    float dpi;
    Size usable;
    int scale;
  } cases[] = {
      {96, {1920, 1050}, 1},    // an ordinary screen
      {192, {3840, 2110}, 2},   // twice the density
      {288, {3840, 2110}, 2},   // three would leave no room: 1800 of 2110 rows
      {288, {5120, 2840}, 3},   // room enough for three
      {500, {7680, 4320}, 3},   // never beyond three
      {192, {1280, 770}, 1},    // dense but small: 1600 columns do not fit
      {143, {3840, 2110}, 1},   // 1.49 rounds to one
      {145, {3840, 2110}, 2},   // 1.51 rounds to two
      {192, {2000, 1500}, 2},   // exactly four fifths each way still fits
      {192, {1999, 1500}, 1},   // one column less does not
      {0, {3840, 2110}, 1},     // the desktop did not say
      {-5, {3840, 2110}, 1},
      {NAN, {3840, 2110}, 1},
      {192, {0, 0}, 1},         // no work area known
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScaleForDisplay({c.dpi, c.usable}), c.scale)
        << c.dpi << " dpi, " << c.usable.width << "x" << c.usable.height;
}

TEST(DisplayScaleTest, ForcedScaleTakesOnlyOneTwoOrThreeAndLogsTheRest) {
  {
    test::LogCapture log;
    EXPECT_EQ(ParseForcedScale("1", "TRIVION_SCALE"), 1);
    EXPECT_EQ(ParseForcedScale("2", "TRIVION_SCALE"), 2);
    EXPECT_EQ(ParseForcedScale(" 3\n", "TRIVION_SCALE"), 3);
    EXPECT_TRUE(log.Lines().empty()) << log.All();
  }
  for (const char* bad : {"0", "4", "abc", "", "2x", "-1", "22", "1.5"}) {
    test::LogCapture log;
    EXPECT_EQ(ParseForcedScale(bad, "TRIVION_SCALE"), std::nullopt) << bad;
    EXPECT_TRUE(log.Contains(std::string("display: TRIVION_SCALE \"") + bad + "\" is not a scale")) << log.All();
  }
}

class StoredScaleTest : public ::testing::Test {
 protected:
  void Store(const RegValue& v) {
    ASSERT_TRUE(settings_.WriteValue(RootKey::CurrentUser, kScaleSettingsKey, kScaleSettingsValue, v));
  }
  test::TempDir dir_;
  SettingsStore settings_{dir_.Path()};
  DisplayFacts dense_{192, {3840, 2110}};
};

TEST_F(StoredScaleTest, EnvironmentWinsOverTheSettingWhichWinsOverTheDisplay) {
  EXPECT_EQ(ChooseDisplayScale(dense_, nullptr, &settings_), 2);
  EXPECT_EQ(ChooseDisplayScale(dense_, "", &settings_), 2);  // set but empty: as unset
  Store(RegValue::Integer(3));
  EXPECT_EQ(ChooseDisplayScale(dense_, nullptr, &settings_), 3);
  EXPECT_EQ(ChooseDisplayScale(dense_, "1", &settings_), 1);
  Store(RegValue::String("1"));
  EXPECT_EQ(ChooseDisplayScale(dense_, nullptr, &settings_), 1);
  EXPECT_EQ(ChooseDisplayScale(dense_, nullptr, nullptr), 2);
}

TEST_F(StoredScaleTest, BadValuesAreLoggedAndTheNextSourceDecides) {
  Store(RegValue::Integer(3));
  {
    test::LogCapture log;
    EXPECT_EQ(ChooseDisplayScale(dense_, "abc", &settings_), 3);  // the environment's is ignored
    EXPECT_TRUE(log.Contains("TRIVION_SCALE \"abc\"")) << log.All();
  }
  for (const RegValue& bad : {RegValue::Integer(0), RegValue::Integer(4), RegValue::String("abc"),
                              RegValue::Binary({2})}) {
    Store(bad);
    test::LogCapture log;
    EXPECT_EQ(StoredScale(settings_), std::nullopt);
    EXPECT_EQ(ChooseDisplayScale(dense_, nullptr, &settings_), 2);
    EXPECT_TRUE(log.Contains("display: the stored DisplayScale")) << log.All();
  }
}

}  // namespace
}  // namespace trv
