#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/Log.h"

namespace trv {
namespace {

// A file name made of the title: bytes outside [A-Za-z0-9] as hex, so that any
// CP1251 title maps to one portable name.
std::string NameOf(const std::string& title) {
  static const char hex[] = "0123456789abcdef";
  std::string out = "trivion-";
  for (unsigned char c : title) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      out.push_back(char(c));
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
  }
  return out.substr(0, 200) + ".lock";
}

}  // namespace

std::string InstanceLock::LockPath(const std::string& title) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string dir = runtime && *runtime ? runtime : "";
  if (dir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    dir = (tmp && *tmp ? std::string(tmp) : std::string("/tmp")) + "/trivion-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
  }
  return dir + "/" + NameOf(title);
}

std::unique_ptr<InstanceLock> InstanceLock::Acquire(const std::string& title, bool* heldElsewhere) {
  *heldElsewhere = false;
  const std::string path = LockPath(title);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    Log("instance", "cannot create the lock " + path + ": " + std::strerror(errno) + "; starting without it");
    return std::unique_ptr<InstanceLock>(new InstanceLock(-1));
  }
  // flock belongs to the open file: the kernel drops it when the process ends.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    close(fd);
    if (err == EWOULDBLOCK) {
      *heldElsewhere = true;
      return nullptr;
    }
    Log("instance", "cannot lock " + path + ": " + std::strerror(err) + "; starting without it");
    return std::unique_ptr<InstanceLock>(new InstanceLock(-1));
  }
  return std::unique_ptr<InstanceLock>(new InstanceLock(fd));
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace trv
