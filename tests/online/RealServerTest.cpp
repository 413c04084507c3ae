// The score client against the real score server, started on loopback with a
// fresh database.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "online/VMHighScores.h"
#include "platform/Http.h"
#include "support/ScoreServerProcess.h"


namespace trv {
namespace {

namespace fs = std::filesystem;

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

TEST(RealScoreServer, SubmissionsAndRefusals) {
  const fs::path exe = test::ScoreServerExecutable();
  if (!fs::exists(exe)) GTEST_SKIP() << "trivion-scored is not built: " << exe;
  const fs::path db = fs::path(testing::TempDir()) / ("online-scored-" + std::to_string(getpid()) + ".db");
  test::ScoreServerProcess server(exe, db);
  ASSERT_GT(server.Port(), 0) << "the server did not report its port";

  auto http = CreateCurlHttp(nullptr);
  // A player registers in the browser (UTF-8 form), including a name that the
  // game's form would break without encoding "&" and "=". The server takes
  // only what the results window types (a US English layout).
  for (const std::string& nameUtf8 : {std::string("Ivan Petrov"), std::string("A&B=C")}) {
    HttpRequest reg;
    reg.url = server.Url("register.php");
    reg.body = "UserName=" + FormBytes(nameUtf8) + "&Password=" + FormBytes("s%cret") +
               "&Password2=" + FormBytes("s%cret");
    const HttpReply r = http->Post(reg);
    ASSERT_EQ(r.status, 200) << nameUtf8 << ": " << r.body;
  }

  TVMHighScores client(*http, [] { return true; });
  client._ServerAddress = server.Url("save.php");
  client._GameID = "3";
  client._UserName = "IVAN Petrov";  // names match without regard to case
  client._UserPassword = "s%cret";
  // The logon slot is random here: every run takes some token of the five.
  EXPECT_EQ(client.SendScore(500), 0);
  EXPECT_EQ(client.SendScore(400), 1);  // worse than before
  EXPECT_EQ(client.SendScore(700), 0);
  EXPECT_EQ(client.SendScore(700), 1);

  client._UserName = "A&B=C";
  EXPECT_EQ(client.SendScore(10), 0);

  client._UserPassword = "wrong";
  EXPECT_EQ(client.SendScore(800), 102);
  client._UserPassword = "s%cret";
  client._UserName = "Nobody";
  EXPECT_EQ(client.SendScore(800), 102);
  client._UserName = "A&B=C";
  client._GameID = "7";  // the server knows games 1..3
  EXPECT_EQ(client.SendScore(800), 109);
  client._GameID = "3";
  client._NumRetries = 1;
  EXPECT_EQ(client.SendScore(11), 0);
}

}  // namespace
}  // namespace trv
