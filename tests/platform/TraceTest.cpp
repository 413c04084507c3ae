#include <gtest/gtest.h>

#include "platform/Trace.h"
#include "platform/TraceEvents.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

TEST(Trace, WritesOneJsonObjectPerLine) {
  std::uint64_t now = 42;
  Trace trace([&] { return now; });
  trace.KeepLines(true);
  test::TempDir dir;
  ASSERT_TRUE(trace.OpenFile((dir / "t.jsonl").string()));
  trace.Emit("field").Int("number", 555).Text("text", "\xCF\xF0\xE8\xE2\xE5\xF2 \"&\"\n\x01");
  now = 50;
  TraceShell(trace, "open", "mailto:a@b", {"x", "\xC0"});
  TraceSound(trace, "C:\\m\\a.wav", SoundMode::AsyncNoStop, false);
  auto lines = trace.Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], R"({"t":42,"ev":"field","number":555,"text":"Привет \"&\"\n\u0001"})");
  EXPECT_EQ(lines[1], R"({"t":50,"ev":"shell","verb":"open","target":"mailto:a@b","args":["x","А"]})");
  EXPECT_EQ(lines[2], R"({"t":50,"ev":"sound","file":"C:\\m\\a.wav","mode":"nostop","played":false})");
  EXPECT_EQ(test::ReadFile(dir / "t.jsonl"), lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n");
}

}  // namespace
}  // namespace trv
