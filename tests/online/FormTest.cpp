// The wire form of the score client: form encoding, digests, tokens and the
// status line, checked against values computed independently of this code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "online/VMHighScores.h"

namespace trv {
namespace {

using HS = TVMHighScores;

TEST(ScoreForm, CyrillicNamesAreSentByteByByte) {
  // "Иван Петров" in CP1251: each letter one %XX, the space a "+".
  EXPECT_EQ(HS::EncodeFormValue("\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2"),
            "%C8%E2%E0%ED+%CF%E5%F2%F0%EE%E2");
  // А, я, Ё, ё: the edges of the code page's Cyrillic range.
  EXPECT_EQ(HS::EncodeFormValue("\xC0\xFF\xA8\xB8"), "%C0%FF%A8%B8");
}

TEST(ScoreForm, SpecialCharactersAndWhatStaysRaw) {
  EXPECT_EQ(HS::EncodeFormValue("#%*+<>"), "%23%25%2A%2B%3C%3E");
  // "&" and "=" would split a user name into fields of their own.
  EXPECT_EQ(HS::EncodeFormValue("a&b=c"), "a%26b%3Dc");
  EXPECT_EQ(HS::EncodeFormValue("Az09-_.~/:;?!@,'()$"), "Az09-_.~/:;?!@,'()$");
  EXPECT_EQ(HS::EncodeFormValue(""), "");
}

TEST(ScoreForm, WholeBodyKeepsSeparatorsAndFieldOrder) {
  const std::string user = "\xA8\xE6\xE8\xEA & Co=1";  // "Ёжик & Co=1"
  EXPECT_EQ(HS::EncodeForm({{"Score", "1500"}, {"UserName", user}, {"GameID", "3"}, {"Digest", "ab"}}),
            "Score=1500&UserName=%A8%E6%E8%EA+%26+Co%3D1&GameID=3&Digest=ab");
  EXPECT_EQ(HS::EncodeForm({{"UserID", "4"}, {"Logon", "1"}, {"Digest", "x"}}), "UserID=4&Logon=1&Digest=x");
}

TEST(ScoreDigest, Md5OfCp1251BytesInLowerHex) {
  struct NoHttp : Http {
    HttpReply Post(const HttpRequest&) override { return {}; }
    HttpReply Get(const HttpRequest&) override { return {}; }
  } http;
  TVMHighScores client(http, [] { return true; });
  EXPECT_EQ(client.MakeDigest(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(client.MakeDigest("21"), "3c59dc048e8850243be8079a5c74d079");  // logon with slot 2
  EXPECT_EQ(client.MakeDigest("\xCF\xF0\xE8\xE2\xE5\xF2"), "43a3f987a7af93811b7682e43ed0752a");  // "Привет"
  EXPECT_EQ(client.MakeDigest("\xF1\xE5\xEA\xF0\xE5\xF2"), "013829d285f3fd24225f43d39e643716");  // "секрет"
}

TEST(ScoreToken, SlotPicksOneOfFiveTokens) {
  std::string reply;
  for (char c = 'a'; c <= 'e'; ++c) reply += std::string(32, c);
  EXPECT_EQ(HS::TokenSlice(reply, 1), std::string(32, 'e'));  // characters 129..160
  EXPECT_EQ(HS::TokenSlice(reply, 5), std::string(32, 'a'));  // characters 1..32
  EXPECT_EQ(HS::TokenSlice(reply, 3), std::string(32, 'c'));
  // A short reply gives a short or empty token, never a read past its end.
  EXPECT_EQ(HS::TokenSlice(reply.substr(0, 140), 1), std::string(12, 'e'));
  EXPECT_EQ(HS::TokenSlice(reply.substr(0, 128), 1), "");
  EXPECT_EQ(HS::TokenSlice("", 5), "");
  EXPECT_EQ(HS::TokenSlice(reply, 0), "");
  EXPECT_EQ(HS::TokenSlice(reply, 6), "");
}

TEST(ScoreStatus, StatusLineParsing) {
  struct Case {
    const char* reply;
    int status;
  } cases[] = {
      {"Status=0", 0},
      {"Status=1\r\n", 1},
      {"<html>\r\nok\r\nStatus=109\r\n</html>", 109},
      {"status=102\n", 102},             // the name in any case
      {"Status= 101 \n", 101},           // blanks around the value
      {"Status=-3", -3},
      {"Status=5\nStatus=7", 5},         // the first one counts
      {"", 9999},
      {"OK", 9999},
      {"Status=", 9999},
      {"Status=abc", 9999},
      {"Status=12x", 9999},
      {"Status=1 2", 9999},
      {"Status=99999999999", 9999},      // not a 32-bit integer
      {" Status=0", 9999},               // must start the line
      {"XStatus=0", 9999},
      {"Status:0", 9999},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HS::ParseStatus(HS::SplitLines(c.reply)), c.status) << c.reply;
}

TEST(ScoreStatus, LineSplitting) {
  EXPECT_EQ(HS::SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(HS::SplitLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(HS::SplitLines("").empty());
}

}  // namespace
}  // namespace trv
