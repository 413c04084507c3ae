#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Paths.h"
#include "store/HandBytes.h"
#include "store/PackedTree.h"
#include "store/ReadBin.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

using test::Cp;
using test::HandDirectory;
using test::HandEntry;
using test::HandTreeFile;
using test::HandTreeFileRaw;
using test::U32;
using test::Zlib;

constexpr std::uint32_t F = 1, D = 2;

const std::string kQuestions = "<questions>" + std::string(2000, 'q') + "</questions>";

// Root is folder 1 (not 0) so that the root index is really used:
//   README.TXT            plain
//   ВОПРОСЫ.XML           compressed
//   DATA\X.BMP            plain
//   DATA\ЁЛКА.BMP         plain
struct Sample {
  std::string data;
  HandDirectory dir;
  Sample() {
    const std::string packed = Zlib(kQuestions);
    const std::uint32_t q = 6, x = q + std::uint32_t(packed.size()), y = x + 4;
    data = "readme" + packed + "xbmp" + "yolka";
    dir.folders = {{3, 2}, {0, 3}};
    dir.root = 1;
    dir.entries = {{"DATA", 0, 0, 0, D},
                   {"README.TXT", 0, 6, 6, F},
                   {Cp("ВОПРОСЫ.XML"), q, std::uint32_t(packed.size()), std::uint32_t(kQuestions.size()), F},
                   {"X.BMP", x, 4, 4, F},
                   {Cp("ЁЛКА.BMP"), y, 5, 5, F}};
  }
};

class PackedTreeTest : public ::testing::Test {
 protected:
  int Open(const std::string& bytes) {
    test::WriteFile(dir_ / "interface.dat", bytes);
    return tree_.OpenTreeNative(dir_ / "interface.dat");
  }
  // The unpacked content the tree gives for a path, or "<none>" / "<damaged>".
  std::string Load(const std::string& path) {
    TMemoryStream stream;
    int rc = tree_.LoadFromTree(path, stream);
    if (rc == -1) return "<none>";
    if (rc == TPackedTree::kDamaged) return "<damaged>";
    EXPECT_EQ(stream.Position(), 0u);
    return stream.AsString();
  }

  test::TempDir dir_;
  TPackedTree tree_;
};

TEST(NormalizePath, UpperCasesLatinAndCyrillicButNotYo) {
  EXPECT_EQ(NormalizePath("a/b\\c.Txt"), "A\\B\\C.TXT");
  EXPECT_EQ(NormalizePath(Cp("абвгдежзийклмнопрстуфхцчшщъыьэюя")), Cp("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"));
  EXPECT_EQ(NormalizePath(Cp("ёЁ")), Cp("ёЁ"));  // 0xB8 stays
  EXPECT_EQ(NormalizePath(std::string("x\0y~{", 5)), std::string("X\0Y~{", 5));
}

TEST_F(PackedTreeTest, FindsNamesInAnySpelling) {
  Sample s;
  ASSERT_EQ(Open(HandTreeFile(s.dir.Block(), s.data)), 0);
  EXPECT_EQ(Load("README.TXT"), "readme");
  EXPECT_EQ(Load("readme.txt"), "readme");
  EXPECT_EQ(Load("data/x.bmp"), "xbmp");
  EXPECT_EQ(Load("\\Data\\X.bmp"), "xbmp");
  EXPECT_EQ(Load(Cp("вопросы.xml")), kQuestions);
  EXPECT_EQ(Load(Cp("data\\ЁЛКА.bmp")), "yolka");
  // ё (0xB8) has no upper-case form in the tree's rules.
  EXPECT_EQ(Load(Cp("data\\ёлка.bmp")), "<none>");
  EXPECT_EQ(tree_.FindFile("DATA\\X.BMP"), 3);
  EXPECT_EQ(tree_.FindFile("X.BMP"), -1);  // not in the root
  EXPECT_EQ(tree_.FindFile("DATA"), -1);    // a folder is no file
  EXPECT_EQ(tree_.FindFile("DATA\\"), -1);  // nor is a path ending in "\"
  EXPECT_EQ(tree_.FindFile(""), -1);
  EXPECT_EQ(tree_.FindFile("\\\\DATA\\X.BMP"), -1);  // only one leading "\" is skipped
}

TEST_F(PackedTreeTest, PrefixIsRemovedWhenThePathStartsWithIt) {
  Sample s;
  ASSERT_EQ(Open(HandTreeFile(s.dir.Block(), s.data)), 0);
  EXPECT_EQ(tree_.FindFile("C:\\GAME\\DATA\\X.BMP"), -1);
  tree_.SetPathPrefix("c:/game\\");
  EXPECT_EQ(tree_.PathPrefix(), "C:\\GAME\\");
  EXPECT_EQ(tree_.FindFile("c:/game/data/x.bmp"), 3);
  EXPECT_EQ(tree_.FindFile("DATA\\X.BMP"), 3);
  EXPECT_EQ(tree_.FindFile("\\DATA\\X.BMP"), 3);
  EXPECT_EQ(tree_.FindFile("d:\\game\\data\\x.bmp"), -1);
  // The prefix is a byte comparison, not a folder match.
  tree_.SetPathPrefix("C:\\GAME\\DA");
  EXPECT_EQ(tree_.FindFile("C:\\GAME\\DATA\\X.BMP"), -1);
  EXPECT_EQ(tree_.FindFile("c:\\game\\da\\data\\x.bmp"), 3);
}

TEST_F(PackedTreeTest, FirstEqualNameDecidesWhateverItsKind) {
  // Folder 0 holds file "A" and then folder "A" (folder 1, holding "B").
  HandDirectory dir;
  dir.folders = {{0, 2}, {2, 1}};
  dir.entries = {{"A", 0, 1, 1, F}, {"A", 1, 0, 0, D}, {"B", 1, 1, 1, F}};
  ASSERT_EQ(Open(HandTreeFile(dir.Block(), "ab")), 0);
  EXPECT_EQ(tree_.FindFile("A"), 0);
  EXPECT_EQ(tree_.FindFile("A\\B"), -1);
  EXPECT_EQ(tree_.FindInFolder("A", 0, TPackedTree::kKindFolder), -1);

  std::swap(dir.entries[0], dir.entries[1]);
  dir.entries[1].offset = 0;
  ASSERT_EQ(Open(HandTreeFile(dir.Block(), "ab")), 0);
  EXPECT_EQ(tree_.FindFile("A"), -1);
  EXPECT_EQ(tree_.FindFile("A\\B"), 2);
  EXPECT_EQ(Load("a\\b"), "b");
}

TEST_F(PackedTreeTest, FullLengthNamesAndFolderScans) {
  const std::string name64(64, 'N');
  HandDirectory dir;
  dir.folders = {{0, 2}, {2, 0}};
  dir.entries = {{name64, 0, 1, 1, F}, {"EMPTY", 1, 0, 0, D}};
  ASSERT_EQ(Open(HandTreeFile(dir.Block(), "n")), 0);
  EXPECT_EQ(tree_.Entries()[0].Name(), name64);  // no terminator needed
  EXPECT_EQ(tree_.FindFile(name64), 0);
  EXPECT_EQ(tree_.FindFile(name64 + "N"), -1);
  EXPECT_EQ(tree_.FindFile(std::string(63, 'N')), -1);
  EXPECT_EQ(tree_.FindFile("EMPTY\\X"), -1);  // a folder of 0 entries
  EXPECT_EQ(tree_.FindInFolder("EMPTY", 0, TPackedTree::kKindFolder), 1);
  EXPECT_EQ(tree_.FindInFolder("EMPTY", 0, TPackedTree::kKindFile), -1);
  EXPECT_EQ(tree_.FindInFolder(std::string("EMPTY\0", 6), 0, TPackedTree::kKindFolder), -1);
}

TEST_F(PackedTreeTest, StoredFilesComeBackByteForByte) {
  // Stored size = unpacked size means "plain", even for bytes that form a zlib stream.
  const std::string looksPacked = Zlib("hello");
  const std::string emptyStream = Zlib("");
  HandDirectory dir;
  dir.folders = {{0, 4}};
  const std::uint32_t n = std::uint32_t(looksPacked.size());
  dir.entries = {{"RAW", 0, n, n, F},
                 {"EMPTY", n, 0, 0, F},
                 {"EMPTYSTREAM", n, std::uint32_t(emptyStream.size()), 0, F},
                 {"HELLO", 0, n, 5, F}};
  ASSERT_EQ(Open(HandTreeFile(dir.Block(), looksPacked + emptyStream)), 0);
  EXPECT_EQ(Load("RAW"), looksPacked);
  EXPECT_EQ(Load("EMPTY"), "");
  EXPECT_EQ(Load("EMPTYSTREAM"), "");
  EXPECT_EQ(Load("HELLO"), "hello");
  TMemoryStream stream;
  stream.Write("old", 3);
  ASSERT_EQ(tree_.ReadEntry(1, stream), 0);
  EXPECT_EQ(stream.Size(), 0u);
  EXPECT_EQ(stream.Position(), 0u);
}

TEST_F(PackedTreeTest, DirectoryBlockPlainCompressedOrWrapped) {
  Sample s;
  const std::string block = s.dir.Block();
  // Growth 0 after unmasking: plain.
  ASSERT_EQ(Open(HandTreeFileRaw(0, block, s.data)), 0);
  EXPECT_EQ(Load("DATA\\X.BMP"), "xbmp");
  // Compressed, the capacity exactly the inflated length.
  ASSERT_EQ(Open(HandTreeFile(block, s.data, true)), 0);
  EXPECT_EQ(Load("DATA\\X.BMP"), "xbmp");
  // A stream longer than the block: the growth wraps and G + L still gives the capacity.
  const std::string stored = Zlib(block, 0);
  ASSERT_GT(stored.size(), block.size());
  ASSERT_EQ(Open(HandTreeFileRaw(std::uint32_t(block.size() - stored.size()), stored, s.data)), 0);
  EXPECT_EQ(Load(Cp("ВОПРОСЫ.XML")), kQuestions);
  // More room than needed is fine, even far more than the stream could fill.
  ASSERT_EQ(Open(HandTreeFileRaw(100u << 20, Zlib(block), s.data)), 0);
  EXPECT_EQ(Load("README.TXT"), "readme");
}

TEST_F(PackedTreeTest, ReopeningReplacesTheTreeAndClearsThePrefix) {
  Sample s;
  ASSERT_EQ(Open(HandTreeFile(s.dir.Block(), s.data)), 0);
  tree_.SetPathPrefix("C:\\");
  HandDirectory other;
  other.folders = {{0, 1}};
  other.entries = {{"OTHER", 0, 1, 1, F}};
  test::WriteFile(dir_ / "Other.dat", HandTreeFile(other.Block(), "o"));
  ASSERT_EQ(tree_.OpenTree(ToWindowsDir(dir_.Path()) + "OTHER.DAT"), 0);  // found ignoring case
  EXPECT_EQ(tree_.PathPrefix(), "");
  EXPECT_EQ(Load("README.TXT"), "<none>");
  EXPECT_EQ(Load("other"), "o");
  EXPECT_THROW(tree_.OpenTree(ToWindowsDir(dir_.Path()) + "missing.dat"), StoreError);
  ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  EXPECT_THROW(tree_.OpenTreeNative(dir_ / "fifo"), StoreError);
  EXPECT_FALSE(tree_.IsOpen());
  EXPECT_EQ(Load("other"), "<none>");
}

TEST_F(PackedTreeTest, OverlongPathsAndPrefixes) {
  Sample s;
  ASSERT_EQ(Open(HandTreeFile(s.dir.Block(), s.data)), 0);
  const std::string longFolder(101, 'F');
  {
    test::LogCapture log;
    EXPECT_EQ(tree_.FindFile(longFolder + "\\X.BMP"), -1);
    EXPECT_EQ(tree_.FindFile(std::string(2000, 'a')), -1);
    EXPECT_EQ(log.Lines().size(), 2u) << log.All();
  }
  // Exactly 1024 characters is still a path; 100-character components still names.
  std::string path = "DATA\\" + std::string(100, 'X');
  path = std::string(1024 - path.size(), '\\') + path;
  ASSERT_EQ(path.size(), 1024u);
  test::LogCapture quiet;
  EXPECT_EQ(tree_.FindFile(path), -1);
  EXPECT_TRUE(quiet.Lines().empty()) << quiet.All();

  // A prefix is cut at 1024 characters; a path that starts with the cut prefix matches.
  test::LogCapture log;
  const std::string prefix(1030, 'p');
  tree_.SetPathPrefix(prefix);
  EXPECT_EQ(tree_.PathPrefix(), std::string(1024, 'P'));
  EXPECT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(tree_.FindFile(std::string(1024, 'p') + "README.TXT"), -1);  // over 1024 in all
  tree_.SetPathPrefix(std::string(1000, 'p'));
  EXPECT_EQ(tree_.FindFile(std::string(1000, 'p') + "\\README.TXT"), 1);
}

// Damaged headers and directories: the tree is refused with one log line and stays empty.
TEST_F(PackedTreeTest, DamagedDirectoriesAreRefused) {
  Sample s;
  const std::string block = s.dir.Block();
  const std::string packed = Zlib(block);
  HandDirectory tooMany = s.dir;
  tooMany.entryCount = 6;
  HandDirectory hugeCounts = s.dir;
  hugeCounts.folderCount = 0xFFFFFFFE;
  hugeCounts.entryCount = 0xFFFFFFFE;
  HandDirectory badRoot = s.dir;
  badRoot.root = 2;
  std::string garbage = packed;
  garbage[garbage.size() / 2] ^= 0x55;
  struct Case {
    const char* what;
    std::string bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"empty file", "", "header"},
      {"seven bytes", std::string(7, '\0'), "header"},
      {"block past the end", HandTreeFile(block, s.data).substr(0, 8 + block.size() - 1), "past the end"},
      {"length word absurd", U32(test::kGrowthMask) + U32(0xFFFFFFF0 ^ test::kLengthMask), "past the end"},
      {"block under 16 bytes", HandTreeFileRaw(0, std::string(12, '\0'), ""), "16-byte"},
      {"entry count too big", HandTreeFile(tooMany.Block(), s.data), "do not fit"},
      {"counts absurd", HandTreeFile(hugeCounts.Block(), s.data), "do not fit"},
      {"root out of range", HandTreeFile(badRoot.Block(), s.data), "root folder"},
      {"capacity too small", HandTreeFileRaw(std::uint32_t(block.size() - packed.size() - 1), packed, s.data),
       "more than"},
      {"capacity absurd", HandTreeFileRaw(0xFFFFFF00u, packed, s.data), "inflate to"},
      {"stream damaged", HandTreeFileRaw(std::uint32_t(block.size() - packed.size()), garbage, s.data), "zlib"},
      {"stream cut short", HandTreeFileRaw(std::uint32_t(block.size() - packed.size() + 9), packed.substr(0, 9),
                                           s.data), "zlib"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Open(HandTreeFile(block, s.data)), 0);  // a good tree first: it must go
    test::LogCapture log;
    EXPECT_EQ(Open(c.bytes), -1) << c.what;
    EXPECT_FALSE(tree_.IsOpen()) << c.what;
    EXPECT_TRUE(tree_.Entries().empty()) << c.what;
    EXPECT_EQ(tree_.FindFile("README.TXT"), -1) << c.what;
    ASSERT_EQ(log.Lines().size(), 1u) << c.what << "\n" << log.All();
    EXPECT_NE(log.Lines()[0].find(c.reason), std::string::npos) << c.what << ": " << log.Lines()[0];
  }
}

// Damage inside an accepted directory is found when a lookup or read meets it.
TEST_F(PackedTreeTest, DamagedRecordsFailTheirLookupOnly) {
  Sample s;
  const std::uint32_t packed = s.dir.entries[2].stored;
  HandDirectory dir;
  dir.root = 1;
  dir.entries = {s.dir.entries[0],                              // 0 DATA -> folder 0
                 s.dir.entries[1],                              // 1 README.TXT
                 s.dir.entries[2],                              // 2 ВОПРОСЫ.XML
                 {"MORE", 3, 0, 0, D},                          // 3 -> folder 3
                 s.dir.entries[3],                              // 4 X.BMP
                 s.dir.entries[4],                              // 5 ЁЛКА.BMP
                 {"BROKEN", 2, 0, 0, D},                        // 6 -> folder 2, which runs past the table
                 {"NOWHERE", 77, 0, 0, D},                      // 7 -> no such folder
                 {"PAST", 1000, 4, 4, F},                       // 8 data past the end
                 {"OVERLAP", 20, 0xFFFFFFF0u, 0xFFFFFFF0u, F},  // 9 size past the end
                 {"ABSURD", 0, 6, 0xFFFFFFF0u, F},              // 10 6 bytes cannot inflate that far
                 {"NOTZLIB", 0, 6, 10, F},                      // 11 "readme" is no stream
                 {"TOOBIG", 6, packed, 100, F}};                // 12 inflates to more than stated
  dir.folders = {{4, 2}, {0, 4}, {6, 9}, {6, 7}};
  ASSERT_EQ(Open(HandTreeFile(dir.Block(), s.data)), 0);

  EXPECT_EQ(Load("DATA\\X.BMP"), "xbmp");  // the healthy part still works
  struct Case {
    const char* path;
    const char* expected;
    const char* log;
  };
  const Case cases[] = {
      {"MORE\\BROKEN\\X", "<none>", "of a table of 13"},
      {"MORE\\NOWHERE\\X", "<none>", "names folder 77"},
      {"MORE\\PAST", "<damaged>", "past the end"},
      {"MORE\\OVERLAP", "<damaged>", "past the end"},
      {"MORE\\ABSURD", "<damaged>", "cannot hold"},
      {"MORE\\NOTZLIB", "<damaged>", "zlib"},
      {"MORE\\TOOBIG", "<damaged>", "more than 100"},
  };
  for (const Case& c : cases) {
    test::LogCapture log;
    EXPECT_EQ(Load(c.path), c.expected) << c.path;
    ASSERT_EQ(log.Lines().size(), 1u) << c.path << "\n" << log.All();
    EXPECT_NE(log.Lines()[0].find(c.log), std::string::npos) << c.path << ": " << log.Lines()[0];
  }
  // A damaged read leaves no partial content behind.
  TMemoryStream stream;
  stream.Write("old", 3);
  EXPECT_EQ(tree_.ReadEntry(tree_.FindFile("MORE\\TOOBIG"), stream), TPackedTree::kDamaged);
  EXPECT_EQ(stream.Size(), 0u);
  // Entries that are no files, and indices outside the table.
  EXPECT_EQ(tree_.ReadEntry(0, stream), -1);
  EXPECT_EQ(tree_.ReadEntry(-1, stream), -1);
  EXPECT_EQ(tree_.ReadEntry(13, stream), -1);
  EXPECT_EQ(tree_.FindInFolder("X.BMP", 99, TPackedTree::kKindFile), -1);
}

}  // namespace
}  // namespace trv
