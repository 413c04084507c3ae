#include <dirent.h>
#include <sys/stat.h>
#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "store/HandBytes.h"
#include "store/ReadBin.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

using test::ArchiveDirectoryEntry;
using test::Cp;
using test::HandArchive;
using test::U16;
using test::U32;
using Bytes = std::vector<std::uint8_t>;

class ReadBinTest : public ::testing::Test {
 protected:
  TReadBin OpenBytes(const std::string& bytes) {
    const auto path = dir_ / "Mev.dhl";
    test::WriteFile(path, bytes);
    TReadBin bin;
    bin.OpenNative(path);
    return bin;
  }
  static std::string Read(const TReadBin& bin, const std::string& name) {
    Bytes buffer;
    if (bin.ReadToBuffer(name, buffer) < 0) return "<none>";
    return std::string(buffer.begin(), buffer.end());
  }

  test::TempDir dir_;
};

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

TEST_F(ReadBinTest, EmptyArchiveFindsNothing) {
  TReadBin bin = OpenBytes(U16(0));
  EXPECT_TRUE(bin.Entries().empty());
  Bytes buffer{1, 2, 3};
  EXPECT_EQ(bin.ReadToBuffer("Struct.txt", buffer), -1);
  EXPECT_EQ(buffer.size(), 3u);  // untouched when nothing matches
  TMemoryStream stream;
  EXPECT_FALSE(bin.ReadToStream("Struct.txt", stream));
  EXPECT_FALSE(bin.Exists("Struct.txt"));
  EXPECT_FALSE(bin.Exists(""));
}

TEST_F(ReadBinTest, NamesCompareIgnoringLatinAndCyrillicCase) {
  TReadBin bin = OpenBytes(HandArchive({{"Struct.txt", "struct"},
                                        {Cp("pics\\Фон-Ёлка.bmp"), "picture"},
                                        {Cp("ЗВУК.wav"), "sound"}}));
  EXPECT_EQ(Read(bin, "STRUCT.TXT"), "struct");
  EXPECT_EQ(Read(bin, "struct.txt"), "struct");
  EXPECT_EQ(Read(bin, Cp("PICS\\фОН-ёЛКА.BMP")), "picture");
  EXPECT_EQ(Read(bin, Cp("звук.WAV")), "sound");
  EXPECT_TRUE(bin.Exists(Cp("звук.wav")));
  // Names are compared whole: no prefix, suffix or separator games.
  EXPECT_EQ(Read(bin, "Struct.tx"), "<none>");
  EXPECT_EQ(Read(bin, "Struct.txt "), "<none>");
  EXPECT_EQ(Read(bin, Cp("pics/Фон-Ёлка.bmp")), "<none>");
  EXPECT_EQ(Read(bin, Cp("pics\\Фон-Елка.bmp")), "<none>");  // Е is not Ё
}

TEST_F(ReadBinTest, FirstOfEqualNamesWins) {
  TReadBin bin = OpenBytes(HandArchive({{"Dialog.txt", "first"}, {"DIALOG.TXT", "second"}, {"dialog.txt", "third"}}));
  EXPECT_EQ(Read(bin, "Dialog.txt"), "first");
  EXPECT_EQ(Read(bin, "DIALOG.TXT"), "first");
  TMemoryStream stream;
  ASSERT_TRUE(bin.ReadToStream("dialog.TXT", stream));
  EXPECT_EQ(stream.AsString(), "first");
}

TEST_F(ReadBinTest, EmptyEntryAndStreamReplacement) {
  TReadBin bin = OpenBytes(HandArchive({{"empty", ""}, {"data", "0123456789"}}));
  Bytes buffer{9, 9};
  EXPECT_EQ(bin.ReadToBuffer("empty", buffer), 0);
  EXPECT_TRUE(buffer.empty());

  TMemoryStream stream;
  stream.Write("old content", 11);  // position 11
  ASSERT_TRUE(bin.ReadToStream("data", stream));
  EXPECT_EQ(stream.AsString(), "0123456789");
  EXPECT_EQ(stream.Position(), 0u);
  ASSERT_TRUE(bin.ReadToStream("empty", stream));
  EXPECT_EQ(stream.Size(), 0u);
  EXPECT_EQ(stream.Position(), 0u);
}

TEST_F(ReadBinTest, ZeroByteEndsAName) {
  const std::string name("ab\0cd", 5);
  std::string bytes = U16(1) + ArchiveDirectoryEntry({name, 19, 3}) + "xyz";
  TReadBin bin = OpenBytes(bytes);
  ASSERT_EQ(bin.Entries().size(), 1u);
  EXPECT_EQ(bin.Entries()[0].name, "ab");
  EXPECT_EQ(Read(bin, "AB"), "xyz");
  EXPECT_FALSE(bin.Exists(name));
  EXPECT_FALSE(bin.Exists("abcd"));
}

TEST_F(ReadBinTest, ThousandReadsLeaveNoDescriptorOpen) {
  TReadBin bin = OpenBytes(HandArchive({{"Struct.txt", std::string(4096, 's')}}));
  const int before = OpenDescriptors();
  Bytes buffer;
  TMemoryStream stream;
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(bin.ReadToBuffer("Struct.txt", buffer), 4096);
    ASSERT_TRUE(bin.ReadToStream("STRUCT.TXT", stream));
    ASSERT_EQ(bin.ReadToBuffer("missing", buffer), -1);
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(ReadBinTest, EachReadSeesTheFileAsItIsNow) {
  // The archive is opened again for every read: a replaced file is read anew,
  // a removed one fails the read with a log line instead of an error.
  TReadBin bin = OpenBytes(HandArchive({{"x", "old"}}));
  test::WriteFile(dir_ / "Mev.dhl", HandArchive({{"x", "new"}}));
  EXPECT_EQ(Read(bin, "x"), "new");
  std::filesystem::remove(dir_ / "Mev.dhl");
  test::LogCapture log;
  EXPECT_EQ(Read(bin, "x"), "<none>");
  EXPECT_TRUE(log.Contains("cannot open the archive")) << log.All();
}

TEST_F(ReadBinTest, CutDirectoryKeepsWholeEntries) {
  const std::string two = ArchiveDirectoryEntry({"one", 0, 0}) + ArchiveDirectoryEntry({"two", 0, 1});
  struct Case {
    const char* what;
    std::string bytes;
    std::size_t kept;
  };
  const std::string third = ArchiveDirectoryEntry({"three", 0, 0});
  const Case cases[] = {
      {"no count", "", 0},
      {"half a count", std::string(1, '\3'), 0},
      {"cut in a length", U16(3) + two + third.substr(0, 2), 2},
      {"cut in a name", U16(3) + two + third.substr(0, 6), 2},
      {"cut in the size", U16(3) + two + third.substr(0, third.size() - 1), 2},
      {"name length 257", U16(3) + two + U32(257) + std::string(300, 'x'), 2},
      {"name length 0xFFFFFFFF", U16(3) + ArchiveDirectoryEntry({"one", 0, 0}) + U32(0xFFFFFFFF), 1},
      {"count 65535, one entry", U16(65535) + ArchiveDirectoryEntry({"one", 0, 0}), 1},
  };
  for (const Case& c : cases) {
    test::LogCapture log;
    TReadBin bin = OpenBytes(c.bytes);
    EXPECT_EQ(bin.Entries().size(), c.kept) << c.what;
    EXPECT_EQ(log.Lines().size(), 1u) << c.what << "\n" << log.All();
    EXPECT_FALSE(bin.Exists("three")) << c.what;
  }
}

TEST_F(ReadBinTest, EntriesOutsideTheFileFailTheirRead) {
  // Directory: 2 + 14 + 16 + 15 + 16 = 63 bytes, then 4 bytes of data.
  const std::uint32_t dataAt = 63;
  const std::string bytes = U16(4) + ArchiveDirectoryEntry({"ok", dataAt, 4}) +
                            ArchiveDirectoryEntry({"past", dataAt + 2, 3}) +
                            ArchiveDirectoryEntry({"neg", 0x80000000u, 1}) +
                            ArchiveDirectoryEntry({"huge", 0, 0x7FFFFFFF}) + "DATA";
  ASSERT_EQ(bytes.size(), dataAt + 4u);
  TReadBin bin = OpenBytes(bytes);
  ASSERT_EQ(bin.Entries().size(), 4u);
  EXPECT_EQ(Read(bin, "ok"), "DATA");
  for (const char* name : {"past", "neg", "huge"}) {
    test::LogCapture log;
    Bytes buffer{7};
    EXPECT_EQ(bin.ReadToBuffer(name, buffer), -1) << name;
    EXPECT_EQ(buffer.size(), 1u) << name << ": resized before the check";
    TMemoryStream stream;
    stream.Write("keep", 4);
    EXPECT_FALSE(bin.ReadToStream(name, stream)) << name;
    EXPECT_EQ(stream.AsString(), "keep") << name;
    EXPECT_EQ(log.Lines().size(), 2u) << name << "\n" << log.All();
    EXPECT_TRUE(bin.Exists(name));
  }
}

TEST_F(ReadBinTest, OpenResolvesWindowsPathsAndReportsMissingFiles) {
  test::WriteFile(dir_ / "Disc" / "Mev.dhl", HandArchive({{"a", "b"}}));
  const std::string windowsDir = ToWindowsDir(dir_.Path());
  TReadBin bin;
  bin.Open(windowsDir + "DISC\\mev.DHL");  // a case-blind disc path still opens
  EXPECT_EQ(Read(bin, "A"), "b");
  EXPECT_THROW(bin.Open(windowsDir + "nothing.dhl"), StoreError);
  EXPECT_THROW(bin.OpenNative(dir_ / "nothing.dhl"), StoreError);
  EXPECT_THROW(bin.OpenNative(dir_.Path()), StoreError);  // a folder is no archive
  ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  EXPECT_THROW(bin.OpenNative(dir_ / "fifo"), StoreError);  // refused, without waiting for a writer
}

}  // namespace
}  // namespace trv
