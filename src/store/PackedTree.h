#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "store/MemoryStream.h"

namespace trv {

// The packed interface tree (interface.dat): folders and files, the directory
// and each file optionally zlib-compressed. One instance per process, opened at
// start-up and kept open; TComprStream reads through it.
class TPackedTree {
 public:
  static constexpr std::uint32_t kGrowthMask = 0x5C3A91D4;
  static constexpr std::uint32_t kLengthMask = 0x2E7B06C9;
  static constexpr int kKindFile = 1;
  static constexpr int kKindFolder = 2;
  static constexpr std::size_t kNameSize = 64;
  static constexpr std::size_t kEntrySize = 80;
  static constexpr std::size_t kMaxPath = 1024;
  static constexpr std::size_t kMaxComponent = 100;

  struct Folder {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
  };
  struct Entry {
    char name[kNameSize] = {};
    std::uint32_t offset = 0;  // file: data offset; folder: folder index
    std::uint32_t stored = 0;
    std::uint32_t unpacked = 0;
    std::uint32_t kind = 0;
    std::string Name() const;  // up to the first NUL, at most 64 bytes
  };

  TPackedTree() = default;
  ~TPackedTree();
  TPackedTree(const TPackedTree&) = delete;
  TPackedTree& operator=(const TPackedTree&) = delete;

  // Releases an earlier tree and reads the directory of `fileName` (a Windows
  // path). Returns 0. Throws StoreError when the file cannot be opened; a
  // directory that cannot be read or inflated, or whose counts do not fit the
  // block, leaves the tree empty with a log line and returns -1.
  int OpenTree(const std::string& fileName);
  int OpenTreeNative(const std::filesystem::path& nativePath);
  bool IsOpen() const { return file_ != nullptr; }

  int SetPathPrefix(const std::string& prefix);
  const std::string& PathPrefix() const { return prefix_; }

  int FindFile(const std::string& path) const;
  int FindInFolder(const std::string& name, std::uint32_t folder, int kind) const;
  // 0 on success; -1 when `index` is not a file entry; kDamaged (with a log
  // line) when its data lies outside the file or does not inflate to its size.
  int ReadEntry(int index, TMemoryStream& stream) const;
  // FindFile then ReadEntry; -1 when the tree holds no such file.
  int LoadFromTree(const std::string& path, TMemoryStream& stream) const;
  static constexpr int kDamaged = -2;

  const std::vector<Folder>& Folders() const { return folders_; }
  const std::vector<Entry>& Entries() const { return entries_; }
  std::uint32_t RootFolder() const { return root_; }

 private:
  void Release();

  std::FILE* file_ = nullptr;
  std::uint64_t fileSize_ = 0;
  std::vector<Folder> folders_;
  std::vector<Entry> entries_;
  std::uint32_t root_ = 0;
  std::uint64_t dataStart_ = 0;
  std::string prefix_;
};

// Upper-case normal form of tree names: "/" to "\", a..z and CP1251 а..я to
// capitals, every other byte (ё included) unchanged.
std::string NormalizePath(std::string path);

// A memory stream holding the whole content of one file: from the tree when it
// holds the name, otherwise from the disk file of that name (a Windows path).
// Throws StoreError when neither gives the file, or when the tree's copy is damaged.
class TComprStream : public TMemoryStream {
 public:
  TComprStream(const TPackedTree& tree, const std::string& fileName, std::uint16_t mode = 0);
};

}  // namespace trv
