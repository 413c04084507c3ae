// The question bank reader over arbitrary bytes, as questions.xml comes from
// the archive, and the bank built from it. The XML parser must never reach for
// the network or another file, and entity tricks must not blow up memory.
#include <libxml/parser.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "game/GameCollection.h"
#include "game/QuestionFile.h"
#include "platform/Log.h"
#include "platform/Text.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Every outside resource the parser would fetch (an external entity, a DTD,
// an XInclude) passes through the loader; the bank must never need one.
xmlParserInputPtr NoLoads(const char*, const char*, xmlParserCtxtPtr) { __builtin_trap(); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  trv::SetLogFile("/dev/null");  // problems of the file are logged; keep the disk out of it
  xmlSetExternalEntityLoader(NoLoads);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trv;
  const std::span<const std::uint8_t> bytes(data, size);
  const QuestionFile file = ReadQuestionFile(bytes);
  Check(file.questions.size() == file.places.size());
  std::size_t textBytes = 0;
  for (std::size_t i = 0; i < file.questions.size(); ++i) {
    const TQuestion& q = file.questions[i];
    Check(file.places[i].answerLines.size() == q.Answers.size());
    Check(file.places[i].line >= 0);
    textBytes += q.Text.size() + q.Hint.size() + q.Comment.size();
    for (const std::string& a : q.Answers) textBytes += a.size();
  }
  for (const QuestionProblem& p : file.problems) Check(p.line >= 0 && !p.message.empty());
  // Entities may repeat text, but not without bound: a few nested
  // definitions must not turn a small file into gigabytes of questions.
  Check(textBytes <= 64 * size + (1u << 20));

  TGameCollection bank;
  const bool loaded = bank.LoadQuestionBytes(bytes, "questions.xml");
  Check(loaded == !file.Rejected());
  if (!loaded) {
    Check(bank.Questions.empty());
    return 0;
  }
  for (const TQuestion& q : bank.Questions) Check(!q.Answers.empty() && !q.Selected && !q.Used);

  // The answer shown after a turn is accepted when typed, in either letter case.
  bank.SelectForGame(TGameCollection::kLevels);
  for (int level = 1; level <= TGameCollection::kLevels; ++level) {
    if (!bank.LevelAvailable(level)) continue;
    bank.TakeQuestion(level);
    Check(bank.Current.Level == level && !bank.Current.Answers.empty());
    Check(!bank.LevelAvailable(level));  // a game selects one question a level
    const std::string& shown = bank.Current.Answers.front();
    Check(bank.CheckAnswer(Upper1251(shown)) && bank.CheckAnswer(Lower1251(shown)));
  }
  return 0;
}
