#include "score-server/ScoreService.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <memory>
#include <set>
#include <thread>

#include "platform/Text.h"
#include "score-server/ClientAddress.h"
#include "score_server/PostgresServer.h"
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

// The same protocol cases run on each database engine.
class ServiceFixture : public ::testing::Test {
 protected:
  virtual std::string Engine() const = 0;

  void SetUp() override {
    if (Engine() == "postgresql") {
      auto& pg = test::PostgresServer::Shared();
      if (pg.Absent()) GTEST_SKIP() << pg.Problem();
      ASSERT_EQ(pg.Problem(), "");
      std::string error;
      pgAddress_ = pg.FreshDatabase(&error);
      ASSERT_NE(pgAddress_, "") << error;
    }
    Reopen(3);
  }

  std::string Db() const {
    return Engine() == "postgresql" ? pgAddress_ : (dir_ / "scores.db").string();
  }

  // A fresh server just started may still refuse connections for a moment.
  std::unique_ptr<ScoreService> OpenService(ServiceOptions options) {
    options.now = [this] { return now_; };
    std::string error;
    for (int i = 0; i < 100; ++i) {
      if (auto s = ScoreService::Open(Db(), options, &error)) return s;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ADD_FAILURE() << error;
    return nullptr;
  }

  void Reopen(int games, ServiceOptions options = {}) {
    service_.reset();
    options.games = games;
    service_ = OpenService(options);
    ASSERT_TRUE(service_);
  }

  void RegisterOk(const std::string& nameUtf8, const std::string& password) {
    Reply r = service_->Register("POST", RegisterBody(nameUtf8, password, password));
    ASSERT_EQ(r.httpStatus, 200) << r.body;
  }

  std::string Token(int u = 3, std::string_view client = "local") {
    Reply r = service_->Save("POST", LogonBody(u), client);
    EXPECT_EQ(r.httpStatus, 200);
    EXPECT_EQ(r.body.size(), 160u) << r.body;
    return TokenFrom(r.body, u);
  }

  int Send(const std::string& game, const std::string& name, const std::string& password, long score) {
    return StatusOf(service_->Save("POST", SubmitBody(game, name, password, score, Token())).body);
  }

  std::string ListPage(const std::string& query) { return service_->List(query).body; }

  trv::test::TempDir dir_;
  std::string pgAddress_;
  std::int64_t now_ = 1'800'000'000;
  std::unique_ptr<ScoreService> service_;
};

class ScoreServiceTest : public ServiceFixture, public ::testing::WithParamInterface<std::string> {
 protected:
  std::string Engine() const override { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Engines, ScoreServiceTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });

class SqliteFileTest : public ServiceFixture {
 protected:
  std::string Engine() const override { return "sqlite"; }
};

TEST_P(ScoreServiceTest, LogonAnswersFiveDistinctHexTokensAndOnlyTheGamesOneIsValid) {
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

TEST_P(ScoreServiceTest, LogonWithAWrongDigestOrUserIdGivesNoToken) {
  for (const char* body : {"UserID=3&Logon=1&Digest=00000000000000000000000000000000", "UserID=6&Logon=1&Digest=x",
                           "UserID=0&Logon=1&Digest=x", "UserID=03&Logon=1&Digest=x", "Logon=1&Digest=x",
                           "UserID=3&Logon=2&Digest=x"}) {
    Reply r = service_->Save("POST", body);
    EXPECT_EQ(StatusOf(r.body), kBadUserOrPassword) << body;
    // Any other HTTP status makes the game report a lost connection.
    EXPECT_EQ(r.httpStatus, 200) << body;
    EXPECT_NE(r.body.size(), 160u) << body;
  }
  // The digest of "61" is right for UserID 6, which is still out of range.
  EXPECT_EQ(StatusOf(service_->Save("POST", "UserID=6&Logon=1&Digest=" + Md5Hex("61")).body), kBadUserOrPassword);
  EXPECT_EQ(service_->PendingTokens(), 0u);
}

TEST_P(ScoreServiceTest, BestScorePerPlayerAndGame) {
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

TEST_P(ScoreServiceTest, UnknownUserOrWrongPasswordIs102AndKeepsTheToken) {
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

TEST_P(ScoreServiceTest, UnregisteredGameIs109) {
  RegisterOk("anna", "secret");
  for (const char* game : {"4", "0", "-1", "03", "abc", ""}) {
    Reply r = service_->Save("POST", SubmitBody(game, "anna", "secret", 5, Token()));
    EXPECT_EQ(StatusOf(r.body), kGameNotRegistered) << game;
    EXPECT_EQ(r.httpStatus, 200) << game;
  }
  Reopen(5);
  EXPECT_EQ(Send("5", "anna", "secret", 5), kSaved);
  EXPECT_EQ(Send("6", "anna", "secret", 5), kGameNotRegistered);
  EXPECT_EQ(service_->List("GameID=6").httpStatus, 404);
}

TEST_P(ScoreServiceTest, UsedUnknownAndExpiredTokensAreRefused) {
  RegisterOk("anna", "secret");
  std::string body = SubmitBody("3", "anna", "secret", 50, Token());
  EXPECT_EQ(StatusOf(service_->Save("POST", body).body), kSaved);
  EXPECT_EQ(StatusOf(service_->Save("POST", body).body), kBadUserOrPassword);  // replay
  EXPECT_EQ(StatusOf(service_->Save("POST", SubmitBody("3", "anna", "secret", 60, std::string(32, 'a'))).body),
            kBadUserOrPassword);
  std::string late = SubmitBody("3", "anna", "secret", 70, Token());
  now_ += 301;
  EXPECT_EQ(StatusOf(service_->Save("POST", late).body), kBadUserOrPassword);
  EXPECT_EQ(service_->PendingTokens(), 0u);
}

TEST_P(ScoreServiceTest, ProcessesOnOneDatabaseShareTheTokensAndSpendEachOnce) {
  RegisterOk("anna", "secret");
  auto other = OpenService({});
  ASSERT_TRUE(other);
  // A logon answered by one process, the score posted to another.
  std::string body = SubmitBody("3", "anna", "secret", 80, Token());
  EXPECT_EQ(StatusOf(other->Save("POST", body).body), kSaved);
  EXPECT_EQ(StatusOf(service_->Save("POST", body).body), kBadUserOrPassword);
  // A restart keeps outstanding tokens too.
  std::string beforeRestart = SubmitBody("3", "anna", "secret", 90, Token());
  Reopen(3);
  EXPECT_EQ(StatusOf(service_->Save("POST", beforeRestart).body), kSaved);
  EXPECT_NE(ListPage("GameID=3").find("<td>90</td>"), std::string::npos);
}

TEST_P(ScoreServiceTest, ATokenCountsOnlyForTheAddressThatLoggedOn) {
  RegisterOk("anna", "secret");
  std::string body = SubmitBody("3", "anna", "secret", 10, Token(3, "192.0.2.7"));
  EXPECT_EQ(StatusOf(service_->Save("POST", body, "192.0.2.8").body), kBadUserOrPassword);
  EXPECT_EQ(StatusOf(service_->Save("POST", body, "192.0.2.7").body), kSaved);
}

TEST_P(ScoreServiceTest, AFloodOfLogonsCannotPushOutAnotherPlayersToken) {
  ServiceOptions options;
  options.tokensPerClient = 4;
  options.maxTokens = 20;
  Reopen(3, options);
  RegisterOk("anna", "secret");
  std::string player = SubmitBody("3", "anna", "secret", 300, Token(2, "192.0.2.7"));
  // One address: only its own oldest tokens make room.
  std::string flooderFirst = SubmitBody("3", "anna", "secret", 1, Token(1, "198.51.100.1"));
  for (int i = 0; i < 50; ++i) Token(1 + i % 5, "198.51.100.1");
  // One IPv6 subscriber's /64 is one client however its addresses vary.
  for (int i = 0; i < 50; ++i) Token(4, "2001:db8:1:2::" + std::to_string(i + 1));
  EXPECT_EQ(service_->PendingTokens(), 1u + 4u + 4u);
  EXPECT_EQ(StatusOf(service_->Save("POST", flooderFirst, "198.51.100.1").body), kBadUserOrPassword);
  // Many addresses fill the store: further logons are refused (a status,
  // no tokens) rather than anybody's token dropped.
  for (int i = 0; i < 11; ++i) Token(3, "203.0.113." + std::to_string(i + 1));
  Reply refused = service_->Save("POST", LogonBody(3), "203.0.113.200");
  EXPECT_EQ(refused.httpStatus, 200);
  EXPECT_EQ(StatusOf(refused.body), kDatabaseError);
  EXPECT_EQ(StatusOf(service_->Save("POST", player, "192.0.2.7").body), kSaved);
}

TEST_P(ScoreServiceTest, ScoresNoGameCanReachAreRefusedAsASendingError) {
  RegisterOk("anna", "secret");
  EXPECT_EQ(kHighestReachableScore, 5000 + 2500 + 2000 + 1500 + 1000 + 700);
  for (long score : {-1L, -50L, kHighestReachableScore + 1, 2000000000L}) {
    std::string body = SubmitBody("3", "anna", "secret", score, Token());
    Reply r = service_->Save("POST", body);
    EXPECT_EQ(StatusOf(r.body), kSendingError) << score;
    EXPECT_EQ(r.httpStatus, 200) << score;
    // The token is spent: a replay learns nothing more.
    EXPECT_EQ(StatusOf(service_->Save("POST", body).body), kBadUserOrPassword) << score;
  }
  EXPECT_EQ(ListPage("GameID=3").find("<td>anna</td>"), std::string::npos);
  EXPECT_EQ(Send("3", "anna", "secret", 0), kSaved);
  EXPECT_EQ(Send("3", "anna", "secret", kHighestReachableScore), kSaved);
  // The ceiling is the server's to set.
  ServiceOptions options;
  options.maxScore = 100;
  Reopen(3, options);
  EXPECT_EQ(Send("1", "anna", "secret", 101), kSendingError);
  EXPECT_EQ(Send("1", "anna", "secret", 100), kSaved);
}

TEST_P(ScoreServiceTest, NamesMatchWithoutRegardToCaseAndEarlierCyrillicRegistrationsStillWork) {
  RegisterOk("Anna Maria", "secret");
  EXPECT_EQ(Send("3", "ANNA MARIA", "secret", 100), kSaved);
  EXPECT_EQ(Send("3", "anna maria", "Secret", 200), kBadUserOrPassword);
  // A name registered before the form took only what the game types.
  std::string error;
  auto store = OpenScoreStore(Db(), &error, nullptr);
  ASSERT_TRUE(store) << error;
  ASSERT_EQ(store->AddUser(kIgorUtf8, Cp1251ToUtf8(Lower1251(kIgor1251)), Md5Hex("pw"), now_, &error),
            StoreResult::kOk);
  std::string body = SubmitBody("3", kIgor1251, "pw", 321, Token());
  ASSERT_NE(body.find("UserName=%C8%E3%EE%F0%FC&"), std::string::npos) << body;
  EXPECT_EQ(StatusOf(service_->Save("POST", body).body), kSaved);
  EXPECT_EQ(Send("3", Upper1251(kIgor1251), "pw", 400), kSaved);
  std::string page = ListPage("GameID=3");
  EXPECT_NE(page.find("<td>" + kIgorUtf8 + "</td><td>400</td>"), std::string::npos) << page;
  EXPECT_NE(page.find("charset=\"utf-8\""), std::string::npos);
}

TEST_P(ScoreServiceTest, MalformedSubmissionsAreRefusedWithoutEffect) {
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
    EXPECT_EQ(r.httpStatus, 200) << body.substr(0, 60);
  }
  Reply get = service_->Save("GET", "");
  EXPECT_EQ(get.httpStatus, 200);
  EXPECT_EQ(StatusOf(get.body), kBadUserOrPassword);
  EXPECT_EQ(StatusOf(service_->Save("POST", good).body), kSaved);
}

TEST_F(SqliteFileTest, RegistrationStoresOnlyThePasswordDigestInAnOwnerOnlyFile) {
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

TEST_P(ScoreServiceTest, RegistrationTakesExactlyWhatTheGamesResultsPageCanType) {
  // Every character a US English keyboard types, in a name and a password.
  const std::string keys = " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";
  RegisterOk("x" + keys.substr(1, 30), keys.substr(0, 64));
  RegisterOk("A&B=C", keys.substr(31));
  EXPECT_EQ(Send("3", "x" + keys.substr(1, 30), keys.substr(0, 64), 5), kSaved);
  EXPECT_EQ(Send("3", "A&B=C", keys.substr(31), 6), kSaved);

  RegisterOk("igor", "pw");
  struct Case {
    std::string body;
    int http;
  };
  const Case cases[] = {
      {RegisterBody("IGOR", "x", "x"), 409},      // same name
      {RegisterBody("  igor ", "x", "x"), 409},   // trimmed
      {RegisterBody("boris", "one", "two"), 400},  // passwords differ
      {RegisterBody("   ", "x", "x"), 400},
      {RegisterBody("boris", "", ""), 400},
      {RegisterBody(kIgorUtf8, "x", "x"), 400},                     // Cyrillic: the page types Latin only
      {RegisterBody("boris", "\xD0\xBF\xD1\x8C", "\xD0\xBF\xD1\x8C"), 400},  // so in passwords too
      {RegisterBody("bo\tris", "x", "x"), 400},
      {RegisterBody("boris", "a\x7F", "a\x7F"), 400},
      {RegisterBody(std::string(33, 'b'), "x", "x"), 400},
      {RegisterBody("boris", std::string(65, 'p'), std::string(65, 'p')), 400},
      {"UserName=%C8%E3&Password=x&Password2=x", 400},
      {"UserName=%ZZ", 400},
  };
  for (const auto& c : cases) {
    Reply r = service_->Register("POST", c.body);
    EXPECT_EQ(r.httpStatus, c.http) << c.body;
    EXPECT_NE(r.body.find("не зарегистрирован"), std::string::npos) << c.body;
  }
  Reply cyrillic = service_->Register("POST", RegisterBody(kIgorUtf8, "x", "x"));
  EXPECT_NE(cyrillic.body.find("латинские"), std::string::npos);
  RegisterOk(std::string(32, 'b'), std::string(64, 'p'));
  EXPECT_EQ(Send("3", "igor", "pw", 1), kSaved);
  // The form says what it takes and lets the browser check it.
  std::string form = service_->Register("GET", "").body;
  EXPECT_NE(form.find("английской раскладке"), std::string::npos);
  EXPECT_NE(form.find("pattern=\"[ -~]+\""), std::string::npos);
}

TEST(ScoreServiceNames, TypableInGameIsPrintableAscii) {
  for (int c = 0; c < 256; ++c)
    EXPECT_EQ(TypableInGame(std::string(1, char(c))), c >= 0x20 && c <= 0x7E) << c;
}

TEST(ScoreServiceClients, TokensAreKeptPerAddressAndPerIpv6Network) {
  EXPECT_EQ(ClientKey("192.0.2.7"), "192.0.2.7");
  EXPECT_EQ(ClientKey("::ffff:192.0.2.7"), "192.0.2.7");
  EXPECT_EQ(ClientKey("2001:db8:1:2:aaaa::1"), "2001:db8:1:2::/64");
  EXPECT_EQ(ClientKey("2001:db8:1:2:bbbb:1:2:3"), ClientKey("2001:db8:1:2::9"));
  EXPECT_NE(ClientKey("2001:db8:1:3::1"), ClientKey("2001:db8:1:2::1"));
  EXPECT_EQ(LastForwardedFor("203.0.113.9, 198.51.100.1 "), "198.51.100.1");
  EXPECT_EQ(LastForwardedFor("203.0.113.9"), "203.0.113.9");
}

TEST_P(ScoreServiceTest, RatingsPageOrdersFiltersAndEscapes) {
  RegisterOk("anna", "a");
  {  // registered before the form took only what the game types
    std::string error;
    auto store = OpenScoreStore(Db(), &error, nullptr);
    ASSERT_TRUE(store) << error;
    ASSERT_EQ(store->AddUser(kIgorUtf8, Cp1251ToUtf8(Lower1251(kIgor1251)), Md5Hex("i"), now_, &error),
              StoreResult::kOk);
  }
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
