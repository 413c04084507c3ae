#include "platform/Paths.h"
#include "platform/ShellTargets.h"
#include "platform/Text.h"
#include "platform/TraceEvents.h"
#include "platform/headless/HeadlessPlatform.h"

namespace trv {

void HeadlessShell::Record(const char* verb, const std::string& target, const std::vector<std::string>& args) {
  calls_.push_back({verb, target, args});
  TraceShell(trace_, verb, target, args);
}

bool HeadlessShell::OpenDocument(const std::string& target) {
  Record("open", target);
  // As on the desktop: an address always finds its handler, a file only when it is there.
  if (Trim(target).empty()) return false;
  return IsDesktopAddress(target) || ResolvePath(Trim(target)).has_value();
}

std::optional<int> HeadlessShell::StartProcess(const std::string& windowsPath, const std::vector<std::string>& args,
                                               const std::string&) {
  Record("start", windowsPath, args);
  if (startFails_ || windowsPath.empty()) return std::nullopt;
  int pid = nextPid_++;
  running_[pid] = true;
  return pid;
}

std::optional<int> HeadlessShell::WaitProcess(int pid, int) {
  Record("wait", std::to_string(pid));
  auto it = running_.find(pid);
  if (it == running_.end()) return std::nullopt;
  running_.erase(it);
  return exitCode_;
}

bool HeadlessShell::TerminateProcess(int pid) {
  Record("terminate", std::to_string(pid));
  return running_.erase(pid) != 0;
}

std::optional<WindowRef> HeadlessShell::FindWindowByTitle(const std::string& caption) {
  for (HeadlessWindow* w : platform_.Windows())
    if (w->Caption() == caption) return reinterpret_cast<WindowRef>(w);
  for (const auto& [ref, title] : foreign_)
    if (title == caption) return ref;
  return std::nullopt;
}

std::optional<WindowRef> HeadlessShell::FindForeignWindowByTitle(const std::string& caption) {
  for (const auto& [ref, title] : foreign_)
    if (title == caption) return ref;
  return std::nullopt;
}

bool HeadlessShell::RaiseWindow(WindowRef ref) {
  auto it = foreign_.find(ref);
  Record("raise", it == foreign_.end() ? std::string() : it->second);
  return it != foreign_.end();
}

std::optional<int> HeadlessShell::StartOpener(const std::string& target) {
  if (!OpenDocument(target)) return std::nullopt;
  int pid = nextPid_++;
  running_[pid] = true;
  return pid;
}

void HeadlessShell::FontsChanged(const std::string& nativeFolder) { Record("fonts-changed", nativeFolder); }

bool HeadlessShell::CloseWindow(WindowRef ref) {
  for (HeadlessWindow* w : platform_.Windows()) {
    if (reinterpret_cast<WindowRef>(w) == ref) {
      Record("close-window", w->Caption());
      w->Close();
      return true;
    }
  }
  auto it = foreign_.find(ref);
  if (it == foreign_.end()) return false;
  Record("close-window", it->second);
  foreign_.erase(it);
  return true;
}

WindowRef HeadlessShell::AddForeignWindow(const std::string& caption) {
  WindowRef ref = nextForeign_++;
  foreign_[ref] = caption;
  return ref;
}

}  // namespace trv
