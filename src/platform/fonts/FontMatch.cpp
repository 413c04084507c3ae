#include "platform/fonts/FontMatch.h"

#include <fontconfig/fontconfig.h>

#include <array>
#include <memory>

#include "platform/Text.h"

namespace trv {
namespace {

struct Alias {
  std::string_view windowsName;
  std::array<std::string_view, 3> families;
};

// Metric-compatible families first (same advance widths, so text fits where
// the skin author measured it), then the nearest look.
constexpr Alias kAliases[] = {
    {"arial", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"arial cyr", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"helvetica", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"ms sans serif", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"microsoft sans serif", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"arial narrow", {"Liberation Sans Narrow", "Liberation Sans", "DejaVu Sans Condensed"}},
    {"times new roman", {"Liberation Serif", "Tinos", "DejaVu Serif"}},
    {"times new roman cyr", {"Liberation Serif", "Tinos", "DejaVu Serif"}},
    {"times", {"Liberation Serif", "Tinos", "DejaVu Serif"}},
    {"ms serif", {"Liberation Serif", "Tinos", "DejaVu Serif"}},
    {"courier new", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"}},
    {"courier new cyr", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"}},
    {"courier", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"}},
    {"lucida console", {"DejaVu Sans Mono", "Liberation Mono", ""}},
    {"fixedsys", {"DejaVu Sans Mono", "Liberation Mono", ""}},
    {"terminal", {"DejaVu Sans Mono", "Liberation Mono", ""}},
    {"verdana", {"DejaVu Sans", "Liberation Sans", ""}},
    {"tahoma", {"DejaVu Sans Condensed", "DejaVu Sans", "Liberation Sans"}},
    {"segoe ui", {"DejaVu Sans", "Liberation Sans", ""}},
    {"georgia", {"Gelasio", "DejaVu Serif", "Liberation Serif"}},
    {"trebuchet ms", {"DejaVu Sans", "Liberation Sans", ""}},
    {"comic sans ms", {"Comic Neue", "DejaVu Sans", "Liberation Sans"}},
    {"impact", {"DejaVu Sans Condensed", "Liberation Sans Narrow", ""}},
};

constexpr FcChar32 kCyrillicA = 0x0410;

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

bool HasFamily(FcPattern* match, std::string_view family) {
  FcChar8* value = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &value) == FcResultMatch; ++i)
    if (EqualsNoCaseAscii(reinterpret_cast<const char*>(value), family)) return true;
  return false;
}

bool CoversCyrillic(FcPattern* match) {
  FcCharSet* charset = nullptr;
  return FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) == FcResultMatch &&
         FcCharSetHasChar(charset, kCyrillicA);
}

// fontconfig's best face for the family; `strict` wants that very family.
std::optional<FontFileChoice> Query(std::string_view family, bool bold, bool italic, bool strict) {
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) return std::nullopt;
  const std::string name(family);
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  if (!strict) {
    FcCharSet* cyrillic = FcCharSetCreate();
    FcCharSetAddChar(cyrillic, kCyrillicA);
    FcPatternAddCharSet(pattern.get(), FC_CHARSET, cyrillic);
    FcCharSetDestroy(cyrillic);
  }
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
  if (!match) return std::nullopt;
  if (strict && (!HasFamily(match.get(), family) || !CoversCyrillic(match.get()))) return std::nullopt;

  FcChar8* file = nullptr;
  if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
  FontFileChoice choice;
  choice.file = reinterpret_cast<const char*>(file);
  int value = 0;
  if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &value) == FcResultMatch) choice.index = value;
  FcChar8* chosen = nullptr;
  if (FcPatternGetString(match.get(), FC_FAMILY, 0, &chosen) == FcResultMatch)
    choice.family = reinterpret_cast<const char*>(chosen);
  int weight = FC_WEIGHT_REGULAR;
  FcPatternGetInteger(match.get(), FC_WEIGHT, 0, &weight);
  int slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(match.get(), FC_SLANT, 0, &slant);
  // The desktop configuration may already have marked the face for
  // emboldening or slanting (and reported the wanted weight or slant then).
  FcBool embolden = FcFalse;
  FcPatternGetBool(match.get(), FC_EMBOLDEN, 0, &embolden);
  FcMatrix* matrix = nullptr;
  const bool sheared = FcPatternGetMatrix(match.get(), FC_MATRIX, 0, &matrix) == FcResultMatch && matrix->xy != 0;
  choice.synthBold = bold && (weight < FC_WEIGHT_DEMIBOLD || embolden);
  choice.synthItalic = italic && (slant == FC_SLANT_ROMAN || sheared);
  return choice;
}

}  // namespace

std::vector<std::string> MetricCompatibleFamilies(std::string_view lowerName) {
  std::vector<std::string> out;
  for (const Alias& alias : kAliases) {
    if (alias.windowsName != lowerName) continue;
    for (std::string_view family : alias.families)
      if (!family.empty()) out.emplace_back(family);
  }
  return out;
}

std::optional<FontFileChoice> MatchFontFile(const std::string& familyUtf8, bool bold, bool italic) {
  const std::string name = Trim(familyUtf8);
  if (!name.empty())
    if (auto exact = Query(name, bold, italic, true)) return exact;
  for (const std::string& family : MetricCompatibleFamilies(AsciiLower(name)))
    if (auto alias = Query(family, bold, italic, true)) return alias;
  return Query("sans-serif", bold, italic, false);
}

}  // namespace trv
