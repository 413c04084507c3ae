#include "disc/DiscFiles.h"

#include <algorithm>
#include <functional>

#include "disc/DiscError.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "script/ScriptLines.h"
#include "store/ReadBin.h"

namespace fs = std::filesystem;

namespace trv::disc {

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path, std::uint64_t maxBytes) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) throw DiscError("cannot read " + path.string() + ": not a file");
  std::string error;
  auto bytes = ReadNativeFile(path, maxBytes, &error);
  if (!bytes) throw DiscError(error);
  return std::move(*bytes);
}

AtomicOutput::AtomicOutput(const fs::path& path) : path_(path), file_(path) { Check(); }

void AtomicOutput::Check() const {
  if (!file_.Ok()) throw DiscError("cannot write " + path_.string() + ": " + file_.Error());
}

void AtomicOutput::Write(const void* bytes, std::size_t count) {
  file_.Write(bytes, count);
  Check();
}

void AtomicOutput::Commit() {
  file_.Commit();
  Check();
}

void WriteWholeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  AtomicOutput out(path);
  out.Write(bytes.data(), bytes.size());
  out.Commit();
}

std::string NameToCp1251(const std::string& utf8) {
  bool ok = true;
  std::string name = Utf8ToCp1251(utf8, &ok);
  if (!ok) throw DiscError("the name \"" + utf8 + "\" cannot be written in code page 1251");
  return name;
}

std::vector<FoundFile> CollectFiles(const fs::path& dir) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) throw DiscError(dir.string() + " is not a folder");
  std::vector<FoundFile> files;
  // Linked folders are not followed: a link to a parent would never end.
  for (fs::recursive_directory_iterator it(dir, ec), end; it != end; it.increment(ec)) {
    if (ec) break;
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc)) continue;
    std::string name = NameToCp1251(it->path().lexically_relative(dir).generic_string());
    if (name.find('\\') != std::string::npos)
      throw DiscError("the name \"" + it->path().string() + "\" holds a backslash, the separator of stored names");
    std::replace(name.begin(), name.end(), '/', '\\');
    files.push_back({std::move(name), it->path()});
  }
  if (ec) throw DiscError("cannot list " + dir.string() + ": " + ec.message());
  std::sort(files.begin(), files.end(), [](const FoundFile& a, const FoundFile& b) { return a.name < b.name; });
  return files;
}

fs::path FindDiscArchive(const fs::path& disc) {
  std::error_code ec;
  if (!fs::is_directory(disc, ec)) {
    if (fs::is_regular_file(disc, ec)) return disc;
    throw DiscError(disc.string() + ": no such archive or folder");
  }
  fs::path exact = disc / "Mev.dhl";
  if (fs::is_regular_file(exact, ec)) return exact;
  std::vector<fs::path> matches;
  for (const fs::directory_entry& e : fs::directory_iterator(disc, ec))
    if (EqualsNoCaseAscii(e.path().filename().string(), "mev.dhl") && e.is_regular_file(ec))
      matches.push_back(e.path());
  if (matches.empty()) throw DiscError(disc.string() + ": the folder holds no Mev.dhl");
  std::sort(matches.begin(), matches.end());
  return matches.front();
}

std::vector<std::string> ReadArchiveStructLines(TReadBin& archive, const std::filesystem::path& archivePath) {
  archive.OpenNative(archivePath);
  std::vector<std::uint8_t> script;
  if (archive.ReadToBuffer("Struct.txt", script) < 0)
    throw DiscError(archivePath.string() + " holds no readable Struct.txt");
  std::vector<std::string> lines;
  SplitLines(script.data(), script.size(), true, lines);
  return lines;
}

}  // namespace trv::disc
