#pragma once

// Archives and trees assembled byte by byte, the way another program would
// write them, so the readers are not only tested against our own writers.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace trv::test {

inline std::string U16(std::uint16_t v) { return {char(v & 0xFF), char(v >> 8)}; }
inline std::string U32(std::uint32_t v) {
  return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}

inline std::string Zlib(const std::string& plain, int level = 9) {
  uLongf size = compressBound(plain.size());
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(plain.data()),
            plain.size(), level);
  out.resize(size);
  return out;
}

// One archive directory entry: `nameLength` may differ from name.size() to
// describe damaged files.
struct HandBin {
  std::string name;
  std::uint32_t offset;
  std::uint32_t size;
};
inline std::string ArchiveDirectoryEntry(const HandBin& e) {
  return U32(std::uint32_t(e.name.size())) + e.name + U32(e.offset) + U32(e.size);
}

// An archive of named contents, data right after the directory.
inline std::string HandArchive(const std::vector<std::pair<std::string, std::string>>& items) {
  std::size_t offset = 2;
  for (const auto& [name, data] : items) offset += 12 + name.size();
  std::string dir = U16(std::uint16_t(items.size()));
  std::string data;
  for (const auto& [name, bytes] : items) {
    dir += ArchiveDirectoryEntry({name, std::uint32_t(offset + data.size()), std::uint32_t(bytes.size())});
    data += bytes;
  }
  return dir + data;
}

constexpr std::uint32_t kGrowthMask = 0x5C3A91D4;
constexpr std::uint32_t kLengthMask = 0x2E7B06C9;

struct HandEntry {
  std::string name;  // written into the 64-byte field, NUL padded
  std::uint32_t offset;
  std::uint32_t stored;
  std::uint32_t unpacked;
  std::uint32_t kind;  // 1 file, 2 folder
};

// A directory block. `folderCount`/`entryCount` of ~0u mean "the real sizes".
struct HandDirectory {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> folders;  // first, count
  std::vector<HandEntry> entries;
  std::uint32_t root = 0;
  std::uint32_t folderCount = ~0u;
  std::uint32_t entryCount = ~0u;

  std::string Block() const {
    std::string b = U32(folderCount == ~0u ? std::uint32_t(folders.size()) : folderCount) +
                    U32(entryCount == ~0u ? std::uint32_t(entries.size()) : entryCount) + U32(0xDEADBEEF) +
                    U32(root);
    for (auto [first, count] : folders) b += U32(first) + U32(count);
    for (const HandEntry& e : entries) {
      std::string name = e.name;
      name.resize(64, '\0');
      b += name + U32(e.offset) + U32(e.stored) + U32(e.unpacked) + U32(e.kind);
    }
    return b;
  }
};

// A whole tree file: the header words, the block (compressed when asked) and the data area.
inline std::string HandTreeFile(const std::string& block, const std::string& data, bool compress = false) {
  if (!compress) return U32(0 ^ kGrowthMask) + U32(std::uint32_t(block.size()) ^ kLengthMask) + block + data;
  std::string packed = Zlib(block);
  std::uint32_t growth = std::uint32_t(block.size() - packed.size());
  return U32(growth ^ kGrowthMask) + U32(std::uint32_t(packed.size()) ^ kLengthMask) + packed + data;
}

// Header words given outright, for damaged headers.
inline std::string HandTreeFileRaw(std::uint32_t growth, const std::string& stored, const std::string& data) {
  return U32(growth ^ kGrowthMask) + U32(std::uint32_t(stored.size()) ^ kLengthMask) + stored + data;
}

// CP1251 text from UTF-8 literals in the tests.
inline std::string Cp(const std::string& utf8) { return Utf8ToCp1251(utf8); }

}  // namespace trv::test
