#include "score-server/Wire.h"

#include <gtest/gtest.h>

#include "score-server/CommandLine.h"
#include "score_server/ScoreClient.h"

namespace trv::scored {
namespace {

TEST(ScoreWire, FormDecodingUndoesTheGamesEncoding) {
  // A name with a space, "+", "%", "&", "=" and Cyrillic bytes survives the
  // round trip.
  const std::string name = "\xC0\xE1 a+b%c*<>#&d=e";
  auto form = ParseForm("Score=1&UserName=" + client::EncodeValue(name) + "&GameID=3");
  ASSERT_TRUE(form);
  EXPECT_EQ((*form)["UserName"], name);
  EXPECT_EQ((*form)["Score"], "1");
  EXPECT_EQ((*form)["GameID"], "3");

  auto loose = ParseForm("&a=&&b&c=%41%c3%a9&");
  ASSERT_TRUE(loose);
  EXPECT_EQ(loose->size(), 3u);
  EXPECT_EQ((*loose)["a"], "");
  EXPECT_EQ((*loose)["b"], "");
  EXPECT_EQ((*loose)["c"], "A\xC3\xA9");

  for (const char* bad : {"a=%", "a=%4", "a=%G1", "a=1&a=2", "%=1"}) EXPECT_FALSE(ParseForm(bad)) << bad;
}

TEST(ScoreWire, Md5IsLowerCaseHex) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_NE(RandomToken(), RandomToken());
  EXPECT_EQ(RandomToken().size(), 32u);
}

TEST(ScoreWire, DecimalsAsTheGamePrintsThem) {
  EXPECT_EQ(ParseDecimal("0", -5, 5), 0);
  EXPECT_EQ(ParseDecimal("-5", -5, 5), -5);
  EXPECT_EQ(ParseDecimal("2147483647", INT32_MIN, INT32_MAX), 2147483647);
  EXPECT_EQ(ParseDecimal("-2147483648", INT32_MIN, INT32_MAX), INT32_MIN);
  for (const char* bad : {"", "-", "+1", "01", "-0", " 1", "1 ", "1e3", "6", "2147483648", "99999999999999999999"})
    EXPECT_FALSE(ParseDecimal(bad, INT32_MIN, 5)) << bad;
}

TEST(ScoreWire, Utf8CheckAndHtmlEscape) {
  EXPECT_TRUE(IsValidUtf8("plain \xD0\x98 \xE2\x82\xAC \xF0\x9F\x98\x80"));
  for (const char* bad : {"\xC8\xE3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"})
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
  EXPECT_EQ(HtmlEscape("<a href=\"x\">'&'</a>"), "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
  EXPECT_EQ(UrlEncode("a b/\xD0"), "a%20b%2F%D0");
}

TEST(ScoreCommandLine, AcceptsTheDocumentedFormOnly) {
  std::string error;
  auto line = ParseCommandLine({"--listen", "127.0.0.1:0", "--db", "s.db"}, &error);
  ASSERT_TRUE(line) << error;
  EXPECT_EQ(line->host, "127.0.0.1");
  EXPECT_EQ(line->port, 0);
  EXPECT_EQ(line->db, "s.db");
  EXPECT_EQ(line->games, 3);

  line = ParseCommandLine({"--games", "7", "--db", "x", "--listen", "[::1]:8080"}, &error);
  ASSERT_TRUE(line) << error;
  EXPECT_EQ(line->host, "::1");
  EXPECT_EQ(line->port, 8080);
  EXPECT_EQ(line->games, 7);

  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--listen", "127.0.0.1:0"},
      {"--db", "x"},
      {"--listen", "127.0.0.1", "--db", "x"},
      {"--listen", "127.0.0.1:70000", "--db", "x"},
      {"--listen", "127.0.0.1:0", "--db", "x", "--games", "0"},
      {"--listen", "127.0.0.1:0", "--db", "x", "--games"},
      {"--listen", "127.0.0.1:0", "--db", "x", "--verbose"},
  };
  for (const auto& args : bad) {
    error.clear();
    EXPECT_FALSE(ParseCommandLine(args, &error));
    EXPECT_NE(error.find("usage:"), std::string::npos);
  }
}

}  // namespace
}  // namespace trv::scored
