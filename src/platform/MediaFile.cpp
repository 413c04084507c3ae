#include "platform/MediaFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/MediaDevice.h"
#include "platform/Paths.h"

namespace trv {

FileHandle::~FileHandle() {
  if (fd_ >= 0) ::close(fd_);
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

MediaFileOpen OpenMediaFile(const std::string& windowsPath) {
  MediaFileOpen r;
  auto fail = [&r](int code, std::string why) {
    r.code = code;
    r.why = std::move(why);
    r.file = FileHandle();
    return std::move(r);
  };
  if (windowsPath.empty()) return fail(mci::kFileNotFound, "no file name");
  const auto native = ResolvePath(windowsPath);
  if (!native) return fail(mci::kFileNotFound, "no such file");
  r.native = *native;
  int fd;
  do {
    // O_NONBLOCK: a FIFO in place of the file must not wait for a writer.
    fd = ::open(native->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    const int e = errno;
    return fail(e == ENOENT || e == ENOTDIR ? mci::kFileNotFound : mci::kFileRead,
                std::string("cannot open: ") + std::strerror(e));
  }
  r.file = FileHandle(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail(mci::kFileRead, std::string("cannot read: ") + std::strerror(errno));
  if (S_ISDIR(st.st_mode)) return fail(mci::kFileRead, "a folder, not a file");
  if (!S_ISREG(st.st_mode)) return fail(mci::kFileRead, "not a regular file (a FIFO, device or socket)");
  if (st.st_size <= 0) return fail(mci::kInvalidFile, "empty file");
  r.size = std::uint64_t(st.st_size);
  return r;
}

}  // namespace trv
