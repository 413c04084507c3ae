#include "store/ReadBin.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "store/FileIo.h"

namespace trv {
namespace {

using storeio::Le32;

constexpr std::uint32_t kMaxNameLength = 256;
// Smallest directory entry on disk: the name length, the offset and the size.
constexpr std::uint64_t kMinEntryBytes = 12;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// The CP1251 upper-case table as an array, so that the linear directory scan
// compares without a call per byte.
const std::array<unsigned char, 256>& UpperTable() {
  static const auto table = [] {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(UpperChar1251(static_cast<char>(i)));
    return t;
  }();
  return table;
}

// Equal ignoring CP1251 case. Compared from the end: names in one folder share
// their beginnings, so they differ sooner there.
bool SameName(const std::string& a, const std::string& b, const std::array<unsigned char, 256>& upper) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = a.size(); i-- > 0;)
    if (upper[static_cast<unsigned char>(a[i])] != upper[static_cast<unsigned char>(b[i])]) return false;
  return true;
}

std::string Quoted(const std::string& cp1251) { return "\"" + Cp1251ToUtf8(cp1251) + "\""; }

// Checks an entry against the archive as it is now and reads its bytes into
// `out`, which is resized only once the entry is known to lie inside the file.
bool ReadEntryBytes(const std::filesystem::path& file, const RBin& entry, std::vector<std::uint8_t>& out) {
  const std::string what = "archive " + file.string() + ", entry " + Quoted(entry.name);
  if (entry.offset < 0 || entry.size < 0) {
    Log("store", what + ": negative offset " + std::to_string(entry.offset) + " or size " +
                     std::to_string(entry.size));
    return false;
  }
  storeio::UniqueFd fd(storeio::OpenReadOnly(file.c_str()));
  if (!fd) {
    Log("store", what + ": cannot open the archive: " + std::strerror(errno));
    return false;
  }
  auto fileSize = storeio::RegularFileSize(fd.Get());
  if (!fileSize) {
    Log("store", what + ": the archive is no longer a regular file");
    return false;
  }
  const std::uint64_t end = std::uint64_t(entry.offset) + std::uint64_t(entry.size);
  if (end > *fileSize) {
    Log("store", what + ": " + std::to_string(entry.size) + " bytes at offset " +
                     std::to_string(entry.offset) + " lie past the end of the file (" +
                     std::to_string(*fileSize) + " bytes)");
    return false;
  }
  out.resize(static_cast<std::size_t>(entry.size));
  if (!storeio::ReadAt(fd.Get(), out.data(), out.size(), std::uint64_t(entry.offset))) {
    Log("store", what + ": read failed: " + std::strerror(errno));
    return false;
  }
  return true;
}

}  // namespace

void TReadBin::Open(const std::string& fileName) {
  auto native = ResolvePath(fileName);
  if (!native) throw StoreError("cannot open the archive " + Cp1251ToUtf8(fileName) + ": no such file");
  OpenNative(*native);
}

void TReadBin::OpenNative(const std::filesystem::path& nativePath) {
  std::string why;
  std::unique_ptr<std::FILE, FileCloser> file(storeio::OpenRegularFile(nativePath.c_str(), why));
  if (!file) throw StoreError("cannot open the archive " + nativePath.string() + ": " + why);
  const auto fileSize = storeio::RegularFileSize(fileno(file.get()));
  if (!fileSize) throw StoreError("cannot read the archive " + nativePath.string());

  auto read = [&](void* out, std::size_t n) { return std::fread(out, 1, n, file.get()) == n; };
  const std::string what = "archive " + nativePath.string();
  TDynamicBinArray entries;
  std::uint8_t countBytes[2];
  if (!read(countBytes, 2)) {
    if (std::ferror(file.get())) throw StoreError("cannot read the archive " + nativePath.string());
    Log("store", what + ": too short to hold an entry count; it has no entries");
  } else {
    const std::uint16_t count = storeio::Le16(countBytes);
    // A cut-short directory must not make us reserve 65535 entries for a tiny file.
    entries.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(count, *fileSize / kMinEntryBytes)));
    char name[kMaxNameLength];
    std::uint8_t word[4];
    std::uint8_t tail[8];
    for (std::uint32_t i = 0; i < count; ++i) {
      if (!read(word, 4)) {
        Log("store", what + ": directory cut short in entry " + std::to_string(i + 1) + " of " +
                         std::to_string(count) + "; the rest is dropped");
        break;
      }
      const std::uint32_t length = Le32(word);
      if (length > kMaxNameLength) {
        Log("store", what + ": entry " + std::to_string(i + 1) + " of " + std::to_string(count) +
                         " has a name length of " + std::to_string(length) +
                         " (at most 256); it and the rest are dropped");
        break;
      }
      if (!read(name, length) || !read(tail, 8)) {
        Log("store", what + ": directory cut short in entry " + std::to_string(i + 1) + " of " +
                         std::to_string(count) + "; the rest is dropped");
        break;
      }
      RBin entry;
      entry.name.assign(name, strnlen(name, length));  // a zero byte ends the name early
      entry.offset = static_cast<std::int32_t>(Le32(tail));
      entry.size = static_cast<std::int32_t>(Le32(tail + 4));
      entries.push_back(std::move(entry));
    }
    if (std::ferror(file.get())) throw StoreError("cannot read the archive " + nativePath.string());
  }
  fileName_ = nativePath;
  entries_ = std::move(entries);
}

const RBin* TReadBin::Find(const std::string& name) const {
  const auto& upper = UpperTable();
  for (const RBin& entry : entries_)
    if (SameName(entry.name, name, upper)) return &entry;
  return nullptr;
}

bool TReadBin::Exists(const std::string& name) const { return Find(name) != nullptr; }

std::int32_t TReadBin::ReadToBuffer(const std::string& name, std::vector<std::uint8_t>& buffer) const {
  const RBin* entry = Find(name);
  if (!entry || !ReadEntryBytes(fileName_, *entry, buffer)) return -1;
  return entry->size;
}

bool TReadBin::ReadToStream(const std::string& name, TMemoryStream& stream) const {
  const RBin* entry = Find(name);
  std::vector<std::uint8_t> bytes;
  if (!entry || !ReadEntryBytes(fileName_, *entry, bytes)) return false;
  stream.Bytes() = std::move(bytes);
  stream.Seek(0);
  return true;
}

}  // namespace trv
