// The lint walks the scripts with the program's own tables, so on a damaged
// script it must point at the very blocks and keys the program's readers
// stumble on.
#include <regex>

#include "disc_lint/LintTestDisc.h"
#include "script/ElementPass.h"
#include "script/ScriptLines.h"

namespace trv::test {
namespace {

TEST(LintAgreesWithReadersTest, ADamagedShellScriptIsReportedWhereTheElementPassLogs) {
  LintDisc d;
  Lines& s = *d.structScript;
  s.push_back("button1500;vx=1;vy=1;fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=exit;hint=;wav=no");
  // The switch lacks "wav" and takes it from the next block, which is never read.
  s.push_back("switchone1;vx=2;vy=1;fn1=s1.bmp;fn2=s2.bmp;fn3=s3.bmp;fn4=s4.bmp;state=on;store=off;goup=;godown=;hint=");
  s.push_back("button1;vx=77;vy=5;fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=exit;hint=;wav=no");
  s.push_back("_text1;vx=1;vy=1;vw=2;vh=2;font=a;size=1");
  const auto f = d.Lint();  // and no "differently from the program" warning

  TDynamicStringArray lines;
  SplitLines(ScriptBytes(s), true, lines);
  LogCapture log;
  TElementModel m;
  ReadElements(lines, {"\\disc\\", "\\"}, m);
  const std::regex missing(R"re((\S+) block on line (\d+) has no key "(\w+)")re");
  const std::regex screen(R"((\S+) block on line (\d+) names screen (\d+))");
  int logged = 0;
  for (const std::string& l : log.Lines()) {
    std::smatch g;
    if (std::regex_search(l, g, missing)) {
      ++logged;
      EXPECT_TRUE(
          Found(f, "Struct.txt", std::stoi(g[2]), g[1].str() + " block has no \"" + g[3].str() + "\" before the end"))
          << l << "\n"
          << All(f);
    } else if (std::regex_search(l, g, screen)) {
      ++logged;
      EXPECT_TRUE(Found(f, "Struct.txt", std::stoi(g[2]), g[1].str() + " block names screen " + g[3].str()))
          << l << "\n" << All(f);
    }
  }
  EXPECT_EQ(logged, 2) << log.All();

  const int sw = LintDisc::LineOf(s, "switchone1;vx=2;");
  EXPECT_TRUE(Found(f, "Struct.txt", sw, "switchone block has no \"wav\" before line " + std::to_string(sw + 1)))
      << All(f);
  for (const RBtn& b : m.Buttons.at(0)) EXPECT_NE(b.left, 77) << "the swallowed button was read";
}

}  // namespace
}  // namespace trv::test
