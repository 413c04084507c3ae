#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace trv {

namespace {

void Say(std::string* why, std::string text) {
  if (why) *why = std::move(text);
}

}  // namespace

int OpenRegularFile(const std::filesystem::path& path, std::string* why) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    Say(why, std::strerror(errno));
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    Say(why, std::strerror(errno));
    ::close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    Say(why, S_ISDIR(st.st_mode)    ? "a folder, not a file"
             : S_ISFIFO(st.st_mode) ? "a named pipe, not a file"
                                    : "not a regular file (a device or socket)");
    ::close(fd);
    return -1;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

bool IsReadableRegularFile(const std::filesystem::path& path, std::string* why) {
  const int fd = OpenRegularFile(path, why);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

std::optional<std::vector<std::uint8_t>> ReadRegularFile(const std::filesystem::path& path, std::uint64_t maxBytes,
                                                         std::string* why) {
  const int fd = OpenRegularFile(path, why);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<std::vector<std::uint8_t>> result;
  if (::fstat(fd, &st) != 0 || st.st_size < 0) {
    Say(why, std::strerror(errno));
  } else if (std::uint64_t(st.st_size) > maxBytes) {
    Say(why, "larger than " + std::to_string(maxBytes) + " bytes");
  } else {
    // The size is only a hint: the file may shrink or grow while it is read.
    std::vector<std::uint8_t> bytes(std::size_t(st.st_size) + 1);
    std::size_t have = 0;
    bool ok = true;
    for (;;) {
      if (have == bytes.size()) {
        if (bytes.size() > maxBytes) {
          Say(why, "larger than " + std::to_string(maxBytes) + " bytes");
          ok = false;
          break;
        }
        bytes.resize(std::size_t(std::min<std::uint64_t>(std::uint64_t(bytes.size()) * 2, maxBytes + 1)));
      }
      const ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        Say(why, std::strerror(errno));
        ok = false;
        break;
      }
      if (n == 0) break;
      have += std::size_t(n);
    }
    if (ok) {
      bytes.resize(have);
      result = std::move(bytes);
    }
  }
  ::close(fd);
  return result;
}

}  // namespace trv
