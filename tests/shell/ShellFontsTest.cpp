#include <gtest/gtest.h>

#include "shell/ShellDisc.h"

namespace trv::test {
namespace {

std::vector<std::string> Targets(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines) {
    const auto at = l.find("\"target\":\"");
    if (at == std::string::npos) continue;
    const auto from = at + 10;
    out.push_back(l.substr(from, l.find('"', from) - from));
  }
  return out;
}

TEST_F(ShellTest, FontsBesideTheProgramAreRegisteredUntilShutdown) {
  const std::filesystem::path face = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
  if (!std::filesystem::exists(face)) GTEST_SKIP() << "the Liberation faces are not installed";
  WriteTestDisc(discDir.Path());
  std::filesystem::copy_file(face, discDir / "One.ttf");
  std::filesystem::copy_file(face, discDir / "two.TTF");
  std::filesystem::create_directories(discDir / "sub");
  std::filesystem::copy_file(face, discDir / "sub" / "three.ttf");
  WriteFile(discDir / "broken.ttf", "not a font");
  WriteFile(discDir / "notes.txt", "x");

  ASSERT_TRUE(Start()) << stop.reason;
  const auto added = TraceOf("shell");
  std::vector<std::string> adds, failed;
  for (const auto& l : added) {
    if (l.find("\"verb\":\"add-font\"") == std::string::npos) continue;
    adds.push_back(l);
    if (l.find("failed") != std::string::npos) failed.push_back(l);
  }
  // Only the folder itself, masks without regard to case, sorted by name.
  const auto targets = Targets(adds);
  ASSERT_EQ(targets.size(), 3u);
  EXPECT_NE(targets[0].find("One.ttf"), std::string::npos);
  EXPECT_NE(targets[1].find("broken.ttf"), std::string::npos);
  EXPECT_NE(targets[2].find("two.TTF"), std::string::npos);
  ASSERT_EQ(failed.size(), 1u) << "a damaged font file is reported and skipped";
  EXPECT_NE(failed[0].find("broken.ttf"), std::string::npos);

  form->FormClose();
  std::vector<std::string> removes;
  for (const auto& l : TraceOf("shell"))
    if (l.find("\"verb\":\"remove-font\"") != std::string::npos) removes.push_back(l);
  EXPECT_EQ(Targets(removes), targets);
}

}  // namespace
}  // namespace trv::test
