#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace trv::disc {

// Writes a content archive: a directory of CP1251 names, offsets and sizes,
// then the entries' bytes, both in the order the entries were added.
class ArchiveWriter {
 public:
  static constexpr std::size_t kMaxEntries = 65535;
  static constexpr std::size_t kMaxName = 256;

  // Both throw DiscError for a name longer than 256 bytes or holding a zero
  // byte, and for the 65536th entry.
  void Add(std::string name, std::vector<std::uint8_t> bytes);
  // The file is read when the archive is written.
  void AddFile(std::string name, std::filesystem::path source);

  std::size_t Count() const { return items_.size(); }

  // The whole archive in memory.
  std::vector<std::uint8_t> Build() const;
  // Streams the archive to `out` through a temporary file. Throws DiscError
  // when a source cannot be read or the archive would pass 2 GiB.
  void Write(const std::filesystem::path& out) const;

 private:
  struct Item {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::filesystem::path source;  // empty: `bytes` holds the data
  };
  void Check(const std::string& name) const;
  std::vector<std::uint8_t> Directory(const std::vector<std::uint64_t>& sizes) const;

  std::vector<Item> items_;
};

}  // namespace trv::disc
