// The writers are checked against the file layout byte by byte, then read back
// by the readers.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "disc/ArchiveWriter.h"
#include "disc/DiscError.h"
#include "disc/TreeWriter.h"
#include "store/HandBytes.h"
#include "store/PackedTree.h"
#include "store/ReadBin.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

using disc::ArchiveWriter;
using disc::DiscError;
using disc::TreeOptions;
using disc::TreeWriter;
using test::Cp;
using test::U16;
using test::U32;
using Bytes = std::vector<std::uint8_t>;

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::string S(const Bytes& b) { return std::string(b.begin(), b.end()); }

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// The directory block of a written tree, inflated when needed, and the data area.
struct ParsedTree {
  std::uint32_t growth = 0;
  std::string block;
  std::string data;
  explicit ParsedTree(const Bytes& file) {
    growth = Le32(file, 0) ^ test::kGrowthMask;
    const std::uint32_t length = Le32(file, 4) ^ test::kLengthMask;
    std::string stored(file.begin() + 8, file.begin() + 8 + length);
    data.assign(file.begin() + 8 + length, file.end());
    if (growth == 0) {
      block = stored;
      return;
    }
    uLongf size = growth + length;
    block.resize(size);
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(block.data()), &size,
                         reinterpret_cast<const Bytef*>(stored.data()), stored.size()),
              Z_OK);
    EXPECT_EQ(size, block.size()) << "the capacity is the exact inflated length";
  }
  std::string Name(std::size_t entry) const {
    std::string field = block.substr(EntryAt(entry), 64);
    return field.substr(0, field.find('\0'));
  }
  std::uint32_t Field(std::size_t entry, int word) const {  // 0 offset, 1 stored, 2 unpacked, 3 kind
    Bytes b(block.begin(), block.end());
    return Le32(b, EntryAt(entry) + 64 + 4 * word);
  }
  std::uint32_t Word(std::size_t at) const { return Le32(Bytes(block.begin(), block.end()), at); }
  std::size_t EntryAt(std::size_t entry) const { return 16 + 8 * Word(0) + 80 * entry; }
};

TEST(ArchiveWriterTest, WritesTheDirectoryThenTheDataInOrder) {
  ArchiveWriter writer;
  writer.Add("Struct.txt", B("abc"));
  writer.Add(Cp("Фон.bmp"), B(""));
  writer.Add("x", B("12"));
  const std::string expected = U16(3) + U32(10) + "Struct.txt" + U32(56) + U32(3) + U32(7) + Cp("Фон.bmp") +
                               U32(59) + U32(0) + U32(1) + "x" + U32(59) + U32(2) + "abc12";
  EXPECT_EQ(S(writer.Build()), expected);

  test::TempDir dir;
  writer.Write(dir / "Mev.dhl");
  EXPECT_EQ(test::ReadFile(dir / "Mev.dhl"), expected);
}

TEST(ArchiveWriterTest, StreamsFilesAndRefusesWhatTheFormatCannotHold) {
  test::TempDir dir;
  test::WriteFile(dir / "big.bin", RandomBytes(200000, 1));
  ArchiveWriter writer;
  writer.AddFile("big.bin", dir / "big.bin");
  writer.Add(std::string(256, 'n'), B("last"));
  EXPECT_THROW(writer.Add(std::string(257, 'n'), {}), DiscError);
  EXPECT_THROW(writer.Add(std::string("a\0b", 3), {}), DiscError);
  writer.Write(dir / "Mev.dhl");
  EXPECT_EQ(test::ReadFile(dir / "Mev.dhl"), S(writer.Build()));

  TReadBin bin;
  bin.OpenNative(dir / "Mev.dhl");
  Bytes buffer;
  EXPECT_EQ(bin.ReadToBuffer("BIG.BIN", buffer), 200000);
  EXPECT_EQ(S(buffer), test::ReadFile(dir / "big.bin"));
  EXPECT_EQ(bin.ReadToBuffer(std::string(256, 'N'), buffer), 4);

  ArchiveWriter full;
  for (std::size_t i = 0; i < ArchiveWriter::kMaxEntries; ++i) full.Add("e", {});
  EXPECT_THROW(full.Add("one too many", {}), DiscError);
  EXPECT_EQ(full.Count(), 65535u);

  ArchiveWriter gone;
  gone.AddFile("gone", dir / "gone.bin");
  EXPECT_THROW(gone.Write(dir / "out.dhl"), DiscError);
  EXPECT_FALSE(std::filesystem::exists(dir / "out.dhl"));
}

TEST(TreeWriterTest, FoldersAreContiguousSortedAndBreadthFirst) {
  TreeWriter writer;
  writer.AddFile("b.txt", B("b"));
  writer.AddFile("zeta\\inner\\deep.txt", B("deep"));
  writer.AddFile("A.txt", B("a"));
  writer.AddFile("Zeta/c.txt", B("c"));  // the same folder, any spelling
  writer.AddFolder("empty");
  TreeOptions plain;
  plain.compressDirectory = false;
  ParsedTree t(writer.Build(plain));
  EXPECT_EQ(t.growth, 0u);
  EXPECT_EQ(t.Word(0), 4u);   // folders: root, EMPTY, ZETA, INNER
  EXPECT_EQ(t.Word(4), 7u);   // entries
  EXPECT_EQ(t.Word(12), 0u);  // the root is folder 0
  const char* names[] = {"A.TXT", "B.TXT", "EMPTY", "ZETA", "C.TXT", "INNER", "DEEP.TXT"};
  for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(t.Name(i), names[i]) << i;
  const std::uint32_t folders[][2] = {{0, 4}, {4, 0}, {4, 2}, {6, 1}};
  for (std::size_t f = 0; f < 4; ++f) {
    EXPECT_EQ(t.Word(16 + 8 * f), folders[f][0]) << f;
    EXPECT_EQ(t.Word(20 + 8 * f), folders[f][1]) << f;
  }
  EXPECT_EQ(t.Field(2, 0), 1u);  // EMPTY -> folder 1
  EXPECT_EQ(t.Field(3, 0), 2u);  // ZETA -> folder 2
  EXPECT_EQ(t.Field(5, 0), 3u);  // INNER -> folder 3
  EXPECT_EQ(t.Field(2, 3), 2u);
  EXPECT_EQ(t.Field(0, 3), 1u);
  // Files too small to gain from compression are stored plain, in table order.
  EXPECT_EQ(t.data, "abcdeep");
  EXPECT_EQ(t.Field(6, 0), 3u);
  EXPECT_EQ(t.Field(6, 1), 4u);
  EXPECT_EQ(t.Field(6, 2), 4u);
}

TEST(TreeWriterTest, CompressesOnlyWhenSmaller) {
  const std::string text = "<q>" + std::string(5000, 'x') + "</q>";
  const std::string noise = RandomBytes(3000, 2);
  TreeWriter writer;
  writer.AddFile("text.xml", B(text));
  writer.AddFile("noise.bin", B(noise));
  writer.AddFile("empty.txt", {});

  ParsedTree packed(writer.Build());
  EXPECT_NE(packed.growth, 0u);  // the directory is compressed by default
  // Sorted: EMPTY.TXT, NOISE.BIN, TEXT.XML.
  EXPECT_EQ(packed.Field(0, 1), 0u);
  EXPECT_EQ(packed.Field(1, 1), 3000u);  // random bytes do not shrink: plain
  EXPECT_EQ(packed.Field(1, 2), 3000u);
  EXPECT_LT(packed.Field(2, 1), 200u);
  EXPECT_EQ(packed.Field(2, 2), text.size());

  TreeOptions storeOnly;
  storeOnly.compressFiles = false;
  ParsedTree stored(writer.Build(storeOnly));
  EXPECT_EQ(stored.Field(2, 1), text.size());
  EXPECT_EQ(stored.data, noise + text);

  // Whatever the options, the reader gets the same files back.
  test::TempDir dir;
  for (bool files : {false, true}) {
    for (bool directory : {false, true}) {
      TreeOptions options;
      options.compressFiles = files;
      options.compressDirectory = directory;
      writer.Write(dir / "t.dat", options);
      TPackedTree tree;
      ASSERT_EQ(tree.OpenTreeNative(dir / "t.dat"), 0);
      EXPECT_EQ(TComprStream(tree, "text.xml").AsString(), text);
      EXPECT_EQ(TComprStream(tree, "NOISE.BIN").AsString(), noise);
      EXPECT_EQ(TComprStream(tree, "empty.txt").Size(), 0u);
    }
  }
}

TEST(TreeWriterTest, RefusesNamesTheTreeCannotTellApart) {
  TreeWriter writer;
  writer.AddFile(Cp("Вопросы\\Файл.xml"), {});
  try {
    writer.AddFile(Cp("вопросы\\ФАЙЛ.XML"), {});
    ADD_FAILURE() << "a duplicate was accepted";
  } catch (const DiscError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("Вопросы\\Файл.xml"), std::string::npos) << message;
    EXPECT_NE(message.find("ФАЙЛ.XML"), std::string::npos) << message;
  }
  EXPECT_THROW(writer.AddFolder(Cp("вопросы\\файл.xml")), DiscError);  // a folder over a file
  EXPECT_THROW(writer.AddFile(std::string(65, 'x'), {}), DiscError);
  EXPECT_NO_THROW(writer.AddFile(std::string(64, 'x'), B("64")));
  EXPECT_THROW(writer.AddFile("folder\\", {}), DiscError);

  test::TempDir dir;
  test::WriteFile(dir / "in" / "Readme.txt", "1");
  test::WriteFile(dir / "in" / "README.TXT", "2");
  TreeWriter fromDisk;
  try {
    fromDisk.AddDirectory(dir / "in");
    ADD_FAILURE() << "a duplicate on disk was accepted";
  } catch (const DiscError& e) {
    EXPECT_NE(std::string(e.what()).find("Readme.txt"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("README.TXT"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace trv
