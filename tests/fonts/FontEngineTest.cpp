// The FreeType engine against the faces the project installs (Liberation and
// DejaVu): matching of Windows names, sizes at 96 DPI, drawing, clipping,
// styles and fonts registered for the process alone.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/fonts/FontEngine.h"
#include "platform/fonts/FontMatch.h"
#include "platform/fonts/FtFace.h"
#include "platform/fonts/FtFont.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

const Color kWhite = MakeColor(255, 255, 255);
const Color kBlack = MakeColor(0, 0, 0);

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// Pixels that are not the background, inside `area`.
int Ink(const Bitmap& b, const Rect& area, Color background = kWhite) {
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) n += b.Pixel(x, y) != background;
  return n;
}

TEST(FontMatch, WindowsFamiliesResolveToMetricCompatibleFaces) {
  struct Case {
    const char* name;
    bool bold, italic;
    const char* file;
  } cases[] = {
      {"Arial", false, false, "LiberationSans-Regular.ttf"},
      {"arial", true, false, "LiberationSans-Bold.ttf"},
      {"Arial", true, true, "LiberationSans-BoldItalic.ttf"},
      {"Times New Roman", false, true, "LiberationSerif-Italic.ttf"},
      {"Courier New", false, false, "LiberationMono-Regular.ttf"},
      {"MS Sans Serif", false, false, "LiberationSans-Regular.ttf"},
      {"Verdana", false, false, "DejaVuSans.ttf"},
  };
  for (const Case& c : cases) {
    auto choice = MatchFontFile(c.name, c.bold, c.italic);
    ASSERT_TRUE(choice) << c.name;
    EXPECT_EQ(FileName(choice->file), c.file) << c.name;
    EXPECT_FALSE(choice->synthBold || choice->synthItalic) << c.name;
  }
  // An installed family is taken as it is; an unknown one still gets a face
  // that can show Russian.
  EXPECT_EQ(MatchFontFile("DejaVu Sans Mono", false, false)->family, "DejaVu Sans Mono");
  auto unknown = MatchFontFile("No Such Family 42", false, false);
  ASSERT_TRUE(unknown);
  EXPECT_FALSE(unknown->file.empty());
  EXPECT_TRUE(MetricCompatibleFamilies("nonexistent").empty());
}

TEST(FtFont, SizesArePointsAt96DpiOrACellHeight) {
  auto engine = CreateFontEngine();
  auto f8 = engine->CreateFont({"Arial", 8, 0});
  auto f10 = engine->CreateFont({"Arial", 10, 0});
  auto f12 = engine->CreateFont({"Arial", 12, 0});
  ASSERT_TRUE(f8 && f10 && f12);
  EXPECT_EQ(static_cast<FtFont&>(*f8).PixelsPerEm(), 11);
  EXPECT_EQ(static_cast<FtFont&>(*f10).PixelsPerEm(), 13);
  EXPECT_EQ(static_cast<FtFont&>(*f12).PixelsPerEm(), 16);
  EXPECT_LT(f8->Height(), f10->Height());
  EXPECT_LT(f10->Height(), f12->Height());
  // Negative sizes are the same size; absurd ones are cut, with a log line.
  EXPECT_EQ(static_cast<FtFont&>(*engine->CreateFont({"Arial", -10, 0})).PixelsPerEm(), 13);
  test::LogCapture log;
  auto huge = engine->CreateFont({"Arial", 1000000, 0});
  ASSERT_TRUE(huge);
  EXPECT_LE(static_cast<FtFont&>(*huge).PixelsPerEm(), 1000);
  EXPECT_TRUE(log.Contains("font size"));

  FontSpec cell{"Arial", 10, 0};
  cell.heightPx = 20;
  auto byCell = engine->CreateFont(cell);
  EXPECT_EQ(byCell->Height(), 20);

  // Advances are whole pixels and add up: the extent of a text is the sum.
  const Size ab = f10->TextExtent("AB");
  EXPECT_EQ(ab.width, f10->TextExtent("A").width + f10->TextExtent("B").width);
  EXPECT_EQ(ab.height, f10->Height());
  // Same metrics as the Windows face: a monospaced face gives one width.
  auto mono = engine->CreateFont({"Courier New", 10, 0});
  EXPECT_EQ(mono->TextExtent("iiii").width, mono->TextExtent("WWWW").width);
}

TEST(FtFont, DrawsCyrillicInTheColourInsideTheRectangleOnly) {
  auto engine = CreateFontEngine();
  auto font = engine->CreateFont({"Arial", 12, 0});
  Bitmap b(100, 40, kWhite);
  Rect r{10, 5, 90, 35};
  const std::string text = Utf8ToCp1251("Жук");
  const int h = font->DrawText(b, r, text, 0, MakeColor(200, 0, 0));
  EXPECT_EQ(h, font->Height());
  EXPECT_GT(Ink(b, r), 20);
  EXPECT_EQ(Ink(b, b.Bounds()), Ink(b, r));
  bool red = false;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (b.Pixel(x, y) == MakeColor(200, 0, 0)) red = true;
  EXPECT_TRUE(red) << "the strokes of a 16-pixel face have fully covered pixels";

  // A small rectangle clips; NoClip does not.
  Bitmap clipped(100, 40, kWhite);
  Rect small{10, 5, 20, 12};
  font->DrawText(clipped, small, text, 0, kBlack);
  EXPECT_GT(Ink(clipped, small), 0);
  EXPECT_EQ(Ink(clipped, clipped.Bounds()), Ink(clipped, small));
  Bitmap unclipped(100, 40, kWhite);
  font->DrawText(unclipped, small, text, dt::NoClip, kBlack);
  EXPECT_GT(Ink(unclipped, unclipped.Bounds()), Ink(unclipped, small));

  // Text partly off the picture is cut at its edges.
  Bitmap edge(20, 10, kWhite);
  Rect off{-5, -5, 40, 40};
  font->DrawText(edge, off, text, 0, kBlack);
  EXPECT_GT(Ink(edge, edge.Bounds()), 0);
}

TEST(FtFont, CalcRectMeasuresWithoutDrawing) {
  auto engine = CreateFontEngine();
  auto font = engine->CreateFont({"Times New Roman", 10, 0});
  Bitmap b(200, 100, kWhite);
  Rect r{5, 5, 200, 5};
  const std::string text = "one\r\ntwo longer line";
  const int h = font->DrawText(b, r, text, dt::CalcRect, kBlack);
  EXPECT_EQ(h, 2 * font->Height());
  EXPECT_EQ(r.bottom - r.top, h);
  EXPECT_EQ(r.Width(), font->TextExtent("two longer line").width);
  EXPECT_EQ(Ink(b, b.Bounds()), 0);
}

TEST(FtFont, StylesChangeTheInk) {
  auto engine = CreateFontEngine();
  auto draw = [&](const char* name, unsigned style, const std::string& text, unsigned flags = 0) {
    auto font = engine->CreateFont({name, 14, style});
    Bitmap b(200, 40, kWhite);
    Rect r{2, 2, 198, 38};
    font->DrawText(b, r, text, flags, kBlack);
    return b;
  };
  const Bitmap plain = draw("Arial", 0, "Hello");
  const Bitmap bold = draw("Arial", kFontBold, "Hello");
  EXPECT_GT(Ink(bold, bold.Bounds()), Ink(plain, plain.Bounds()));
  EXPECT_NE(draw("Arial", kFontItalic, "Hello"), plain);

  // Underline and strike-out are full rows of ink across the text.
  auto fullRows = [](const Bitmap& b, int from, int to) {
    int rows = 0;
    for (int y = 0; y < b.Height(); ++y) {
      bool full = true;
      for (int x = from; x < to; ++x) full = full && b.Pixel(x, y) == kBlack;
      rows += full;
    }
    return rows;
  };
  const int width = engine->CreateFont({"Arial", 14, 0})->TextExtent("Hello").width;
  EXPECT_EQ(fullRows(plain, 2, 2 + width), 0);
  EXPECT_GE(fullRows(draw("Arial", kFontUnderline, "Hello"), 2, 2 + width), 1);
  EXPECT_GE(fullRows(draw("Arial", kFontStrikeOut, "Hello"), 2, 2 + width), 1);

  // A mnemonic underlines one character only: the row under "H" is full,
  // the same row under "ello" is not.
  const Bitmap mnemonic = draw("Arial", 0, "&Hello");
  EXPECT_EQ(draw("Arial", 0, "&Hello", dt::NoPrefix) == mnemonic, false);
  auto font = engine->CreateFont({"Arial", 14, 0});
  const int hWidth = font->TextExtent("H").width;
  EXPECT_GE(fullRows(mnemonic, 2, 2 + hWidth), 1);
  EXPECT_EQ(fullRows(mnemonic, 2, 2 + width), 0);
}

// A copy of a DejaVu face whose family names are changed in place (same
// length), so that it is a family the system does not have.
std::filesystem::path MakeRenamedFace(const std::filesystem::path& dir) {
  const auto source = MatchFontFile("DejaVu Sans", false, false);
  if (!source || FileName(source->file) != "DejaVuSans.ttf") return {};
  std::ifstream in(source->file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto replaceAll = [&](const std::string& from, const std::string& to) {
    for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()))
      bytes.replace(at, from.size(), to);
  };
  auto utf16 = [](const std::string& s) {
    std::string out;
    for (char c : s) out += std::string(1, '\0') + c;
    return out;
  };
  replaceAll("DejaVu Sans", "Trivia Sans");
  replaceAll(utf16("DejaVu Sans"), utf16("Trivia Sans"));
  const auto path = dir / "TriviaSans.ttf";
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

TEST(FontEngine, FilesRegisteredForTheProcessAnswerTheirFamilyUntilRemoved) {
  test::TempDir dir;
  const auto face = MakeRenamedFace(dir.Path());
  if (face.empty()) GTEST_SKIP() << "DejaVuSans.ttf is not installed";
  const std::string windowsPath = ToWindowsPath(face);
  auto engine = CreateFontEngine();

  EXPECT_NE(MatchFontFile("Trivia Sans", false, false)->family, "Trivia Sans");
  ASSERT_TRUE(engine->AddFontFile(windowsPath));
  auto registered = MatchFontFile("Trivia Sans", true, true);
  ASSERT_TRUE(registered);
  EXPECT_EQ(registered->family, "Trivia Sans");
  EXPECT_EQ(registered->file, face.string());
  // The file has only the regular face: bold and italic are drawn by hand.
  EXPECT_TRUE(registered->synthBold);
  EXPECT_TRUE(registered->synthItalic);
  auto font = engine->CreateFont({"Trivia Sans", 12, kFontBold | kFontItalic});
  ASSERT_TRUE(font);
  EXPECT_GT(font->TextExtent("abc").width, 0);

  EXPECT_TRUE(engine->RemoveFontFile(windowsPath));
  EXPECT_NE(MatchFontFile("Trivia Sans", false, false)->family, "Trivia Sans");
  EXPECT_FALSE(engine->RemoveFontFile(windowsPath)) << "removing twice";
  // The font made while the file was registered keeps working.
  EXPECT_GT(font->TextExtent("abc").width, 0);

  test::LogCapture log;
  EXPECT_FALSE(engine->AddFontFile(ToWindowsPath(dir.Path() / "missing.ttf")));
  EXPECT_TRUE(log.Contains("cannot register"));
}

// A named pipe, a folder or a device where a face was found: refused at once,
// never handed to FreeType, which would wait on the pipe for good.
TEST(FontEngine, OnlyRegularFilesAreOpenedAsFaces) {
  test::TempDir dir;
  const auto fifo = dir / "pipe.ttf";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_directories(dir / "folder.ttf");
  auto engine = CreateFontEngine();
  auto library = std::make_shared<FtLibrary>();
  test::LogCapture log;
  for (const std::filesystem::path& p : {fifo, dir / "folder.ttf", std::filesystem::path("/dev/zero")}) {
    SCOPED_TRACE(p.string());
    std::shared_ptr<FtFace> face;
    bool added = true;
    EXPECT_TRUE(test::ReturnsPromptly(
        [&] {
          face = FtFace::Open(library, p.string(), 0);
          added = engine->AddFontFile(ToWindowsPath(p));
        },
        fifo));
    EXPECT_FALSE(face);
    EXPECT_FALSE(added);
  }
  EXPECT_TRUE(log.Contains("a named pipe, not a file")) << log.All();
}

}  // namespace
}  // namespace trv
