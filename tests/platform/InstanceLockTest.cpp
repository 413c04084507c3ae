#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/InstanceLock.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    saved_ = old ? old : "";
    hadValue_ = old != nullptr;
    setenv("XDG_RUNTIME_DIR", dir_.Path().c_str(), 1);
  }
  void TearDown() override {
    if (hadValue_) setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
    else unsetenv("XDG_RUNTIME_DIR");
  }
  test::TempDir dir_;
  std::string saved_;
  bool hadValue_ = false;
};

// A child process tries the lock and reports by its exit status (0 taken, 1 held).
int TryInChild(const std::string& title) {
  const pid_t pid = fork();
  if (pid == 0) {
    bool held = false;
    auto lock = InstanceLock::Acquire(title, &held);
    _exit(lock ? 0 : (held ? 1 : 2));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(InstanceLockTest, SecondProcessIsRefusedUntilTheFirstLetsGo) {
  const std::string title = "\xD2\xF0\xE8\xE2\xE8\xEE\xED";  // a Cyrillic title
  bool held = false;
  auto first = InstanceLock::Acquire(title, &held);
  ASSERT_TRUE(first);
  EXPECT_FALSE(held);
  EXPECT_EQ(TryInChild(title), 1);
  EXPECT_EQ(TryInChild("Another title"), 0);  // titles do not share a lock
  first.reset();
  EXPECT_EQ(TryInChild(title), 0);
}

TEST_F(InstanceLockTest, ALockOfAProcessThatDiedIsFree) {
  const pid_t pid = fork();
  if (pid == 0) {
    bool held = false;
    auto lock = InstanceLock::Acquire("Crashing", &held);
    std::abort();  // ends without any clean-up
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  bool held = false;
  EXPECT_TRUE(InstanceLock::Acquire("Crashing", &held));
  EXPECT_FALSE(held);
}

TEST_F(InstanceLockTest, NamesStayInsideTheRuntimeFolder) {
  const std::string path = InstanceLock::LockPath("../../etc/passwd");
  EXPECT_EQ(path.rfind(dir_.Path().string() + "/", 0), 0u);
  EXPECT_EQ(path.find('/', dir_.Path().string().size() + 1), std::string::npos);
}

}  // namespace
}  // namespace trv
