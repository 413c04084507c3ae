#include "script/ExpandPath.h"

#include "platform/Text.h"

namespace trv {

std::string CombinePath(std::string base, std::string_view relative) {
  // Anchor: the drive and, when there is one, the first folder level.
  std::size_t anchor = 0;
  std::size_t drive = base.find(":\\");
  if (drive != std::string::npos) {
    std::size_t afterDrive = drive + 2;
    std::size_t slash = base.find('\\', afterDrive);
    anchor = drive + 2 + (slash == std::string::npos ? 0 : slash - afterDrive + 1);
  } else {
    std::size_t slash = base.find('\\');
    anchor = slash == std::string::npos ? 0 : slash + 1;
  }
  if (anchor == 0) {
    base.push_back('\\');
    anchor = base.size();
  } else if (base.empty() || base.back() != '\\') {
    base.push_back('\\');
  }

  std::string rel = Trim(relative);
  std::string result;
  if (!rel.empty() && rel[0] == '\\')
    result = base.substr(0, anchor) + rel.substr(1);
  else
    result = base + rel;

  // Resolve "\..\" from the left, never above the anchor.
  for (;;) {
    std::size_t k = result.find("\\..\\");
    if (k == std::string::npos) break;
    std::size_t k1 = k + 1;  // 1-based position of the "\"
    if (k1 > anchor) {
      std::size_t prev = k == 0 ? std::string::npos : result.rfind('\\', k - 1);
      if (prev == std::string::npos) break;
      std::size_t j = prev + 1;  // start of the folder name that ends at k
      result.erase(j, k - j + 4);
    } else {
      result.erase(k + 1, 3);
    }
  }
  return result;
}

std::string ExpandPath(std::string_view text, const ScriptPaths& paths) {
  std::size_t cd = text.find("<cd>");
  if (cd != std::string_view::npos) {
    std::string r(text);
    r.replace(cd, 4, paths.cdRoot);
    return r;
  }
  if (text.find(":\\") != std::string_view::npos) return std::string(text);
  if (text.find('.') == std::string_view::npos && text.find('\\') == std::string_view::npos)
    return std::string(text);
  if (text.find("XML:") != std::string_view::npos) return std::string(text);
  std::size_t eq = text.rfind('=');
  if (eq != std::string_view::npos)
    return std::string(text.substr(0, eq + 1)) + CombinePath(paths.programDir, text.substr(eq + 1));
  return CombinePath(paths.programDir, text);
}

std::string FirstArgument(std::string_view text, const ScriptPaths& paths) {
  std::size_t p = text.find('=');
  if (p == std::string_view::npos) return {};
  std::size_t q = text.rfind('=');
  std::string_view arg = p == q ? text.substr(p + 1) : text.substr(p + 1, q - p - 1);
  return ExpandPath(arg, paths);
}

std::string SecondArgument(std::string_view text, const ScriptPaths& paths) {
  std::size_t p = text.find('=');
  std::size_t q = text.rfind('=');
  if (p == std::string_view::npos || p == q) return {};
  return ExpandPath(text.substr(q + 1), paths);
}

}  // namespace trv
