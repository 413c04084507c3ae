#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace trv::test {

// The score server of this build tree: tools/score-server beside tests/.
inline std::filesystem::path ScoreServerExecutable() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return self.parent_path().parent_path() / "tools" / "score-server" / "trivion-scored";
}

// trivion-scored on a free loopback port with a fresh database at `db`, which
// goes with the object; Port() is 0 when it is not built or did not start.
class ScoreServerProcess {
 public:
  ScoreServerProcess(const std::filesystem::path& exe, const std::filesystem::path& db) : db_(db) {
    std::error_code ec;
    if (!std::filesystem::exists(exe, ec)) return;
    std::filesystem::remove(db_, ec);
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const std::string exeText = exe.string(), dbText = db_.string();
    std::vector<char*> argv = {const_cast<char*>(exeText.c_str()), const_cast<char*>("--listen"),
                               const_cast<char*>("127.0.0.1:0"),   const_cast<char*>("--db"),
                               const_cast<char*>(dbText.c_str()),  nullptr};
    if (posix_spawn(&pid_, exeText.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    // The first line names the port: "listening on 127.0.0.1:PORT".
    std::string line;
    char c;
    while (line.size() < 200 && read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    const std::string prefix = "listening on 127.0.0.1:";
    if (line.rfind(prefix, 0) == 0) port_ = std::atoi(line.c_str() + prefix.size());
  }
  ~ScoreServerProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
    std::error_code ec;
    std::filesystem::remove(db_, ec);
  }
  ScoreServerProcess(const ScoreServerProcess&) = delete;
  ScoreServerProcess& operator=(const ScoreServerProcess&) = delete;

  int Port() const { return port_; }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  std::string Url(const char* page) const { return Base() + page; }

 private:
  std::filesystem::path db_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace trv::test
