#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/MemoryStream.h"

namespace trv {

// Raised when an archive or tree file cannot be opened or read at all.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One directory entry of the content archive.
struct RBin {
  std::string name;  // CP1251
  std::int32_t offset = 0;
  std::int32_t size = 0;
};
using TDynamicBinArray = std::vector<RBin>;

// Reader of the content archive Mev.dhl: a directory of named entries followed
// by their bytes. The directory is read once; every read opens the file again.
class TReadBin {
 public:
  // Remembers the archive (a Windows path, resolved like every script path) and
  // reads its directory. Throws StoreError when the file cannot be opened.
  // A directory that is cut short or names impossible lengths is cut at the last
  // whole entry, with a log line.
  void Open(const std::string& fileName);
  void OpenNative(const std::filesystem::path& nativePath);

  // Names compare ignoring CP1251 case; the first equal entry wins.
  bool Exists(const std::string& name) const;
  // Resizes `buffer` to the entry and fills it; the size, or -1 when there is
  // no such entry or it cannot be read (it lies outside the file, the file is gone).
  std::int32_t ReadToBuffer(const std::string& name, std::vector<std::uint8_t>& buffer) const;
  // Replaces the stream's content with the entry's bytes, position 0.
  bool ReadToStream(const std::string& name, TMemoryStream& stream) const;

  const TDynamicBinArray& Entries() const { return entries_; }
  const std::filesystem::path& FileName() const { return fileName_; }

 private:
  const RBin* Find(const std::string& name) const;

  std::filesystem::path fileName_;
  TDynamicBinArray entries_;
};

}  // namespace trv
