#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trv {

// The face file fontconfig picked for a request, and what the face lacks that
// the request wants (drawn by emboldening or slanting the outlines).
struct FontFileChoice {
  std::string file;
  int index = 0;
  std::string family;  // the family actually chosen
  bool synthBold = false;
  bool synthItalic = false;
};

// Families with the same metrics as a Windows family, best first; empty for
// a name the table does not know. `lowerName` is ASCII lower case.
std::vector<std::string> MetricCompatibleFamilies(std::string_view lowerName);

// Resolves a Windows family name (UTF-8): the family itself when a face of it
// covers Cyrillic (fonts registered for the process count), else its
// metric-compatible stand-in, else the desktop's sans-serif face. Empty only
// when fontconfig finds no scalable face at all.
std::optional<FontFileChoice> MatchFontFile(const std::string& familyUtf8, bool bold, bool italic);

}  // namespace trv
