#include <gtest/gtest.h>

#include "disc/DiscError.h"
#include "disc/PictureScale.h"
#include "platform/Bmp.h"
#include "platform/Png.h"
#include "platform/Text.h"
#include "store/HandBytes.h"
#include "support/TestSupport.h"
#include "tools/RunTool.h"

namespace trv {
namespace {

using disc::ScaleBoxFilter;
using test::Cp;
using test::HandArchive;
using test::ToolResult;

// A picture whose pixel (x, y) is colours[y][x].
Bitmap Picture(const std::vector<std::vector<Color>>& colours) {
  Bitmap b(int(colours.front().size()), int(colours.size()));
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, y, colours[std::size_t(y)][std::size_t(x)]);
  return b;
}

const Color kRed = MakeColor(200, 10, 0), kGreen = MakeColor(0, 180, 20), kBlue = MakeColor(5, 0, 250),
            kGrey = MakeColor(90, 90, 90);

TEST(PictureScaleTest, EnlargingByAWholeFactorRepeatsEachPixel) {
  const Bitmap out = ScaleBoxFilter(Picture({{kRed, kGreen}, {kBlue, kGrey}}), 6, 6);
  ASSERT_EQ(out.Width(), 6);
  ASSERT_EQ(out.Height(), 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const Color want = y < 3 ? (x < 3 ? kRed : kGreen) : (x < 3 ? kBlue : kGrey);
      EXPECT_EQ(out.Pixel(x, y), want) << x << "," << y;
    }
}

TEST(PictureScaleTest, HalvingTakesTheRoundedMeanOfEachBlockPerChannel) {
  const Bitmap in = Picture({{MakeColor(0, 0, 0), MakeColor(1, 0, 255), MakeColor(9, 9, 9), MakeColor(9, 9, 9)},
                             {MakeColor(1, 1, 0), MakeColor(1, 1, 255), MakeColor(9, 9, 9), MakeColor(13, 9, 9)}});
  const Bitmap out = ScaleBoxFilter(in, 2, 1);
  // Red 3/4 rounds to 1, green 2/4 rounds up, blue 510/4 = 127.5 rounds up.
  EXPECT_EQ(out.Pixel(0, 0), MakeColor(1, 1, 128));
  EXPECT_EQ(out.Pixel(1, 0), MakeColor(10, 9, 9));
}

TEST(PictureScaleTest, AStraddlingPixelMixesByCoveredArea) {
  // Two to three: the middle pixel covers half of each.
  const Bitmap wider = ScaleBoxFilter(Picture({{MakeColor(0, 0, 0), MakeColor(255, 255, 255)}}), 3, 1);
  EXPECT_EQ(wider.Pixel(0, 0), MakeColor(0, 0, 0));
  EXPECT_EQ(wider.Pixel(1, 0), MakeColor(128, 128, 128));
  EXPECT_EQ(wider.Pixel(2, 0), MakeColor(255, 255, 255));
  // Three to two: each covers one whole pixel and half of the middle one.
  const Bitmap narrower =
      ScaleBoxFilter(Picture({{MakeColor(0, 0, 0)}, {MakeColor(90, 90, 90)}, {MakeColor(180, 180, 180)}}), 1, 2);
  EXPECT_EQ(narrower.Pixel(0, 0), MakeColor(30, 30, 30));
  EXPECT_EQ(narrower.Pixel(0, 1), MakeColor(150, 150, 150));
}

TEST(PictureScaleTest, AnEvenColourStaysEvenAtAnySize) {
  const Bitmap in(7, 5, kGreen);
  for (auto [w, h] : {std::pair{3, 11}, {7, 5}, {1, 1}, {16, 2}, {48, 48}}) {
    const Bitmap out = ScaleBoxFilter(in, w, h);
    ASSERT_EQ(out.Width(), w);
    ASSERT_EQ(out.Height(), h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(out.Pixel(x, y), kGreen) << w << "x" << h << " at " << x << "," << y;
  }
}

TEST(PictureScaleTest, RefusesAnEmptyPictureAndSizesOutOfRange) {
  EXPECT_THROW(ScaleBoxFilter(Bitmap(), 4, 4), disc::DiscError);
  for (auto [w, h] : {std::pair{0, 4}, {4, -1}, {kMaxBmpDimension + 1, 4}})
    EXPECT_THROW(ScaleBoxFilter(Bitmap(2, 2, kRed), w, h), disc::DiscError) << w << "x" << h;
}

class IconToolTest : public ::testing::Test {
 protected:
  ToolResult Run(const std::vector<std::string>& args) { return test::RunDisc(args, scratch_.Path()); }
  std::string P(const std::string& name) const { return (dir_ / name).string(); }
  // A disc whose Struct.txt holds `lines` and whose archive holds `pictures`.
  void WriteDisc(const std::string& structText, const std::vector<std::pair<std::string, Bitmap>>& pictures) {
    std::vector<std::pair<std::string, std::string>> entries{{"Struct.txt", Cp(structText)}};
    for (const auto& [name, bitmap] : pictures) {
      const auto bmp = EncodeBmp(bitmap);
      entries.push_back({Cp(name), std::string(bmp.begin(), bmp.end())});
    }
    test::WriteFile(dir_ / "Mev.dhl", HandArchive(entries));
  }

  test::TempDir dir_;
  test::TempDir scratch_;
};

TEST_F(IconToolTest, WritesTheIconThatStructTxtNamesAtTheAskedSize) {
  WriteDisc("title=Диск\r\nicon=картинки\\Герб.bmp\r\nvertexmain=[0,0;10,0;10,10]\r\n",
            {{"other.bmp", Bitmap(2, 2, kGrey)}, {"Картинки\\герб.BMP", Picture({{kRed, kGreen}, {kBlue, kGrey}})}});
  ToolResult ok = Run({"icon", dir_.Path().string(), "4", P("icon.png")});
  ASSERT_EQ(ok.status, 0) << ok.err;
  const auto want = EncodePng(Picture({{kRed, kRed, kGreen, kGreen},
                                       {kRed, kRed, kGreen, kGreen},
                                       {kBlue, kBlue, kGrey, kGrey},
                                       {kBlue, kBlue, kGrey, kGrey}}));
  EXPECT_EQ(test::ReadFile(dir_ / "icon.png"), std::string(want.begin(), want.end()));
}

TEST_F(IconToolTest, FailsWithAReasonAndWritesNothing) {
  WriteDisc("title=Диск\r\nvertexmain=[0,0;10,0;10,10]\r\n", {});
  ToolResult none = Run({"icon", dir_.Path().string(), "16", P("a.png")});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("names no icon"), std::string::npos) << none.err;

  WriteDisc("icon=нет.bmp\r\n", {});
  ToolResult missing = Run({"icon", dir_.Path().string(), "16", P("a.png")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("no icon \"нет.bmp\""), std::string::npos) << missing.err;

  test::WriteFile(dir_ / "Mev.dhl", HandArchive({{"Struct.txt", "icon=a.bmp\r\n"}, {"a.bmp", "BM not a picture"}}));
  ToolResult broken = Run({"icon", dir_.Path().string(), "16", P("a.png")});
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.err.find("is not a picture"), std::string::npos) << broken.err;

  for (const char* size : {"0", "-3", "16px", "", "1025"}) {
    ToolResult bad = Run({"icon", dir_.Path().string(), size, P("a.png")});
    EXPECT_EQ(bad.status, 1) << size;
    EXPECT_NE(bad.err.find("usage: trivion-disc icon DISC SIZE OUT.png"), std::string::npos) << size << ": " << bad.err;
  }
  EXPECT_EQ(Run({"icon", P("nothing"), "16", P("a.png")}).status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "a.png"));
}

}  // namespace
}  // namespace trv
