// The score client against servers on loopback: a well-behaved one that checks
// the digests, and broken or hostile ones that must cost the game neither time
// nor memory beyond the bounds.
#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "online/VMHighScores.h"
#include "platform/Http.h"
#include "platform/Trace.h"

namespace trv {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Received {
  std::map<std::string, std::string> params;
  std::string body, userAgent, contentType;
};

// A form server on 127.0.0.1 with a free port; records every post to /save.php.
class FormServer {
 public:
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
  explicit FormServer(Handler handler) {
    server_.Post("/save.php", [this, handler](const httplib::Request& req, httplib::Response& res) {
      Received r;
      for (const auto& [k, v] : req.params) r.params.emplace(k, v);
      r.body = req.body;
      r.userAgent = req.get_header_value("User-Agent");
      r.contentType = req.get_header_value("Content-Type");
      {
        std::lock_guard lock(mutex_);
        received_.push_back(r);
      }
      handler(req, res);
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(1ms);
  }
  ~FormServer() {
    server_.stop();
    thread_.join();
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/save.php"; }
  std::vector<Received> Requests() const {
    std::lock_guard lock(mutex_);
    return received_;
  }
  // Posts that were logons and posts that were scores.
  int Logons() const { return Count(true); }
  int Scores() const { return Count(false); }

 private:
  int Count(bool logon) const {
    int n = 0;
    for (const Received& r : Requests()) n += (r.params.count("Logon") != 0) == logon;
    return n;
  }
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<Received> received_;
};

// Five tokens "a"*32 .. "e"*32; logons must carry the digest of slot + "1"
// (computed for slots 1 and 2 here by hand).
void AnswerLogon(const httplib::Request& req, httplib::Response& res) {
  static const std::map<std::string, std::string> kLogonDigest = {
      {"1", "6512bd43d9caa6e02c990b0a82652dca"}, {"2", "3c59dc048e8850243be8079a5c74d079"}};
  auto it = kLogonDigest.find(req.get_param_value("UserID"));
  if (it == kLogonDigest.end() || req.get_param_value("Digest") != it->second) {
    res.set_content("bad logon", "text/plain");
    return;
  }
  std::string tokens;
  for (char c = 'a'; c <= 'e'; ++c) tokens += std::string(32, c);
  res.set_content(tokens, "text/plain");
}

// A server that answers every score post with `reply` (after a good logon).
FormServer::Handler Replying(std::string reply, int httpStatus = 200) {
  return [reply, httpStatus](const httplib::Request& req, httplib::Response& res) {
    if (req.get_param_value("Logon") == "1") return AnswerLogon(req, res);
    res.status = httpStatus;
    res.set_content(reply, "text/html");
  };
}

// Raw TCP servers for what no well-behaved HTTP server does.
class RawServer {
 public:
  enum class Mode {
    Silent,      // connections are taken by the kernel, never answered
    CloseAtOnce, // reads the request and hangs up without a reply
    Drip,        // a reply that trickles in one byte at a time, forever
    LogonOnly,   // answers logons, then keeps score posts waiting, never answered
  };
  explicit RawServer(Mode mode) : mode_(mode) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_EQ(listen(fd_, 16), 0);
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    if (mode_ != Mode::Silent) thread_ = std::thread([this] { Serve(); });
  }
  ~RawServer() {
    stop_ = true;
    shutdown(fd_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    for (int c : held_) close(c);
    close(fd_);
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/save.php"; }
  int Connections() const { return connections_; }

 private:
  void Serve() {
    while (!stop_) {
      const int c = accept(fd_, nullptr, nullptr);
      if (c < 0) continue;
      ++connections_;
      char buf[4096] = {};
      (void)recv(c, buf, sizeof buf - 1, 0);
      if (mode_ == Mode::LogonOnly) {
        if (std::string(buf, sizeof buf).find("Logon=1") != std::string::npos) {
          const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 160\r\nConnection: close\r\n\r\n" +
                                    std::string(160, 'a');
          (void)send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
        } else {
          held_.push_back(c);  // open and silent until the server goes
          continue;
        }
      }
      if (mode_ == Mode::Drip) {
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nStatus=0\n";
        (void)send(c, head.data(), head.size(), MSG_NOSIGNAL);
        while (!stop_ && send(c, " ", 1, MSG_NOSIGNAL) == 1) std::this_thread::sleep_for(50ms);
      }
      close(c);
    }
  }
  Mode mode_;
  int fd_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::vector<int> held_;
};

struct ClientSetup {
  Trace trace{[] { return std::uint64_t{0}; }};
  std::unique_ptr<Http> http = CreateCurlHttp(&trace);
  TVMHighScores client{*http, [] { return true; }};
  ClientSetup(const std::string& url, int slot = 2) {
    trace.KeepLines(true);
    client._ServerAddress = url;
    client._GameID = "3";
    client._UserName = "\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2";  // "Иван Петров"
    client._UserPassword = "\xF1\xE5\xEA\xF0\xE5\xF2";               // "секрет"
    client.SetSlotPicker([slot] { return slot; });
  }
};

TEST(ScoreExchange, SavedScoreCarriesTheDigestsAndTheName) {
  // A name that would break the form if "&" and "=" went raw: "Ёжик & Co=1".
  const std::string user = "\xA8\xE6\xE8\xEA & Co=1";
  // MD5("3" + user + MD5("секрет") + "1500" + the 4th token "d"*32), by hand.
  FormServer server([](const httplib::Request& req, httplib::Response& res) {
    if (req.get_param_value("Logon") == "1") return AnswerLogon(req, res);
    const bool good = req.get_param_value("Digest") == "d5145a352f5165676bc6ee1be316a926";
    res.set_content(good ? "Status=0\r\n" : "Status=102\r\n", "text/html");
  });
  ClientSetup s(server.Url(), 2);
  s.client._UserName = user;
  EXPECT_EQ(s.client.SendScore(1500), 0);

  const auto got = server.Requests();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].body, "UserID=2&Logon=1&Digest=3c59dc048e8850243be8079a5c74d079");
  EXPECT_EQ(got[1].params.at("UserName"), user);
  EXPECT_EQ(got[1].params.at("Score"), "1500");
  EXPECT_EQ(got[1].params.at("GameID"), "3");
  EXPECT_EQ(got[1].params.size(), 4u);
  EXPECT_EQ(got[1].userAgent, "Kerrow game");
  EXPECT_EQ(got[1].contentType, "application/x-www-form-urlencoded");
  EXPECT_EQ(s.client.ReplyLines(), std::vector<std::string>{"Status=0"});
}

TEST(ScoreExchange, FirstSlotTokenAndNegativeScore) {
  // Slot 1 takes the last token "e"*32; MD5("3" + "Иван Петров" + MD5("секрет") + "-7" + token).
  FormServer server([](const httplib::Request& req, httplib::Response& res) {
    if (req.get_param_value("Logon") == "1") return AnswerLogon(req, res);
    const bool good = req.get_param_value("Digest") == "cbf4de9e1d27e6acd03cf14f9faa23cb";
    res.set_content(good ? "Status=0" : "Status=102", "text/html");
  });
  ClientSetup s(server.Url(), 1);
  EXPECT_EQ(s.client.SendScore(-7), 0);
  const auto got = server.Requests();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_NE(got[1].body.find("&UserName=%C8%E2%E0%ED+%CF%E5%F2%F0%EE%E2&"), std::string::npos);
}

TEST(ScoreExchange, StatusesPassThroughAndDecideTheAttempts) {
  struct Case {
    const char* reply;
    int retries;
    int status;
    int attempts;
  } cases[] = {
      {"Status=0", 3, 0, 1},     {"Status=1", 3, 1, 1},     // < 100: done at once
      {"Status=101", 3, 101, 3}, {"Status=102", 3, 102, 3}, // server errors are retried
      {"Status=109", 3, 109, 3}, {"Status=101", 5, 101, 5},
      {"Status=105", 1, 105, 1}, {"Status=101", 0, 101, 1}, // at least one attempt
      {"Status=101", -4, 101, 1},
  };
  for (const Case& c : cases) {
    FormServer server(Replying(c.reply));
    ClientSetup s(server.Url());
    s.client._NumRetries = c.retries;
    EXPECT_EQ(s.client.SendScore(10), c.status) << c.reply << " retries " << c.retries;
    EXPECT_EQ(server.Scores(), c.attempts) << c.reply << " retries " << c.retries;
    EXPECT_EQ(server.Logons(), c.attempts) << "each attempt logs on again";
  }
}

TEST(ScoreExchange, GarbageRepliesGiveUnknownOrSendError) {
  struct Case {
    std::string reply;
    int httpStatus;
    int status;
  } cases[] = {
      {"<html>Thank you</html>", 200, 9999},          // no status line
      {"Status=OK", 200, 9999},                       // not a number
      {"Status=4294967296", 200, 9999},               // out of range
      {"", 200, 9999},
      {"Status=0", 500, 104},                         // an HTTP error is a failed exchange
      {"Status=0", 404, 104},
      // A body far beyond any real reply is cut off, not collected: even its
      // good status line does not count.
      {"Status=0\n" + std::string(4 << 20, 'x'), 200, 104},
  };
  for (const Case& c : cases) {
    FormServer server(Replying(c.reply, c.httpStatus));
    ClientSetup s(server.Url());
    EXPECT_EQ(s.client.SendScore(10), c.status) << c.reply.substr(0, 20) << " HTTP " << c.httpStatus;
    EXPECT_EQ(server.Scores(), 3) << "all three attempts are made";
  }
}

TEST(ScoreExchange, LogonFailureEndsTheAttemptBeforeTheScore) {
  FormServer server([](const httplib::Request&, httplib::Response& res) { res.status = 503; });
  ClientSetup s(server.Url());
  EXPECT_EQ(s.client.SendScore(10), 104);
  EXPECT_EQ(server.Logons(), 3);
  EXPECT_EQ(server.Scores(), 0);
}

// A refused logon carries its own status: it must reach the player as is,
// not as a token sliced out of the text and a "bad user" after it.
TEST(ScoreExchange, RefusedLogonGivesItsStatusWithoutAScorePost) {
  FormServer server([](const httplib::Request&, httplib::Response& res) { res.set_content("Status=101\r\n", "text/html"); });
  ClientSetup s(server.Url());
  EXPECT_EQ(s.client.SendScore(10), 101);
  EXPECT_EQ(server.Logons(), 3) << "a refusal of 100 and above is retried";
  EXPECT_EQ(server.Scores(), 0);
  EXPECT_EQ(s.client.ReplyLines(), std::vector<std::string>{"Status=101"});
}

TEST(ScoreExchange, ClosedConnectionIsASendError) {
  RawServer server(RawServer::Mode::CloseAtOnce);
  ClientSetup s(server.Url());
  EXPECT_EQ(s.client.SendScore(10), 104);
  EXPECT_EQ(server.Connections(), 3);
}

// The time limit covers the whole submission, not each exchange: a server
// that never answers costs one limit, not one per logon and post of every attempt.
TEST(ScoreExchange, SilentServerIsBoundedByOneDeadlineAcrossAttempts) {
  RawServer server(RawServer::Mode::Silent);
  ClientSetup s(server.Url());
  s.client._TimeoutMSec = 600;
  const auto start = Clock::now();
  EXPECT_EQ(s.client.SendScore(10), 104);
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, 550ms);  // the first logon waited for the whole time
  EXPECT_LT(elapsed, 1200ms);  // and no attempt came after it
}

TEST(ScoreExchange, HangingScorePostGetsOnlyWhatTheLogonLeft) {
  RawServer server(RawServer::Mode::LogonOnly);
  ClientSetup s(server.Url());
  s.client._TimeoutMSec = 700;
  const auto start = Clock::now();
  EXPECT_EQ(s.client.SendScore(10), 104);
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, 650ms);
  EXPECT_LT(elapsed, 1300ms);
  EXPECT_EQ(server.Connections(), 2);  // one logon, one post, one attempt
}

// The deadline is taken from the client's clock: an attempt that starts after
// it has passed is not made, even when every exchange so far was quick.
TEST(ScoreExchange, NoAttemptStartsAfterTheDeadline) {
  FormServer server(Replying("Status=101\n"));
  ClientSetup s(server.Url());
  std::int64_t now = 0;
  s.client.SetClock([&] { return now += 300; });  // every look at the clock is 300 ms later
  s.client._TimeoutMSec = 1000;
  s.client._NumRetries = 5;
  EXPECT_EQ(s.client.SendScore(10), 101);  // the last status the server gave stands
  EXPECT_EQ(server.Logons(), 1);
  EXPECT_EQ(server.Scores(), 1);
}

TEST(ScoreExchange, CancelEndsASilentExchangeAtOnce) {
  RawServer server(RawServer::Mode::LogonOnly);
  ClientSetup s(server.Url());
  auto cancel = std::make_shared<std::atomic<bool>>(false);
  s.client.SetCancel(cancel);
  std::thread player([cancel] {
    std::this_thread::sleep_for(300ms);
    cancel->store(true);
  });
  const auto start = Clock::now();
  EXPECT_EQ(s.client.SendScore(10), 104);
  const auto elapsed = Clock::now() - start;
  player.join();
  EXPECT_GE(elapsed, 250ms);
  EXPECT_LT(elapsed, 2500ms);  // not the 30 s of the deadline
  EXPECT_EQ(server.Connections(), 2);  // no attempt after the cancel
  // A cancelled client sends nothing more.
  EXPECT_EQ(s.client.SendScore(10), 104);
  EXPECT_EQ(server.Connections(), 2);
}

TEST(ScoreExchange, TricklingReplyIsBoundedByTheTimeout) {
  RawServer server(RawServer::Mode::Drip);
  ClientSetup s(server.Url());
  s.client._TimeoutMSec = 400;
  s.client._NumRetries = 1;
  const auto start = Clock::now();
  EXPECT_EQ(s.client.SendScore(10), 104);
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, 350ms);  // it was the time limit that ended it
  EXPECT_LT(elapsed, 3s);
}

// Counts what would have gone on the wire.
struct CountingHttp : Http {
  int posts = 0;
  HttpReply Post(const HttpRequest&) override {
    ++posts;
    return {HttpError::None, 200, "Status=0", {}};
  }
  HttpReply Get(const HttpRequest&) override { return {}; }
};

TEST(ScoreConnection, OfflineSendsNothingAndReportsEachPost) {
  CountingHttp http;
  TVMHighScores client(http, [] { return false; });
  client._ServerAddress = "http://scores.example.net/save.php";
  std::vector<std::uint32_t> errors;
  client._OnConnectError = [&](TVMHighScores&, std::uint32_t code) { errors.push_back(code); };
  EXPECT_EQ(client.CheckConnection(), 106);
  EXPECT_EQ(client.SendScore(10), 9999);
  EXPECT_EQ(http.posts, 0);
  EXPECT_EQ(errors, std::vector<std::uint32_t>(6, 106));  // a logon and a score post per attempt
  EXPECT_TRUE(client.ReplyLines().empty());
}

TEST(ScoreConnection, OnlineAndLoopbackServersAreReached) {
  CountingHttp http;
  bool connected = true;
  TVMHighScores client(http, [&] { return connected; });
  client._ServerAddress = "http://scores.example.net/save.php";
  EXPECT_EQ(client.SendScore(10), 0);
  EXPECT_EQ(http.posts, 2);
  // A server on this machine needs no outside network.
  connected = false;
  for (const char* url : {"http://127.0.0.1:8080/save.php", "http://localhost/save.php",
                          "http://[::1]:99/save.php", "HTTP://LocalHost:1/x"}) {
    client._ServerAddress = url;
    EXPECT_EQ(client.CheckConnection(), 0) << url;
  }
  for (const char* url : {"http://localhost.example.net/save.php", "http://10.0.0.1/", "http://x/127.0.0.1"}) {
    client._ServerAddress = url;
    EXPECT_EQ(client.CheckConnection(), 106) << url;
  }
}

TEST(CurlHttp, ErrorKindsAndTrace) {
  FormServer server(Replying(std::string(5000, 'y')));
  Trace trace([] { return std::uint64_t{0}; });
  trace.KeepLines(true);
  auto http = CreateCurlHttp(&trace);

  HttpRequest request;
  request.url = server.Url();
  request.body = "Logon=0&x=1";
  request.maxReplyBytes = 5000;
  HttpReply reply = http->Post(request);
  EXPECT_EQ(reply.error, HttpError::None);
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body.size(), 5000u);

  request.maxReplyBytes = 4999;
  reply = http->Post(request);
  EXPECT_EQ(reply.error, HttpError::TooLarge);
  EXPECT_TRUE(reply.body.empty());

  RawServer closing(RawServer::Mode::CloseAtOnce);
  request.url = closing.Url();
  EXPECT_EQ(http->Post(request).error, HttpError::Connection);

  RawServer silent(RawServer::Mode::Silent);
  request.url = silent.Url();
  request.timeoutMs = 200;
  EXPECT_EQ(http->Post(request).error, HttpError::Timeout);

  auto cancel = std::make_shared<std::atomic<bool>>(true);
  request.cancel = cancel;
  request.timeoutMs = 30000;
  EXPECT_EQ(http->Post(request).error, HttpError::Canceled);
  request.cancel.reset();

  request.url = "gopher://127.0.0.1/";  // only the web's protocols
  EXPECT_EQ(http->Post(request).error, HttpError::Other);

  const auto lines = trace.Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[0].find("\"ev\":\"http\""), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("\"url\":\"" + server.Url() + "\""), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("\"body\":\"Logon=0&x=1\""), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("\"status\":200"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("\"status\":0"), std::string::npos) << lines[1];
}

TEST(CurlHttp, GetSendsTheFormAsQuery) {
  httplib::Server server;
  std::string seen;
  server.Get("/list.php", [&](const httplib::Request& req, httplib::Response& res) {
    seen = req.get_param_value("GamerSearch") + "|" + req.get_param_value("GameID");
    res.set_content("ok", "text/plain");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread t([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(1ms);
  auto http = CreateCurlHttp(nullptr);
  HttpRequest request;
  request.url = "http://127.0.0.1:" + std::to_string(port) + "/list.php";
  request.body = "GameID=3&GamerSearch=%C0+b";
  const HttpReply reply = http->Get(request);
  server.stop();
  t.join();
  EXPECT_EQ(reply.body, "ok");
  EXPECT_EQ(seen, "\xC0 b|3");
}

}  // namespace
}  // namespace trv
