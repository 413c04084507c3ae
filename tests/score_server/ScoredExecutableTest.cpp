// Starts the built trivion-scored on a free loopback port and talks HTTP to it.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "score_server/ScoreClient.h"
#include "score_server/ScoredProcess.h"
#include "support/TestSupport.h"

extern char** environ;

namespace trv::scored {
namespace {

using namespace std::chrono_literals;

// Writes raw bytes to the server and reads until it closes or answers.
std::string RawExchange(int port, const std::string& bytes) {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
    (void)!send(s, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    shutdown(s, SHUT_WR);
    char buf[4096];
    pollfd p{s, POLLIN, 0};
    while (poll(&p, 1, 5000) > 0) {
      ssize_t n = recv(s, buf, sizeof buf, 0);
      if (n <= 0) break;
      reply.append(buf, std::size_t(n));
    }
  }
  close(s);
  return reply;
}

TEST(ScoredExecutable, ServesTheGameAndABrowserOnLoopback) {
  trv::test::TempDir dir;
  ScoredProcess server({"--listen", "127.0.0.1:0", "--db", (dir / "scores.db").string(), "--games", "3"},
                       dir / "err.txt");
  int port = PortFrom(server.FirstLine(10s));
  ASSERT_GT(port, 0);

  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(5, 0);
  client.set_read_timeout(5, 0);
  const char* form = "application/x-www-form-urlencoded";

  auto page = client.Get("/register.php");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("name=\"Password2\""), std::string::npos);
  // Posted by a browser from the UTF-8 page.
  auto reg = client.Post("/register.php", client::RegisterBody("Igor", "pw", "pw"), form);
  ASSERT_TRUE(reg);
  EXPECT_EQ(reg->status, 200) << reg->body;

  const std::string igor1251 = "Igor";
  auto send = [&](const std::string& game, long score) {
    auto logon = client.Post("/save.php", client::LogonBody(2), form);
    EXPECT_TRUE(logon && logon->body.size() == 160);
    if (!logon) return -1;
    auto r = client.Post("/save.php", client::SubmitBody(game, igor1251, "pw", score, client::TokenFrom(logon->body, 2)),
                         form);
    return r ? client::StatusOf(r->body) : -1;
  };
  EXPECT_EQ(send("3", 250), 0);
  EXPECT_EQ(send("3", 200), 1);
  EXPECT_EQ(send("9", 300), 109);
  EXPECT_EQ(send("3", 99999), 103);

  auto list = client.Get("/list.php?GameID=3&GamerSearch=igo");
  ASSERT_TRUE(list);
  EXPECT_NE(list->body.find("<td>Igor</td><td>250</td>"), std::string::npos) << list->body;

  // Hostile requests: an oversized body, bytes that are no HTTP at all, an
  // unknown page. The server answers or closes, and goes on serving. It
  // refuses the big body without reading it, so this client writes into a
  // closed connection; the game's own HTTP client ignores SIGPIPE too.
  signal(SIGPIPE, SIG_IGN);
  auto big = client.Post("/save.php", std::string(1 << 20, 'a'), form);
  if (big) {
    EXPECT_EQ(big->status, 413);
  }
  RawExchange(port, std::string("\x00\xFF\xFE garbage\r\n\r\n", 16));
  RawExchange(port, "POST /save.php HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\nabc");
  auto missing = client.Get("/nothing.php");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);
  EXPECT_EQ(send("3", 260), 0);

  EXPECT_EQ(server.Stop(), 0);
  std::string log = trv::test::ReadFile(dir / "err.txt");
  EXPECT_NE(log.find("POST /register.php 200"), std::string::npos) << log;
  EXPECT_NE(log.find("POST /save.php 200"), std::string::npos) << log;
  EXPECT_NE(log.find("GET /nothing.php 404"), std::string::npos) << log;
  EXPECT_EQ(log.find("pw"), std::string::npos) << "request bodies stay out of the log";
}

TEST(ScoredExecutable, RefusesABadCommandLineOrDatabase) {
  trv::test::TempDir dir;
  ScoredProcess usage({"--listen", "127.0.0.1:0"}, dir / "err1.txt");
  EXPECT_EQ(usage.Wait(10s), 2);
  EXPECT_NE(trv::test::ReadFile(dir / "err1.txt").find("usage:"), std::string::npos);

  ScoredProcess noDb({"--listen", "127.0.0.1:0", "--db", (dir / "no" / "such" / "s.db").string()}, dir / "err2.txt");
  EXPECT_EQ(noDb.Wait(10s), 1);
}

}  // namespace
}  // namespace trv::scored
