#include <gtest/gtest.h>

#include "disc/build/PictureRecipes.h"
#include "platform/fonts/FontEngine.h"

namespace trv::disc {
namespace {

bool HasError(const PictureBook& book, const std::string& part) {
  for (const auto& e : book.Errors())
    if (e.find(part) != std::string::npos) return true;
  return false;
}

TEST(RecipeValues, NumbersAreSumsOfProducts) {
  EXPECT_EQ(EvalRecipeNumber("12"), 12);
  EXPECT_EQ(EvalRecipeNumber("-3"), -3);
  EXPECT_EQ(EvalRecipeNumber("20-8"), 12);
  EXPECT_EQ(EvalRecipeNumber("2*3+1"), 7);
  EXPECT_EQ(EvalRecipeNumber("1+2*3"), 7);
  EXPECT_EQ(EvalRecipeNumber("10/2-1"), 4);
  EXPECT_EQ(EvalRecipeNumber("100--20"), 120);
  for (const char* bad : {"", "a", "5/0", "3+", "2**3", "99999999999", "1 2"}) EXPECT_FALSE(EvalRecipeNumber(bad)) << bad;
}

TEST(RecipeValues, WordsKeepQuotedTextsAndDropComments) {
  bool ok = false;
  auto w = SplitRecipeWords(R"(text 0 0 "Начать \"игру\"\nсейчас" #ff00aa # comment)", &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(w.size(), 5u);
  EXPECT_EQ(w[3], "Начать \"игру\"\nсейчас");
  EXPECT_EQ(w[4], "#ff00aa");
  EXPECT_TRUE(SplitRecipeWords("# #abcdef a whole comment line", &ok).empty());
  SplitRecipeWords(R"(text "open)", &ok);
  EXPECT_FALSE(ok);
}

TEST(PictureBook, FillsRectanglesAndTranslucentPaint) {
  PictureBook book;
  book.AddSource("a.pic",
                 "picture a.bmp 10 8\n"
                 "  fill #ffffff\n"
                 "  rect 2 2 3 3 #102030\n"
                 "  rect 0 6 10 2 #ff000080\n"
                 "end\n");
  const auto b = book.Render("a.bmp", nullptr);
  ASSERT_TRUE(b) << (book.Errors().empty() ? "" : book.Errors()[0]);
  EXPECT_EQ(b->Width(), 10);
  EXPECT_EQ(b->Pixel(0, 0), MakeColor(255, 255, 255));
  EXPECT_EQ(b->Pixel(2, 2), MakeColor(0x10, 0x20, 0x30));
  EXPECT_EQ(b->Pixel(4, 4), MakeColor(0x10, 0x20, 0x30));
  EXPECT_EQ(b->Pixel(5, 5), MakeColor(255, 255, 255));
  EXPECT_EQ(b->Pixel(3, 7), MakeColor(255, 127, 127));
}

TEST(PictureBook, ShapesHaveSoftEdgesAndSolidInsides) {
  PictureBook book;
  book.AddSource("s.pic",
                 "picture s.bmp 40 40\n"
                 "  fill #000000\n"
                 "  ellipse 20 20 15 15 #ffffff\n"
                 "end\n");
  const auto b = book.Render("s.bmp", nullptr);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->Pixel(20, 20), MakeColor(255, 255, 255));
  EXPECT_EQ(b->Pixel(1, 1), MakeColor(0, 0, 0));
  int partial = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const int r = RedOf(b->Pixel(x, y));
      partial += r > 0 && r < 255;
    }
  EXPECT_GE(partial, 40) << "the edge is anti-aliased all round";
}

TEST(PictureBook, TemplatesTakeArgumentsAndPicturesDrawOtherPictures) {
  PictureBook book;
  book.AddSource("t.pic",
                 "template square\n"
                 "  rect $1 $1 $2 $2-1 $3\n"
                 "end\n"
                 "picture base.bmp 4 4\n"
                 "  fill #00ff00\n"
                 "end\n"
                 "picture top.bmp 12 12\n"
                 "  fill #000000\n"
                 "  use square 1 5 #0000ff\n"
                 "  image base.bmp 8 8\n"
                 "end\n");
  const auto b = book.Render("top.bmp", nullptr);
  ASSERT_TRUE(b) << book.Errors().size();
  EXPECT_EQ(b->Pixel(1, 1), MakeColor(0, 0, 255));
  EXPECT_EQ(b->Pixel(5, 4), MakeColor(0, 0, 255));
  EXPECT_EQ(b->Pixel(5, 5), MakeColor(0, 0, 0)) << "height $2-1 = 4";
  EXPECT_EQ(b->Pixel(9, 9), MakeColor(0, 255, 0));
  EXPECT_EQ(b->Pixel(7, 7), MakeColor(0, 0, 0));
}

TEST(PictureBook, BadRecipesAreReportedWithTheirLineAndNeverLoop) {
  PictureBook book;
  book.AddSource("bad.pic",
                 "picture ok.bmp 2 2\n"
                 "end\n"
                 "picture zero.bmp 0 5\n"
                 "picture loop.bmp 4 4\n"
                 "  image loop.bmp 0 0\n"
                 "end\n"
                 "picture typo.bmp 4 4\n"
                 "  rectangle 0 0 1 1 #000000\n"
                 "  rect 0 0 1 #000000\n"
                 "  rect 0 0 1 1 red\n"
                 "  use nothing\n"
                 "end\n"
                 "picture open.bmp 4 4\n");
  EXPECT_TRUE(HasError(book, "bad.pic:3: a picture's size"));
  EXPECT_TRUE(HasError(book, "bad.pic:13: block is not closed"));
  EXPECT_TRUE(book.Render("ok.bmp", nullptr));
  EXPECT_FALSE(book.Render("loop.bmp", nullptr));
  EXPECT_TRUE(HasError(book, "draws itself"));
  EXPECT_FALSE(book.Render("typo.bmp", nullptr));
  EXPECT_TRUE(HasError(book, "bad.pic:8: unknown command rectangle"));
  EXPECT_TRUE(HasError(book, "bad.pic:9: not a number: #000000"));
  EXPECT_TRUE(HasError(book, "bad.pic:10: not a colour"));
  EXPECT_TRUE(HasError(book, "bad.pic:11: no template nothing"));
  EXPECT_FALSE(book.Render("missing.bmp", nullptr));
}

TEST(PictureBook, TextIsDrawnCentredInItsBox) {
  auto fonts = CreateFontEngine();
  PictureBook book;
  book.AddSource("x.pic",
                 "picture label.bmp 120 30\n"
                 "  fill #000000\n"
                 "  text 0 0 120 30 Arial 12 bold #ffffff center \"Игра\"\n"
                 "end\n"
                 "picture latin.bmp 20 10\n"
                 "  text 0 0 20 10 Arial 12 bold #ffffff center \"\xE2\x82\xAC\xE2\x84\x96\xE2\x9C\x93\"\n"
                 "end\n");
  const auto b = book.Render("label.bmp", fonts.get());
  ASSERT_TRUE(b);
  int left = 120, right = 0, top = 30, bottom = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x)
      if (b->Pixel(x, y) != MakeColor(0, 0, 0)) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  ASSERT_LT(left, right);
  EXPECT_NEAR((left + right) / 2.0, 60, 3);
  EXPECT_NEAR((top + bottom) / 2.0, 15, 3);
  EXPECT_FALSE(book.Render("latin.bmp", fonts.get())) << "a check mark is not in code page 1251";

  // Translucent text mixes with what is under it: no pixel reaches full white.
  PictureBook faint;
  faint.AddSource("f.pic",
                  "picture f.bmp 60 30\n  fill #000000\n"
                  "  text 0 0 60 30 Arial 16 bold #ffffff80 center \"Ж\"\nend\n");
  const auto f = faint.Render("f.bmp", fonts.get());
  ASSERT_TRUE(f);
  int brightest = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) brightest = std::max<int>(brightest, RedOf(f->Pixel(x, y)));
  EXPECT_GE(brightest, 120);
  EXPECT_LE(brightest, 130);
  EXPECT_TRUE(HasError(book, "outside code page 1251"));
}

}  // namespace
}  // namespace trv::disc
