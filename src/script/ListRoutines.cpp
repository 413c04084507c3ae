#include "script/ListRoutines.h"

#include <deque>
#include <set>
#include <system_error>

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace trv {

bool IndexOfInt(const TDynamicIntegerArray& list, std::int32_t value, std::size_t* index) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == value) {
      if (index) *index = i;
      return true;
    }
  }
  return false;
}

bool ContainsText(const TDynamicStringArray& list, std::string_view text) {
  for (const std::string& s : list)
    if (EqualsNoCaseAscii(s, text)) return true;
  return false;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  // Iterative wildcard match with backtracking to the last "*".
  std::string n = Lower1251(name), m = Lower1251(mask);
  if (m == "*.*") return true;
  std::size_t i = 0, j = 0, star = std::string::npos, mark = 0;
  while (i < n.size()) {
    if (j < m.size() && (m[j] == '?' || m[j] == n[i])) {
      ++i;
      ++j;
    } else if (j < m.size() && m[j] == '*') {
      star = j++;
      mark = i;
    } else if (star != std::string::npos) {
      j = star + 1;
      i = ++mark;
    } else {
      return false;
    }
  }
  while (j < m.size() && m[j] == '*') ++j;
  return j == m.size();
}

TDynamicStringArray FindFiles(std::string_view folder, const TDynamicStringArray& masks, bool recursive,
                              bool includeFolders) {
  TDynamicStringArray result;
  if (folder.empty()) return result;
  TDynamicStringArray lowerMasks;
  for (const std::string& m : masks) lowerMasks.push_back(AsciiLower(m));

  std::string start(folder);
  if (start.back() != '\\') start.push_back('\\');
  std::deque<std::string> queue{start};
  std::set<std::string> queued{Upper1251(start)};
  // Native folders already walked, so that links cannot make the walk circular.
  std::set<std::filesystem::path> seen;

  while (!queue.empty()) {
    std::string dir = std::move(queue.front());
    queue.pop_front();
    auto native = ResolvePath(dir);
    if (native) {
      std::error_code ec;
      auto canonical = std::filesystem::canonical(*native, ec);
      if (!ec && !seen.insert(canonical).second) continue;
    }
    if (includeFolders) result.push_back(dir);
    const std::vector<DirEntry> entries = ListDirectory(dir);
    for (const std::string& mask : lowerMasks) {
      for (const DirEntry& e : entries)
        if (!e.isDirectory && MatchesMask(e.name, mask)) result.push_back(dir + e.name);
      if (!recursive) continue;
      for (const DirEntry& e : entries) {
        if (!e.isDirectory) continue;
        std::string sub = dir + e.name + "\\";
        if (queued.insert(Upper1251(sub)).second) queue.push_back(std::move(sub));
      }
    }
    if (result.size() >= kMaxFoundFiles) {
      Log("script", "file search under " + Cp1251ToUtf8(folder) + " stopped at " +
                        std::to_string(kMaxFoundFiles) + " results");
      result.resize(kMaxFoundFiles);
      break;
    }
  }
  return result;
}

bool FindWindowByTitle(Shell& shell, const std::string& caption, WindowRef* window) {
  auto found = shell.FindWindowByTitle(caption);
  if (!found) return false;
  if (window) *window = *found;
  return true;
}

}  // namespace trv
