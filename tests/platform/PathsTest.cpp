#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Paths.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

TEST(Paths, WindowsFormAndBack) {
  EXPECT_EQ(ToWindowsDir("/opt/trivion/disc"), "\\opt\\trivion\\disc\\");
  EXPECT_EQ(ToWindowsDir("/opt/trivion/disc/"), "\\opt\\trivion\\disc\\");
  EXPECT_EQ(ToWindowsPath("/tmp/Диск/a.bmp"), "\\tmp\\\xC4\xE8\xF1\xEA\\a.bmp");
  EXPECT_EQ(ToNativePath("\\tmp\\\xC4\xE8\xF1\xEA\\a.bmp"), "/tmp/Диск/a.bmp");
  EXPECT_EQ(ToNativePath("C:\\Games\\x.avi"), "/Games/x.avi");  // no drives here
  EXPECT_EQ(ToNativePath("pics\\x.bmp"), "pics/x.bmp");
  bool ok = true;
  ToWindowsPath("/tmp/漢", &ok);
  EXPECT_FALSE(ok);
}

TEST(Paths, RootDirDropsTheFirstRunFolder) {
  EXPECT_EQ(ComputeRootDir("C:\\Disc\\RUN\\"), "C:\\Disc\\");
  EXPECT_EQ(ComputeRootDir("C:\\Rerun\\Disc\\"), "C:\\ReDisc\\");
  EXPECT_EQ(ComputeRootDir("C:\\Games\\Quiz\\"), "C:\\Games\\Quiz\\");
  EXPECT_EQ(ComputeRootDir("\\media\\cd\\run\\run\\"), "\\media\\cd\\run\\");
}

TEST(Paths, ResolveFallsBackToCaseInsensitiveComponents) {
  test::TempDir dir;
  test::WriteFile(dir / "Music" / "Главное меню" / "s_Open.WAV", "x");
  const std::string base = ToWindowsDir(dir.Path());
  // Exact name.
  EXPECT_EQ(ResolvePath(base + "Music\\\xC3\xEB\xE0\xE2\xED\xEE\xE5 \xEC\xE5\xED\xFE\\s_Open.WAV"),
            dir / "Music" / "Главное меню" / "s_Open.WAV");
  // Every component in another case, Cyrillic included, and forward slashes.
  EXPECT_EQ(ResolvePath(base + "MUSIC/\xE3\xcb\xc0\xc2\xcd\xce\xc5 \xcc\xc5\xcd\xde\\S_OPEN.wav"),
            dir / "Music" / "Главное меню" / "s_Open.WAV");
  EXPECT_FALSE(ResolvePath(base + "music\\missing.wav"));
  EXPECT_FALSE(ResolvePath(""));
  // A drive letter is ignored.
  EXPECT_TRUE(ResolvePath("c:" + base + "music"));
}

TEST(Paths, ExactNameWinsOverOtherCases) {
  test::TempDir dir;
  test::WriteFile(dir / "a.txt", "lower");
  test::WriteFile(dir / "A.TXT", "upper");
  const std::string base = ToWindowsDir(dir.Path());
  EXPECT_EQ(test::ReadFile(*ResolvePath(base + "A.TXT")), "upper");
  EXPECT_EQ(test::ReadFile(*ResolvePath(base + "a.txt")), "lower");
  // Neither exact: the first in name order.
  EXPECT_EQ(test::ReadFile(*ResolvePath(base + "A.txt")), "upper");
}

TEST(Paths, DiscLocationAndFolders) {
  test::TempDir dir;
  auto run = dir / "disc" / "Run";
  std::filesystem::create_directories(run);
  DiscPaths d = ComputeDiscPaths(run);
  EXPECT_EQ(d.programDir, ToWindowsDir(run));
  EXPECT_EQ(d.rootDir, ToWindowsDir(dir / "disc"));
  EXPECT_EQ(d.cdRoot.back(), '\\');
  EXPECT_EQ(d.programDir.rfind(d.cdRoot, 0), 0u);  // the mount point is a prefix

  // The executable's folder wins when it holds the archive; then the variable.
  test::WriteFile(dir / "bin" / "Mev.dhl", "");
  EXPECT_EQ(LocateDisc(dir / "bin"), dir / "bin");
  setenv("TRIVION_DISC", (dir / "elsewhere").c_str(), 1);
  EXPECT_EQ(LocateDisc(dir / "other" / "bin"), dir / "elsewhere");
  unsetenv("TRIVION_DISC");
  EXPECT_EQ(LocateDisc(dir / "other" / "bin"), dir / "other" / "share" / "trivion" / "disc");
}

TEST(Paths, ReadNativeFileRefusesLargeFiles) {
  test::TempDir dir;
  test::WriteFile(dir / "f", std::string(100, 'x'));
  std::string error;
  EXPECT_EQ(ReadNativeFile(dir / "f", 100, &error)->size(), 100u);
  EXPECT_FALSE(ReadNativeFile(dir / "f", 99, &error));
  EXPECT_NE(error.find("larger"), std::string::npos);
  EXPECT_FALSE(ReadNativeFile(dir / "none", 99, &error));
}

TEST(Paths, ListDirectorySortsAndMarksFolders) {
  test::TempDir dir;
  test::WriteFile(dir / "b.txt", "");
  test::WriteFile(dir / "a" / "x", "");
  auto entries = ListDirectory(ToWindowsDir(dir.Path()));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "a");
  EXPECT_TRUE(entries[0].isDirectory);
  EXPECT_FALSE(entries[1].isDirectory);
}

}  // namespace
}  // namespace trv
