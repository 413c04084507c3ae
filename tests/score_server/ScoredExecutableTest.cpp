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
#include "support/TestSupport.h"

extern char** environ;

namespace trv::scored {
namespace {

using namespace std::chrono_literals;

// One running server; stopped with SIGTERM (or killed) when the test ends.
class ScoredProcess {
 public:
  ScoredProcess(const std::vector<std::string>& args, const std::filesystem::path& errFile) {
    std::vector<std::string> all{TRIVION_SCORED_EXE};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~ScoredProcess() {
    if (pid_ > 0 && exit_ < 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }

  // The first line on stdout, or empty after `timeout`.
  std::string FirstLine(std::chrono::milliseconds timeout) {
    std::string line;
    auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char c;
      if (read(out_, &c, 1) != 1) break;
      if (c == '\n') return line;
      line.push_back(c);
    }
    return {};
  }

  // Exit status after SIGTERM, -1 when it does not exit normally in time.
  int Stop() {
    kill(pid_, SIGTERM);
    return Wait(10s);
  }
  int Wait(std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
        return WIFEXITED(status) ? exit_ : -1;
      }
      std::this_thread::sleep_for(20ms);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int exit_ = -1;
};

int PortFrom(const std::string& line) {
  const std::string prefix = "listening on 127.0.0.1:";
  if (line.rfind(prefix, 0) != 0) return -1;
  return std::stoi(line.substr(prefix.size()));
}

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
  // "Игорь", posted by a browser from the UTF-8 page.
  auto reg = client.Post("/register.php",
                         client::RegisterBody("\xD0\x98\xD0\xB3\xD0\xBE\xD1\x80\xD1\x8C", "pw", "pw"), form);
  ASSERT_TRUE(reg);
  EXPECT_EQ(reg->status, 200) << reg->body;

  const std::string igor1251 = "\xC8\xE3\xEE\xF0\xFC";
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

  auto list = client.Get("/list.php?GameID=3&GamerSearch=%E8%E3%EE");
  ASSERT_TRUE(list);
  EXPECT_NE(list->body.find("<td>\xD0\x98\xD0\xB3\xD0\xBE\xD1\x80\xD1\x8C</td><td>250</td>"), std::string::npos)
      << list->body;

  // Hostile requests: an oversized body, bytes that are no HTTP at all, an
  // unknown page. The server answers or closes, and goes on serving.
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
