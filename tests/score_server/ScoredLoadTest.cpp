// The real server under hostile load, and several server processes on one
// database.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <chrono>
#include <thread>
#include <vector>

#include "score_server/PostgresServer.h"
#include "score_server/ScoreClient.h"
#include "score_server/ScoredProcess.h"
#include "support/TestSupport.h"

namespace trv::scored {
namespace {

using Clock = std::chrono::steady_clock;
const char* kForm = "application/x-www-form-urlencoded";

int Connect(const char* from, int port) {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in src{};
  src.sin_family = AF_INET;
  inet_pton(AF_INET, from, &src.sin_addr);
  sockaddr_in dst{};
  dst.sin_family = AF_INET;
  dst.sin_port = htons(static_cast<uint16_t>(port));
  dst.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(s, reinterpret_cast<sockaddr*>(&src), sizeof src) != 0 ||
      connect(s, reinterpret_cast<sockaddr*>(&dst), sizeof dst) != 0) {
    close(s);
    return -1;
  }
  return s;
}

// One POST from the loopback address `from`; the reply's body, or empty.
std::string PostFrom(const char* from, int port, const std::string& path, const std::string& body) {
  int s = Connect(from, port);
  if (s < 0) return {};
  std::string req = "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: " + kForm +
                    "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  (void)!send(s, req.data(), req.size(), MSG_NOSIGNAL);
  std::string reply;
  char buf[4096];
  pollfd p{s, POLLIN, 0};
  while (poll(&p, 1, 10000) > 0) {
    ssize_t n = recv(s, buf, sizeof buf, 0);
    if (n <= 0) break;
    reply.append(buf, std::size_t(n));
  }
  close(s);
  std::size_t head = reply.find("\r\n\r\n");
  return head == std::string::npos ? std::string() : reply.substr(head + 4);
}

// Connections that never finish their request: each sends a head a byte at a
// time, well inside any per-read time-out, and comes back when dropped.
class SlowClients {
 public:
  SlowClients(int port, int count) {
    thread_ = std::thread([this, port, count] {
      std::vector<int> socks(std::size_t(count), -1);
      std::vector<std::size_t> sent(socks.size(), 0);
      const std::string head = "POST /save.php HTTP/1.1\r\nHost: x\r\nX-Padding: " + std::string(4000, 'a');
      while (!stop_) {
        for (std::size_t i = 0; i < socks.size(); ++i) {
          if (socks[i] < 0) {
            socks[i] = Connect("127.0.0.3", port);
            sent[i] = 0;
            if (socks[i] >= 0) ++connections_;
            continue;
          }
          char c = head[sent[i] % head.size()];
          if (send(socks[i], &c, 1, MSG_NOSIGNAL) != 1) {
            close(socks[i]);
            socks[i] = -1;
          } else {
            ++sent[i];
          }
        }
        std::this_thread::sleep_for(200ms);
      }
      for (int s : socks)
        if (s >= 0) close(s);
    });
  }
  ~SlowClients() {
    stop_ = true;
    thread_.join();
  }
  int Connections() const { return connections_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::thread thread_;
};

TEST(ScoredLoad, SlowConnectionsAndALogonFloodDoNotKeepAPlayerWaiting) {
  trv::test::TempDir dir;
  ScoredProcess server({"--listen", "127.0.0.1:0", "--db", (dir / "scores.db").string(), "--request-seconds", "2"},
                       dir / "err.txt");
  const int port = PortFrom(server.FirstLine(10s));
  ASSERT_GT(port, 0);
  ASSERT_NE(PostFrom("127.0.0.2", port, "/register.php", client::RegisterBody("anna", "pw", "pw")).find("anna"),
            std::string::npos);
  // The player logs on before the storm and sends the score during and after it.
  const std::string early = client::TokenFrom(PostFrom("127.0.0.2", port, "/save.php", client::LogonBody(4)), 4);
  ASSERT_EQ(early.size(), 32u);

  SlowClients slow(port, 20);
  std::this_thread::sleep_for(500ms);  // all twenty hold their connections
  std::atomic<int> logons{0}, failures{0};
  std::vector<std::thread> flood;
  for (int t = 0; t < 4; ++t) {
    flood.emplace_back([&, t] {
      httplib::Client c("127.0.0.1", port);
      c.set_connection_timeout(10, 0);
      c.set_read_timeout(10, 0);
      for (int i = 0; i < 2750; ++i) {
        auto r = c.Post("/save.php", client::LogonBody(1 + (i + t) % 5), kForm);
        if (r && r->status == 200 && r->body.size() == 160) ++logons;
        else ++failures;
      }
    });
  }
  // A player's whole exchange, timed, while the flood runs.
  auto timedSend = [&](const std::string& token, long score, int u) {
    auto start = Clock::now();
    std::string t = token;
    if (t.empty()) t = client::TokenFrom(PostFrom("127.0.0.2", port, "/save.php", client::LogonBody(u)), u);
    int status = client::StatusOf(
        PostFrom("127.0.0.2", port, "/save.php", client::SubmitBody("3", "anna", "pw", score, t)));
    return std::make_pair(status, Clock::now() - start);
  };
  while (logons < 5500 && failures < 100) std::this_thread::sleep_for(20ms);
  auto during = timedSend("", 100, 2);
  for (auto& t : flood) t.join();
  auto after = timedSend(early, 200, 4);

  std::printf("player's exchange during the flood %.3f s, after it %.3f s\n",
              std::chrono::duration<double>(during.second).count(), std::chrono::duration<double>(after.second).count());
  EXPECT_EQ(logons, 11000);
  EXPECT_EQ(failures, 0);
  EXPECT_GE(slow.Connections(), 20);
  EXPECT_EQ(during.first, 0);
  EXPECT_EQ(after.first, 0) << "the flood pushed out the player's token";
  // Within a second, though the machine is busy with the flood itself.
  EXPECT_LT(during.second, 1s) << std::chrono::duration<double>(during.second).count() << " s";
  EXPECT_LT(after.second, 1s) << std::chrono::duration<double>(after.second).count() << " s";

  EXPECT_EQ(server.Stop(), 0);
  // The slow ones were dropped for the time of their whole request, not left
  // to trickle on.
  EXPECT_NE(trv::test::ReadFile(dir / "err.txt").find("127.0.0.3 - - 408"), std::string::npos);
}

// The same protocol through two server processes sharing one database, as
// behind a load balancer: the logon goes to one, the score to the other.
class ScoredProcesses : public ::testing::TestWithParam<std::string> {};

INSTANTIATE_TEST_SUITE_P(Engines, ScoredProcesses, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });

TEST_P(ScoredProcesses, TwoServersOnOneDatabaseShareTokensAndScores) {
  trv::test::TempDir dir;
  std::string db = (dir / "scores.db").string();
  if (GetParam() == "postgresql") {
    auto& pg = test::PostgresServer::Shared();
    if (pg.Absent()) GTEST_SKIP() << pg.Problem();
    ASSERT_EQ(pg.Problem(), "");
    std::string error;
    db = pg.FreshDatabase(&error);
    ASSERT_NE(db, "") << error;
  }
  // Both create the schema if missing; the second finds it there.
  ScoredProcess a({"--listen", "127.0.0.1:0", "--db", db}, dir / "a.txt");
  ScoredProcess b({"--listen", "127.0.0.1:0", "--db", db}, dir / "b.txt");
  const int portA = PortFrom(a.FirstLine(20s)), portB = PortFrom(b.FirstLine(20s));
  ASSERT_GT(portA, 0) << trv::test::ReadFile(dir / "a.txt");
  ASSERT_GT(portB, 0) << trv::test::ReadFile(dir / "b.txt");

  httplib::Client ca("127.0.0.1", portA), cb("127.0.0.1", portB);
  auto reg = ca.Post("/register.php", client::RegisterBody("anna", "pw", "pw"), kForm);
  ASSERT_TRUE(reg);
  ASSERT_EQ(reg->status, 200);
  auto again = cb.Post("/register.php", client::RegisterBody("ANNA", "x", "x"), kForm);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->status, 409);

  auto logon = ca.Post("/save.php", client::LogonBody(1), kForm);
  ASSERT_TRUE(logon);
  const std::string body = client::SubmitBody("3", "anna", "pw", 700, client::TokenFrom(logon->body, 1));
  auto saved = cb.Post("/save.php", body, kForm);
  ASSERT_TRUE(saved);
  EXPECT_EQ(client::StatusOf(saved->body), 0);
  auto replay = ca.Post("/save.php", body, kForm);
  ASSERT_TRUE(replay);
  EXPECT_EQ(client::StatusOf(replay->body), 102);
  EXPECT_EQ(replay->status, 200);
  auto list = ca.Get("/list.php?GameID=3");
  ASSERT_TRUE(list);
  EXPECT_NE(list->body.find("<td>anna</td><td>700</td>"), std::string::npos);
  EXPECT_EQ(a.Stop(), 0);
  EXPECT_EQ(b.Stop(), 0);
}

}  // namespace
}  // namespace trv::scored
