#include "shell/SystemCommandRules.h"

#include <algorithm>
#include <deque>
#include <system_error>

#include "platform/Text.h"

namespace trv {
namespace fs = std::filesystem;

std::vector<std::string> SplitParameters(std::string_view text) {
  std::vector<std::string> out;
  std::string current;
  bool quoted = false, inArgument = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == '"') {
      current += '"';
      inArgument = true;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if (!quoted && static_cast<unsigned char>(c) <= ' ') {
      if (inArgument) out.push_back(current);
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) out.push_back(current);
  return out;
}

std::string FolderOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

ProgramToStart InstalledGameProgram(std::string_view instdir, std::string_view exename, std::string_view fallback) {
  ProgramToStart p;
  std::string name(exename);
  const std::size_t at = Lower1251(name).find(".exe");
  if (at != std::string::npos) {
    p.parameters = name.substr(at + 4);
    name.resize(at + 4);
  }
  if (name.empty()) {
    p.file = std::string(fallback);
    return p;
  }
  std::string dir(instdir);
  if (dir.empty() || dir.back() != '\\') dir += '\\';
  p.file = dir + name;
  return p;
}

std::string UninstallLogFolder(std::string folder, const std::function<bool(const std::string&)>& logExists) {
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  while (!folder.empty() && !logExists(folder)) {
    const std::size_t slash = folder.find_last_of("\\/");
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash);
  }
  return folder;
}

const std::vector<std::string>& HelpWindowCaptions() {
  static const std::vector<std::string> captions = {
      Utf8ToCp1251("ТРИВИОН"), Utf8ToCp1251("Справка: ТРИВИОН"), Utf8ToCp1251("Help Topics: ТРИВИОН"),
      Utf8ToCp1251("Справочная система: ТРИВИОН"), Utf8ToCp1251("Help System: ТРИВИОН")};
  return captions;
}

namespace {

// `inner` is `outer` or lies inside it.
bool Within(const fs::path& inner, const fs::path& outer) {
  auto i = inner.begin(), o = outer.begin();
  for (; o != outer.end(); ++o, ++i) {
    if (o->empty()) continue;  // a trailing separator
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

fs::path Canonical(const fs::path& p) {
  std::error_code ec;
  fs::path c = fs::weakly_canonical(p, ec);
  return ec ? p.lexically_normal() : c;
}

}  // namespace

bool MayRemoveLeftovers(const fs::path& folder, const std::vector<fs::path>& keep, std::string* why) {
  std::error_code ec;
  if (!folder.is_absolute()) {
    *why = "it is not an absolute path";
    return false;
  }
  const fs::file_status status = fs::symlink_status(folder, ec);
  if (ec || !fs::is_directory(status)) {
    *why = fs::is_symlink(status) ? "it is a link" : "it is not a folder";
    return false;
  }
  const fs::path f = Canonical(folder);
  if (f == f.root_path()) {
    *why = "it is the root folder";
    return false;
  }
  for (const fs::path& k : keep) {
    if (k.empty()) continue;
    const fs::path c = Canonical(k);
    if (Within(c, f)) {
      *why = "it holds " + c.string();
      return false;
    }
  }
  return true;
}

std::size_t RemoveLeftovers(const fs::path& folder) {
  std::vector<fs::path> entries, folders;
  std::deque<fs::path> queue{folder};
  std::error_code ec;
  // Breadth first, as the uninstaller's own listing goes.
  while (!queue.empty()) {
    const fs::path dir = queue.front();
    queue.pop_front();
    folders.push_back(dir);
    for (fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
         it.increment(ec)) {
      const fs::file_status s = it->symlink_status(ec);
      if (ec) break;
      if (fs::is_directory(s)) queue.push_back(it->path());
      else entries.push_back(it->path());
    }
    ec.clear();
  }
  std::size_t removed = 0;
  auto removeOne = [&](const fs::path& p) {
    std::error_code e;
    if (fs::remove(p, e)) return true;
    // Read-only: a file goes when its folder may be written, a folder when it may be listed.
    fs::permissions(p.parent_path(), fs::perms::owner_all, fs::perm_options::add, e);
    if (!fs::is_symlink(fs::symlink_status(p, e))) fs::permissions(p, fs::perms::owner_all, fs::perm_options::add, e);
    return fs::remove(p, e);
  };
  for (const fs::path& p : entries) removed += removeOne(p) ? 1 : 0;
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) removed += removeOne(*it) ? 1 : 0;
  return removed;
}

}  // namespace trv
