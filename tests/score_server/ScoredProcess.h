#pragma once

// The built trivion-scored as a child process of a test.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace trv::scored {

using namespace std::chrono_literals;

// One running server; stopped with SIGTERM (or killed) when the test ends.
class ScoredProcess {
 public:
  ScoredProcess(const std::vector<std::string>& args, const std::filesystem::path& errFile) {
    std::vector<std::string> all{TRIVION_SCORED_EXE};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~ScoredProcess() {
    if (pid_ > 0 && exit_ < 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }

  // The first line on stdout, or empty after `timeout`.
  std::string FirstLine(std::chrono::milliseconds timeout) {
    std::string line;
    auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char c;
      if (read(out_, &c, 1) != 1) break;
      if (c == '\n') return line;
      line.push_back(c);
    }
    return {};
  }

  // Exit status after SIGTERM, -1 when it does not exit normally in time.
  int Stop() {
    kill(pid_, SIGTERM);
    return Wait(10s);
  }
  int Wait(std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
        return WIFEXITED(status) ? exit_ : -1;
      }
      std::this_thread::sleep_for(20ms);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int exit_ = -1;
};

inline int PortFrom(const std::string& line) {
  const std::string prefix = "listening on 127.0.0.1:";
  if (line.rfind(prefix, 0) != 0) return -1;
  return std::stoi(line.substr(prefix.size()));
}

}  // namespace trv::scored
