#include "platform/sdl/PosixShell.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/Paths.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

class PosixShellTest : public ::testing::Test {
 protected:
  PosixShellTest() : trace_([] { return std::uint64_t(0); }) { trace_.KeepLines(true); }
  test::TempDir dir_;
  Trace trace_;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (saved_)
      setenv(name_, saved_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

TEST_F(PosixShellTest, StartsProgramsByWindowsPathAndWaitsForThem) {
  PosixShell shell(trace_);
  auto ok = shell.StartProcess("\\bin\\true", {});
  ASSERT_TRUE(ok);
  EXPECT_EQ(shell.WaitProcess(*ok, 5000), 0);
  auto fails = shell.StartProcess("\\BIN\\FALSE", {});  // names match regardless of case
  ASSERT_TRUE(fails);
  EXPECT_EQ(shell.WaitProcess(*fails, -1), 1);
  EXPECT_EQ(shell.WaitProcess(*fails, 0), 1);  // asked again: the same answer

  EXPECT_FALSE(shell.StartProcess("\\no\\such\\program", {}));
  EXPECT_FALSE(shell.StartProcess("\\bin\\true", {}, "\\no\\such\\folder"));
}

TEST_F(PosixShellTest, ArgumentsAndWorkingFolderArePassedAsGiven) {
  PosixShell shell(trace_);
  // No shell in between: quotes, spaces, $() and ; reach the program unchanged.
  const std::string name = Utf8ToCp1251("файл $(id); 'x'");
  auto pid = shell.StartProcess("\\usr\\bin\\touch", {name}, ToWindowsPath(dir_.Path()));
  ASSERT_TRUE(pid);
  EXPECT_EQ(shell.WaitProcess(*pid, 5000), 0);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "файл $(id); 'x'"));
  const std::string last = trace_.Lines().back();
  EXPECT_NE(last.find(R"("verb":"wait")"), std::string::npos) << last;
  const std::string start = trace_.Lines()[trace_.Lines().size() - 2];
  EXPECT_NE(start.find(R"("verb":"start","target":"\\usr\\bin\\touch","args":["файл $(id); 'x'"])"),
            std::string::npos)
      << start;
}

TEST_F(PosixShellTest, WaitTimesOutAndTerminateEndsTheProcess) {
  PosixShell shell(trace_);
  auto pid = shell.StartProcess("\\bin\\sleep", {"30"});
  ASSERT_TRUE(pid);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(shell.WaitProcess(*pid, 100));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
  EXPECT_TRUE(shell.TerminateProcess(*pid));
  EXPECT_EQ(shell.WaitProcess(*pid, 5000), 128 + 15);  // ended by SIGTERM
  // Only processes started here are ever signalled.
  EXPECT_FALSE(shell.TerminateProcess(1));
  EXPECT_FALSE(shell.TerminateProcess(*pid));
  EXPECT_FALSE(shell.WaitProcess(1, 0));
}

TEST_F(PosixShellTest, DocumentsGoToXdgOpenAsOneArgument) {
  // A stand-in for the desktop's opener records the argument it gets.
  const auto out = dir_ / "opened.txt";
  test::WriteFile(dir_ / "bin" / "xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"$OPENED\"\n");
  chmod((dir_ / "bin" / "xdg-open").c_str(), 0755);
  ScopedEnv path("PATH", (dir_ / "bin").string() + ":" + std::getenv("PATH"));
  ScopedEnv opened("OPENED", out.string());
  PosixShell shell(trace_);
  const std::string url = "http://example.com/?q=" + Utf8ToCp1251("ответ") + "&x=$(id)";
  ASSERT_TRUE(shell.OpenDocument(url));
  for (int i = 0; i < 400 && test::ReadFile(out).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(test::ReadFile(out), "http://example.com/?q=ответ&x=$(id)");
  EXPECT_FALSE(shell.OpenDocument("   "));

  // A file: its native name, found whatever the case; a missing one opens nothing.
  test::WriteFile(dir_ / "Notes.TXT", "x");
  std::filesystem::remove(out);
  ASSERT_TRUE(shell.OpenDocument(ToWindowsPath(dir_.Path()) + "\\notes.txt"));
  for (int i = 0; i < 400 && test::ReadFile(out).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(test::ReadFile(out), (dir_ / "Notes.TXT").string());
  EXPECT_FALSE(shell.OpenDocument("c:\\no\\such\\file.doc"));
}

TEST(PosixShellArgument, UrlsStayPathsBecomeNative) {
  test::TempDir dir;
  test::WriteFile(dir / "Docs" / "Readme.TXT", "x");
  EXPECT_EQ(PosixShell::DocumentArgument("mailto:quiz@example.com"), "mailto:quiz@example.com");
  EXPECT_EQ(PosixShell::DocumentArgument("https://example.com/a b"), "https://example.com/a b");
  EXPECT_EQ(PosixShell::DocumentArgument("www.example.com"), "http://www.example.com");
  EXPECT_EQ(PosixShell::DocumentArgument("d:\\video\\clip.avi"), "/video/clip.avi");  // a drive, not a scheme
  // An existing file is found whatever the case of its name.
  EXPECT_EQ(PosixShell::DocumentArgument(ToWindowsPath(dir.Path()) + "\\docs\\readme.txt"),
            (dir / "Docs" / "Readme.TXT").string());
}

TEST_F(PosixShellTest, WithoutADisplayNoWindowIsFound) {
  ScopedEnv display("DISPLAY", ":9876");  // no server there
  PosixShell shell(trace_);
  EXPECT_FALSE(shell.FindWindowByTitle("Anything"));
  EXPECT_FALSE(shell.CloseWindow(12345));
  EXPECT_FALSE(shell.FindWindowByTitle(""));
}

}  // namespace
}  // namespace trv
