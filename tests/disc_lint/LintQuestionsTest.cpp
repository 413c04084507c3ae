// The question bank: found where the game looks for it, read with the game's
// reader, and checked as a bank the game can play.
#include <fstream>

#include "disc_lint/LintTestDisc.h"

namespace trv::test {
namespace {

using disc::LintSeverity;
const std::string Tree = "interface.dat/questions.xml";

// Line of the question of `level` in CleanQuestions().
int QuestionLine(int level) { return 2 + level; }

TEST(LintQuestionsTest, BankProblemsNameTheirLines) {
  LintDisc d;
  Lines& q = *d.questions;
  LintDisc::Edit(q, "<LEVEL>7</LEVEL>", "<LEVEL>15</LEVEL>");
  LintDisc::Edit(q, "ID=\"103\"", "ID=\"102\"");
  LintDisc::Edit(q, "<TEXT>Вопрос 4</TEXT><ANSWER>Ответ</ANSWER>", "<TEXT>Вопрос 4</TEXT>");
  LintDisc::Edit(q, "<TEXT>Вопрос 5</TEXT><ANSWER>Ответ</ANSWER>",
                 "<TEXT>Вопрос 5</TEXT><ANSWER>Ответ</ANSWER>\n<ANSWER> - \" , </ANSWER>");
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, Tree, 2, "level 7 has no question")) << All(f);
  // The second ANSWER of question 105 took a line of its own: later questions moved down one.
  EXPECT_TRUE(Found(f, Tree, QuestionLine(7) + 1, "question 107 has LEVEL 15, outside 1 to 14: it is never played",
                    LintSeverity::kWarning)) << All(f);
  EXPECT_TRUE(Found(f, Tree, QuestionLine(3), "ID 102 is taken by the question on line 4 too"));
  EXPECT_TRUE(Found(f, Tree, QuestionLine(4), "question 104 has no ANSWER"));
  EXPECT_TRUE(Found(f, Tree, QuestionLine(5) + 1, "question 105: the answer \" - \" , \" is empty once normalised"));
  EXPECT_EQ(f.size(), 5u) << All(f);
}

TEST(LintQuestionsTest, BankOnTheDiscIsFoundIgnoringCase) {
  LintDisc d;
  d.questionsInTree = false;
  d.questions.reset();
  Lines q = CleanQuestions();
  LintDisc::Edit(q, "<LEVEL>14</LEVEL>", "<LEVEL>13</LEVEL>");
  d.Write();
  WriteFile(d.dir / "Questions.XML", ScriptBytes(q));
  const auto f = disc::LintDisc(d.dir.Path());
  EXPECT_TRUE(Found(f, "Questions.XML", 2, "level 14 has no question")) << All(f);
}

TEST(LintQuestionsTest, TheTreeCopyWinsOverTheDisc) {
  LintDisc d;
  d.Write();
  // A broken bank on the disc is never read while the tree holds one.
  WriteFile(d.dir / "questions.xml", std::string("<broken"));
  const auto f = disc::LintDisc(d.dir.Path());
  EXPECT_TRUE(f.empty()) << All(f);
}

TEST(LintQuestionsTest, MissingMalformedAndDamagedBanks) {
  {
    LintDisc d;
    d.questions.reset();
    const auto f = d.Lint();
    EXPECT_TRUE(Found(f, "questions.xml", 0, "the question bank is neither in interface.dat nor on the disc")) << All(f);
  }
  {
    LintDisc d;
    LintDisc::Edit(*d.questions, "<TEXT>Вопрос 9</TEXT>", "<TEXT>Вопрос 9</TXET>");
    const auto f = d.Lint();
    EXPECT_TRUE(Found(f, Tree, QuestionLine(9), "not well-formed XML")) << All(f);
    EXPECT_TRUE(Found(f, Tree, 0, "the game refuses this bank as a whole"));
  }
  LintDisc d;
  d.tree.erase("pics\\tree.bmp");  // the bank's bytes are then the last of the tree file
  const auto picture = Picture();
  d.disk["pics/tree.bmp"] = std::string(picture.begin(), picture.end());
  d.Write();
  const auto path = d.dir / "interface.dat";
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(-1, std::ios::end);
  file.put('\x5A');  // spoils the compressed stream's check value
  file.close();
  const auto f = disc::LintDisc(d.dir.Path());
  EXPECT_TRUE(Found(f, "interface.dat", 0, "the tree's copy of \"questions.xml\" is damaged")) << All(f);
  EXPECT_EQ(f.size(), 1u) << All(f);  // not "missing" as well
}

}  // namespace
}  // namespace trv::test
