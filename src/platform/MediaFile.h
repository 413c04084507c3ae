#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// Opening a media file named by a disc path, with the error codes of the
// media layer. Shared by both backends: the engines only read what this hands
// them.
namespace trv {

// A file descriptor that closes itself.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle();
  FileHandle(FileHandle&& other) noexcept : fd_(other.Release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

struct MediaFileOpen {
  int code = 0;  // an mci:: code
  FileHandle file;
  std::uint64_t size = 0;
  std::filesystem::path native;
  std::string why;  // UTF-8, set when code is not 0
};

// Resolves `windowsPath` (CP1251) like every disc path and opens it read-only
// without blocking: kFileNotFound for an empty name or no such file,
// kFileRead for a folder, a FIFO, a device or a file that cannot be opened,
// kInvalidFile for an empty file. Never waits on a FIFO's writer.
MediaFileOpen OpenMediaFile(const std::string& windowsPath);

}  // namespace trv
