#include "store/PackedTree.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "store/FileIo.h"
#include "store/Inflate.h"
#include "store/ReadBin.h"

namespace trv {
namespace {

using storeio::Le32;
namespace fs = std::filesystem;

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kDirectoryHeader = 16;
constexpr std::size_t kFolderRecord = 8;
// No real directory comes near this (it would list three million entries); a
// larger one is refused rather than allocated.
constexpr std::uint64_t kMaxDirectory = 256u << 20;

struct Directory {
  std::vector<TPackedTree::Folder> folders;
  std::vector<TPackedTree::Entry> entries;
  std::uint32_t root = 0;
  std::uint64_t dataStart = 0;
};

// Reads and checks the header and directory block; `why` explains a refusal.
bool LoadDirectory(int fd, std::uint64_t fileSize, Directory& dir, std::string& why) {
  std::uint8_t head[kHeaderSize];
  if (fileSize < kHeaderSize || !storeio::ReadAt(fd, head, kHeaderSize, 0)) {
    why = "shorter than its 8-byte header";
    return false;
  }
  const std::uint32_t growth = Le32(head) ^ TPackedTree::kGrowthMask;
  const std::uint32_t length = Le32(head + 4) ^ TPackedTree::kLengthMask;
  if (length > fileSize - kHeaderSize) {
    why = "its directory block of " + std::to_string(length) + " bytes runs past the end of the file (" +
          std::to_string(fileSize) + " bytes)";
    return false;
  }
  if (growth == 0 && length > kMaxDirectory) {
    why = "its directory block of " + std::to_string(length) + " bytes is implausibly large";
    return false;
  }
  std::vector<std::uint8_t> stored(length);
  if (!storeio::ReadAt(fd, stored.data(), stored.size(), kHeaderSize)) {
    why = std::string("the directory block cannot be read: ") + std::strerror(errno);
    return false;
  }
  std::vector<std::uint8_t> block;
  if (growth == 0) {
    block = std::move(stored);
  } else {
    // The writer stores the inflated length minus L; the sum wraps like its arithmetic.
    const std::uint32_t capacity = growth + length;
    if (capacity > kMaxDirectory) {
      why = "its directory claims to inflate to " + std::to_string(capacity) + " bytes";
      return false;
    }
    // No stream of `length` bytes can fill more than this; allocating more is waste.
    block.resize(static_cast<std::size_t>(std::min<std::uint64_t>(capacity, storeio::MaxInflatedSize(length))));
    std::string reason;
    if (!storeio::InflateInto(stored, block, reason)) {
      why = "its compressed directory " + reason;
      return false;
    }
  }
  if (block.size() < kDirectoryHeader) {
    why = "its directory of " + std::to_string(block.size()) + " bytes is shorter than its 16-byte header";
    return false;
  }
  const std::uint32_t folderCount = Le32(block.data());
  const std::uint32_t entryCount = Le32(block.data() + 4);
  const std::uint32_t root = Le32(block.data() + 12);
  const std::uint64_t needed =
      kDirectoryHeader + std::uint64_t(folderCount) * kFolderRecord + std::uint64_t(entryCount) * TPackedTree::kEntrySize;
  if (needed > block.size()) {
    why = std::to_string(folderCount) + " folders and " + std::to_string(entryCount) + " entries do not fit its " +
          std::to_string(block.size()) + "-byte directory";
    return false;
  }
  if (root >= folderCount) {
    why = "its root folder " + std::to_string(root) + " is not one of its " + std::to_string(folderCount) + " folders";
    return false;
  }
  const std::uint8_t* p = block.data() + kDirectoryHeader;
  dir.folders.resize(folderCount);
  for (auto& folder : dir.folders) {
    folder.first = Le32(p);
    folder.count = Le32(p + 4);
    p += kFolderRecord;
  }
  dir.entries.resize(entryCount);
  for (auto& entry : dir.entries) {
    std::memcpy(entry.name, p, TPackedTree::kNameSize);
    entry.offset = Le32(p + 64);
    entry.stored = Le32(p + 68);
    entry.unpacked = Le32(p + 72);
    entry.kind = Le32(p + 76);
    p += TPackedTree::kEntrySize;
  }
  dir.root = root;
  dir.dataStart = kHeaderSize + std::uint64_t(length);
  return true;
}

// The name field equals `name` when it holds exactly those bytes followed by a
// NUL or the end of the field.
bool NameEquals(const TPackedTree::Entry& entry, std::string_view name) {
  return name.size() <= TPackedTree::kNameSize && std::memcmp(entry.name, name.data(), name.size()) == 0 &&
         (name.size() == TPackedTree::kNameSize || entry.name[name.size()] == '\0');
}

int FindIn(const std::vector<TPackedTree::Folder>& folders, const std::vector<TPackedTree::Entry>& entries,
           std::string_view name, std::uint32_t folderIndex, int kind) {
  if (folderIndex >= folders.size()) {
    if (!folders.empty())
      Log("store", "tree: folder " + std::to_string(folderIndex) + " does not exist (the tree has " +
                       std::to_string(folders.size()) + ")");
    return -1;
  }
  const TPackedTree::Folder& folder = folders[folderIndex];
  // A count with the top bit set is negative to the format's signed readers.
  if (folder.count == 0 || folder.count > 0x7FFFFFFFu) return -1;
  if (std::uint64_t(folder.first) + folder.count > entries.size()) {
    Log("store", "tree: folder " + std::to_string(folderIndex) + " lists entries " + std::to_string(folder.first) +
                     " to " + std::to_string(std::uint64_t(folder.first) + folder.count - 1) + " of a table of " +
                     std::to_string(entries.size()));
    return -1;
  }
  // An entry name never holds a NUL, so such a name can equal none.
  if (name.find('\0') != std::string_view::npos) return -1;
  const std::uint32_t end = folder.first + folder.count;
  for (std::uint32_t i = folder.first; i < end; ++i) {
    // The first equal name decides, whatever its kind.
    if (NameEquals(entries[i], name)) return std::uint32_t(entries[i].kind) == std::uint32_t(kind) ? int(i) : -1;
  }
  return -1;
}

std::string QuotedPath(const std::string& cp1251) { return "\"" + Cp1251ToUtf8(cp1251) + "\""; }

}  // namespace

std::string TPackedTree::Entry::Name() const { return std::string(name, strnlen(name, kNameSize)); }

TPackedTree::~TPackedTree() { Release(); }

void TPackedTree::Release() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  fileSize_ = 0;
  folders_.clear();
  entries_.clear();
  root_ = 0;
  dataStart_ = 0;
  prefix_.clear();
}

int TPackedTree::OpenTree(const std::string& fileName) {
  Release();
  auto native = ResolvePath(fileName);
  if (!native) throw StoreError("cannot open the tree " + Cp1251ToUtf8(fileName) + ": no such file");
  return OpenTreeNative(*native);
}

int TPackedTree::OpenTreeNative(const fs::path& nativePath) {
  Release();
  std::string why;
  std::FILE* file = storeio::OpenRegularFile(nativePath.c_str(), why);
  if (!file) throw StoreError("cannot open the tree " + nativePath.string() + ": " + why);
  const auto size = storeio::RegularFileSize(fileno(file));
  if (!size) {
    std::fclose(file);
    throw StoreError("cannot read the tree " + nativePath.string());
  }
  Directory dir;
  bool ok = false;
  try {
    ok = LoadDirectory(fileno(file), *size, dir, why);
  } catch (const std::bad_alloc&) {
    why = "its directory does not fit in memory";
  }
  if (!ok) {
    std::fclose(file);
    Log("store", "tree " + nativePath.string() + " refused: " + why);
    return -1;
  }
  file_ = file;
  fileSize_ = *size;
  folders_ = std::move(dir.folders);
  entries_ = std::move(dir.entries);
  root_ = dir.root;
  dataStart_ = dir.dataStart;
  return 0;
}

int TPackedTree::SetPathPrefix(const std::string& prefix) {
  if (prefix.size() > kMaxPath) {
    Log("store", "tree: a path prefix of " + std::to_string(prefix.size()) + " characters is cut to " +
                     std::to_string(kMaxPath));
    prefix_ = NormalizePath(prefix.substr(0, kMaxPath));
  } else {
    prefix_ = NormalizePath(prefix);
  }
  return 0;
}

int TPackedTree::FindFile(const std::string& path) const {
  if (folders_.empty()) return -1;
  if (path.size() > kMaxPath) {
    Log("store", "tree: a path of " + std::to_string(path.size()) + " characters is longer than " +
                     std::to_string(kMaxPath) + "; not looked up");
    return -1;
  }
  const std::string normal = NormalizePath(path);
  std::string_view rest = normal;
  if (!prefix_.empty() && rest.starts_with(prefix_)) rest.remove_prefix(prefix_.size());
  if (rest.starts_with('\\')) rest.remove_prefix(1);
  std::uint32_t folder = root_;
  for (;;) {
    const std::size_t cut = rest.find('\\');
    const std::string_view name = rest.substr(0, cut);
    if (name.size() > kMaxComponent) {
      Log("store", "tree: path " + QuotedPath(path) + " has a component longer than " +
                       std::to_string(kMaxComponent) + " characters; not looked up");
      return -1;
    }
    if (cut == std::string_view::npos) {
      // A path that ends in "\" names a folder, never a file.
      if (name.empty()) return -1;
      return FindIn(folders_, entries_, name, folder, kKindFile);
    }
    const int at = FindIn(folders_, entries_, name, folder, kKindFolder);
    if (at < 0) return -1;
    folder = entries_[std::size_t(at)].offset;
    if (folder >= folders_.size()) {
      Log("store", "tree: folder entry " + std::to_string(at) + " names folder " + std::to_string(folder) +
                       " of " + std::to_string(folders_.size()) + " while looking up " + QuotedPath(path));
      return -1;
    }
    rest.remove_prefix(cut + 1);
  }
}

int TPackedTree::FindInFolder(const std::string& name, std::uint32_t folder, int kind) const {
  return FindIn(folders_, entries_, name, folder, kind);
}

int TPackedTree::ReadEntry(int index, TMemoryStream& stream) const {
  if (index < 0 || std::size_t(index) >= entries_.size() || !file_) return -1;
  const Entry& entry = entries_[std::size_t(index)];
  if (entry.kind != std::uint32_t(kKindFile)) return -1;
  auto damaged = [&](const std::string& why) {
    Log("store", "tree entry " + std::to_string(index) + " " + QuotedPath(entry.Name()) + " is damaged: " + why);
    stream.Clear();
    return kDamaged;
  };
  const std::uint64_t dataSize = fileSize_ - std::min(fileSize_, dataStart_);
  if (std::uint64_t(entry.offset) + entry.stored > dataSize) {
    return damaged(std::to_string(entry.stored) + " bytes at offset " + std::to_string(entry.offset) +
                   " lie past the end of the data area (" + std::to_string(dataSize) + " bytes)");
  }
  const std::uint64_t at = dataStart_ + entry.offset;
  const int fd = fileno(file_);
  std::vector<std::uint8_t> bytes;
  try {
    if (entry.stored == entry.unpacked) {
      bytes.resize(entry.stored);
      if (!storeio::ReadAt(fd, bytes.data(), bytes.size(), at))
        return damaged(std::string("read failed: ") + std::strerror(errno));
    } else {
      if (entry.unpacked > storeio::MaxInflatedSize(entry.stored)) {
        return damaged(std::to_string(entry.stored) + " compressed bytes cannot hold " +
                       std::to_string(entry.unpacked) + " bytes");
      }
      std::vector<std::uint8_t> packed(entry.stored);
      if (!storeio::ReadAt(fd, packed.data(), packed.size(), at))
        return damaged(std::string("read failed: ") + std::strerror(errno));
      bytes.resize(entry.unpacked);
      std::string why;
      if (!storeio::InflateInto(packed, bytes, why)) return damaged("its data " + why);
    }
  } catch (const std::bad_alloc&) {
    return damaged("it does not fit in memory");
  }
  stream.Bytes() = std::move(bytes);
  stream.Seek(0);
  return 0;
}

int TPackedTree::LoadFromTree(const std::string& path, TMemoryStream& stream) const {
  const int index = FindFile(path);
  if (index < 0) return -1;
  return ReadEntry(index, stream);
}

std::string NormalizePath(std::string path) {
  for (char& c : path) {
    const auto b = static_cast<unsigned char>(c);
    if (b == '/')
      c = '\\';
    else if (b >= 'a' && b <= 'z')
      c = static_cast<char>(b - 32);
    else if (b >= 0xE0)
      c = static_cast<char>(b - 0x20);
  }
  return path;
}

}  // namespace trv
