#include "game/GameCollection.h"

#include <exception>
#include <utility>

#include "game/AnswerNormalise.h"
#include "game/Random.h"
#include "platform/Log.h"
#include "platform/Text.h"
#include "store/PackedTree.h"

namespace trv {
namespace {

constexpr std::string_view kArea = "game";

// Reading without a tree still goes through the stream, which then finds
// nothing in this empty tree and reads the disk.
const TPackedTree& NoTree() {
  static const TPackedTree tree;
  return tree;
}

std::string Where(const std::string& shownName, int line) {
  return line > 0 ? shownName + ", line " + std::to_string(line) : shownName;
}

}  // namespace

TGameCollection::TGameCollection(const TPackedTree* tree) : tree_(tree) {}

TQuestion TGameCollection::Blank() {
  TQuestion q;
  q.Answers.assign(4, std::string());
  return q;
}

bool TGameCollection::LoadQuestions(const std::string& fileName) {
  const std::string shown = Cp1251ToUtf8(fileName);
  std::vector<std::uint8_t> bytes;
  try {
    TComprStream stream(tree_ ? *tree_ : NoTree(), fileName);
    bytes = std::move(stream.Bytes());
  } catch (const std::exception& e) {
    Questions.clear();
    Log(kArea, "the question bank " + shown + " is not loaded, the bank stays empty: " + e.what());
    return false;
  }
  return LoadQuestionBytes(bytes, shown);
}

bool TGameCollection::LoadQuestionBytes(std::span<const std::uint8_t> bytes, const std::string& shownName) {
  QuestionFile file = ReadQuestionFile(bytes);
  for (const QuestionProblem& p : file.problems)
    Log(kArea, Where(shownName, p.line) + (p.fatal ? ": error: " : ": warning: ") + p.message);
  if (file.Rejected()) {
    Questions.clear();
    Log(kArea, "the question bank " + shownName + " is rejected, the bank stays empty");
    return false;
  }
  // No root element at all: an empty document, which changes nothing.
  if (file.rootLine == 0 && file.questions.empty()) return true;

  std::vector<TQuestion> loaded;
  loaded.reserve(file.questions.size());
  for (std::size_t i = 0; i < file.questions.size(); ++i) {
    TQuestion& q = file.questions[i];
    // Without an answer it could never be answered right, nor could the game
    // show the right answer after the turn.
    if (q.Answers.empty()) {
      Log(kArea, Where(shownName, file.places[i].line) + ": question " + std::to_string(q.ID) +
                     " has no ANSWER and is left out");
      continue;
    }
    q.Selected = false;
    q.Used = false;
    loaded.push_back(std::move(q));
  }
  Questions = std::move(loaded);
  return true;
}

void TGameCollection::Shuffle() {
  const std::size_t n = Questions.size();
  for (std::size_t i = 0; i < n; ++i) std::swap(Questions[i], Questions[RandomIndex(n)]);
}

void TGameCollection::Reseed() { ReseedRandomFromClock(); }

bool TGameCollection::AllLevelsAvailable(int n) const {
  if (n <= 0) return true;
  // n levels need at least n questions; this also bounds the table below.
  if (std::size_t(n) > Questions.size()) return false;
  std::vector<bool> seen(std::size_t(n) + 1, false);
  int missing = n;
  for (const TQuestion& q : Questions) {
    if (q.Used || q.Level < 1 || q.Level > n || seen[std::size_t(q.Level)]) continue;
    seen[std::size_t(q.Level)] = true;
    if (--missing == 0) return true;
  }
  return false;
}

bool TGameCollection::SelectForGame(int n) {
  if (n <= 0) return true;
  // One pass finds the first unplayed question of every level; the levels
  // are then marked in turn up to the first one without a question.
  const std::size_t levels = std::min(std::size_t(n), Questions.size());
  std::vector<std::size_t> first(levels + 1, Questions.size());
  for (std::size_t i = 0; i < Questions.size(); ++i) {
    const TQuestion& q = Questions[i];
    if (q.Used || q.Level < 1 || std::size_t(q.Level) > levels) continue;
    if (first[std::size_t(q.Level)] == Questions.size()) first[std::size_t(q.Level)] = i;
  }
  for (int level = 1; level <= n; ++level) {
    if (std::size_t(level) > levels || first[std::size_t(level)] == Questions.size()) return false;
    Questions[first[std::size_t(level)]].Selected = true;
  }
  return true;
}

bool TGameCollection::LevelAvailable(int level) const {
  for (const TQuestion& q : Questions)
    if (q.Selected && !q.Used && q.Level == level) return true;
  return false;
}

void TGameCollection::TakeQuestion(int level) {
  Current = Blank();
  for (TQuestion& q : Questions) {
    if (q.Selected && !q.Used && q.Level == level) {
      Current = q;
      q.Used = true;
      return;
    }
  }
}

void TGameCollection::ClearSelection() {
  for (TQuestion& q : Questions) q.Selected = false;
}

void TGameCollection::ClearUsed() {
  for (TQuestion& q : Questions) q.Used = false;
}

bool TGameCollection::CheckAnswer(std::string_view typed) const {
  for (const std::string& accepted : Current.Answers)
    if (AnswerMatches(typed, accepted)) return true;
  return false;
}

std::string TGameCollection::NormalizeAnswer(std::string_view s) { return trv::NormalizeAnswer(s); }

}  // namespace trv
