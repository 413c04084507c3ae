// The question bank reader: what it takes from a file, in which encoding, and
// which damage it refuses.
#include "game/QuestionFile.h"

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// A bank declared windows-1251, written here in UTF-8 and stored in CP1251.
QuestionFile Read1251(const std::string& bodyUtf8) {
  return ReadQuestionFile(
      Bytes(Utf8ToCp1251("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n" + bodyUtf8)));
}

std::string U(const std::string& cp1251) { return Cp1251ToUtf8(cp1251); }

bool HasProblem(const QuestionFile& f, int line, bool fatal, const std::string& part) {
  for (const QuestionProblem& p : f.problems)
    if (p.line == line && p.fatal == fatal && p.message.find(part) != std::string::npos) return true;
  return false;
}

TEST(QuestionFileTest, ReadsEveryFieldFromAWindows1251Bank) {
  const QuestionFile f = Read1251(
      "<PQuestions>\n"                       // 2
      "  <QUESTION ID=\"17\">\n"             // 3
      "    <LEVEL>3</LEVEL>\n"               // 4
      "    <TEXT>Столица Франции?</TEXT>\n"  // 5
      "    <HINT>Город на Сене</HINT>\n"     // 6
      "    <ANSWER>Париж</ANSWER>\n"         // 7
      "    <COMMENT>Ёмко</COMMENT>\n"        // 8
      "    <ANSWER>Paris</ANSWER>\n"         // 9
      "  </QUESTION>\n"
      "  <QUESTION ID=\"-4\"><LEVEL> 14 </LEVEL><TEXT>  как есть  </TEXT><ANSWER>да</ANSWER></QUESTION>\n"  // 11
      "</PQuestions>\n");
  EXPECT_TRUE(f.problems.empty()) << f.problems.front().message;
  EXPECT_FALSE(f.Rejected());
  EXPECT_EQ(f.rootLine, 2);
  ASSERT_EQ(f.questions.size(), 2u);
  const TQuestion& q = f.questions[0];
  EXPECT_EQ(q.ID, 17);
  EXPECT_EQ(q.Level, 3);
  EXPECT_EQ(U(q.Text), "Столица Франции?");
  EXPECT_EQ(U(q.Hint), "Город на Сене");
  EXPECT_EQ(U(q.Comment), "Ёмко");
  ASSERT_EQ(q.Answers.size(), 2u);
  EXPECT_EQ(U(q.Answers[0]), "Париж");  // document order: the first is the one shown
  EXPECT_EQ(q.Answers[1], "Paris");
  EXPECT_FALSE(q.Selected);
  EXPECT_FALSE(q.Used);
  EXPECT_EQ(f.places[0].line, 3);
  EXPECT_EQ(f.places[0].answerLines, (std::vector<int>{7, 9}));

  const TQuestion& r = f.questions[1];
  EXPECT_EQ(r.ID, -4);
  EXPECT_EQ(r.Level, 14);
  EXPECT_EQ(U(r.Text), "  как есть  ");  // texts are taken verbatim
  EXPECT_TRUE(r.Hint.empty());
  EXPECT_TRUE(r.Comment.empty());
  EXPECT_EQ(f.places[1].line, 11);
}

TEST(QuestionFileTest, FirstOccurrenceCountsAndOtherNodesAreSkipped) {
  const QuestionFile f = Read1251(
      "<PQuestions><!-- a bank -->\n"
      "<QUESTION ID=\"1\"><TEXT>первый</TEXT><LEVEL>2</LEVEL><TEXT>второй</TEXT><LEVEL>9</LEVEL>"
      "<HINT>h1</HINT><HINT>h2</HINT><OTHER>x</OTHER><ANSWER>a</ANSWER><COMMENT>c1</COMMENT><ANSWER>b</ANSWER>"
      "<COMMENT>c2</COMMENT><ANSWER><![CDATA[c&d]]></ANSWER></QUESTION>\n"
      "text between questions\n"
      "</PQuestions>");
  ASSERT_EQ(f.questions.size(), 1u);
  const TQuestion& q = f.questions[0];
  EXPECT_EQ(U(q.Text), "первый");
  EXPECT_EQ(q.Level, 2);
  EXPECT_EQ(q.Hint, "h1");
  EXPECT_EQ(q.Comment, "c1");
  EXPECT_EQ(q.Answers, (TDynamicStringArray{"a", "b", "c&d"}));
  EXPECT_FALSE(f.Rejected());
}

TEST(QuestionFileTest, HonoursOtherDeclaredEncodings) {
  const std::string utf8 =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><PQuestions><QUESTION ID=\"5\"><LEVEL>1</LEVEL>"
      "<TEXT>Ёж</TEXT><ANSWER>ёж</ANSWER></QUESTION></PQuestions>";
  const QuestionFile f = ReadQuestionFile(Bytes(utf8));
  ASSERT_EQ(f.questions.size(), 1u);
  EXPECT_EQ(f.questions[0].Text, Utf8ToCp1251("Ёж"));
  EXPECT_EQ(f.questions[0].Answers[0], Utf8ToCp1251("ёж"));
}

TEST(QuestionFileTest, EmptyFilesHoldNoQuestionAndAreNoFault) {
  for (const std::string& text : {std::string(), std::string(" \r\n\t "),
                                  std::string("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"),
                                  std::string("<PQuestions/>")}) {
    const QuestionFile f = ReadQuestionFile(Bytes(text));
    EXPECT_TRUE(f.questions.empty()) << text;
    EXPECT_TRUE(f.problems.empty()) << text << ": " << f.problems.front().message;
    EXPECT_FALSE(f.Rejected()) << text;
  }
}

TEST(QuestionFileTest, DamagedQuestionsRejectTheFileNamingTheirLines) {
  const QuestionFile f = Read1251(
      "<PQuestions>\n"
      "<QUESTION><LEVEL>1</LEVEL><TEXT>t</TEXT><ANSWER>a</ANSWER></QUESTION>\n"               // 3: no ID
      "<QUESTION ID=\"x7\"><LEVEL>1</LEVEL><TEXT>t</TEXT></QUESTION>\n"                      // 4: bad ID
      "<QUESTION ID=\"3\"><TEXT>t</TEXT></QUESTION>\n"                                       // 5: no LEVEL
      "<QUESTION ID=\"4\">\n<LEVEL>один</LEVEL><TEXT>t</TEXT></QUESTION>\n"                  // 6, 7: bad LEVEL
      "<QUESTION ID=\"5\"><LEVEL>1</LEVEL></QUESTION>\n"                                     // 8: no TEXT
      "<QUESTION ID=\"99999999999\"><LEVEL>1</LEVEL><TEXT>t</TEXT></QUESTION>\n"             // 9: ID too big
      "<QUESTION ID=\"6\"><LEVEL>1</LEVEL><TEXT>t</TEXT><ANSWER>fine</ANSWER></QUESTION>\n"  // 10
      "</PQuestions>");
  EXPECT_TRUE(f.Rejected());
  EXPECT_TRUE(HasProblem(f, 3, true, "no ID"));
  EXPECT_TRUE(HasProblem(f, 4, true, "\"x7\" is not a whole number"));
  EXPECT_TRUE(HasProblem(f, 5, true, "no LEVEL"));
  EXPECT_TRUE(HasProblem(f, 7, true, "LEVEL \"один\""));
  EXPECT_TRUE(HasProblem(f, 8, true, "no TEXT"));
  EXPECT_TRUE(HasProblem(f, 9, true, "99999999999"));
  EXPECT_EQ(f.problems.size(), 6u);
  // Still listed, so that a checker can look at all of them.
  EXPECT_EQ(f.questions.size(), 7u);
}

TEST(QuestionFileTest, MalformedXmlIsFatalWithItsLine) {
  const QuestionFile f = Read1251(
      "<PQuestions>\n"
      "<QUESTION ID=\"1\"><LEVEL>1</LEVEL><TEXT>t</TEXT><ANSWER>a</ANSWER></QUESTION>\n"
      "<QUESTION ID=\"2\"><LEVEL>2</LEVEL><TEXT>t</TEX></QUESTION>\n"
      "</PQuestions>");
  EXPECT_TRUE(f.Rejected());
  ASSERT_FALSE(f.problems.empty());
  EXPECT_TRUE(f.problems[0].fatal);
  EXPECT_EQ(f.problems[0].line, 4);
  EXPECT_NE(f.problems[0].message.find("not well-formed"), std::string::npos);
  ASSERT_GE(f.questions.size(), 1u);  // what came before the damage is still read
  EXPECT_EQ(f.questions[0].ID, 1);

  EXPECT_TRUE(ReadQuestionFile(Bytes(std::string("\x00\x01garbage\xff", 11))).Rejected());
  EXPECT_TRUE(ReadQuestionFile(Bytes("<?xml version=\"1.0\" encoding=\"no-such-charset\"?><a/>")).Rejected());
}

TEST(QuestionFileTest, OddRootsAndCharactersAreWarnedAbout) {
  const QuestionFile f = ReadQuestionFile(Bytes(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Bank>\n<Q ID=\"1\"><LEVEL>1</LEVEL><TEXT>snow \xE2\x98\x83</TEXT>"
      "</Q></Bank>"));
  EXPECT_FALSE(f.Rejected());
  ASSERT_EQ(f.questions.size(), 1u);
  EXPECT_EQ(f.questions[0].Text, "snow ?");
  EXPECT_TRUE(HasProblem(f, 2, false, "<Bank>"));
  EXPECT_TRUE(HasProblem(f, 3, false, "<Q>"));
  EXPECT_TRUE(HasProblem(f, 3, false, "code page 1251"));
}

TEST(QuestionFileTest, ExternalEntitiesAreNeverRead) {
  test::TempDir dir;
  test::WriteFile(dir / "secret.txt", std::string("top secret"));
  const std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE PQuestions [<!ENTITY s SYSTEM \"file://" +
                          (dir / "secret.txt").string() +
                          "\">]>\n<PQuestions><QUESTION ID=\"1\"><LEVEL>1</LEVEL><TEXT>a&s;b</TEXT>"
                          "<ANSWER>x</ANSWER></QUESTION></PQuestions>";
  const QuestionFile f = ReadQuestionFile(Bytes(xml));
  ASSERT_EQ(f.questions.size(), 1u);
  EXPECT_EQ(f.questions[0].Text.find("secret"), std::string::npos);
}

}  // namespace
}  // namespace trv
