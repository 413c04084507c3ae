#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <optional>

// POSIX helpers shared by the store readers: a descriptor that closes itself,
// the size of a regular file, and exact reads at an offset (no shared file
// position, so a reader never depends on where an earlier read left off).
namespace trv::storeio {

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd();
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int Get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_;
};

// Opens a file read-only (close-on-exec); -1 and errno on failure. Never
// blocks: a FIFO or device named by a content path must not hang the reader.
int OpenReadOnly(const char* path);

// Opens a regular file as a stdio stream for reading; nullptr with the reason
// in `why` for a missing file or anything that is not a regular file.
std::FILE* OpenRegularFile(const char* path, std::string& why);

// Size of the regular file behind `fd`; nullopt for anything else.
std::optional<std::uint64_t> RegularFileSize(int fd);

// Reads exactly `count` bytes at `offset`; false on an error or the end of file.
bool ReadAt(int fd, void* out, std::size_t count, std::uint64_t offset);

inline std::uint32_t Le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}
inline std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

}  // namespace trv::storeio
