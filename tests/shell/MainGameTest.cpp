// The quiz played on a small disc in virtual time: turns with right, wrong,
// empty and late answers, the extra minute, taking the points, a game won to
// six, the bank running out, and the way back to the registration screen.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include "game/Random.h"
#include "game/Users.h"
#include "shell/CommandDisc.h"
#include "shell/GameDisc.h"
#include "game/MainGame.h"

namespace trv::test {
namespace {

using ::testing::HasSubstr;
using ::testing::ElementsAre;

// One question for each level; the answer of level l is "otvet l", its
// comment names it, and level 3's text and answer hold an "&".
std::string QuestionsXml(int levels = 14) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<PQuestions>";
  for (int l = 1; l <= levels; ++l) {
    const std::string n = std::to_string(l);
    xml += "<QUESTION ID=\"" + n + "\"><LEVEL>" + n + "</LEVEL><TEXT>вопрос " + n +
           (l == 3 ? " &amp; ещё" : "") + "</TEXT><HINT>подсказка " + n + "</HINT><ANSWER>otvet " + n +
           (l == 3 ? " &amp; co" : "") + "</ANSWER>" + (l % 2 ? "<COMMENT>пояснение " + n + "</COMMENT>" : "") +
           "</QUESTION>";
  }
  return Utf8ToCp1251(xml + "</PQuestions>\n");
}

class MainGameTest : public CommandShellTest {
 protected:
  void TearDown() override {
    form.reset();
    if (!oldDir_.empty()) std::filesystem::current_path(oldDir_);
  }
  // The bank is read from the current folder, as the program reads it from its own.
  void StartGame(const std::string& questions = QuestionsXml(), bool soundsOn = true) {
    oldDir_ = std::filesystem::current_path();
    std::filesystem::create_directories(discDir.Path());
    if (!questions.empty()) std::ofstream(discDir.Path() / "questions.xml", std::ios::binary) << questions;
    std::filesystem::current_path(discDir.Path());
    SeedRandom(7);
    StartOn(GameScript(), {{"wide.bmp", FlatBmp(300, 300, kBack2)}, {"o.bmp", FlatBmp(40, 20, kHover)}});
    form->SetSoundsOn(soundsOn);
    game = form->Game();
    ASSERT_NE(game, nullptr);
    Run("startgame");  // on to the registration screen
    Settle();
    form->SetInputBoxText(Utf8ToCp1251("Маша"));
    Run("startgame");
    ASSERT_EQ(form->CurrentScreen(), TMainGame::kGameScreen);
  }
  // Runs virtual time in small steps until `done`; false after `limitMs`.
  template <typename F>
  bool WaitUntil(F done, std::uint64_t limitMs) {
    for (std::uint64_t t = 0; t < limitMs; t += 10) {
      if (done()) return true;
      Wait(10);
    }
    return done();
  }
  // Waits for the next question to be open for an answer.
  void WaitForQuestion() { ASSERT_TRUE(WaitUntil([&] { return game->AnswerOpen(); }, 20000)); }
  int Level() { return game->Bank().Current.Level; }
  std::string RightAnswer() { return game->Bank().Current.Answers.at(0); }
  void Answer(const std::string& cp1251) {
    form->SetInputBoxText(cp1251);
    Run("validateanswer");
  }
  std::string Field(int n) { return form->TextFields()->GetText(n); }
  // Plays of sounds whose path ends with `nameUtf8`.
  int PlaysOf(const std::string& nameUtf8) {
    const std::string name = Utf8ToCp1251(nameUtf8);
    int n = 0;
    for (const auto& p : Plays())
      if (p.file.size() >= name.size() && p.file.compare(p.file.size() - name.size(), name.size(), name) == 0) ++n;
    return n;
  }
  std::vector<std::string> Dialogs() {
    std::vector<std::string> out;
    for (const std::string& l : Since("game-dialog")) out.push_back(l);
    return out;
  }
  std::vector<std::string> Steps(const std::string& step) {
    std::vector<std::string> out;
    for (const std::string& l : Since("game"))
      if (l.find("\"step\":\"" + step + "\"") != std::string::npos) out.push_back(l);
    return out;
  }

  TMainGame* game = nullptr;
  std::filesystem::path oldDir_;
};

TEST(MainGameParts, PointsTableAmpersandsAndWrapping) {
  EXPECT_EQ(TMainGame::LevelPoints(1), 50u);
  EXPECT_EQ(TMainGame::LevelPoints(7), 400u);
  EXPECT_EQ(TMainGame::LevelPoints(14), 5000u);
  EXPECT_EQ(TMainGame::LevelPoints(0), 0u);
  EXPECT_EQ(TMainGame::LevelPoints(15), 0u);
  EXPECT_EQ(TMainGame::DoubleAmpersands("a&b&&"), "a&&b&&&&");
  // Ten pixels a character: lines of at most 12 characters.
  auto measure = [](const std::string& s) { return int(s.size()) * 10; };
  EXPECT_EQ(TMainGame::WrapText("short\ntext", 120, measure), "short text");
  EXPECT_EQ(TMainGame::WrapText("one two three four  five", 120, measure), "one two\nthree four\nfive");
  // A word wider than the line stays whole on its own line.
  EXPECT_EQ(TMainGame::WrapText("a verylongwordindeed b", 120, measure), "a\nverylongwordindeed\nb");
}

TEST_F(MainGameTest, ARightAnswerScoresAndShowsTheCommentThenTheNextTurn) {
  StartGame();
  WaitForQuestion();
  EXPECT_EQ(PlaysOf("s_Появление вопроса.wav"), 1);
  EXPECT_EQ(Field(559), std::to_string(TMainGame::LevelPoints(Level())));
  EXPECT_EQ(Field(556), TMainGame::DoubleAmpersands(game->Bank().Current.Hint));
  const int level = Level();
  // The question is typed in whole, "&" doubled for the field.
  EXPECT_EQ(Field(555), TMainGame::DoubleAmpersands(game->Bank().Current.Text));
  // The discussion minute starts 2.5 s after the question and counts down.
  Wait(2600);
  EXPECT_EQ(PlaysOf("s_Начало отсчета таймера1.wav"), 1);
  Wait(12000);
  EXPECT_EQ(Field(557), "48");
  Mark();
  Answer(RightAnswer());
  EXPECT_FALSE(game->AnswerOpen());
  // The answer shows in its field a moment after the box has gone.
  EXPECT_EQ(Field(561), " ");
  EXPECT_EQ(Steps("judged").size(), 0u);
  Wait(200);
  EXPECT_EQ(Field(561), TMainGame::DoubleAmpersands(RightAnswer()));
  EXPECT_EQ(game->ExtraMinutes(), 0u);  // twelve seconds in: too late for an extra minute
  int rightSounds = 0;
  for (int d = 0; d < 5; ++d) rightSounds += PlaysOf("s_Правильный ответ" + std::to_string(d) + ".wav");
  EXPECT_EQ(rightSounds, 1);
  // Judged, then after 2 s the score and the comment.
  Wait(1900);
  EXPECT_EQ(game->Score(), 0u);
  ASSERT_TRUE(WaitUntil([&] { return game->Score() != 0; }, 2000));
  EXPECT_EQ(game->Score(), TMainGame::LevelPoints(level));
  EXPECT_EQ(Field(558), std::to_string(TMainGame::LevelPoints(level)));
  EXPECT_EQ(Field(563), "1");
  EXPECT_EQ(Field(562), "0");
  ASSERT_TRUE(WaitUntil([&] { return PlaysOf("s_Появление правильного ответа и комментария.wav") == 1; }, 2000));
  ASSERT_TRUE(WaitUntil([&] { return Field(561) == TMainGame::DoubleAmpersands(RightAnswer()); }, 5000));
  const std::string comment = game->Bank().Current.Comment.empty()
                                  ? Utf8ToCp1251("Без комментариев")
                                  : Utf8ToCp1251("Комментарий: \n") + game->Bank().Current.Comment;
  EXPECT_EQ(Field(555), TMainGame::DoubleAmpersands(comment));
  EXPECT_TRUE(form->TextFields()->Highlighted(555));
  // The next turn comes 4.5 s after the comment.
  EXPECT_EQ(game->TurnNumber(), 1);
  ASSERT_TRUE(WaitUntil([&] { return game->TurnNumber() == 2; }, 6000));
  WaitForQuestion();
  EXPECT_NE(Level(), level);
  EXPECT_FALSE(form->TextFields()->Highlighted(555));
}

TEST_F(MainGameTest, AWrongAnswerCountsAgainstThePlayer) {
  StartGame();
  WaitForQuestion();
  Wait(3000);
  Mark();
  Answer("nonsense");
  Wait(200);
  int wrongSounds = 0;
  for (int d = 0; d < 5; ++d) wrongSounds += PlaysOf("s_Неправильный ответ" + std::to_string(d) + ".wav");
  EXPECT_EQ(wrongSounds, 1);
  ASSERT_EQ(Steps("judged").size(), 1u);
  EXPECT_THAT(Steps("judged")[0], HasSubstr("\"right\":false"));
  ASSERT_TRUE(WaitUntil([&] { return game->Wrong() == 1; }, 3000));
  EXPECT_EQ(Field(562), "1");
  EXPECT_EQ(game->Score(), 0u);
  EXPECT_EQ(game->ExtraMinutes(), 0u);
}

TEST_F(MainGameTest, AnEmptyAnswerIsRefusedAndTheCountdownGoesOn) {
  StartGame();
  WaitForQuestion();
  Wait(5000);
  Mark();
  Answer("   ");
  ASSERT_EQ(Dialogs().size(), 1u);
  EXPECT_THAT(Dialogs()[0], HasSubstr("\"layout\":4"));
  EXPECT_THAT(Dialogs()[0], HasSubstr("Пожалуйста, введите ответ!"));
  EXPECT_TRUE(game->AnswerOpen());
  const std::string before = Field(557);
  Wait(2000);
  EXPECT_NE(Field(557), before);
  EXPECT_TRUE(Steps("judged").empty());
}

TEST_F(MainGameTest, AnEarlyRightAnswerEarnsAnExtraMinuteThatIsOfferedAndUsed) {
  StartGame();
  WaitForQuestion();
  Wait(2600 + 3000);  // three seconds into the minute
  Answer(RightAnswer());
  Wait(200);
  EXPECT_EQ(game->ExtraMinutes(), 1u);
  EXPECT_EQ(Field(564), "1");
  ASSERT_TRUE(WaitUntil([&] { return game->TurnNumber() == 2; }, 20000));
  WaitForQuestion();
  ASSERT_TRUE(WaitUntil([&] { return Steps("discussion").size() >= 2; }, 5000));
  Mark();
  // The button is offered with ten seconds left, not before.
  Wait(49000);
  EXPECT_TRUE(Since("game-button").empty());
  ASSERT_TRUE(WaitUntil([&] { return !Since("game-button").empty(); }, 2000));
  EXPECT_THAT(Since("game-button")[0], HasSubstr("\"active\":true"));
  Wait(5000);
  Run("additionaltime");
  EXPECT_EQ(Steps("extra-minute-asked").size(), 1u);
  // The minute runs out; three seconds later a fresh one with one minute fewer.
  ASSERT_TRUE(WaitUntil([&] { return Steps("discussion").size() == 1; }, 12000));
  EXPECT_EQ(game->ExtraMinutes(), 0u);
  EXPECT_EQ(Field(564), "0");
  EXPECT_TRUE(Steps("writing").empty());
  EXPECT_TRUE(game->AnswerOpen());
  // Without a reserve the second ask does nothing.
  Run("additionaltime");
  EXPECT_EQ(Steps("extra-minute-asked").size(), 1u);
}

TEST_F(MainGameTest, TheLampsLightOnTheirScheduleAndTheWritingTimeRunsOut) {
  StartGame("", false);  // no bank file at all first: see below
  ASSERT_TRUE(WaitUntil([&] { return !Dialogs().empty(); }, 3000));
  EXPECT_THAT(Dialogs()[0], HasSubstr("Банк вопросов исчерпан!"));
  EXPECT_TRUE(Steps("turn").empty());
  // With the bank in place and sounds off, the shorter delays apply.
  std::ofstream("questions.xml", std::ios::binary) << QuestionsXml();
  ASSERT_TRUE(game->Bank().LoadQuestions("questions.xml"));
  Run("5");
  Settle();
  Mark();
  ASSERT_TRUE(WaitUntil([&] { return !Steps("turn").empty(); }, 5000));
  ASSERT_TRUE(WaitUntil([&] { return !Steps("discussion").empty(); }, 20000));
  Mark();
  // Six lamps of the minute: the first at 51 seconds left, one every ten seconds.
  Wait(9000);
  EXPECT_EQ(Field(557), "51");
  EXPECT_TRUE(Since("sound").empty());  // sounds are off: nothing reaches the device
  ASSERT_TRUE(WaitUntil([&] { return Field(560) == "30"; }, 60000));
  Mark();
  // Nothing typed: the writing time runs out and the empty text is judged.
  ASSERT_TRUE(WaitUntil([&] { return !Steps("judged").empty(); }, 32000));
  EXPECT_THAT(Steps("judged")[0], HasSubstr("\"from-player\":false"));
  EXPECT_THAT(Steps("judged")[0], HasSubstr("\"right\":false"));
  ASSERT_TRUE(WaitUntil([&] { return game->Wrong() == 1; }, 2000));
}

TEST_F(MainGameTest, LampSoundsFollowTheCountdowns) {
  StartGame();
  WaitForQuestion();
  ASSERT_TRUE(WaitUntil([&] { return !Steps("discussion").empty(); }, 5000));
  Wait(8000);
  EXPECT_EQ(PlaysOf("Tim1_0.wav"), 0);
  Wait(2500);
  EXPECT_EQ(PlaysOf("Tim1_0.wav"), 1);
  ASSERT_TRUE(WaitUntil([&] { return PlaysOf("Tim1_Fin.wav") == 1; }, 52000));
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(PlaysOf("Tim1_" + std::to_string(n) + ".wav"), 1) << n;
  ASSERT_TRUE(WaitUntil([&] { return !Steps("writing").empty(); }, 5000));
  // Six lamps of the writing time: the first at 26 seconds left.
  Wait(3000);
  EXPECT_EQ(PlaysOf("Tim2_0.wav"), 0);
  Wait(2000);
  EXPECT_EQ(PlaysOf("Tim2_0.wav"), 1);
  Answer("x");
  EXPECT_EQ(PlaysOf("Tim2_1.wav"), 0);
  // A right answer in the writing time earns no extra minute either way.
  EXPECT_EQ(game->ExtraMinutes(), 0u);
}

TEST_F(MainGameTest, TakingThePointsEndsTheGameAndStoresTheScore) {
  StartGame();
  // While the question is typed "getmoney" does nothing.
  ASSERT_TRUE(WaitUntil([&] { return !Steps("turn").empty(); }, 5000));
  Wait(1300);
  Run("getmoney");
  EXPECT_TRUE(Steps("take-money").empty());
  WaitForQuestion();
  Wait(3000);
  Answer(RightAnswer());
  const std::uint32_t points = TMainGame::LevelPoints(Level());
  ASSERT_TRUE(WaitUntil([&] { return game->TurnNumber() == 2; }, 20000));
  WaitForQuestion();
  Wait(3000);  // in the discussion minute
  Mark();
  Run("getmoney");
  ASSERT_EQ(Steps("take-money").size(), 1u);
  EXPECT_FALSE(game->AnswerOpen());
  // Won one to none with sending on: the result may be sent (layout 2).
  ASSERT_EQ(Steps("result").size(), 1u);
  EXPECT_THAT(Steps("result")[0], HasSubstr("\"layout\":2"));
  ASSERT_TRUE(Dialogs().size() >= 1);
  EXPECT_THAT(Dialogs()[0], HasSubstr("\"text\":\"" + std::to_string(points) + "\""));
  // Stored in the local table before anything else.
  ASSERT_NE(form->Players(), nullptr);
  TUsers stored(platform->Settings(), Utf8ToCp1251("тестовая игра"), platform->Loop().GetClock());
  ASSERT_EQ(stored.Count(), 1);
  EXPECT_EQ(stored.Entry(0)->Name, Utf8ToCp1251("Маша"));
  EXPECT_EQ(stored.Entry(0)->Score, points);
  // One second later the screen is cleared and the registration screen returns.
  EXPECT_EQ(form->CurrentScreen(), TMainGame::kGameScreen);
  ASSERT_TRUE(WaitUntil([&] { return form->CurrentScreen() == 1; }, 6000));
  EXPECT_EQ(Steps("end").size(), 1u);
  for (int n = 555; n <= 564; ++n) EXPECT_EQ(Field(n), " ") << n;
  // A second "getmoney" finds no answer awaited.
  Run("getmoney");
  EXPECT_EQ(Steps("take-money").size(), 1u);
}

TEST_F(MainGameTest, SendingOffOrANoScoreGameShowsTheUnsentResult) {
  StartGame();
  game->SetSendResults(false);
  WaitForQuestion();
  Wait(3000);
  Answer(RightAnswer());
  ASSERT_TRUE(WaitUntil([&] { return game->TurnNumber() == 2; }, 20000));
  WaitForQuestion();
  Mark();
  Run("getmoney");
  ASSERT_EQ(Steps("result").size(), 1u);
  EXPECT_THAT(Steps("result")[0], HasSubstr("\"layout\":3"));
}

// A won game taken at once, the dialog answering with `codes` in turn (then 2,
// "closed"); gives the dialogs shown as "layout:text" (UTF-8).
class ResultTest : public MainGameTest {
 protected:
  std::vector<std::string> PlayWithAnswers(std::vector<int> codes) {
    StartGame();
    game->SetGameTable(false);  // only the results' dialogs here
    std::vector<std::string> shown;
    std::size_t next = 0;
    game->SetDialog([&shown, &next, codes](int layout, const std::string& text, bool* sent) {
      shown.push_back(std::to_string(layout) + ":" + Cp1251ToUtf8(text));
      *sent = layout == 2;  // the results page answers with the submission's status
      return next < codes.size() ? codes[next++] : 2;
    });
    WaitForQuestion();
    Wait(3000);
    Answer(RightAnswer());
    EXPECT_TRUE(WaitUntil([&] { return game->TurnNumber() == 2; }, 20000));
    WaitForQuestion();
    Mark();
    Run("getmoney");
    game->SetDialog(nullptr);
    return shown;
  }
  std::vector<std::string> Commands() {
    std::vector<std::string> out;
    for (const std::string& l : Since("command"))
      if (l.find("\"command\":\"getmoney\"") == std::string::npos) out.push_back(l);
    return out;
  }
};

TEST_F(ResultTest, SavedAndKeptResultsAreMessages) {
  auto shown = PlayWithAnswers({0});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].substr(0, 2), "2:");
  EXPECT_EQ(shown[1], "4:Результат успешно сохранен на сервере.");
  EXPECT_EQ(PlaysOf("s_Появление окна ошибки.wav"), 0);
}

TEST_F(ResultTest, AnEarlierBetterResultIsReported) {
  auto shown = PlayWithAnswers({1});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1],
            "4:Набранные Вами очки не были зарегистрированы в таблице рейтингов на сервере.\n"
            "Результат Вашей последней игры хуже предыдущего.");
}

TEST_F(ResultTest, UnknownPlayerOffersRegistrationAndShowsTheResultAgain) {
  // Yes: the registration page, then the results again; no: the results again too.
  auto shown = PlayWithAnswers({102, 6, 102, 7, 2});
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[1].substr(0, 2), "5:");
  EXPECT_THAT(shown[1], HasSubstr("Хотите зарегистрироваться на сервере?"));
  EXPECT_EQ(shown[2].substr(0, 2), "2:");
  EXPECT_EQ(shown[4].substr(0, 2), "2:");
  int registrations = 0;
  for (const std::string& c : Commands()) registrations += c.find("registeruserontheserver") != std::string::npos;
  EXPECT_EQ(registrations, 1);
  EXPECT_EQ(PlaysOf("s_Появление окна ошибки.wav"), 2);
}

TEST_F(ResultTest, SendingErrorsRetryOnYesAndEndOnNo) {
  auto shown = PlayWithAnswers({103, 6, 104, 7});
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[1], "5:При отправке данных через интернет возникла ошибка.\n"
                      "Хотите попробовать послать данные ещё раз?");
  EXPECT_EQ(shown[2].substr(0, 2), "2:");
  EXPECT_EQ(shown[3],
            "5:При отправке данных через интернет возникла ошибка. Проверьте наличие соединения с интернет.\n"
            "Хотите попробовать послать данные ещё раз?");
  ASSERT_TRUE(WaitUntil([&] { return form->CurrentScreen() == 1; }, 6000));
}

TEST_F(ResultTest, AnUnknownErrorOffersALetterToTheDevelopers) {
  auto shown = PlayWithAnswers({9999, 6});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_THAT(shown[1], HasSubstr("неизвестная программе ошибка.\nХотите написать письмо"));
  bool letter = false;
  for (const std::string& c : Commands())
    letter = letter || c.find("writelettertoadminanddevelopers=При отпревке данных на сервер возникла неизвестная "
                              "программе ошибка.\"") != std::string::npos;
  EXPECT_TRUE(letter);
  // A code outside the table ends the handling silently.
  EXPECT_EQ(Steps("result").size(), 1u);
}

TEST_F(ResultTest, TheScoreIsStoredBeforeTheResultIsShown) {
  StartGame();
  std::uint32_t storedWhenShown = 1;
  game->SetDialog([&](int, const std::string&, bool*) {
    TUsers stored(platform->Settings(), Utf8ToCp1251("тестовая игра"), platform->Loop().GetClock());
    storedWhenShown = stored.Count() == 1 ? stored.Entry(0)->Score : 1;
    return 2;
  });
  WaitForQuestion();
  Run("getmoney");  // nothing won: score 0, not offered for sending
  EXPECT_EQ(storedWhenShown, 0u);
  EXPECT_THAT(Steps("result").at(0), HasSubstr("\"layout\":3"));
}

// OK on the page of a result that was not sent closes it with 1, the code the
// server uses for "worse than before": no server message may follow.
TEST_F(ResultTest, OkOnAnUnsentResultShowsNoServerMessage) {
  StartGame();
  game->SetGameTable(false);
  std::vector<std::string> shown;
  game->SetDialog([&shown](int layout, const std::string& text, bool*) {
    shown.push_back(std::to_string(layout) + ":" + Cp1251ToUtf8(text));
    return 1;
  });
  WaitForQuestion();
  Run("getmoney");
  game->SetDialog(nullptr);
  EXPECT_THAT(shown, ElementsAre("3:0"));
}

TEST_F(MainGameTest, SixRightAnswersWinTheGame) {
  StartGame();
  for (int turn = 1; turn <= 6; ++turn) {
    ASSERT_TRUE(WaitUntil([&] { return game->TurnNumber() == turn; }, 20000)) << turn;
    WaitForQuestion();
    Wait(2600 + 15000);
    if (turn == 6) Mark();
    Answer(RightAnswer());
  }
  Wait(200);
  EXPECT_EQ(PlaysOf("s_Уровень 1000000.wav"), 1);
  // The game ends at the start of the next turn, after the comment.
  EXPECT_TRUE(Steps("take-money").empty());
  ASSERT_TRUE(WaitUntil([&] { return !Steps("take-money").empty(); }, 20000));
  EXPECT_THAT(Steps("take-money")[0], HasSubstr("\"forced\":true"));
  EXPECT_EQ(game->Right(), 6);
  EXPECT_EQ(game->TurnNumber(), 6);
  ASSERT_TRUE(WaitUntil([&] { return form->CurrentScreen() == 1; }, 6000));
  // A new game starts from nothing.
  Run("5");
  ASSERT_TRUE(WaitUntil([&] { return game->TurnNumber() == 1; }, 5000));
  EXPECT_EQ(game->Right(), 0);
  EXPECT_EQ(game->Score(), 0u);
  EXPECT_EQ(game->GamesStarted(), 2);
}

TEST_F(MainGameTest, LeavingTheGameScreenStopsTheTurn) {
  StartGame();
  ASSERT_TRUE(WaitUntil([&] { return !Steps("turn").empty(); }, 5000));
  Wait(1300);  // the question is being typed
  Run("1");
  Mark();
  Wait(90000);
  EXPECT_TRUE(Steps("discussion").empty());
  EXPECT_TRUE(Steps("judged").empty());
  EXPECT_TRUE(Since("game-dialog").empty());
  // Coming back starts a fresh game.
  Run("5");
  ASSERT_TRUE(WaitUntil([&] { return game->TurnNumber() == 1 && !Steps("turn").empty(); }, 5000));
  WaitForQuestion();
}

}  // namespace
}  // namespace trv::test
