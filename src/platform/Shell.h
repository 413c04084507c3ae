#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trv {

// A top-level window of any process, found by its caption.
using WindowRef = std::uint64_t;

// What the desktop does for the program. Nothing here goes through a command
// shell: programs are started with their arguments as given.
class Shell {
 public:
  virtual ~Shell() = default;

  // Opens a web address, a mail address ("mailto:...") or a file (a Windows
  // path) with the desktop's handler. CP1251. False when nothing could be started.
  virtual bool OpenDocument(const std::string& target) = 0;

  // Starts a program (a Windows path) with its arguments; the process id, or
  // nullopt when it could not be started.
  virtual std::optional<int> StartProcess(const std::string& windowsPath,
                                          const std::vector<std::string>& args,
                                          const std::string& workDir = {}) = 0;
  // Waits for a process started here; its exit code, or nullopt on timeout
  // (timeoutMs < 0 waits without a limit).
  virtual std::optional<int> WaitProcess(int pid, int timeoutMs) = 0;
  virtual bool TerminateProcess(int pid) = 0;

  // A top-level window on the desktop whose caption is exactly `caption`.
  virtual std::optional<WindowRef> FindWindowByTitle(const std::string& caption) = 0;
  // The same, among windows of other processes only: the program's own
  // windows bear its title too.
  virtual std::optional<WindowRef> FindForeignWindowByTitle(const std::string& caption) = 0;
  // Brings that window to the front.
  virtual bool RaiseWindow(WindowRef window) = 0;

  // Opens a document like OpenDocument and keeps the handler's process, so
  // that WaitProcess and TerminateProcess reach it; its id, or nullopt.
  virtual std::optional<int> StartOpener(const std::string& target) = 0;

  // Fonts were copied into `nativeFolder`: the desktop's font cache learns of
  // them (in the background; nothing waits for it).
  virtual void FontsChanged(const std::string& nativeFolder) = 0;
  // Asks that window to close, as a close message does.
  virtual bool CloseWindow(WindowRef window) = 0;

  // True when the machine has a network connection to the outside.
  virtual bool IsConnected() = 0;
};

}  // namespace trv
