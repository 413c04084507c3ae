// Readers of disc files open without waiting and read regular files only.
#include "platform/RegularFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Paths.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

TEST(RegularFile, ReadsARegularFileWithinItsLimit) {
  test::TempDir dir;
  test::WriteFile(dir / "a.wav", std::string("RIFF\0x", 6));
  std::string why;
  auto bytes = ReadRegularFile(dir / "a.wav", 6, &why);
  ASSERT_TRUE(bytes) << why;
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), std::string("RIFF\0x", 6));
  EXPECT_FALSE(ReadRegularFile(dir / "a.wav", 5, &why));
  EXPECT_NE(why.find("larger than 5"), std::string::npos) << why;
}

// A named pipe nobody writes to, a folder and an endless device stand where a
// file is expected: every reader gives up at once and says why.
TEST(RegularFile, PipesFoldersAndDevicesAreRefusedAtOnce) {
  test::TempDir dir;
  const auto fifo = dir / "click.wav";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_directories(dir / "folder.wav");
  const struct {
    std::filesystem::path path;
    const char* why;
  } cases[] = {{fifo, "named pipe"}, {dir / "folder.wav", "folder"}, {"/dev/zero", "not a regular file"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.string());
    std::string why, whyRead, whyNative;
    bool checked = true, read = true, native = true;
    int fd = 0;
    EXPECT_TRUE(test::ReturnsPromptly(
        [&] {
          fd = OpenRegularFile(c.path, &why);
          checked = IsReadableRegularFile(c.path, &whyRead);
          read = ReadRegularFile(c.path, 1 << 20, &whyRead).has_value();
          // The reader the sounds and the disc copies of tree files go through.
          native = ReadNativeFile(c.path, 1 << 20, &whyNative).has_value();
        },
        fifo));
    EXPECT_EQ(fd, -1);
    EXPECT_FALSE(checked);
    EXPECT_FALSE(read);
    EXPECT_FALSE(native);
    EXPECT_NE(why.find(c.why), std::string::npos) << why;
    EXPECT_NE(whyNative.find(c.why), std::string::npos) << whyNative;
  }
}

}  // namespace
}  // namespace trv
