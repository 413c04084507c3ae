#include "platform/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "platform/Log.h"
#include "platform/RegularFile.h"
#include "platform/Text.h"

namespace fs = std::filesystem;

namespace trv {
namespace {

std::string ReplaceSlashes(std::string s, char from, char to) {
  std::replace(s.begin(), s.end(), from, to);
  return s;
}

}  // namespace

std::vector<std::string> SplitWindowsPath(std::string_view path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (c == '\\' || c == '/') {
      if (!cur.empty()) parts.push_back(std::move(cur));
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) parts.push_back(std::move(cur));
  return parts;
}

namespace {

std::string_view StripDrive(std::string_view p) {
  if (p.size() >= 2 && p[1] == ':' &&
      ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')))
    return p.substr(2);
  return p;
}

// The entry of `dir` whose CP1251 name equals `name` ignoring case; the first
// in name order, so the choice does not depend on the directory's own order.
std::optional<fs::path> FindNoCase(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  std::vector<fs::path> candidates;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    bool ok = true;
    std::string n = Utf8ToCp1251(it->path().filename().string(), &ok);
    if (ok && EqualsNoCase1251(n, name)) candidates.push_back(it->path());
  }
  if (candidates.empty()) return std::nullopt;
  std::sort(candidates.begin(), candidates.end());
  return candidates.front();
}

}  // namespace

std::string ToWindowsPath(const fs::path& native, bool* ok) {
  return ReplaceSlashes(Utf8ToCp1251(native.string(), ok), '/', '\\');
}

std::string ToWindowsDir(const fs::path& nativeDir, bool* ok) {
  std::string s = ToWindowsPath(nativeDir, ok);
  if (s.empty() || s.back() != '\\') s.push_back('\\');
  return s;
}

fs::path ToNativePath(std::string_view windowsPath) {
  std::string_view rest = StripDrive(windowsPath);
  return fs::path(ReplaceSlashes(Cp1251ToUtf8(rest), '\\', '/'));
}

std::optional<fs::path> ResolvePath(std::string_view windowsPath) {
  if (windowsPath.empty()) return std::nullopt;
  fs::path exact = ToNativePath(windowsPath);
  std::error_code ec;
  if (fs::exists(exact, ec)) return exact;

  std::string_view rest = StripDrive(windowsPath);
  bool absolute = !rest.empty() && (rest[0] == '\\' || rest[0] == '/');
  fs::path cur = absolute ? fs::path("/") : fs::path(".");
  for (const std::string& part : SplitWindowsPath(rest)) {
    if (part == ".") continue;
    if (part == "..") {
      cur = cur.parent_path();
      continue;
    }
    fs::path direct = cur / fs::path(Cp1251ToUtf8(part));
    if (fs::exists(direct, ec)) {
      cur = direct;
      continue;
    }
    auto found = FindNoCase(cur, part);
    if (!found) return std::nullopt;
    cur = *found;
  }
  if (!absolute && cur.string().rfind("./", 0) == 0) cur = cur.string().substr(2);
  return cur;
}

std::string ComputeRootDir(std::string_view programDir) {
  std::size_t at = FindNoCase1251(programDir, "run\\");
  std::string r(programDir);
  if (at != std::string_view::npos) r.erase(at, 4);
  return r;
}

DiscPaths ComputeDiscPaths(const fs::path& nativeDir) {
  DiscPaths d;
  std::error_code ec;
  fs::path abs = fs::absolute(nativeDir, ec);
  if (ec) abs = nativeDir;
  abs = abs.lexically_normal();
  if (abs.has_filename() == false && abs != abs.root_path()) abs = abs.parent_path();
  d.nativeDir = abs;
  d.programDir = ToWindowsDir(abs);
  // The mount point: walk up while the device stays the same.
  fs::path mount = abs;
  struct stat st{};
  if (::stat(abs.c_str(), &st) == 0) {
    dev_t dev = st.st_dev;
    while (mount != mount.root_path()) {
      fs::path parent = mount.parent_path();
      struct stat ps{};
      if (::stat(parent.c_str(), &ps) != 0 || ps.st_dev != dev) break;
      mount = parent;
    }
  } else {
    mount = abs.root_path();
  }
  d.cdRoot = ToWindowsDir(mount);
  d.rootDir = ComputeRootDir(d.programDir);
  return d;
}

fs::path ExecutableDir() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path(ec);
  return exe.parent_path();
}

fs::path LocateDisc(const fs::path& exeDir) {
  std::error_code ec;
  if (fs::exists(exeDir / "Mev.dhl", ec)) return exeDir;
  if (const char* env = std::getenv("TRIVION_DISC"); env && *env) return fs::path(env);
  return (exeDir / ".." / "share" / "trivion" / "disc").lexically_normal();
}

std::optional<std::vector<std::uint8_t>> ReadNativeFile(const fs::path& path, std::uint64_t maxBytes,
                                                        std::string* error) {
  std::string why;
  auto bytes = ReadRegularFile(path, maxBytes, &why);
  if (!bytes && error) *error = "cannot read " + path.string() + ": " + why;
  return bytes;
}

std::vector<DirEntry> ListDirectory(std::string_view windowsDir) {
  std::vector<DirEntry> out;
  auto dir = ResolvePath(windowsDir);
  if (!dir) return out;
  std::error_code ec;
  for (fs::directory_iterator it(*dir, ec), end; !ec && it != end; it.increment(ec)) {
    bool ok = true;
    std::string name = Utf8ToCp1251(it->path().filename().string(), &ok);
    if (!ok) {
      Log("paths", "skipped a file name that code page 1251 cannot hold: " + it->path().string());
      continue;
    }
    std::error_code dirEc;
    out.push_back({name, it->is_directory(dirEc), it->path()});
  }
  std::sort(out.begin(), out.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  return out;
}

fs::path UserFontDir() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data == '/') return fs::path(data) / "fonts";
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return fs::path(home) / ".local" / "share" / "fonts";
  return {};
}

}  // namespace trv
