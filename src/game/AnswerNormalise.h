#pragma once

#include <string>
#include <string_view>

// How a typed answer is judged against the accepted answers of a question.
// Both sides are brought to one normal form first, so that spelling variants
// that players cannot be blamed for (ё or е, й or и, hyphens, commas, quotes,
// the conjunction "и") do not decide the game. Text is CP1251.
namespace trv {

// The normal form, in this order (every replacement ignores letter case and
// replaces every occurrence):
// 1. "ё" becomes "е";  2. "й" becomes "и";
// 3. each of - , . " + = & # % ' becomes a space;
// 4. " и " (the conjunction between spaces) becomes one space, left to right
//    without overlap: of "a и и b" only the first is removed;
// 5. runs of spaces become one space;  6. codes 0..32 are trimmed at both ends.
// Anything else (other punctuation, digits, letter case) is left as it is.
std::string NormalizeAnswer(std::string_view answer);

// True when the two normal forms are equal, ignoring letter case (Latin and
// Cyrillic).
bool AnswerMatches(std::string_view typed, std::string_view accepted);

}  // namespace trv
