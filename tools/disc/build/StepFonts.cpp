// content/fonts/fonts.txt: the faces that lie beside the program. Each line:
//   FILE.ttf "INSTALLED FAMILY" ["NEW FAMILY"]
// copies the installed face, and with a new family name (of the same length)
// renames it in the face's name table, so that the disc brings a family the
// desktop does not have and the skin can show that it was registered.
#include <sstream>

#include "disc/DiscFiles.h"
#include "disc/build/PictureRecipes.h"
#include "disc/build/StepFiles.h"
#include "disc/build/Steps.h"
#include "platform/fonts/FontMatch.h"

namespace trv::disc {
namespace {

// Replaces the family in both encodings of the name table (Mac Roman bytes
// and UTF-16 big-endian); the lengths are equal, so no offset moves.
int RenameFamily(std::vector<std::uint8_t>& face, const std::string& from, const std::string& to) {
  auto utf16 = [](const std::string& s) {
    std::string out;
    for (char c : s) out += std::string(1, '\0') + c;
    return out;
  };
  int replaced = 0;
  for (const auto& [a, b] : {std::pair{from, to}, std::pair{utf16(from), utf16(to)}}) {
    std::string bytes(face.begin(), face.end());
    for (std::size_t at = bytes.find(a); at != std::string::npos; at = bytes.find(a, at + b.size())) {
      std::copy(b.begin(), b.end(), face.begin() + std::ptrdiff_t(at));
      ++replaced;
    }
  }
  return replaced;
}

}  // namespace

bool BuildFonts(const BuildContext& ctx) {
  const auto list = ctx.contentDir / "fonts" / "fonts.txt";
  if (!std::filesystem::exists(list)) return true;
  const auto text = ReadSource(ctx, list);
  if (!text) return false;
  std::istringstream in(*text);
  std::string line;
  int number = 0;
  bool ok = true;
  while (std::getline(in, line)) {
    ++number;
    const std::string where = "fonts.txt:" + std::to_string(number) + ": ";
    bool quotes = true;
    const auto words = SplitRecipeWords(line, &quotes);
    if (words.empty()) continue;
    if (!quotes || words.size() < 2 || words.size() > 3 || words[0].find('/') != std::string::npos ||
        words[0].find('\\') != std::string::npos) {
      ctx.Log(where + "expected FILE.ttf \"INSTALLED FAMILY\" [\"NEW FAMILY\"]");
      ok = false;
      continue;
    }
    const auto match = MatchFontFile(words[1], false, false);
    if (!match || match->family != words[1]) {
      ctx.Log(where + "the family " + words[1] + " is not installed");
      ok = false;
      continue;
    }
    std::vector<std::uint8_t> face;
    try {
      face = ReadWholeFile(match->file, 64u << 20);
    } catch (const std::exception& e) {
      ctx.Log(where + e.what());
      ok = false;
      continue;
    }
    if (words.size() == 3) {
      if (words[2].size() != words[1].size()) {
        ctx.Log(where + "the new family name must be as long as the old one");
        ok = false;
        continue;
      }
      if (RenameFamily(face, words[1], words[2]) == 0) {
        ctx.Log(where + "the family name was not found in " + match->file);
        ok = false;
        continue;
      }
    }
    ctx.Made(ctx.discDir / words[0]);
    ok = WriteStaged(ctx, ctx.discDir, words[0], face) && ok;
  }
  return ok;
}

}  // namespace trv::disc
