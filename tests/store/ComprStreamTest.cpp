#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "store/HandBytes.h"
#include "store/PackedTree.h"
#include "store/ReadBin.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

using test::HandDirectory;
using test::HandTreeFile;
using test::Zlib;

// A disc folder with interface.dat, set up the way start-up does it: the tree's
// prefix is the disc folder, and callers name files by full Windows paths.
class ComprStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string packed = Zlib("<bank>tree</bank>");
    HandDirectory dir;
    dir.folders = {{0, 3}, {3, 1}};
    dir.entries = {{"DATA", 1, 0, 0, 2},
                   {"QUESTIONS.XML", 0, std::uint32_t(packed.size()), 17, 1},
                   {"BROKEN.XML", 0, std::uint32_t(packed.size()), 5, 1},
                   {"FON.BMP", std::uint32_t(packed.size()), 3, 3, 1}};
    test::WriteFile(dir_ / "interface.dat", HandTreeFile(dir.Block(), packed + "bmp", true));
    root_ = ToWindowsDir(dir_.Path());
    ASSERT_EQ(tree_.OpenTree(root_ + "interface.dat"), 0);
    tree_.SetPathPrefix(root_);
  }

  test::TempDir dir_;
  std::string root_;
  TPackedTree tree_;
};

TEST_F(ComprStreamTest, TreeCopyWinsOverTheDisk) {
  test::WriteFile(dir_ / "questions.xml", "<bank>disk</bank>");
  TComprStream stream(tree_, root_ + "questions.xml");
  EXPECT_EQ(stream.AsString(), "<bank>tree</bank>");
  EXPECT_EQ(stream.Position(), 0u);
  TComprStream picture(tree_, root_ + "Data\\Fon.bmp");
  EXPECT_EQ(picture.AsString(), "bmp");
}

TEST_F(ComprStreamTest, FallsBackToTheDiskFileOfTheSameName) {
  test::WriteFile(dir_ / "Extra" / "Hint.txt", "on disk");
  TComprStream stream(tree_, root_ + "EXTRA\\hint.TXT");  // the disk is matched ignoring case too
  EXPECT_EQ(stream.AsString(), "on disk");
  EXPECT_EQ(stream.Position(), 0u);
  test::WriteFile(dir_ / "empty.txt", "");
  EXPECT_EQ(TComprStream(tree_, root_ + "empty.txt").Size(), 0u);
}

TEST_F(ComprStreamTest, NeitherTreeNorDiskIsAnError) {
  EXPECT_THROW(TComprStream(tree_, root_ + "missing.xml"), StoreError);
  // A path ending in "\" names no file in the tree, and a folder on disk is no file either.
  std::filesystem::create_directories(dir_ / "data");
  EXPECT_THROW(TComprStream(tree_, root_ + "data\\"), StoreError);
}

TEST_F(ComprStreamTest, DamagedTreeCopyIsNotReplacedByTheDisk) {
  test::WriteFile(dir_ / "broken.xml", "disk copy");
  test::LogCapture log;
  EXPECT_THROW(TComprStream(tree_, root_ + "broken.xml"), StoreError);
  EXPECT_TRUE(log.Contains("BROKEN.XML")) << log.All();
}

TEST_F(ComprStreamTest, RefusedTreeLeavesOnlyTheDisk) {
  test::WriteFile(dir_ / "bad.dat", "not a tree");
  test::LogCapture log;
  EXPECT_EQ(tree_.OpenTree(root_ + "bad.dat"), -1);
  test::WriteFile(dir_ / "questions.xml", "<bank>disk</bank>");
  EXPECT_EQ(TComprStream(tree_, root_ + "questions.xml").AsString(), "<bank>disk</bank>");
}

}  // namespace
}  // namespace trv
