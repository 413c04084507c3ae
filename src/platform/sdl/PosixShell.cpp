#include "platform/sdl/PosixShell.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/ShellTargets.h"
#include "platform/Text.h"
#include "platform/TraceEvents.h"

extern char** environ;

namespace trv {
namespace {

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

std::optional<int> Spawn(const std::string& program, const std::vector<std::string>& args, bool searchPath,
                         const std::string& workDir) {
  std::vector<std::string> storage;
  storage.push_back(program);
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  pid_t pid = 0;
  const int rc = searchPath ? posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ)
                            : posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    Log("shell", "cannot start " + program + ": " + std::strerror(rc));
    return std::nullopt;
  }
  return int(pid);
}

}  // namespace

void ReapInBackground(int pid) {
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

PosixShell::PosixShell(Trace& trace) : trace_(trace) {}

PosixShell::~PosixShell() = default;

std::string PosixShell::DocumentArgument(const std::string& target) {
  const std::string t = Trim(target);
  if (IsDesktopAddress(t) && t.size() > 4 && EqualsNoCaseAscii(t.substr(0, 4), "www.")) return "http://" + Cp1251ToUtf8(t);
  if (IsDesktopAddress(t)) return Cp1251ToUtf8(t);
  if (auto native = ResolvePath(t)) return native->string();
  return ToNativePath(t).string();
}

std::optional<int> PosixShell::SpawnOpener(const std::string& target) {
  const std::string t = Trim(target);
  if (t.empty()) return std::nullopt;
  if (!IsDesktopAddress(t) && !ResolvePath(t)) {
    Log("shell", "no document " + Cp1251ToUtf8(t));
    return std::nullopt;
  }
  return Spawn("xdg-open", {DocumentArgument(target)}, true, {});
}

bool PosixShell::OpenDocument(const std::string& target) {
  TraceShell(trace_, "open", target);
  auto pid = SpawnOpener(target);
  if (!pid) return false;
  ReapInBackground(*pid);
  return true;
}

std::optional<int> PosixShell::StartOpener(const std::string& target) {
  TraceShell(trace_, "open", target);
  auto pid = SpawnOpener(target);
  if (pid) running_.insert(*pid);
  return pid;
}

void PosixShell::FontsChanged(const std::string& nativeFolder) {
  TraceShell(trace_, "fonts-changed", nativeFolder);
  // A desktop without fontconfig's tools simply finds the fonts at its next scan.
  if (auto pid = Spawn("fc-cache", {nativeFolder}, true, {})) ReapInBackground(*pid);
}

std::optional<int> PosixShell::StartProcess(const std::string& windowsPath, const std::vector<std::string>& args,
                                            const std::string& workDir) {
  TraceShell(trace_, "start", windowsPath, args);
  auto program = ResolvePath(windowsPath);
  if (!program) {
    Log("shell", "no program " + Cp1251ToUtf8(windowsPath));
    return std::nullopt;
  }
  std::string dir;
  if (!workDir.empty()) {
    auto native = ResolvePath(workDir);
    if (!native) {
      Log("shell", "no folder " + Cp1251ToUtf8(workDir));
      return std::nullopt;
    }
    dir = native->string();
  }
  std::error_code ec;
  // Absolute, because the working folder changes before the program is looked up.
  std::filesystem::path absolute = std::filesystem::absolute(*program, ec);
  std::vector<std::string> utf8Args;
  for (const std::string& a : args) utf8Args.push_back(Cp1251ToUtf8(a));
  auto pid = Spawn(ec ? program->string() : absolute.string(), utf8Args, false, dir);
  if (pid) running_.insert(*pid);
  return pid;
}

std::optional<int> PosixShell::WaitProcess(int pid, int timeoutMs) {
  TraceShell(trace_, "wait", std::to_string(pid));
  if (auto it = exited_.find(pid); it != exited_.end()) return it->second;
  if (!running_.count(pid)) return std::nullopt;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    int status = 0;
    const pid_t r = waitpid(pid, &status, timeoutMs < 0 ? 0 : WNOHANG);
    if (r == pid) {
      running_.erase(pid);
      exited_[pid] = ExitCodeOf(status);
      return exited_[pid];
    }
    if (r < 0 && errno != EINTR) {
      // Reaped elsewhere or gone: it has ended, with no code to tell.
      running_.erase(pid);
      exited_[pid] = -1;
      return -1;
    }
    if (r == 0) {
      const auto now = Clock::now();
      if (now >= deadline) return std::nullopt;
      std::this_thread::sleep_for(std::min<Clock::duration>(deadline - now, std::chrono::milliseconds(5)));
    }
  }
}

bool PosixShell::TerminateProcess(int pid) {
  TraceShell(trace_, "terminate", std::to_string(pid));
  // Only processes started here: a pid from elsewhere may belong to anyone.
  if (!running_.count(pid)) return false;
  return kill(pid, SIGTERM) == 0;
}

std::optional<WindowRef> PosixShell::FindWindowByTitle(const std::string& caption) {
  if (caption.empty()) return std::nullopt;
  return desktop_.FindWindow(Cp1251ToUtf8(caption));
}

std::optional<WindowRef> PosixShell::FindForeignWindowByTitle(const std::string& caption) {
  if (caption.empty()) return std::nullopt;
  return desktop_.FindWindow(Cp1251ToUtf8(caption), long(getpid()));
}

bool PosixShell::RaiseWindow(WindowRef window) {
  auto title = desktop_.Title(window);
  TraceShell(trace_, "raise", title ? Utf8ToCp1251(*title) : std::string());
  if (!title) return false;
  return desktop_.Raise(window);
}

bool PosixShell::CloseWindow(WindowRef window) {
  auto title = desktop_.Title(window);
  TraceShell(trace_, "close-window", title ? Utf8ToCp1251(*title) : std::string());
  if (!title) return false;
  return desktop_.RequestClose(window);
}

bool PosixShell::IsConnected() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool connected = false;
  for (ifaddrs* i = list; i && !connected; i = i->ifa_next) {
    if (!i->ifa_addr || (i->ifa_flags & IFF_LOOPBACK)) continue;
    if (!(i->ifa_flags & IFF_UP) || !(i->ifa_flags & IFF_RUNNING)) continue;
    if (i->ifa_addr->sa_family == AF_INET) {
      connected = true;
    } else if (i->ifa_addr->sa_family == AF_INET6) {
      // A link-local address alone does not reach the outside.
      const auto* a6 = reinterpret_cast<const sockaddr_in6*>(i->ifa_addr);
      connected = !IN6_IS_ADDR_LINKLOCAL(&a6->sin6_addr);
    }
  }
  freeifaddrs(list);
  return connected;
}

}  // namespace trv
