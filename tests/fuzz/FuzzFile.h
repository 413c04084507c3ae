#pragma once

// The readers under fuzz open files by name, so each input is written to an
// anonymous in-memory file of this process and opened through /proc.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace trv::fuzz {

class MemFile {
 public:
  explicit MemFile(const char* name) : fd_(memfd_create(name, MFD_CLOEXEC)) {
    if (fd_ < 0) __builtin_trap();
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemFile() { close(fd_); }
  // Replaces the file's content with `data`.
  const std::string& Fill(const std::uint8_t* data, std::size_t size) {
    if (ftruncate(fd_, 0) != 0) __builtin_trap();
    std::size_t done = 0;
    while (done < size) {
      ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
      if (n <= 0) __builtin_trap();
      done += static_cast<std::size_t>(n);
    }
    return path_;
  }

 private:
  int fd_;
  std::string path_;
};

}  // namespace trv::fuzz
