// Replacing a file whole: the new content appears only at the commit, a
// failed or abandoned write leaves the old file and no temporary behind.
#include "platform/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/TestSupport.h"

namespace trv {
namespace {

using test::ReadFile;

std::size_t Entries(const std::filesystem::path& dir) {
  return std::size_t(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(AtomicFile, TheOldContentStaysUntilTheCommitAndNothingIsLeftBehind) {
  test::TempDir dir;
  const auto target = dir / "s.reg";
  test::WriteFile(target, "old");
  {
    AtomicFile file(target);
    ASSERT_TRUE(file.Write("new ", 4));
    ASSERT_TRUE(file.Write("text", 4));
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(Entries(dir.Path()), 2u);  // the temporary file beside it
    ASSERT_TRUE(file.Commit()) << file.Error();
  }
  EXPECT_EQ(ReadFile(target), "new text");
  EXPECT_EQ(Entries(dir.Path()), 1u);
  {
    AtomicFile abandoned(target);
    EXPECT_TRUE(abandoned.Write("lost", 4));
  }
  EXPECT_EQ(ReadFile(target), "new text");
  EXPECT_EQ(Entries(dir.Path()), 1u);

  std::string error;
  EXPECT_FALSE(ReplaceFileAtomically(dir / "no-folder" / "x", "x", &error));
  EXPECT_FALSE(error.empty());
}

TEST(AtomicFile, AFixedTemporaryNameReplacesAStaleOneAndKeepsTheMode) {
  test::TempDir dir;
  const auto target = dir / "s.reg";
  const auto temp = dir / ".s.reg.tmp";
  test::WriteFile(temp, "left by a writer that died");
  std::string error;
  ASSERT_TRUE(ReplaceFileAtomically(target, "fresh", &error, {temp, 0600})) << error;
  EXPECT_EQ(ReadFile(target), "fresh");
  EXPECT_FALSE(std::filesystem::exists(temp));
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A finished file another library wrote is put in place the same way.
  test::WriteFile(dir / "clip.part", "frames");
  ASSERT_TRUE(CommitTempFile(dir / "clip.part", dir / "clip.avi", &error)) << error;
  EXPECT_EQ(ReadFile(dir / "clip.avi"), "frames");
  EXPECT_FALSE(CommitTempFile(dir / "gone.part", dir / "gone.avi", &error));
}

}  // namespace
}  // namespace trv
