// The question bank as the game drives it: loading (through the interface
// tree or from the disk, in either encoding, refusing damaged banks), the
// preparation of games until the bank runs dry, and judging answers.
#include "game/GameCollection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "game/JudgeTable.h"
#include "game/Random.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "store/HandBytes.h"
#include "store/PackedTree.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

struct Q {
  int id;
  int level;
  std::string text;                  // UTF-8
  std::vector<std::string> answers;  // UTF-8
};

std::string XmlBody(const std::vector<Q>& qs) {
  std::string xml = "<PQuestions>\n";
  for (const Q& q : qs) {
    xml += "<QUESTION ID=\"" + std::to_string(q.id) + "\"><LEVEL>" + std::to_string(q.level) + "</LEVEL><TEXT>" +
           q.text + "</TEXT>";
    for (const std::string& a : q.answers) xml += "<ANSWER>" + a + "</ANSWER>";
    xml += "</QUESTION>\n";
  }
  return xml + "</PQuestions>\n";
}

// The file as the disc holds it: declared and stored in windows-1251.
std::string Bank1251(const std::string& bodyUtf8) {
  return Utf8ToCp1251("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n" + bodyUtf8);
}
std::string BankUtf8(const std::string& bodyUtf8) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + bodyUtf8;
}

bool Load(TGameCollection& bank, const std::string& bytes) {
  return bank.LoadQuestionBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                                "questions.xml");
}

// `perLevel[l - 1]` questions of each level l; IDs are level * 100 + n.
std::vector<Q> Levels(const std::vector<int>& perLevel) {
  std::vector<Q> qs;
  for (std::size_t l = 0; l < perLevel.size(); ++l)
    for (int n = 1; n <= perLevel[l]; ++n) {
      const int id = int(l + 1) * 100 + n;
      qs.push_back({id, int(l + 1), "вопрос " + std::to_string(id), {"ответ " + std::to_string(id)}});
    }
  return qs;
}

// The preparation of a game as the game engine drives it.
bool PrepareGame(TGameCollection& bank) {
  bank.Shuffle();
  bank.Reseed();
  if (bank.AllLevelsAvailable(14)) return bank.SelectForGame(14);
  bank.ClearSelection();
  bank.ClearUsed();
  return bank.AllLevelsAvailable(14) && bank.SelectForGame(14);
}

// Plays levels 1..upTo of a prepared game; returns the IDs handed out.
std::vector<int> Play(TGameCollection& bank, int upTo = 14) {
  std::vector<int> ids;
  for (int level = 1; level <= upTo; ++level) {
    EXPECT_TRUE(bank.LevelAvailable(level)) << level;
    bank.TakeQuestion(level);
    EXPECT_EQ(bank.Current.Level, level);
    ids.push_back(bank.Current.ID);
  }
  bank.ClearSelection();
  return ids;
}

int CountIf(const TGameCollection& bank, bool TQuestion::*flag) {
  return int(std::count_if(bank.Questions.begin(), bank.Questions.end(), [&](const TQuestion& q) { return q.*flag; }));
}

TEST(GameCollectionTest, BothEncodingsDeliverTheSameCp1251Text) {
  const std::string body =
      "<PQuestions><QUESTION ID=\"7\"><COMMENT>Ёмкий «комментарий»</COMMENT><ANSWER>Ёж</ANSWER><LEVEL>2</LEVEL>"
      "<HINT>Подсказка</HINT><TEXT> Колючий зверь? </TEXT><ANSWER>ёжик</ANSWER></QUESTION></PQuestions>";
  for (const std::string& file : {Bank1251(body), BankUtf8(body)}) {
    TGameCollection bank;
    ASSERT_TRUE(Load(bank, file));
    ASSERT_EQ(bank.Count(), 1);
    const TQuestion& q = bank.Questions[0];
    EXPECT_EQ(q.ID, 7);
    EXPECT_EQ(q.Level, 2);
    EXPECT_EQ(q.Text, Utf8ToCp1251(" Колючий зверь? "));
    EXPECT_EQ(q.Hint, Utf8ToCp1251("Подсказка"));
    EXPECT_EQ(q.Comment, Utf8ToCp1251("Ёмкий «комментарий»"));
    EXPECT_EQ(q.Answers, (TDynamicStringArray{Utf8ToCp1251("Ёж"), Utf8ToCp1251("ёжик")}));
  }
}

TEST(GameCollectionTest, LoadingClearsTheFlagsAndAnEmptyDocumentChangesNothing) {
  TGameCollection bank;
  ASSERT_TRUE(Load(bank, Bank1251(XmlBody(Levels({2, 1})))));
  ASSERT_EQ(bank.Count(), 3);
  EXPECT_EQ(bank.Questions[0].ID, 101);  // file order
  EXPECT_EQ(bank.Questions[2].ID, 201);
  ASSERT_TRUE(bank.SelectForGame(2));
  bank.TakeQuestion(1);
  ASSERT_TRUE(Load(bank, Bank1251(XmlBody(Levels({2, 1})))));
  EXPECT_EQ(CountIf(bank, &TQuestion::Selected), 0);
  EXPECT_EQ(CountIf(bank, &TQuestion::Used), 0);

  for (const std::string& empty : {std::string(), std::string("\n \t"), Bank1251("")}) {
    EXPECT_TRUE(Load(bank, empty));
    EXPECT_EQ(bank.Count(), 3) << "[" << empty << "]";
  }
  // A root without questions is a bank of no questions.
  EXPECT_TRUE(Load(bank, Bank1251("<PQuestions/>")));
  EXPECT_EQ(bank.Count(), 0);
}

TEST(GameCollectionTest, QuestionsWithoutAnAnswerAreLeftOutWithALogLine) {
  test::LogCapture log;
  TGameCollection bank;
  ASSERT_TRUE(Load(bank, Bank1251("<PQuestions>\n"
                                  "<QUESTION ID=\"1\"><LEVEL>1</LEVEL><TEXT>a</TEXT><ANSWER>x</ANSWER></QUESTION>\n"
                                  "<QUESTION ID=\"2\"><LEVEL>1</LEVEL><TEXT>b</TEXT><HINT>h</HINT></QUESTION>\n"
                                  "<QUESTION ID=\"3\"><LEVEL>2</LEVEL><TEXT>c</TEXT><ANSWER></ANSWER></QUESTION>\n"
                                  "</PQuestions>")));
  ASSERT_EQ(bank.Count(), 2);
  EXPECT_EQ(bank.Questions[0].ID, 1);
  EXPECT_EQ(bank.Questions[1].ID, 3);  // an empty ANSWER is still an answer element
  EXPECT_TRUE(log.Contains("line 4")) << log.All();
  EXPECT_TRUE(log.Contains("question 2 has no ANSWER")) << log.All();
  EXPECT_EQ(log.Lines().size(), 1u) << log.All();
}

TEST(GameCollectionTest, MalformedBanksAreRejectedWithAReasonAndLeaveTheBankEmpty) {
  const std::string good = "<QUESTION ID=\"1\"><LEVEL>1</LEVEL><TEXT>t</TEXT><ANSWER>a</ANSWER></QUESTION>";
  const struct {
    std::string file;
    std::string reason;
  } cases[] = {
      {Bank1251("<PQuestions>" + good + "<QUESTION ID=\"2\"><LEVEL>1</LEVEL><TEXT>t</TEX></QUESTION>"),
       "not well-formed"},
      {Bank1251("<PQuestions>" + good), "not well-formed"},
      {std::string("\x00\xff garbage", 10), "not well-formed"},
      {Bank1251("<PQuestions>" + good + "<QUESTION ID=\"2\"><TEXT>t</TEXT><ANSWER>a</ANSWER></QUESTION></PQuestions>"),
       "no LEVEL"},
      {Bank1251("<PQuestions>" + good + "<QUESTION ID=\"2\"><LEVEL>1</LEVEL><ANSWER>a</ANSWER></QUESTION></PQuestions>"),
       "no TEXT"},
      {Bank1251("<PQuestions>" + good +
                "<QUESTION ID=\"2\"><LEVEL>1.5</LEVEL><TEXT>t</TEXT><ANSWER>a</ANSWER></QUESTION></PQuestions>"),
       "LEVEL \"1.5\" is not a whole number"},
      {Bank1251("<PQuestions>" + good +
                "<QUESTION ID=\"два\"><LEVEL>1</LEVEL><TEXT>t</TEXT><ANSWER>a</ANSWER></QUESTION></PQuestions>"),
       "is not a whole number"},
      {Bank1251("<PQuestions>" + good +
                "<QUESTION><LEVEL>1</LEVEL><TEXT>t</TEXT><ANSWER>a</ANSWER></QUESTION></PQuestions>"),
       "no ID"},
  };
  for (const auto& c : cases) {
    TGameCollection bank;
    ASSERT_TRUE(Load(bank, Bank1251(XmlBody(Levels({1, 1})))));
    ASSERT_EQ(bank.Count(), 2);
    test::LogCapture log;
    EXPECT_FALSE(Load(bank, c.file)) << c.reason;
    EXPECT_EQ(bank.Count(), 0) << c.reason;
    EXPECT_TRUE(log.Contains(c.reason)) << log.All();
    EXPECT_TRUE(log.Contains("rejected")) << log.All();
    // What the game then sees: no game can be prepared.
    EXPECT_FALSE(PrepareGame(bank));
    EXPECT_FALSE(bank.LevelAvailable(1));
  }
}

// A disc folder with interface.dat holding QUESTIONS.XML, as start-up sets it up.
class GameCollectionTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string xml = Bank1251(XmlBody({{1, 1, "из дерева", {"да"}}}));
    test::HandDirectory dir;
    dir.folders = {{0, 1}};
    dir.entries = {{"QUESTIONS.XML", 0, std::uint32_t(xml.size()), std::uint32_t(xml.size()), 1}};
    test::WriteFile(dir_ / "interface.dat", test::HandTreeFile(dir.Block(), xml));
    test::WriteFile(dir_ / "questions.xml", BankUtf8(XmlBody({{2, 1, "с диска", {"да"}}})));
    test::WriteFile(dir_ / "other.xml", BankUtf8(XmlBody({{3, 1, "другой", {"да"}}, {4, 2, "ещё", {"нет"}}})));
    root_ = ToWindowsDir(dir_.Path());
    ASSERT_EQ(tree_.OpenTree(root_ + "interface.dat"), 0);
    tree_.SetPathPrefix(root_);
  }

  test::TempDir dir_;
  std::string root_;
  TPackedTree tree_;
};

TEST_F(GameCollectionTreeTest, TheTreeCopyWinsAndOtherNamesComeFromTheDisk) {
  TGameCollection bank(&tree_);
  ASSERT_TRUE(bank.LoadQuestions("questions.xml"));
  ASSERT_EQ(bank.Count(), 1);
  EXPECT_EQ(bank.Questions[0].Text, Utf8ToCp1251("из дерева"));
  ASSERT_TRUE(bank.LoadQuestions(root_ + "questions.xml"));
  EXPECT_EQ(bank.Questions[0].ID, 1);

  ASSERT_TRUE(bank.LoadQuestions(root_ + "other.xml"));
  ASSERT_EQ(bank.Count(), 2);
  EXPECT_EQ(bank.Questions[1].Text, Utf8ToCp1251("ещё"));

  TGameCollection diskOnly;
  ASSERT_TRUE(diskOnly.LoadQuestions(root_ + "questions.xml"));
  ASSERT_EQ(diskOnly.Count(), 1);
  EXPECT_EQ(diskOnly.Questions[0].Text, Utf8ToCp1251("с диска"));
}

TEST_F(GameCollectionTreeTest, AMissingFileIsLoggedAndLeavesTheBankEmpty) {
  TGameCollection bank(&tree_);
  ASSERT_TRUE(bank.LoadQuestions(root_ + "other.xml"));
  test::LogCapture log;
  EXPECT_FALSE(bank.LoadQuestions(root_ + "missing.xml"));
  EXPECT_EQ(bank.Count(), 0);
  EXPECT_TRUE(log.Contains("missing.xml")) << log.All();
}

TEST(GameCollectionTest, ShuffleIsAPermutationDrivenByTheSeededGenerator) {
  TGameCollection bank;
  ASSERT_TRUE(Load(bank, Bank1251(XmlBody(Levels(std::vector<int>(14, 3))))));
  const auto ids = [&] {
    std::vector<int> v;
    for (const TQuestion& q : bank.Questions) v.push_back(q.ID);
    return v;
  };
  const std::vector<int> fileOrder = ids();
  SeedRandom(42);
  bank.Shuffle();
  const std::vector<int> first = ids();
  EXPECT_NE(first, fileOrder);
  EXPECT_TRUE(std::is_permutation(first.begin(), first.end(), fileOrder.begin(), fileOrder.end()));

  ASSERT_TRUE(Load(bank, Bank1251(XmlBody(Levels(std::vector<int>(14, 3))))));
  SeedRandom(42);
  bank.Shuffle();
  EXPECT_EQ(ids(), first);

  // Every question gets to the front now and then.
  std::set<int> fronts;
  for (std::uint32_t seed = 1; seed <= 2000; ++seed) {
    SeedRandom(seed);
    bank.Shuffle();
    fronts.insert(bank.Questions.front().ID);
  }
  EXPECT_EQ(fronts.size(), fileOrder.size());

  TGameCollection empty;
  empty.Shuffle();  // nothing to draw from: no draw, no fault
  EXPECT_EQ(empty.Count(), 0);
}

TEST(GameCollectionTest, SelectionTakesTheFirstUnplayedQuestionOfEachLevelInArrayOrder) {
  TGameCollection bank;
  // Level 3 is missing: levels 1 and 2 are marked, then selection stops.
  ASSERT_TRUE(Load(bank, Bank1251(XmlBody(Levels({2, 2, 0, 1})))));
  EXPECT_TRUE(bank.AllLevelsAvailable(2));
  EXPECT_FALSE(bank.AllLevelsAvailable(3));
  EXPECT_FALSE(bank.SelectForGame(4));
  std::vector<int> selected;
  for (const TQuestion& q : bank.Questions)
    if (q.Selected) selected.push_back(q.ID);
  EXPECT_EQ(selected, (std::vector<int>{101, 201}));
  EXPECT_FALSE(bank.LevelAvailable(4));  // a question of level 4 exists but is not selected

  bank.Questions[0].Used = true;  // 101 played in an earlier game
  bank.ClearSelection();
  EXPECT_TRUE(bank.SelectForGame(2));
  EXPECT_FALSE(bank.Questions[0].Selected);
  EXPECT_TRUE(bank.Questions[1].Selected);  // 102

  bank.TakeQuestion(1);
  EXPECT_EQ(bank.Current.ID, 102);
  EXPECT_EQ(bank.Current.Text, Utf8ToCp1251("вопрос 102"));
  EXPECT_TRUE(bank.Questions[1].Used);
  EXPECT_FALSE(bank.LevelAvailable(1));
  // Nothing left of level 1: Current becomes blank.
  bank.TakeQuestion(1);
  EXPECT_TRUE(TGameCollection::IsBlank(bank.Current));
  EXPECT_EQ(bank.Current.Answers.size(), 4u);
  EXPECT_FALSE(bank.CheckAnswer(Utf8ToCp1251("ответ 102")));
}

TEST(GameCollectionTest, LevelsOutsideOneToFourteenAreLoadedButNeverPlayed) {
  std::vector<Q> qs = Levels(std::vector<int>(14, 1));
  qs.push_back({1500, 15, "пятнадцатый", {"x"}});
  qs.push_back({1, 0, "нулевой", {"x"}});
  qs.push_back({2, -3, "отрицательный", {"x"}});
  TGameCollection bank;
  ASSERT_TRUE(Load(bank, Bank1251(XmlBody(qs))));
  ASSERT_EQ(bank.Count(), 17);
  for (int game = 0; game < 20; ++game) {
    ASSERT_TRUE(PrepareGame(bank));
    for (int id : Play(bank)) EXPECT_TRUE(id >= 100 && id < 1500) << id;
  }
}

TEST(GameCollectionTest, NoQuestionIsPlayedTwiceUntilALevelRunsOut) {
  // Three questions of every level but level 7, which has only one.
  std::vector<int> perLevel(14, 3);
  perLevel[6] = 1;
  TGameCollection bank;
  ASSERT_TRUE(Load(bank, Bank1251(XmlBody(Levels(perLevel)))));
  bank.ClearUsed();  // as at the first game after start

  ASSERT_TRUE(PrepareGame(bank));
  EXPECT_EQ(CountIf(bank, &TQuestion::Selected), 14);
  const std::vector<int> game1 = Play(bank);
  EXPECT_EQ(CountIf(bank, &TQuestion::Used), 14);
  EXPECT_EQ(CountIf(bank, &TQuestion::Selected), 0);
  EXPECT_TRUE(std::find(game1.begin(), game1.end(), 701) != game1.end());

  // Level 7 ran out: all flags are reset and the next game plays afresh.
  EXPECT_FALSE(bank.AllLevelsAvailable(14));
  ASSERT_TRUE(PrepareGame(bank));
  EXPECT_EQ(CountIf(bank, &TQuestion::Used), 0);
  const std::vector<int> game2 = Play(bank);
  EXPECT_TRUE(std::find(game2.begin(), game2.end(), 701) != game2.end());
  EXPECT_EQ(CountIf(bank, &TQuestion::Used), 14);
}

TEST(GameCollectionTest, AFullBankServesEveryQuestionOnceBeforeAnyRepeats) {
  TGameCollection bank;
  ASSERT_TRUE(Load(bank, Bank1251(XmlBody(Levels(std::vector<int>(14, 4))))));
  bank.ClearUsed();
  std::map<int, int> played;
  for (int game = 0; game < 4; ++game) {
    ASSERT_TRUE(PrepareGame(bank)) << game;
    for (int id : Play(bank)) ++played[id];
  }
  EXPECT_EQ(played.size(), 56u);
  for (auto [id, times] : played) EXPECT_EQ(times, 1) << id;
  // The fifth game finds every level played out and starts over.
  ASSERT_TRUE(PrepareGame(bank));
  EXPECT_EQ(CountIf(bank, &TQuestion::Used), 0);
}

TEST(GameCollectionTest, ASelectedQuestionTheGameNeverReachedStaysForTheNextGame) {
  TGameCollection bank;
  ASSERT_TRUE(Load(bank, Bank1251(XmlBody(Levels(std::vector<int>(14, 2))))));
  ASSERT_TRUE(PrepareGame(bank));
  int unreached = 0;
  for (const TQuestion& q : bank.Questions)
    if (q.Selected && q.Level == 14) unreached = q.ID;
  Play(bank, 5);  // the game ends after five levels
  EXPECT_EQ(CountIf(bank, &TQuestion::Used), 5);
  EXPECT_FALSE(bank.LevelAvailable(14));  // selection ended with the game

  // Both questions of level 14 are still unplayed, so the unreached one can
  // come again (it does whenever the shuffle leaves it ahead of the other).
  bool cameAgain = false;
  for (int game = 0; game < 200 && !cameAgain; ++game) {
    ASSERT_TRUE(PrepareGame(bank));
    ASSERT_TRUE(bank.LevelAvailable(14));
    cameAgain = std::any_of(bank.Questions.begin(), bank.Questions.end(),
                            [&](const TQuestion& q) { return q.Selected && q.ID == unreached; });
    EXPECT_EQ(CountIf(bank, &TQuestion::Used), 5);
    bank.ClearSelection();
  }
  EXPECT_TRUE(cameAgain);
}

TEST(GameCollectionTest, TwoQuestionsOfALevelAreEachChosenDependingOnTheOrder) {
  TGameCollection bank;
  ASSERT_TRUE(Load(bank, Bank1251(XmlBody(Levels(std::vector<int>(14, 2))))));
  std::set<int> firstChoices;
  for (std::uint32_t seed = 1; seed <= 64; ++seed) {
    bank.ClearUsed();
    SeedRandom(seed);
    bank.Shuffle();
    ASSERT_TRUE(bank.SelectForGame(14));
    bank.TakeQuestion(3);
    const int first = bank.Current.ID;
    firstChoices.insert(first);
    bank.ClearSelection();
    // The other one is the next game's.
    ASSERT_TRUE(bank.SelectForGame(14));
    bank.TakeQuestion(3);
    EXPECT_EQ(bank.Current.ID, first == 301 ? 302 : 301);
    bank.ClearSelection();
  }
  EXPECT_EQ(firstChoices, (std::set<int>{301, 302}));
}

TEST(GameCollectionTest, CheckAnswerJudgesAgainstEveryAnswerOfTheCurrentQuestion) {
  for (const JudgeCase& c : JudgeTable()) {
    TGameCollection bank;
    bank.Current.ID = 1;
    bank.Current.Text = "q";
    bank.Current.Answers.clear();
    for (const std::string& a : c.accepted) bank.Current.Answers.push_back(Utf8ToCp1251(a));
    EXPECT_EQ(bank.CheckAnswer(Utf8ToCp1251(c.typed)), c.expected) << c.typed;
  }
  // Three answers with other elements between them: each is accepted, the
  // first is the one shown.
  TGameCollection bank;
  ASSERT_TRUE(Load(bank, Bank1251("<PQuestions><QUESTION ID=\"9\"><ANSWER>Телёнок</ANSWER><LEVEL>1</LEVEL>"
                                  "<ANSWER>бычок</ANSWER><TEXT>Детёныш коровы?</TEXT><COMMENT>c</COMMENT>"
                                  "<ANSWER>тёлочка</ANSWER></QUESTION></PQuestions>")));
  ASSERT_TRUE(bank.SelectForGame(1));
  bank.TakeQuestion(1);
  ASSERT_EQ(bank.Current.ID, 9);
  EXPECT_EQ(bank.Current.Answers.front(), Utf8ToCp1251("Телёнок"));
  for (const char* typed : {"ТЕЛЕНОК", "бычок", "телочка"}) EXPECT_TRUE(bank.CheckAnswer(Utf8ToCp1251(typed))) << typed;
  EXPECT_FALSE(bank.CheckAnswer(Utf8ToCp1251("корова")));
  EXPECT_EQ(TGameCollection::NormalizeAnswer(Utf8ToCp1251(" Ёлка, и палка ")), Utf8ToCp1251("елка палка"));
}

}  // namespace
}  // namespace trv
