#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TestSupport.h"

extern char** environ;

namespace trv::test {

struct ToolResult {
  int status = -1;  // exit status, -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs the built trivion-disc with `args` (no shell), stdout and stderr
// captured through files in `scratch`.
inline ToolResult RunDisc(const std::vector<std::string>& args, const std::filesystem::path& scratch) {
  const std::string outPath = (scratch / "tool.out").string();
  const std::string errPath = (scratch / "tool.err").string();
  std::vector<std::string> all{TRIVION_DISC_EXE};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  ToolResult result;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  result.out = ReadFile(outPath);
  result.err = ReadFile(errPath);
  return result;
}

}  // namespace trv::test
