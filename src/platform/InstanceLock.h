#pragma once

#include <memory>
#include <string>

namespace trv {

// The single-instance rule: a lock named after the product title that the
// system drops when the process ends, however it ends, so that a crashed shell
// never blocks the next start. Held for the life of the object.
class InstanceLock {
 public:
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // nullptr when another process holds the lock of `title` (CP1251). When no
  // lock can be made at all (no writable folder) the start is allowed, with a
  // log line: refusing every start would be worse than a second shell.
  static std::unique_ptr<InstanceLock> Acquire(const std::string& title, bool* heldElsewhere);

  // The lock file of a title: in $XDG_RUNTIME_DIR, else the system's temporary folder.
  static std::string LockPath(const std::string& title);

 private:
  explicit InstanceLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace trv
