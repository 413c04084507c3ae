// The command interpreter's rule table: which rule takes a command, and which
// wins when several could.
#include "script/CommandRules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace trv {
namespace {

using A = CommandAction;

std::string ActionOf(std::string_view command) {
  const CommandRule* rule = FindCommandRule(command);
  return rule ? std::string(rule->name) : std::string("none");
}

const CommandRule& RuleFor(A action) {
  for (const CommandRule& r : ShellCommandRules())
    if (r.action == action) return r;
  ADD_FAILURE() << "no rule for action " << int(action);
  return ShellCommandRules().front();
}

struct Case {
  const char* command;
  A action;
};

TEST(CommandRulesTest, EveryRuleTakesItsOwnCommand) {
  const Case cases[] = {
      {"exit", A::kExit},
      {"playwavonly", A::kPlayWavOnly},
      {"screen3=store", A::kScreen},
      {"run=http://example.org/", A::kRun},
      {"run=setup\\setup.exe=/s", A::kRun},
      {"about", A::kAbout},
      {"minimize", A::kMinimize},
      {"settree2", A::kSelectTree},
      {"ontree", A::kShowTree},
      {"offtree", A::kHideTree},
      {"2loadhtml", A::kNextScreen},
      {"startgame", A::kNextScreen},
      {"writelettertoadminanddevelopers=timeout", A::kWriteLetter},
      {"writelettertoadminanddevelopers=", A::kWriteLetter},
      {"showratingsontheserver", A::kShowRatings},
      {"registeruserontheserver", A::kRegisterUser},
      {"showregisteredusers", A::kShowRegisteredUsers},
      {"setusername", A::kSetUserName},
      {"getmoney", A::kGetMoney},
      {"validateanswer", A::kValidateAnswer},
      {"additionaltime", A::kAdditionalTime},
      {"contextmenu95", A::kContextMenu},
      {"bgsound", A::kBackgroundSound},
      {"standartwin", A::kStandardWindow},
      {"options", A::kOptions},
      {"help", A::kHelp},
      {"play", A::kClipPlay},
      {"stop", A::kClipStop},
      {"pause", A::kClipPause},
      {"stepforward", A::kClipStepForward},
      {"stepback", A::kClipStepBack},
      {"clip=video\\intro.avi", A::kClipFile},
      {"playclip=intro.avi", A::kClipFile},
      {"installfonts", A::kInstallFonts},
      {"rungame=setup=Trivion2", A::kRunGame},
      {"delgame=Trivion2", A::kDeleteGame},
      {"2", A::kScreenNumber},
      {"screen3", A::kScreenNumber},
  };
  std::set<A> covered;
  for (const Case& c : cases) {
    const CommandRule* rule = FindCommandRule(c.command);
    ASSERT_NE(rule, nullptr) << c.command;
    EXPECT_EQ(rule->action, c.action) << c.command << " went to " << rule->name;
    covered.insert(c.action);
  }
  for (const CommandRule& r : ShellCommandRules()) EXPECT_TRUE(covered.count(r.action)) << r.name;
}

TEST(CommandRulesTest, TableFollowsTheInterpretersSteps) {
  const auto rules = ShellCommandRules();
  ASSERT_EQ(rules.size(), 33u);
  EXPECT_EQ(rules.front().step, 2);
  EXPECT_EQ(rules.back().action, A::kScreenNumber);
  EXPECT_EQ(rules.back().step, 32);
  std::set<A> actions;
  for (std::size_t i = 0; i < rules.size(); ++i) {
    EXPECT_TRUE(actions.insert(rules[i].action).second) << rules[i].name;
    if (i > 0) {
      EXPECT_LE(rules[i - 1].step, rules[i].step) << rules[i].name;
    }
  }
}

// Each command is recognised by two rules on their own; the earlier one wins.
TEST(CommandRulesTest, EarlierRuleWinsWhenTwoMatch) {
  struct Overlap {
    const char* command;
    A winner;
    A loser;
  };
  const Overlap overlaps[] = {
      {"screen2=1=settree", A::kScreen, A::kSelectTree},
      {"screen2=store", A::kScreen, A::kScreenNumber},
      {"screenclip=intro.avi", A::kScreen, A::kClipFile},
      {"run=settree.exe", A::kRun, A::kSelectTree},
      {"run=contextmenu2", A::kRun, A::kContextMenu},
      {"settreeontree", A::kSelectTree, A::kShowTree},
      {"ontree=offtree", A::kShowTree, A::kHideTree},
      {"rungame=settree1", A::kSelectTree, A::kRunGame},
      {"clip=contextmenu3.avi", A::kContextMenu, A::kClipFile},
      {"clip=ontree.avi", A::kShowTree, A::kClipFile},
      {"delgame=ontree", A::kShowTree, A::kDeleteGame},
      {"clip=2", A::kClipFile, A::kScreenNumber},
      {"contextmenu5", A::kContextMenu, A::kScreenNumber},
      {"writelettertoadminanddevelopers=contextmenu", A::kWriteLetter, A::kContextMenu},
  };
  for (const Overlap& o : overlaps) {
    EXPECT_TRUE(RuleMatches(RuleFor(o.winner), o.command)) << o.command;
    EXPECT_TRUE(RuleMatches(RuleFor(o.loser), o.command)) << o.command;
    const CommandRule* rule = FindCommandRule(o.command);
    ASSERT_NE(rule, nullptr) << o.command;
    EXPECT_EQ(rule->action, o.winner) << o.command << " went to " << rule->name;
  }
}

TEST(CommandRulesTest, CaseMattersExceptForTheScreenVerb) {
  EXPECT_EQ(ActionOf("Screen2=store"), "screen");
  EXPECT_EQ(ActionOf("SCREEN2=store"), "screen");
  EXPECT_EQ(ActionOf("Exit"), "none");
  EXPECT_EQ(ActionOf("ABOUT"), "none");
  EXPECT_EQ(ActionOf("SetTree2"), "number");  // no "settree", but the 2 names a screen
  EXPECT_EQ(ActionOf("Run=http://example.org/"), "none");
  EXPECT_EQ(ActionOf("CLIP=a.avi"), "none");
}

TEST(CommandRulesTest, ExactWordsMustBeTheWholeCommand) {
  for (const char* command : {"exit ", " exit", "plays", "stopclip", "helpme", "pause=1", "options2"}) {
    const CommandRule* rule = FindCommandRule(command);
    if (rule == nullptr) continue;
    // Only the number rule may take them, and only for the digit they hold.
    EXPECT_EQ(rule->action, A::kScreenNumber) << command;
  }
  EXPECT_EQ(ActionOf("plays"), "none");
  EXPECT_EQ(ActionOf("pause=1"), "number");
  EXPECT_EQ(ActionOf("options2"), "number");
  EXPECT_EQ(ActionOf("2loadhtml=x"), "number");  // not the exact word: only its digit counts
}

TEST(CommandRulesTest, VerbRulesNeedAnEqualsSign) {
  // Without "=" the verb is empty, so verb rules cannot take the command.
  EXPECT_EQ(ActionOf("writelettertoadminanddevelopers"), "none");
  EXPECT_EQ(ActionOf("run"), "none");
  EXPECT_EQ(ActionOf("clip"), "none");
  EXPECT_EQ(ActionOf("rungame"), "none");
  EXPECT_EQ(ActionOf("screen"), "none");
  // The verb is the text before the first "=", so later ones do not count.
  EXPECT_EQ(ActionOf("x=clip=a.avi"), "none");
  EXPECT_EQ(ActionOf("x=run=a.exe"), "none");
}

TEST(CommandRulesTest, NumberRuleNeedsAValidNumber) {
  EXPECT_EQ(ActionOf("0"), "number");  // a number, though no screen has it
  EXPECT_EQ(ActionOf("go7"), "number");
  EXPECT_EQ(ActionOf("-1"), "none");
  EXPECT_EQ(ActionOf("1-2"), "none");
  EXPECT_EQ(ActionOf(""), "none");
  EXPECT_EQ(ActionOf("no"), "none");
}

TEST(CommandRulesTest, InertKeywordsMatchNoRule) {
  ASSERT_EQ(InertCommandWords().size(), 18u);
  for (std::string_view word : InertCommandWords()) {
    EXPECT_EQ(FindCommandRule(word), nullptr) << word;
    EXPECT_TRUE(IsInertCommandWord(word));
  }
  EXPECT_FALSE(IsInertCommandWord("exit"));
  EXPECT_FALSE(IsInertCommandWord("Back"));
}

TEST(CommandRulesTest, VerbAndTail) {
  EXPECT_EQ(CommandVerb("a=b=c"), "a");
  EXPECT_EQ(CommandTail("a=b=c"), "b=c");
  EXPECT_EQ(CommandVerb("abc"), "");
  EXPECT_EQ(CommandTail("abc"), "");
  EXPECT_EQ(CommandVerb("=x"), "");
  EXPECT_EQ(CommandTail("=x"), "x");
}

}  // namespace
}  // namespace trv
