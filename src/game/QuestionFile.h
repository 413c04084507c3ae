#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "script/MyTypes.h"

// The question bank file, questions.xml: a root element (PQuestions) whose
// every child element is one question (QUESTION), with the attribute ID and
// the child elements LEVEL, TEXT, HINT (optional), ANSWER (any number, in
// document order) and COMMENT (optional). Of LEVEL, TEXT, HINT and COMMENT the
// first occurrence counts. Element texts are taken verbatim, converted to CP1251.
namespace trv {

struct TQuestion {
  std::int32_t ID = 0;
  std::string Text;
  std::int32_t Level = 0;  // only 1..14 are played
  std::string Hint;
  TDynamicStringArray Answers;  // the first is the one shown after the turn
  std::string Comment;
  bool Selected = false;  // chosen for its level in the running game
  bool Used = false;      // played since the program started
};

// Where a question stands in the file (1-based lines).
struct QuestionPlace {
  int line = 0;
  std::vector<int> answerLines;  // one per answer
};

struct QuestionProblem {
  int line = 0;  // 0: the file as a whole
  // A fatal problem makes the whole file unusable: the bank must stay empty
  // rather than play a bank that lost questions silently.
  bool fatal = false;
  std::string message;  // UTF-8
};

struct QuestionFile {
  std::vector<TQuestion> questions;  // file order
  std::vector<QuestionPlace> places;  // parallel to `questions`
  std::vector<QuestionProblem> problems;
  int rootLine = 0;

  bool Rejected() const;
};

// Largest bank the reader parses; anything bigger is not a question bank.
constexpr std::size_t kMaxQuestionFile = 64u << 20;

// Parses the bytes of questions.xml in memory, honouring the encoding its
// declaration names (windows-1251 included). Never touches the network or
// other files. An empty or blank file gives no question and no problem. A file
// that is not well-formed XML, or a question without a whole-number ID or
// LEVEL, or without TEXT, is a fatal problem; questions are still listed as
// far as they could be read, so that a checker can report them all.
QuestionFile ReadQuestionFile(std::span<const std::uint8_t> bytes);

}  // namespace trv
