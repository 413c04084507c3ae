#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace trv {

// A growable byte stream in memory with a position, as the content readers
// hand their data to callers.
class TMemoryStream {
 public:
  virtual ~TMemoryStream() = default;

  std::size_t Size() const { return data_.size(); }
  std::size_t Position() const { return position_; }
  void SetSize(std::size_t size) {
    data_.resize(size);
    position_ = std::min(position_, size);
  }
  void Seek(std::size_t position) { position_ = std::min(position, data_.size()); }
  void Clear() {
    data_.clear();
    position_ = 0;
  }
  // Writes at the position, growing the stream when needed.
  void Write(const void* bytes, std::size_t count) {
    if (count == 0) return;
    if (position_ + count > data_.size()) data_.resize(position_ + count);
    std::memcpy(data_.data() + position_, bytes, count);
    position_ += count;
  }
  // Reads up to `count` bytes from the position; returns how many were read.
  std::size_t Read(void* out, std::size_t count) {
    std::size_t n = std::min(count, data_.size() - position_);
    if (n) std::memcpy(out, data_.data() + position_, n);
    position_ += n;
    return n;
  }

  const std::vector<std::uint8_t>& Bytes() const { return data_; }
  std::vector<std::uint8_t>& Bytes() { return data_; }
  std::string AsString() const { return std::string(data_.begin(), data_.end()); }

 private:
  std::vector<std::uint8_t> data_;
  std::size_t position_ = 0;
};

}  // namespace trv
