// The end of a won game against a score server on loopback: the real server
// for saved, kept and unknown-player results, a small form server for the
// statuses the real one never gives, and no server at all for a refused
// connection. The game dialog is driven as a player would: boxes clicked and
// typed into, buttons clicked. While it is modal the main window takes no input.
#include <gmock/gmock.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <thread>

#include "game/Random.h"
#include "game/Users.h"
#include "online/VMHighScores.h"
#include "platform/Keys.h"
#include "shell/CommandDisc.h"
#include "shell/GameDisc.h"
#include "game/MainGame.h"
#include "support/ScoreServerProcess.h"


namespace trv::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// ---- Servers

// Answers every post with one fixed text and counts the posts.
class FixedReplyServer {
 public:
  explicit FixedReplyServer(std::string reply) : reply_(std::move(reply)) {
    server_.Post("/save.php", [this](const httplib::Request&, httplib::Response& res) {
      ++posts_;
      res.set_content(reply_, "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~FixedReplyServer() {
    server_.stop();
    thread_.join();
  }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  int Posts() const { return posts_; }

 private:
  std::string reply_;
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::atomic<int> posts_{0};
};

// A loopback port that nothing listens on: taken from the system, then freed.
int RefusingPort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(s);
  return port;
}

// ---- The disc

// Pages 3 to 6 of the game dialog (layouts 2 to 5): the result to send with
// its two boxes, the result not sent, a message, a question.
std::string DialogScript() {
  const std::string text = "; vx=10; vy=25; vw=280; font=Arial; size=10; style=; color=0,0,0; value=\n";
  auto button = [](int page, int x, const std::string& name, const std::string& go) {
    return std::to_string(page) + "_button; vx=" + std::to_string(x) + "; vy=95; align=left\n  name=" + name +
           "\n  fn1=n.bmp; fn2=h.bmp; fn3=p.bmp; go=" + go + "; hint=; wav=no\n";
  };
  std::string s;
  for (int page = 3; page <= 6; ++page) s += std::to_string(page) + "_picture=dlg.bmp\n" + std::to_string(page) + "_text" + text;
  s += button(3, 20, "send", "sendresults") + button(3, 200, "close", "close");
  s += "3_path; vx=100; vy=45; vw=290; vh=60; pathdef=; hint=; textfontname=Arial; textfontstyle=;\n"
       "  textfontcolor=0,0,0; bgcolor=255,255,255; name=username; wav=no\n";
  s += "3_path; vx=100; vy=70; vw=290; vh=85; pathdef=; hint=; textfontname=Arial; textfontstyle=;\n"
       "  textfontcolor=0,0,0; bgcolor=255,255,255; name=userpassword; wav=no\n";
  s += button(4, 20, "ok", "ok") + button(5, 20, "ok", "ok");
  s += button(6, 20, "yes", "yes") + button(6, 120, "no", "no");
  std::string crlf;
  for (char c : Utf8ToCp1251(s)) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
}

// One question for each level; the answer of level l is "otvet l".
std::string QuestionsXml() {
  std::string xml = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<PQuestions>";
  for (int l = 1; l <= 14; ++l) {
    const std::string n = std::to_string(l);
    xml += "<QUESTION ID=\"" + n + "\"><LEVEL>" + n + "</LEVEL><TEXT>вопрос " + n + "</TEXT><ANSWER>otvet " + n +
           "</ANSWER><COMMENT>пояснение</COMMENT></QUESTION>";
  }
  return Utf8ToCp1251(xml + "</PQuestions>\n");
}

// Percent-encodes every byte but letters and digits, as a browser's form does.
std::string FormBytes(const std::string& s) {
  std::string out;
  char buf[4];
  for (unsigned char b : s) {
    if (std::isalnum(b) && b < 128) {
      out += static_cast<char>(b);
    } else {
      std::snprintf(buf, sizeof buf, "%%%02X", b);
      out += buf;
    }
  }
  return out;
}

const char* const kPassword = "secret";
const char* const kSavedText = "Результат успешно сохранен на сервере.";
const char* const kRetryQuestion = "Хотите попробовать послать данные ещё раз?";

class ResultsServerTest : public CommandShellTest {
 protected:
  static void SetUpTestSuite() {
    server_ = new ScoreServerProcess(ScoreServerExecutable(), fs::path(testing::TempDir()) /
                                                                  ("results-scored-" + std::to_string(getpid()) + ".db"));
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    if (server_->Port() <= 0) GTEST_SKIP() << "trivion-scored is not built or did not start";
  }
  void TearDown() override {
    if (platform) platform->VirtualLoop().SetIdleDriver(nullptr);
    form.reset();
    if (!oldDir_.empty()) fs::current_path(oldDir_);
    unsetenv("TRIVION_SCORE_SERVER");
    unsetenv("TRIVION_SUPPORT_MAIL");
  }

  static void UseServer(const std::string& base) { setenv("TRIVION_SCORE_SERVER", base.c_str(), 1); }
  // The player registers on the server's page in a browser (a UTF-8 form).
  static void Register(const std::string& name) {
    auto http = CreateCurlHttp(nullptr);
    HttpRequest reg;
    reg.url = server_->Base() + "register.php";
    reg.body = "UserName=" + FormBytes(name) + "&Password=" + kPassword + "&Password2=" + kPassword;
    const HttpReply r = http->Post(reg);
    ASSERT_EQ(r.status, 200) << r.body;
  }

  void StartGame() {
    oldDir_ = fs::current_path();
    fs::create_directories(discDir.Path());
    std::ofstream(discDir.Path() / "questions.xml", std::ios::binary) << QuestionsXml();
    fs::current_path(discDir.Path());
    SeedRandom(7);
    StartOn(GameScript(), {{"wide.bmp", FlatBmp(300, 300, kBack2)},
                           {"dlg.bmp", FlatBmp(300, 120, kBack1)},
                           {"Dialog.txt", Bytes(DialogScript())}});
    form->CreateGameDialog();  // as the process does before its loop
    game = form->Game();
    ASSERT_NE(game, nullptr);
    ASSERT_NE(form->GameDialog(), nullptr);
    Run("startgame");
    Settle();
    form->SetInputBoxText(Utf8ToCp1251("Маша"));
    Run("startgame");
    ASSERT_EQ(form->CurrentScreen(), TMainGame::kGameScreen);
  }
  template <typename F>
  bool WaitUntil(F done, std::uint64_t limitMs) {
    for (std::uint64_t t = 0; t < limitMs; t += 10) {
      if (done()) return true;
      Wait(10);
    }
    return done();
  }
  // One right answer, then the second question open: a game won one to none.
  void WinOneQuestion() {
    ASSERT_TRUE(WaitUntil([&] { return game->AnswerOpen(); }, 20000));
    Wait(3000);
    form->SetInputBoxText(game->Bank().Current.Answers.at(0));
    Run("validateanswer");
    points = game->Score() + TMainGame::LevelPoints(game->Bank().Current.Level);
    ASSERT_TRUE(WaitUntil([&] { return game->TurnNumber() == 2; }, 20000));
    ASSERT_TRUE(WaitUntil([&] { return game->AnswerOpen(); }, 20000));
    ASSERT_EQ(game->Score(), points);
  }

  // What the player does with each dialog, in order: the layout expected and
  // the action. Every dialog shown is recorded as "layout:text" (UTF-8) with
  // the score the local table held at that moment.
  struct Step {
    int layout;
    std::function<void()> act;
  };
  // Takes the points with a click on the game screen's button and plays the
  // steps as the dialogs come.
  void TakeThePoints(std::deque<Step> steps) {
    TCoolDialog* dialog = form->GameDialog();
    std::size_t acted = 0, shows = 0, traceAt = platform->Tracer().Lines().size();
    int idle = 0;
    platform->VirtualLoop().SetIdleDriver([&, dialog]() {
      if (++idle > 2000) {
        ADD_FAILURE() << "the dialogs never ended";
        return false;
      }
      Wait(100);
      const auto lines = platform->Tracer().Lines();
      for (; traceAt < lines.size(); ++traceAt)
        if (lines[traceAt].find("\"ev\":\"dialog\"") != std::string::npos &&
            lines[traceAt].find("\"op\":\"show\"") != std::string::npos)
          ++shows;
      if (acted == shows || !dialog->Modal() || !dialog->Visible() || dialog->Appearing()) return true;
      acted = shows;
      TUsers stored(platform->Settings(), Utf8ToCp1251("тестовая игра"), platform->Loop().GetClock());
      const std::optional<TUser> entry = stored.Count() == 1 ? stored.Entry(0) : std::nullopt;
      tableWhenShown.push_back(entry ? std::int64_t(entry->Score) : -1);
      shown.push_back(std::to_string(dialog->CurrentPage()) + ":" + Cp1251ToUtf8(ShownText()));
      if (steps.empty() || steps.front().layout != dialog->CurrentPage()) {
        ADD_FAILURE() << "unexpected dialog " << shown.back();
        steps.clear();
        platform->KeyPress("dialog", vk::Escape);
        return true;
      }
      auto act = std::move(steps.front().act);
      steps.pop_front();
      act();
      return true;
    });
    Mark();
    ASSERT_TRUE(platform->Click("main", {120, 10}));  // "getmoney"
    platform->VirtualLoop().SetIdleDriver(nullptr);
    EXPECT_TRUE(steps.empty()) << steps.size() << " dialogs expected did not come";
    ASSERT_EQ(TraceSteps("take-money").size(), 1u);
    EXPECT_TRUE(WaitUntil([&] { return form->CurrentScreen() == 1; }, 6000)) << "no way back to registration";
  }
  std::string ShownText() {
    const auto lines = platform->Tracer().Lines();
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
      if (it->find("\"ev\":\"dialog\"") != std::string::npos && it->find("\"op\":\"show\"") != std::string::npos) {
        const std::size_t at = it->find("\"text\":\"");
        if (at == std::string::npos) return {};
        std::string value;
        for (std::size_t i = at + 8; i < it->size() && (*it)[i] != '"'; ++i) {
          if ((*it)[i] == '\\' && i + 1 < it->size()) {
            ++i;
            value += (*it)[i] == 'n' ? '\n' : (*it)[i];
            continue;
          }
          value += (*it)[i];
        }
        return Utf8ToCp1251(value);
      }
    return {};
  }
  std::vector<std::string> TraceSteps(const std::string& step) {
    std::vector<std::string> out;
    for (const std::string& l : Since("game"))
      if (l.find("\"step\":\"" + step + "\"") != std::string::npos) out.push_back(l);
    return out;
  }
  int ErrorSounds() {
    const std::string name = Utf8ToCp1251("s_Появление окна ошибки.wav");
    int n = 0;
    for (const auto& p : Plays())
      n += p.file.size() >= name.size() && p.file.compare(p.file.size() - name.size(), name.size(), name) == 0;
    return n;
  }

  // Player actions in the dialog.
  void ClickButton(const std::string& name) {
    for (const RDialogBtn& b : form->GameDialog()->PlacedButtons())
      if (b.name == name) {
        platform->Click("dialog", {(b.left + b.right) / 2, (b.top + b.bottom) / 2});
        return;
      }
    ADD_FAILURE() << "no button " << name;
  }
  void Fill(const std::string& user, const std::string& password) {
    platform->Click("dialog", {200, 52});
    platform->TypeText("dialog", user);
    platform->Click("dialog", {200, 77});
    platform->TypeText("dialog", password);
  }
  std::function<void()> SendAs(const std::string& user) {
    return [this, user] {
      Fill(user, kPassword);
      ClickButton("send");
    };
  }
  // The results again: the name box keeps its text, the password box is empty.
  std::function<void()> SendAgain() {
    return [this] {
      EXPECT_EQ(form->GameDialog()->Boxes(2)->FindBoxText(2 + kDialogBoxKeyBase, "userpassword"), "");
      platform->Click("dialog", {200, 77});
      platform->TypeText("dialog", kPassword);
      ClickButton("send");
    };
  }
  std::function<void()> Press(const std::string& button) {
    return [this, button] { ClickButton(button); };
  }
  // Every dialog saw the score already in the local table.
  void ExpectTableBeforeEveryDialog() {
    ASSERT_FALSE(tableWhenShown.empty());
    for (std::size_t i = 0; i < tableWhenShown.size(); ++i) EXPECT_EQ(tableWhenShown[i], points) << shown[i];
  }

  static ScoreServerProcess* server_;
  TMainGame* game = nullptr;
  std::uint32_t points = 0;
  std::vector<std::string> shown;
  std::vector<std::int64_t> tableWhenShown;
  fs::path oldDir_;
};

ScoreServerProcess* ResultsServerTest::server_ = nullptr;

TEST_F(ResultsServerTest, AWonGameIsSavedOnTheServer) {
  Register("saved");
  UseServer(server_->Base());
  ASSERT_NO_FATAL_FAILURE(StartGame());
  ASSERT_NO_FATAL_FAILURE(WinOneQuestion());
  TakeThePoints({{2, SendAs("saved")}, {4, Press("ok")}});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], "2:" + std::to_string(points));
  EXPECT_EQ(shown[1], std::string("4:") + kSavedText);
  ExpectTableBeforeEveryDialog();
  EXPECT_EQ(ErrorSounds(), 0);
  // The server has it: the same score again is no better.
  auto http = CreateCurlHttp(nullptr);
  TVMHighScores client(*http, [] { return true; });
  client._ServerAddress = server_->Base() + "save.php";
  client._GameID = "3";
  client._UserName = "saved";
  client._UserPassword = kPassword;
  EXPECT_EQ(client.SendScore(std::int32_t(points)), TVMHighScores::kNotBetter);
}

TEST_F(ResultsServerTest, AWorseResultIsKeptOutOfTheRatings) {
  Register("better");
  auto http = CreateCurlHttp(nullptr);
  TVMHighScores client(*http, [] { return true; });
  client._ServerAddress = server_->Base() + "save.php";
  client._GameID = "3";
  client._UserName = "better";
  client._UserPassword = kPassword;
  // The most a game can earn: the server refuses more.
  ASSERT_EQ(client.SendScore(12700), TVMHighScores::kSaved);
  UseServer(server_->Base());
  ASSERT_NO_FATAL_FAILURE(StartGame());
  ASSERT_NO_FATAL_FAILURE(WinOneQuestion());
  TakeThePoints({{2, SendAs("better")}, {4, Press("ok")}});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1],
            "4:Набранные Вами очки не были зарегистрированы в таблице рейтингов на сервере.\n"
            "Результат Вашей последней игры хуже предыдущего.");
  ExpectTableBeforeEveryDialog();
}

TEST_F(ResultsServerTest, AnUnknownPlayerIsOfferedTheRegistrationAndSendsAgain) {
  UseServer(server_->Base());
  ASSERT_NO_FATAL_FAILURE(StartGame());
  ASSERT_NO_FATAL_FAILURE(WinOneQuestion());
  TakeThePoints({{2, SendAs("newcomer")},
                 {5,
                  [&] {
                    // The player says yes and registers in the browser meanwhile.
                    Register("newcomer");
                    ClickButton("yes");
                  }},
                 {2, SendAgain()},  // the name is kept, the password typed again
                 {4, Press("ok")}});
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[1], "5:Пользователь с таким именем не найден на сервере, либо Вы ввели неверный пароль.\n"
                      "Хотите зарегистрироваться на сервере?");
  EXPECT_EQ(shown[2], "2:" + std::to_string(points));
  EXPECT_EQ(shown[3], std::string("4:") + kSavedText);
  EXPECT_THAT(Opened(), ::testing::ElementsAre(server_->Base() + "register.php"));
  EXPECT_EQ(ErrorSounds(), 1);
  ExpectTableBeforeEveryDialog();
}

TEST_F(ResultsServerTest, SendingErrorsAreRetriedOnYes) {
  Register("retry");
  FixedReplyServer failing("Status=103\n");
  const std::string refused = "http://127.0.0.1:" + std::to_string(RefusingPort()) + "/";
  UseServer(failing.Base());
  ASSERT_NO_FATAL_FAILURE(StartGame());
  ASSERT_NO_FATAL_FAILURE(WinOneQuestion());
  int postsAt103 = 0;
  TakeThePoints({{2, SendAs("retry")},
                 {5,
                  [&] {
                    postsAt103 = failing.Posts();
                    UseServer(refused);  // the connection goes
                    ClickButton("yes");
                  }},
                 {2, SendAgain()},
                 {5,
                  [&] {
                    UseServer(server_->Base());  // and comes back
                    ClickButton("yes");
                  }},
                 {2, SendAgain()},
                 {4, Press("ok")}});
  // Three attempts, each a logon that the server already answers with its
  // status (so no score post follows).
  EXPECT_EQ(postsAt103, 3);
  ASSERT_EQ(shown.size(), 6u);
  EXPECT_EQ(shown[1], std::string("5:При отправке данных через интернет возникла ошибка.\n") + kRetryQuestion);
  EXPECT_EQ(shown[3], std::string("5:При отправке данных через интернет возникла ошибка. Проверьте наличие "
                                  "соединения с интернет.\n") +
                          kRetryQuestion);
  EXPECT_EQ(shown[5], std::string("4:") + kSavedText);
  EXPECT_EQ(ErrorSounds(), 2);
  ExpectTableBeforeEveryDialog();
}

TEST_F(ResultsServerTest, ARetryDeclinedEndsTheResult) {
  UseServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  ASSERT_NO_FATAL_FAILURE(StartGame());
  ASSERT_NO_FATAL_FAILURE(WinOneQuestion());
  TakeThePoints({{2, SendAs("nobody")}, {5, Press("no")}});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_THAT(shown[1], HasSubstr("Проверьте наличие соединения с интернет."));
  ExpectTableBeforeEveryDialog();
}

TEST_F(ResultsServerTest, AReplyWithoutAStatusOffersALetter) {
  FixedReplyServer odd("<html>maintenance</html>");
  UseServer(odd.Base());
  setenv("TRIVION_SUPPORT_MAIL", "help@example.org", 1);
  ASSERT_NO_FATAL_FAILURE(StartGame());
  ASSERT_NO_FATAL_FAILURE(WinOneQuestion());
  TakeThePoints({{2, SendAs("anyone")}, {5, Press("yes")}});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1], "5:При отпревке данных на сервер возникла неизвестная программе ошибка.\n"
                      "Хотите написать письмо разработчикам и администратору сервера?");
  EXPECT_EQ(odd.Posts(), 6);
  ASSERT_EQ(Opened().size(), 1u);
  EXPECT_EQ(Opened()[0].rfind("mailto:help@example.org", 0), 0u) << Opened()[0];
  EXPECT_EQ(ErrorSounds(), 1);
  ExpectTableBeforeEveryDialog();
}

// Sending off: the result is only shown, nothing goes out; and while it is
// shown the main window takes neither clicks nor keys.
TEST_F(ResultsServerTest, WithSendingOffNothingIsSentAndTheMainWindowWaits) {
  FixedReplyServer counting("Status=0\n");
  UseServer(counting.Base());
  ASSERT_NO_FATAL_FAILURE(StartGame());
  game->SetSendResults(false);
  ASSERT_NO_FATAL_FAILURE(WinOneQuestion());
  const std::string boxBefore = form->InputBoxes()->GetBoxText();
  std::size_t commandsWhileModal = 99, gameStepsWhileModal = 99;
  std::string boxWhileModal;
  TakeThePoints({{3, [&] {
                    const std::size_t commands = Since("command").size(), steps = Since("game").size();
                    platform->Click("main", {120, 10});  // "getmoney" again
                    platform->Click("main", {20, 10});   // "validateanswer"
                    platform->TypeText("main", "abc");
                    platform->KeyPress("main", vk::Return);
                    platform->KeyPress("main", vk::Escape);
                    Wait(500);
                    commandsWhileModal = Since("command").size() - commands;
                    gameStepsWhileModal = Since("game").size() - steps;
                    boxWhileModal = form->InputBoxes()->GetBoxText();
                    ClickButton("ok");
                  }}});
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "3:" + std::to_string(points));
  EXPECT_EQ(counting.Posts(), 0);
  EXPECT_EQ(commandsWhileModal, 0u);
  EXPECT_EQ(gameStepsWhileModal, 0u);
  EXPECT_EQ(boxWhileModal, boxBefore);
  ExpectTableBeforeEveryDialog();
  // Once the dialog is gone the main window answers again.
  Wait(1000);  // the registration screen's fade
  Mark();
  platform->KeyPress("main", vk::Return);
  EXPECT_FALSE(Since("command").empty());
}

TEST_F(ResultsServerTest, ClosingTheMainWindowUnderTheResultsReleasesNothingUnderTheGame) {
  UseServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  ASSERT_NO_FATAL_FAILURE(StartGame());
  ASSERT_NO_FATAL_FAILURE(WinOneQuestion());
  TCoolDialog* dialog = form->GameDialog();
  int idle = 0;
  bool asked = false;
  platform->VirtualLoop().SetIdleDriver([&] {
    if (++idle > 500) return false;
    Wait(100);
    if (!asked && dialog->Modal() && !dialog->Appearing() && dialog->CurrentPage() == 2) {
      asked = true;
      platform->RequestClose("main");  // the window manager's close, under the results
    }
    return true;
  });
  Mark();
  ASSERT_TRUE(platform->Click("main", {120, 10}));  // "getmoney": the results dialog comes
  platform->VirtualLoop().SetIdleDriver(nullptr);
  ASSERT_TRUE(asked);
  EXPECT_TRUE(platform->VirtualLoop().Terminated());
  // The dialog closed first, and the game's code under it ran to its end on a
  // game that was still there; the window goes only now.
  EXPECT_NE(form->Game(), nullptr);
  const auto dialogs = Since("dialog");
  ASSERT_FALSE(dialogs.empty());
  EXPECT_THAT(dialogs.back(), HasSubstr("\"op\":\"close\""));
  EXPECT_THAT(dialogs.back(), HasSubstr("\"result\":2"));
  form.reset();
  EXPECT_THAT(Since("window").back(), HasSubstr("\"window\":\"main\",\"op\":\"hide\""));
}

}  // namespace
}  // namespace trv::test
