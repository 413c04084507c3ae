#pragma once

#include <map>
#include <set>

#include "platform/Shell.h"
#include "platform/Trace.h"
#include "platform/sdl/X11Desktop.h"

namespace trv {

// The desktop through POSIX process calls and X11: documents open with
// xdg-open, programs start with posix_spawn (never through a command shell),
// windows of other programs are found on the X server.
class PosixShell : public Shell {
 public:
  explicit PosixShell(Trace& trace);
  ~PosixShell() override;

  bool OpenDocument(const std::string& target) override;
  std::optional<int> StartProcess(const std::string& windowsPath, const std::vector<std::string>& args,
                                  const std::string& workDir = {}) override;
  std::optional<int> WaitProcess(int pid, int timeoutMs) override;
  bool TerminateProcess(int pid) override;
  std::optional<WindowRef> FindWindowByTitle(const std::string& caption) override;
  std::optional<WindowRef> FindForeignWindowByTitle(const std::string& caption) override;
  bool RaiseWindow(WindowRef window) override;
  std::optional<int> StartOpener(const std::string& target) override;
  void FontsChanged(const std::string& nativeFolder) override;
  bool CloseWindow(WindowRef window) override;
  bool IsConnected() override;

  // The argument xdg-open gets for a target: web and mail addresses as they
  // are, Windows paths as native ones. UTF-8.
  static std::string DocumentArgument(const std::string& cp1251Target);

 private:
  // Starts the desktop's handler for an address or an existing file.
  std::optional<int> SpawnOpener(const std::string& target);

  Trace& trace_;
  X11Desktop desktop_;
  std::set<int> running_;        // started here and not yet reaped
  std::map<int, int> exited_;    // reaped: exit codes
};

// Waits for a child of the process without blocking the caller (xdg-open and
// other helpers that nobody waits for), so that it does not linger as a zombie.
void ReapInBackground(int pid);

}  // namespace trv
