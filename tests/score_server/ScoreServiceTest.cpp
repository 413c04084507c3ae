#include "score-server/ScoreService.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <set>

#include "platform/Text.h"
#include "score_server/ScoreClient.h"
#include "support/TestSupport.h"

namespace trv::scored {
namespace {

using client::LogonBody;
using client::RegisterBody;
using client::StatusOf;
using client::SubmitBody;
using client::TokenFrom;

// "Игорь" in CP1251 and in UTF-8.
const std::string kIgor1251 = "\xC8\xE3\xEE\xF0\xFC";
const std::string kIgorUtf8 = "\xD0\x98\xD0\xB3\xD0\xBE\xD1\x80\xD1\x8C";

class ScoreServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { Reopen(3); }

  void Reopen(int games) {
    service_.reset();
    ServiceOptions options;
    options.games = games;
    options.now = [this] { return now_; };
    std::string error;
    service_ = ScoreService::Open((dir_ / "scores.db").string(), options, &error);
    ASSERT_TRUE(service_) << error;
  }

  void RegisterOk(const std::string& nameUtf8, const std::string& password) {
    Reply r = service_->Register("POST", RegisterBody(nameUtf8, password, password));
    ASSERT_EQ(r.httpStatus, 200) << r.body;
  }

  std::string Token(int u = 3) {
    Reply r = service_->Save("POST", LogonBody(u));
    EXPECT_EQ(r.httpStatus, 200);
    return TokenFrom(r.body, u);
  }

  int Send(const std::string& game, const std::string& name, const std::string& password, long score) {
    return StatusOf(service_->Save("POST", SubmitBody(game, name, password, score, Token())).body);
  }

  std::string ListPage(const std::string& query) { return service_->List(query).body; }

  trv::test::TempDir dir_;
  std::int64_t now_ = 1'800'000'000;
  std::unique_ptr<ScoreService> service_;
};

TEST_F(ScoreServiceTest, LogonAnswersFiveDistinctHexTokensAndOnlyTheGamesOneIsValid) {
  RegisterOk("anna", "secret");
  for (int u = 1; u <= 5; ++u) {
    Reply r = service_->Save("POST", LogonBody(u));
    ASSERT_EQ(r.httpStatus, 200);
    ASSERT_EQ(r.body.size(), 160u) << "u=" << u;
    std::set<std::string> tokens;
    for (int i = 0; i < 5; ++i) tokens.insert(r.body.substr(std::size_t(i) * 32, 32));
    EXPECT_EQ(tokens.size(), 5u);
    EXPECT_EQ(r.body.find_first_not_of("0123456789abcdef"), std::string::npos);
    // Every decoy is refused; the (6-u)-th token, tried last, is accepted.
    for (int i = 0; i < 5; ++i) {
      if (i == 5 - u) continue;
      std::string decoy = r.body.substr(std::size_t(i) * 32, 32);
      EXPECT_EQ(StatusOf(service_->Save("POST", SubmitBody("1", "anna", "secret", 10 * u, decoy)).body),
                kBadUserOrPassword)
          << "u=" << u << " decoy " << i;
    }
    EXPECT_EQ(StatusOf(service_->Save("POST", SubmitBody("1", "anna", "secret", 10 * u, TokenFrom(r.body, u))).body),
              kSaved)
        << "u=" << u;
  }
}

TEST_F(ScoreServiceTest, LogonWithAWrongDigestOrUserIdGivesNoToken) {
  for (const char* body : {"UserID=3&Logon=1&Digest=00000000000000000000000000000000", "UserID=6&Logon=1&Digest=x",
                           "UserID=0&Logon=1&Digest=x", "UserID=03&Logon=1&Digest=x", "Logon=1&Digest=x",
                           "UserID=3&Logon=2&Digest=x"}) {
    Reply r = service_->Save("POST", body);
    EXPECT_EQ(StatusOf(r.body), kBadUserOrPassword) << body;
    EXPECT_NE(r.body.size(), 160u) << body;
  }
  // The digest of "61" is right for UserID 6, which is still out of range.
  EXPECT_EQ(StatusOf(service_->Save("POST", "UserID=6&Logon=1&Digest=" + Md5Hex("61")).body), kBadUserOrPassword);
  EXPECT_EQ(service_->PendingTokens(), 0u);
}

TEST_F(ScoreServiceTest, BestScorePerPlayerAndGame) {
  RegisterOk("anna", "secret");
  EXPECT_EQ(Send("3", "anna", "secret", 500), kSaved);
  EXPECT_EQ(Send("3", "anna", "secret", 400), kNotBetter);
  EXPECT_EQ(Send("3", "anna", "secret", 500), kNotBetter);  // equal is not entered
  EXPECT_NE(ListPage("GameID=3").find("<td>anna</td><td>500</td>"), std::string::npos);
  EXPECT_EQ(Send("3", "anna", "secret", 700), kSaved);
  EXPECT_NE(ListPage("GameID=3").find("<td>anna</td><td>700</td>"), std::string::npos);
  EXPECT_EQ(ListPage("GameID=3").find("<td>500</td>"), std::string::npos);
  // Another game keeps its own best.
  EXPECT_EQ(Send("1", "anna", "secret", 100), kSaved);
  EXPECT_NE(ListPage("GameID=1").find("<td>anna</td><td>100</td>"), std::string::npos);
  EXPECT_EQ(ListPage("GameID=2").find("anna"), std::string::npos);
}

TEST_F(ScoreServiceTest, UnknownUserOrWrongPasswordIs102AndKeepsTheToken) {
  RegisterOk("anna", "secret");
  std::string token = Token();
  EXPECT_EQ(StatusOf(service_->Save("POST", SubmitBody("3", "boris", "secret", 5, token)).body), kBadUserOrPassword);
  EXPECT_EQ(StatusOf(service_->Save("POST", SubmitBody("3", "anna", "Secret", 5, token)).body), kBadUserOrPassword);
  // A digest over other fields than the ones sent fails too.
  std::string body = SubmitBody("3", "anna", "secret", 5, token);
  std::string tampered = body;
  tampered.replace(tampered.find("Score=5"), 7, "Score=9");
  EXPECT_EQ(StatusOf(service_->Save("POST", tampered).body), kBadUserOrPassword);
  // None of the refusals spent the token.
  EXPECT_EQ(StatusOf(service_->Save("POST", body).body), kSaved);
}

TEST_F(ScoreServiceTest, UnregisteredGameIs109) {
  RegisterOk("anna", "secret");
  for (const char* game : {"4", "0", "-1", "03", "abc", ""})
    EXPECT_EQ(Send(game, "anna", "secret", 5), kGameNotRegistered) << game;
  Reopen(5);
  EXPECT_EQ(Send("5", "anna", "secret", 5), kSaved);
  EXPECT_EQ(Send("6", "anna", "secret", 5), kGameNotRegistered);
  EXPECT_EQ(service_->List("GameID=6").httpStatus, 404);
}

TEST_F(ScoreServiceTest, UsedUnknownAndExpiredTokensAreRefused) {
  RegisterOk("anna", "secret");
  std::string body = SubmitBody("3", "anna", "secret", 50, Token());
  EXPECT_EQ(StatusOf(service_->Save("POST", body).body), kSaved);
  EXPECT_EQ(StatusOf(service_->Save("POST", body).body), kBadUserOrPassword);  // replay
  EXPECT_EQ(StatusOf(service_->Save("POST", SubmitBody("3", "anna", "secret", 60, std::string(32, 'a'))).body),
            kBadUserOrPassword);
  std::string late = SubmitBody("3", "anna", "secret", 70, Token());
  now_ += 601;
  EXPECT_EQ(StatusOf(service_->Save("POST", late).body), kBadUserOrPassword);
  EXPECT_EQ(service_->PendingTokens(), 0u);
  // Tokens live in memory only: a restart forgets them but keeps the scores.
  std::string beforeRestart = SubmitBody("3", "anna", "secret", 80, Token());
  Reopen(3);
  EXPECT_EQ(StatusOf(service_->Save("POST", beforeRestart).body), kBadUserOrPassword);
  EXPECT_NE(ListPage("GameID=3").find("<td>50</td>"), std::string::npos);
}

TEST_F(ScoreServiceTest, OutstandingTokensAreBounded) {
  service_.reset();
  ServiceOptions options;
  options.maxTokens = 4;
  std::string error;
  service_ = ScoreService::Open((dir_ / "scores.db").string(), options, &error);
  ASSERT_TRUE(service_);
  RegisterOk("anna", "secret");
  std::string oldest = SubmitBody("3", "anna", "secret", 1, Token());
  for (int i = 0; i < 4; ++i) Token();
  EXPECT_EQ(service_->PendingTokens(), 4u);
  EXPECT_EQ(StatusOf(service_->Save("POST", oldest).body), kBadUserOrPassword);
}

TEST_F(ScoreServiceTest, CyrillicNamesFromTheGameMatchTheRegisteredNameWithoutRegardToCase) {
  RegisterOk(kIgorUtf8, "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C");  // password "пароль"
  const std::string password1251 = "\xEF\xE0\xF0\xEE\xEB\xFC";
  std::string body = SubmitBody("3", kIgor1251, password1251, 321, Token());
  ASSERT_NE(body.find("UserName=%C8%E3%EE%F0%FC&"), std::string::npos) << body;
  EXPECT_EQ(StatusOf(service_->Save("POST", body).body), kSaved);
  // "ИГОРЬ": the digest covers the name as sent, the lookup ignores case.
  EXPECT_EQ(Send("3", Upper1251(kIgor1251), password1251, 400), kSaved);
  std::string page = ListPage("GameID=3");
  EXPECT_NE(page.find("<td>" + kIgorUtf8 + "</td><td>400</td>"), std::string::npos) << page;
  EXPECT_NE(page.find("charset=\"utf-8\""), std::string::npos);
}

TEST_F(ScoreServiceTest, MalformedSubmissionsAreRefusedWithoutEffect) {
  RegisterOk("anna", "secret");
  std::string token = Token();
  std::string good = SubmitBody("3", "anna", "secret", 5, token);
  const std::string cases[] = {
      "",
      "garbage",
      "\x01\x02\xFF=%",
      "Score=5&UserName=anna&GameID=3",                  // no digest
      "Score=5&Score=6&UserName=anna&GameID=3&Digest=x",  // repeated field
      "Score=5a&UserName=anna&GameID=3&Digest=x",
      "Score=99999999999&UserName=anna&GameID=3&Digest=x",
      "Score=5&UserName=an%2&GameID=3&Digest=x",  // broken escape
      "Score=5&UserName=" + std::string(5000, 'a') + "&GameID=3&Digest=x",
  };
  for (const auto& body : cases) {
    Reply r = service_->Save("POST", body);
    EXPECT_EQ(StatusOf(r.body), kBadUserOrPassword) << body.substr(0, 60);
  }
  EXPECT_EQ(service_->Save("GET", "").httpStatus, 405);
  EXPECT_EQ(StatusOf(service_->Save("POST", good).body), kSaved);
}

TEST_F(ScoreServiceTest, RegistrationStoresOnlyThePasswordDigestInAnOwnerOnlyFile) {
  Reply form = service_->Register("GET", "");
  EXPECT_EQ(form.httpStatus, 200);
  for (const char* field : {"name=\"UserName\"", "name=\"Password\"", "name=\"Password2\"", "method=\"post\""})
    EXPECT_NE(form.body.find(field), std::string::npos) << field;

  RegisterOk("anna", "PlainTextSecret");
  struct stat st{};
  ASSERT_EQ(stat((dir_ / "scores.db").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  service_.reset();
  std::string file = trv::test::ReadFile(dir_ / "scores.db");
  EXPECT_EQ(file.find("PlainTextSecret"), std::string::npos);
  EXPECT_NE(file.find(Md5Hex("PlainTextSecret")), std::string::npos);
}

TEST_F(ScoreServiceTest, RegistrationRefusals) {
  RegisterOk(kIgorUtf8, "pw");
  struct Case {
    std::string body;
    int http;
  };
  const Case cases[] = {
      {RegisterBody("\xD0\xB8\xD0\xB3\xD0\xBE\xD1\x80\xD1\x8C", "x", "x"), 409},  // "игорь": same name
      {RegisterBody("  " + kIgorUtf8 + " ", "x", "x"), 409},                        // trimmed
      {RegisterBody("boris", "one", "two"), 400},                                   // passwords differ
      {RegisterBody("   ", "x", "x"), 400},
      {RegisterBody("boris", "", ""), 400},
      {RegisterBody("\xE4\xB8\xAD", "x", "x"), 400},   // a character CP1251 lacks
      {RegisterBody("bo\tris", "x", "x"), 400},
      {RegisterBody(std::string(33, 'b'), "x", "x"), 400},
      {"UserName=%C8%E3&Password=x&Password2=x", 400},  // CP1251 bytes are not UTF-8
      {"UserName=%ZZ", 400},
  };
  for (const auto& c : cases) {
    Reply r = service_->Register("POST", c.body);
    EXPECT_EQ(r.httpStatus, c.http) << c.body;
    EXPECT_NE(r.body.find("не зарегистрирован"), std::string::npos) << c.body;
  }
  RegisterOk(std::string(32, 'b'), "x");
  EXPECT_EQ(Send("3", kIgor1251, "pw", 1), kSaved);
}

TEST_F(ScoreServiceTest, RatingsPageOrdersFiltersAndEscapes) {
  RegisterOk("anna", "a");
  RegisterOk(kIgorUtf8, "i");
  RegisterOk("<b>x&y</b>", "b");
  RegisterOk("dina", "d");
  EXPECT_EQ(Send("3", "anna", "a", 300), kSaved);
  now_ += 60;
  EXPECT_EQ(Send("3", "dina", "d", 300), kSaved);  // same score, later: below anna
  EXPECT_EQ(Send("3", kIgor1251, "i", 900), kSaved);
  EXPECT_EQ(Send("3", "<b>x&y</b>", "b", 10), kSaved);

  std::string page = ListPage("GameID=3");
  std::size_t igor = page.find("<td>1</td><td>" + kIgorUtf8 + "</td>");
  std::size_t anna = page.find("<td>2</td><td>anna</td>");
  std::size_t dina = page.find("<td>3</td><td>dina</td>");
  ASSERT_NE(igor, std::string::npos) << page;
  ASSERT_NE(anna, std::string::npos) << page;
  ASSERT_NE(dina, std::string::npos) << page;
  EXPECT_LT(igor, anna);
  EXPECT_LT(anna, dina);
  EXPECT_NE(page.find("&lt;b&gt;x&amp;y&lt;/b&gt;"), std::string::npos);
  EXPECT_EQ(page.find("<b>x"), std::string::npos);

  // The search keeps the overall place; "иго" arrives as UTF-8 from a browser
  // or as raw CP1251 from the game's shell.
  for (const std::string& q : {std::string("GameID=3&GamerSearch=%D0%B8%D0%B3%D0%BE"),
                               std::string("GameID=3&GamerSearch=%E8%E3%EE"), std::string("GameID=3&GamerSearch=\xE8\xE3\xEE")}) {
    std::string found = ListPage(q);
    EXPECT_NE(found.find("<td>1</td><td>" + kIgorUtf8 + "</td>"), std::string::npos) << q;
    EXPECT_EQ(found.find("anna"), std::string::npos) << q;
  }
  std::string dinaOnly = ListPage("GameID=3&GamerSearch=DIN");
  EXPECT_NE(dinaOnly.find("<td>3</td><td>dina</td>"), std::string::npos);
  EXPECT_EQ(dinaOnly.find("anna"), std::string::npos);
  EXPECT_NE(ListPage("GameID=3&GamerSearch=nobody").find("Игрок не найден"), std::string::npos);
  EXPECT_NE(ListPage("GameID=1").find("Результатов пока нет"), std::string::npos);
  // No game named: the list of games; a broken query: 400.
  EXPECT_NE(ListPage("").find("list.php?GameID=3"), std::string::npos);
  EXPECT_EQ(service_->List("GameID=3&GameID=2").httpStatus, 400);
  EXPECT_EQ(service_->List("GameID=x").httpStatus, 404);
}

TEST(ScoreServiceOpen, RefusesAFileThatIsNotADatabase) {
  trv::test::TempDir dir;
  trv::test::WriteFile(dir / "junk.db", std::string(4096, 'x'));
  std::string error;
  EXPECT_FALSE(ScoreService::Open((dir / "junk.db").string(), {}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(ScoreService::Open((dir / "missing-dir" / "a.db").string(), {}, &error));
}

TEST(ScoreServiceOpen, WarnsAboutAnExistingFileOthersCanRead) {
  trv::test::TempDir dir;
  std::string path = (dir / "open.db").string();
  trv::test::WriteFile(path, "");
  chmod(path.c_str(), 0644);
  std::string error, warning;
  EXPECT_TRUE(ScoreService::Open(path, {}, &error, &warning));
  EXPECT_NE(warning.find("chmod 600"), std::string::npos);
}

}  // namespace
}  // namespace trv::scored
