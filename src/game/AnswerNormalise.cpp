#include "game/AnswerNormalise.h"

#include "platform/Text.h"

namespace trv {
namespace {

// CP1251 letters of the rules.
constexpr char kYoLower = '\xB8';   // ё
constexpr char kYoUpper = '\xA8';   // Ё
constexpr char kIeLower = '\xE5';   // е
constexpr char kIShortLower = '\xE9';  // й
constexpr char kIShortUpper = '\xC9';  // Й
constexpr char kILower = '\xE8';    // и
constexpr char kIUpper = '\xC8';    // И

constexpr std::string_view kToSpace = "-,.\"+=&#%'";

}  // namespace

std::string NormalizeAnswer(std::string_view answer) {
  std::string s;
  s.reserve(answer.size());
  // Steps 1 to 3 each replace single characters, so one pass does them all.
  for (char c : answer) {
    if (c == kYoLower || c == kYoUpper) c = kIeLower;
    else if (c == kIShortLower || c == kIShortUpper) c = kILower;
    else if (kToSpace.find(c) != std::string_view::npos) c = ' ';
    s += c;
  }

  // Step 4: a match consumes its closing space, so a conjunction that follows
  // at once is not found again.
  std::string joined;
  joined.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    if (i + 2 < s.size() && s[i] == ' ' && (s[i + 1] == kILower || s[i + 1] == kIUpper) && s[i + 2] == ' ') {
      joined += ' ';
      i += 3;
    } else {
      joined += s[i++];
    }
  }

  // Step 5.
  std::string single;
  single.reserve(joined.size());
  for (char c : joined)
    if (!(c == ' ' && !single.empty() && single.back() == ' ')) single += c;

  return Trim(single);
}

bool AnswerMatches(std::string_view typed, std::string_view accepted) {
  return EqualsNoCase1251(NormalizeAnswer(typed), NormalizeAnswer(accepted));
}

}  // namespace trv
