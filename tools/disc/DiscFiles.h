#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"

// File helpers of the disc tool: whole-file reads with a bound, writes that
// never leave a half-written file behind, and the file list of a folder.
namespace trv {
class TReadBin;
}

namespace trv::disc {

// Largest input file the tool reads whole (scripts, question banks, pictures).
inline constexpr std::uint64_t kMaxInputFile = std::uint64_t(1) << 30;

// Throws DiscError naming the file when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path,
                                        std::uint64_t maxBytes = kMaxInputFile);

// Writes through a temporary file beside `path`, renamed over it at the end
// (platform/AtomicFile). Throws DiscError naming the file when it cannot.
void WriteWholeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// An output file written through a temporary file: Commit() renames it into
// place; destroyed without Commit() it removes the temporary file. Throws
// DiscError naming the file when a step fails.
class AtomicOutput {
 public:
  explicit AtomicOutput(const std::filesystem::path& path);
  void Write(const void* bytes, std::size_t count);
  void Commit();

 private:
  void Check() const;

  std::filesystem::path path_;
  AtomicFile file_;
};

struct FoundFile {
  std::string name;  // relative to the folder, "\" between components, CP1251
  std::filesystem::path native;
};
// Every regular file under `dir` (linked files included, linked folders not), sorted by name
// bytes so that equal folders give equal lists. Throws DiscError for a name
// that code page 1251 cannot hold or that holds a backslash.
std::vector<FoundFile> CollectFiles(const std::filesystem::path& dir);

// A file name from the file system (UTF-8) in CP1251; throws DiscError when it
// has characters outside the code page.
std::string NameToCp1251(const std::string& utf8);

// The archive: DISC itself, or the Mev.dhl of the folder DISC, its name
// matched ignoring case as the disc's files are. Throws DiscError.
std::filesystem::path FindDiscArchive(const std::filesystem::path& disc);

// Opens the archive at `archivePath` into `archive` and returns the lines of
// its Struct.txt; a DiscError when it holds none.
std::vector<std::string> ReadArchiveStructLines(TReadBin& archive, const std::filesystem::path& archivePath);

}  // namespace trv::disc
