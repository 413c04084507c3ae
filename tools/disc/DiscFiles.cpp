#include "disc/DiscFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "disc/DiscError.h"
#include "platform/Paths.h"
#include "platform/Text.h"

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

AtomicOutput::AtomicOutput(const fs::path& path) : path_(path) {
  std::string tmpl = path.string() + ".tmp-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  fd_ = ::mkostemp(buf.data(), O_CLOEXEC);
  if (fd_ < 0) throw DiscError("cannot write " + path.string() + ": " + std::strerror(errno));
  temp_ = buf.data();
}

AtomicOutput::~AtomicOutput() {
  if (fd_ >= 0) {
    ::close(fd_);
    std::error_code ec;
    fs::remove(temp_, ec);
  }
}

void AtomicOutput::Write(const void* bytes, std::size_t count) {
  const auto* p = static_cast<const char*>(bytes);
  while (count > 0) {
    ssize_t n = ::write(fd_, p, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw DiscError("cannot write " + path_.string() + ": " + std::strerror(errno));
    p += n;
    count -= std::size_t(n);
  }
}

void AtomicOutput::Commit() {
  // mkostemp makes the file private; an output file gets the usual rights.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0666 & ~mask);
  if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
    fd_ = -1;
    std::error_code ec;
    fs::remove(temp_, ec);
    throw DiscError("cannot write " + path_.string() + ": " + std::strerror(errno));
  }
  fd_ = -1;
  std::error_code ec;
  fs::rename(temp_, path_, ec);
  if (ec) {
    fs::remove(temp_, ec);
    throw DiscError("cannot write " + path_.string() + ": " + ec.message());
  }
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

}  // namespace trv::disc
