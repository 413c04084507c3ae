// questions.xml: read as the game reads it (the packed tree first, then the
// disc folder) with the game's own reader, then checked as a bank the game can
// play: every level with a question, every question with an answer that can
// be matched, no identifier twice.
#include <map>

#include "disc/lint/LintParts.h"
#include "game/AnswerNormalise.h"
#include "game/QuestionFile.h"
#include "platform/Text.h"

namespace trv::disc::lint {

namespace {

constexpr int kLevels = 14;

}  // namespace

void LintQuestionBank(LintContext& ctx) {
  std::string file;
  auto bytes = ctx.ReadTreeOrDisc("questions.xml", &file);
  if (!bytes && !file.empty()) return;  // found, damaged, reported
  if (!bytes) {
    ctx.Error("questions.xml", 0, "the question bank is neither in interface.dat nor on the disc; no game can start");
    return;
  }
  const QuestionFile bank = ReadQuestionFile(*bytes);
  for (const QuestionProblem& p : bank.problems) {
    if (p.fatal) ctx.Error(file, p.line, p.message);
    else ctx.Warning(file, p.line, p.message);
  }
  if (bank.Rejected()) ctx.Error(file, 0, "the game refuses this bank as a whole: no game can start");

  std::map<std::int32_t, int> idLines;
  int perLevel[kLevels + 1] = {};
  for (std::size_t q = 0; q < bank.questions.size(); ++q) {
    const TQuestion& question = bank.questions[q];
    const QuestionPlace& place = bank.places[q];
    const std::string id = "question " + std::to_string(question.ID);
    if (auto [it, fresh] = idLines.emplace(question.ID, place.line); !fresh)
      ctx.Error(file, place.line, "ID " + std::to_string(question.ID) + " is taken by the question on line " +
                                      std::to_string(it->second) + " too");
    if (question.Level >= 1 && question.Level <= kLevels) ++perLevel[question.Level];
    else ctx.Warning(file, place.line, id + " has LEVEL " + std::to_string(question.Level) + ", outside 1 to 14: it is never played");
    if (Trim(question.Text).empty()) ctx.Error(file, place.line, id + " has an empty TEXT");
    if (question.Answers.empty())
      ctx.Error(file, place.line, id + " has no ANSWER: it can never be answered right");
    for (std::size_t a = 0; a < question.Answers.size(); ++a)
      if (NormalizeAnswer(question.Answers[a]).empty())
        ctx.Error(file, place.answerLines[a],
                  id + ": the answer " + Q(question.Answers[a]) + " is empty once normalised, so no typed answer matches it");
  }
  if (!bank.Rejected())
    for (int level = 1; level <= kLevels; ++level)
      if (perLevel[level] == 0)
        ctx.Error(file, bank.rootLine,
                  "level " + std::to_string(level) + " has no question; every game needs one question of each level 1 to 14");
}

}  // namespace trv::disc::lint
