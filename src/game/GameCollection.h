#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "game/QuestionFile.h"

// The question bank of the quiz: every question of questions.xml, read once,
// and the four requests of the game: prepare a game (one question for each
// level), is a level still available, hand out the question of a level, and
// judge a typed answer.
namespace trv {

class TPackedTree;

class TGameCollection {
 public:
  static constexpr int kLevels = 14;  // the levels a game plays, 1..14

  // `tree` is the packed interface tree the bank is read through (a name it
  // holds is taken from it, anything else from the disk); null reads the disk only.
  explicit TGameCollection(const TPackedTree* tree = nullptr);

  // In file order after loading, reordered in place by every Shuffle.
  std::vector<TQuestion> Questions;
  // A copy of the question in play: the last one TakeQuestion handed out, or
  // a blank record (ID 0, empty Text) when none.
  TQuestion Current = Blank();

  int Count() const { return int(Questions.size()); }

  // Reads `fileName` (a Windows path, relative to the current directory)
  // through the tree and replaces the bank with it; all Selected and Used
  // flags end up false. An empty document leaves the bank as it was. A file
  // that cannot be read or is malformed (not well-formed XML, a question
  // without LEVEL or TEXT, an ID or LEVEL that is no whole number) empties
  // the bank, so that a game finds it exhausted; the reason goes to the log.
  // A question without any ANSWER is left out with a log line. Returns false
  // when the bank was emptied for one of these reasons.
  bool LoadQuestions(const std::string& fileName);
  // The same for the bytes of a file already read; `shownName` names it in the log.
  bool LoadQuestionBytes(std::span<const std::uint8_t> bytes, const std::string& shownName);

  // Swaps each question, first to last, with one drawn uniformly from the
  // whole array.
  void Shuffle();
  // Reseeds the program's random generator from the clock.
  void Reseed();
  // True when each level 1..n has a question not yet played.
  bool AllLevelsAvailable(int n) const;
  // For each level 1..n in turn marks the first unplayed question of that
  // level Selected; stops at the first level without one. True when all n
  // levels got a question.
  bool SelectForGame(int n);
  // True when a selected, unplayed question of `level` exists.
  bool LevelAvailable(int level) const;
  // Current becomes a copy of the first selected, unplayed question of
  // `level`, which is marked Used; a blank record when there is none.
  void TakeQuestion(int level);
  void ClearSelection();
  void ClearUsed();
  // True when the typed answer matches one of Current's answers once both
  // are normalised, ignoring letter case.
  bool CheckAnswer(std::string_view typed) const;
  static std::string NormalizeAnswer(std::string_view s);

  // A record that stands for "no question": ID 0, empty Text, four empty answers.
  static TQuestion Blank();
  static bool IsBlank(const TQuestion& q) { return q.ID == 0 && q.Text.empty(); }

 private:
  const TPackedTree* tree_;
};

}  // namespace trv
