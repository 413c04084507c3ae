#include <gtest/gtest.h>

#include "platform/Bmp.h"
#include "platform/Png.h"
#include "platform/Text.h"
#include "script/ScriptLines.h"
#include "store/HandBytes.h"
#include "store/PackedTree.h"
#include "store/ReadBin.h"
#include "support/TestSupport.h"
#include "tools/RunTool.h"

namespace trv {
namespace {

using test::Cp;
using test::HandArchive;
using test::HandDirectory;
using test::HandTreeFile;
using test::ToolResult;
using test::Zlib;

class DiscToolTest : public ::testing::Test {
 protected:
  ToolResult Run(const std::vector<std::string>& args) { return test::RunDisc(args, scratch_.Path()); }
  std::string P(const std::string& name) const { return (dir_ / name).string(); }

  test::TempDir dir_;
  test::TempDir scratch_;
};

TEST_F(DiscToolTest, UsageForNoOrUnknownVerb) {
  ToolResult none = Run({});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("usage: trivion-disc"), std::string::npos);
  EXPECT_NE(none.err.find("tree-pack"), std::string::npos);
  ToolResult unknown = Run({"frobnicate"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("unknown verb \"frobnicate\""), std::string::npos) << unknown.err;
  ToolResult help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("lines FILE [--lower]"), std::string::npos);
  ToolResult wrong = Run({"cat", P("x.dhl")});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.err.find("usage: trivion-disc cat ARCHIVE NAME"), std::string::npos) << wrong.err;
  EXPECT_EQ(Run({"lines", P("x"), "--upper"}).status, 1);
}

TEST_F(DiscToolTest, LsAndCatReadAnotherProgramsArchive) {
  // Entry data placed out of directory order, with a name cut by a zero byte.
  std::string archive = HandArchive({{"Struct.txt", "STRUCT"}, {Cp("Картинки\\Фон.bmp"), "BM.."}, {"STRUCT.TXT", "dup"}});
  test::WriteFile(dir_ / "Mev.dhl", archive);
  ToolResult ls = Run({"ls", P("Mev.dhl")});
  ASSERT_EQ(ls.status, 0) << ls.err;
  const std::size_t data = 2 + 22 + 12 + Cp("Картинки\\Фон.bmp").size() + 22;
  EXPECT_EQ(ls.out, std::to_string(data) + "\t6\tStruct.txt\n" + std::to_string(data + 6) +
                        "\t4\tКартинки\\Фон.bmp\n" + std::to_string(data + 10) + "\t3\tSTRUCT.TXT\n");

  ToolResult cat = Run({"cat", P("Mev.dhl"), "struct.TXT"});
  EXPECT_EQ(cat.status, 0);
  EXPECT_EQ(cat.out, "STRUCT");  // the first of the equal names
  EXPECT_EQ(Run({"cat", P("Mev.dhl"), "КАРТИНКИ\\фон.BMP"}).out, "BM..");

  ToolResult missing = Run({"cat", P("Mev.dhl"), "Dialog.txt"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("Dialog.txt"), std::string::npos) << missing.err;
  EXPECT_EQ(Run({"ls", P("nothing.dhl")}).status, 1);
}

TEST_F(DiscToolTest, PngWritesAPictureEntryAndRefusesOtherBytes) {
  Bitmap picture(3, 2, MakeColor(10, 20, 30));
  picture.SetPixel(2, 1, MakeColor(255, 0, 0));
  const auto bmp = EncodeBmp(picture);
  test::WriteFile(dir_ / "Mev.dhl", HandArchive({{"p.bmp", std::string(bmp.begin(), bmp.end())}, {"t.txt", "text"}}));
  ToolResult ok = Run({"png", P("Mev.dhl"), "P.BMP", P("p.png")});
  ASSERT_EQ(ok.status, 0) << ok.err;
  const auto png = EncodePng(picture);
  EXPECT_EQ(test::ReadFile(dir_ / "p.png"), std::string(png.begin(), png.end()));
  ToolResult text = Run({"png", P("Mev.dhl"), "t.txt", P("t.png")});
  EXPECT_EQ(text.status, 1);
  EXPECT_NE(text.err.find("is not a picture"), std::string::npos) << text.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "t.png"));
  EXPECT_EQ(Run({"png", P("Mev.dhl"), "none.bmp", P("n.png")}).status, 1);
}

TEST_F(DiscToolTest, CatReportsAnEntryOutsideTheFile) {
  test::WriteFile(dir_ / "Mev.dhl", test::U16(1) + test::ArchiveDirectoryEntry({"x", 1000, 5}));
  ToolResult r = Run({"cat", P("Mev.dhl"), "x"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("past the end"), std::string::npos) << r.err;  // the store's warning
  EXPECT_NE(r.err.find("cannot be read"), std::string::npos) << r.err;
}

TEST_F(DiscToolTest, PackFolderWithCyrillicNames) {
  test::WriteFile(dir_ / "in" / "Struct.txt", "s");
  test::WriteFile(dir_ / "in" / "Звуки" / "Щелчок.wav", "RIFF");
  test::WriteFile(dir_ / "in" / "a" / "b.bmp", "BM");
  ASSERT_EQ(Run({"pack", P("Mev.dhl"), P("in")}).status, 0);
  ToolResult ls = Run({"ls", P("Mev.dhl")});
  // Sorted by CP1251 bytes: Latin capitals, lower case, then Cyrillic.
  std::vector<std::string> names;
  std::size_t at = 0;
  while (at < ls.out.size()) {
    std::size_t end = ls.out.find('\n', at);
    std::string line = ls.out.substr(at, end - at);
    names.push_back(line.substr(line.rfind('\t') + 1));
    at = end + 1;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Struct.txt", "a\\b.bmp", "Звуки\\Щелчок.wav"}));
  EXPECT_EQ(Run({"cat", P("Mev.dhl"), "звуки\\щелчок.WAV"}).out, "RIFF");

  // The same folder gives the same bytes, and the archive inside the folder is not packed into itself.
  ASSERT_EQ(Run({"pack", P("in/Mev.dhl"), P("in")}).status, 0);
  ASSERT_EQ(Run({"pack", P("in/Mev.dhl"), P("in")}).status, 0);
  EXPECT_EQ(test::ReadFile(dir_ / "in" / "Mev.dhl"), test::ReadFile(dir_ / "Mev.dhl"));
  EXPECT_EQ(Run({"pack", P("out.dhl"), P("no-such-folder")}).status, 1);
}

TEST_F(DiscToolTest, TreeLsListsAnotherProgramsTreeInTableOrder) {
  const std::string packed = Zlib(std::string(300, 'z'));
  HandDirectory dir;
  dir.root = 1;
  dir.folders = {{2, 2}, {0, 2}};
  // Table order, not name order: the tool must not sort.
  dir.entries = {{"ZED.TXT", 0, 3, 3, 1},
                 {Cp("ПАПКА"), 0, 0, 0, 2},
                 {"INNER.BIN", 3, std::uint32_t(packed.size()), 300, 1},
                 {"A.TXT", 0, 0, 0, 1}};
  test::WriteFile(dir_ / "interface.dat", HandTreeFile(dir.Block(), "zed" + packed, true));
  ToolResult ls = Run({"tree-ls", P("interface.dat")});
  ASSERT_EQ(ls.status, 0) << ls.err;
  EXPECT_EQ(ls.out, "F\t3\t3\tZED.TXT\nD\t0\t0\tПАПКА\nF\t" + std::to_string(packed.size()) +
                        "\t300\tПАПКА\\INNER.BIN\nF\t0\t0\tПАПКА\\A.TXT\n");
  ToolResult cat = Run({"tree-cat", P("interface.dat"), "c:/game/папка/inner.bin", "--prefix", "C:\\Game\\"});
  EXPECT_EQ(cat.status, 0) << cat.err;
  EXPECT_EQ(cat.out, std::string(300, 'z'));
  EXPECT_EQ(Run({"tree-cat", P("interface.dat"), "папка/a.txt"}).out, "");
  ToolResult missing = Run({"tree-cat", P("interface.dat"), "ПАПКА"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("no file"), std::string::npos) << missing.err;
}

TEST_F(DiscToolTest, TreeVerbsReportDamage) {
  test::WriteFile(dir_ / "bad.dat", "garbage!garbage!");
  ToolResult bad = Run({"tree-ls", P("bad.dat")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("refused"), std::string::npos) << bad.err;

  // A folder entry that leads back to the root: listed once, then reported.
  HandDirectory loop;
  loop.folders = {{0, 2}};
  loop.entries = {{"SELF", 0, 0, 0, 2}, {"BAD.BIN", 0, 9, 50, 1}};
  test::WriteFile(dir_ / "loop.dat", HandTreeFile(loop.Block(), "not zlib!"));
  ToolResult ls = Run({"tree-ls", P("loop.dat")});
  EXPECT_EQ(ls.status, 1);
  EXPECT_EQ(ls.out, "D\t0\t0\tSELF\nF\t9\t50\tBAD.BIN\n");
  EXPECT_NE(ls.err.find("already listed"), std::string::npos) << ls.err;
  ToolResult cat = Run({"tree-cat", P("loop.dat"), "BAD.BIN"});
  EXPECT_EQ(cat.status, 1);
  EXPECT_NE(cat.err.find("damaged"), std::string::npos) << cat.err;
}

TEST_F(DiscToolTest, TreePackOptions) {
  const std::string xml = "<questions>" + std::string(4000, 'q') + "</questions>";
  test::WriteFile(dir_ / "in" / "Вопросы.xml", xml);
  test::WriteFile(dir_ / "in" / "Фоны" / "дерево.bmp", "BMxx");
  ASSERT_EQ(Run({"tree-pack", P("packed.dat"), P("in")}).status, 0);
  ToolResult ls = Run({"tree-ls", P("packed.dat")});
  ASSERT_EQ(ls.status, 0) << ls.err;
  EXPECT_NE(ls.out.find("\t4023\tВОПРОСЫ.XML\n"), std::string::npos) << ls.out;
  EXPECT_EQ(ls.out.find("F\t4023\t4023"), std::string::npos) << "the bank should be compressed";
  EXPECT_NE(ls.out.find("D\t0\t0\tФОНЫ\nF\t4\t4\tФОНЫ\\ДЕРЕВО.BMP\n"), std::string::npos) << ls.out;
  EXPECT_EQ(Run({"tree-cat", P("packed.dat"), "вопросы.xml"}).out, xml);

  ASSERT_EQ(Run({"tree-pack", P("plain.dat"), P("in"), "--plain-directory", "--store-only"}).status, 0);
  const std::string plain = test::ReadFile(dir_ / "plain.dat");
  EXPECT_EQ(plain.substr(0, 4), test::U32(test::kGrowthMask));  // growth 0: plain directory
  EXPECT_NE(Run({"tree-ls", P("plain.dat")}).out.find("F\t4023\t4023\tВОПРОСЫ.XML\n"), std::string::npos);
  EXPECT_NE(plain.find(xml), std::string::npos);

  test::WriteFile(dir_ / "dup" / "Фон.bmp", "1");
  test::WriteFile(dir_ / "dup" / "ФОН.BMP", "2");
  ToolResult dup = Run({"tree-pack", P("dup.dat"), P("dup")});
  EXPECT_EQ(dup.status, 1);
  EXPECT_NE(dup.err.find("Фон.bmp"), std::string::npos) << dup.err;
  EXPECT_NE(dup.err.find("ФОН.BMP"), std::string::npos) << dup.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "dup.dat"));
}

TEST_F(DiscToolTest, LinesOfPlainAndScrambledScripts) {
  const std::string text = Cp("Кнопка=\"Да\"\\n\tTAB\r\nSecond Line\r\n\x01" "end");
  test::WriteFile(dir_ / "plain.txt", text);
  const std::string expected = "[\n  \"Кнопка=\\\"Да\\\"\\\\n\\tTAB\",\n  \"Second Line\",\n  \"\\u0001end\"\n]\n";
  ToolResult plain = Run({"lines", P("plain.txt")});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out, expected);
  EXPECT_EQ(Run({"lines", P("plain.txt"), "--lower"}).out, expected);  // no effect on plain text

  ASSERT_EQ(Run({"scramble", P("plain.txt"), P("scrambled.txt")}).status, 0);
  const std::string scrambled = test::ReadFile(dir_ / "scrambled.txt");
  EXPECT_EQ(scrambled.substr(0, 3), "cfs");
  EXPECT_EQ(Run({"lines", P("scrambled.txt")}).out, expected);
  EXPECT_EQ(Run({"lines", P("scrambled.txt"), "--lower"}).out,
            "[\n  \"Кнопка=\\\"Да\\\"\\\\n\\ttab\",\n  \"second line\",\n  \"\\u0001end\"\n]\n");
  ASSERT_EQ(Run({"unscramble", P("scrambled.txt"), P("back.txt")}).status, 0);
  EXPECT_EQ(test::ReadFile(dir_ / "back.txt"), text);

  test::WriteFile(dir_ / "empty.txt", "");
  EXPECT_EQ(Run({"lines", P("empty.txt")}).out, "[]\n");
  EXPECT_EQ(Run({"lines", P("missing.txt")}).status, 1);
}

}  // namespace
}  // namespace trv
