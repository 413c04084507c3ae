#include "score-server/HttpRequestReader.h"

#include <gtest/gtest.h>

#include "score-server/CommandLine.h"

namespace trv::scored {
namespace {

using State = HttpRequestReader::State;

TEST(HttpRequestReader, ARequestInAnyPiecesComesOutWhole) {
  const std::string raw =
      "POST /save.php?x=1 HTTP/1.1\r\nHost: a\r\ncontent-LENGTH: 11\r\nX-Forwarded-For: 1.2.3.4\r\n"
      "X-Forwarded-For: 5.6.7.8\r\n\r\nScore=5&a=bEXTRA";
  for (std::size_t piece : {std::size_t(1), std::size_t(3), std::size_t(7), raw.size()}) {
    HttpRequestReader r(8192, 100);
    State s = State::kNeedMore;
    for (std::size_t at = 0; at < raw.size() && s == State::kNeedMore; at += piece)
      s = r.Feed(std::string_view(raw).substr(at, piece));
    ASSERT_EQ(s, State::kDone) << piece;
    EXPECT_EQ(r.Request().method, "POST");
    EXPECT_EQ(r.Request().target, "/save.php?x=1");
    EXPECT_EQ(r.Request().body, "Score=5&a=b") << "bytes past the length are not the body";
    EXPECT_EQ(r.Request().forwardedFor, "1.2.3.4,5.6.7.8");
  }
  HttpRequestReader get(8192, 100);
  EXPECT_EQ(get.Feed("GET / HTTP/1.0\n\n"), State::kDone);  // bare line feeds, no body
  EXPECT_EQ(get.Request().body, "");
}

TEST(HttpRequestReader, RefusesWhatItWillNotTrust) {
  struct Case {
    std::string raw;
    int status;
  };
  const Case cases[] = {
      {"POST /save.php HTTP/1.1\r\nContent-Length: 101\r\n\r\n", 413},
      {"POST /save.php HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n", 400},
      {"POST /save.php HTTP/1.1\r\nContent-Length: -1\r\n\r\n", 400},
      {"POST /save.php HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n", 400},
      {"POST /save.php HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 411},
      {"POST /save.php HTTP/1.1\r\nExpect: something\r\n\r\n", 417},
      {"GET /save.php HTTP/2.0\r\n\r\n", 505},
      {"GET save.php HTTP/1.1\r\n\r\n", 400},
      {"GET /a\x01 HTTP/1.1\r\n\r\n", 400},
      {"G(T / HTTP/1.1\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nNo colon here\r\n\r\n", 400},
      {std::string("\x00\xFF\xFE garbage\r\n\r\n", 16), 400},
  };
  for (const auto& c : cases) {
    HttpRequestReader r(8192, 100);
    EXPECT_EQ(r.Feed(c.raw), State::kBad) << c.raw;
    EXPECT_EQ(r.ErrorStatus(), c.status) << c.raw;
    EXPECT_EQ(r.Feed("more"), State::kBad);
  }
  // A head that never ends is refused once it passes the limit, without
  // keeping what came after.
  HttpRequestReader endless(64, 100);
  EXPECT_EQ(endless.Feed("GET / HTTP/1.1\r\nX: " + std::string(40, 'a')), State::kNeedMore);
  EXPECT_EQ(endless.Feed(std::string(40, 'a')), State::kBad);
  EXPECT_EQ(endless.ErrorStatus(), 431);
}

TEST(HttpRequestReader, AsksForTheBodyOnceWhenTheClientWaitsForContinue) {
  HttpRequestReader r(8192, 100);
  EXPECT_FALSE(r.TakeContinue());
  EXPECT_EQ(r.Feed("POST /save.php HTTP/1.1\r\nExpect: 100-Continue\r\nContent-Length: 3\r\n\r\n"), State::kNeedMore);
  EXPECT_TRUE(r.TakeContinue());
  EXPECT_FALSE(r.TakeContinue());
  EXPECT_EQ(r.Feed("abc"), State::kDone);
  EXPECT_EQ(r.Request().body, "abc");
}

TEST(ScoredCommandLine, OptionsAndTheirBounds) {
  std::string error;
  auto line = ParseCommandLine({"--listen", "[::1]:8080", "--db", "postgresql://u@h/d", "--max-score", "500",
                                "--workers", "4", "--request-seconds", "2", "--trust-proxy"},
                               &error);
  ASSERT_TRUE(line) << error;
  EXPECT_EQ(line->host, "::1");
  EXPECT_EQ(line->port, 8080);
  EXPECT_EQ(line->db, "postgresql://u@h/d");
  EXPECT_EQ(line->maxScore, 500);
  EXPECT_EQ(line->workers, 4);
  EXPECT_EQ(line->requestSeconds, 2);
  EXPECT_TRUE(line->trustProxy);
  auto plain = ParseCommandLine({"--listen", "127.0.0.1:0", "--db", "s.db"}, &error);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->maxScore, kHighestReachableScore);
  EXPECT_FALSE(plain->trustProxy);
  for (const auto& bad : std::vector<std::vector<std::string>>{
           {"--listen", "127.0.0.1:0", "--db", "s.db", "--workers", "0"},
           {"--listen", "127.0.0.1:0", "--db", "s.db", "--max-score", "-1"},
           {"--listen", "127.0.0.1:0", "--db", "s.db", "--request-seconds", "x"},
           {"--listen", "127.0.0.1:0", "--db", "s.db", "--trust-proxy", "yes"}}) {
    EXPECT_FALSE(ParseCommandLine(bad, &error)) << bad.back();
    EXPECT_NE(error.find("usage:"), std::string::npos);
  }
}

}  // namespace
}  // namespace trv::scored
