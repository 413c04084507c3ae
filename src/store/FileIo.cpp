#include "store/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/RegularFile.h"

namespace trv::storeio {

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) ::close(fd_);
}

int OpenReadOnly(const char* path) {
  int fd;
  do {
    fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

std::FILE* OpenRegularFile(const char* path, std::string& why) {
  const int fd = trv::OpenRegularFile(path, &why);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "rb");
  if (!file) {
    why = std::strerror(errno);
    ::close(fd);
  }
  return file;
}

std::optional<std::uint64_t> RegularFileSize(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

bool ReadAt(int fd, void* out, std::size_t count, std::uint64_t offset) {
  auto* dst = static_cast<unsigned char*>(out);
  while (count > 0) {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
    ssize_t n = ::pread(fd, dst, count, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    dst += n;
    count -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
}

}  // namespace trv::storeio
