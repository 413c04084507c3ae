#include "script/CommandRules.h"

#include <algorithm>
#include <iterator>

#include "platform/Text.h"
#include "script/ScriptValues.h"

namespace trv {
namespace {

using A = CommandAction;
using M = CommandMatch;

// Steps 1 (the busy check) and 3 (the sound) act on every command and are no
// rules; every other step is one row here, or two or three rows when one step
// tests several words each with its own action.
constexpr CommandRule kRules[] = {
    {2, A::kExit, M::kExact, "exit", "", "exit"},
    {4, A::kPlayWavOnly, M::kExact, "playwavonly", "", "playwavonly"},
    {5, A::kScreen, M::kVerbLowerContains, "screen", "", "screen"},
    {6, A::kRun, M::kVerb, "run", "", "run"},
    {7, A::kAbout, M::kExact, "about", "", "about"},
    {8, A::kMinimize, M::kExact, "minimize", "", "minimize"},
    {9, A::kSelectTree, M::kContains, "settree", "", "settree"},
    {10, A::kShowTree, M::kContains, "ontree", "", "ontree"},
    {11, A::kHideTree, M::kContains, "offtree", "", "offtree"},
    {12, A::kNextScreen, M::kExact, "2loadhtml", "startgame", "2loadhtml/startgame"},
    {13, A::kWriteLetter, M::kVerb, "writelettertoadminanddevelopers", "", "writelettertoadminanddevelopers"},
    {14, A::kShowRatings, M::kExact, "showratingsontheserver", "", "showratingsontheserver"},
    {15, A::kRegisterUser, M::kExact, "registeruserontheserver", "", "registeruserontheserver"},
    {16, A::kShowRegisteredUsers, M::kExact, "showregisteredusers", "", "showregisteredusers"},
    {17, A::kSetUserName, M::kExact, "setusername", "", "setusername"},
    {18, A::kGetMoney, M::kExact, "getmoney", "", "getmoney"},
    {18, A::kValidateAnswer, M::kExact, "validateanswer", "", "validateanswer"},
    {18, A::kAdditionalTime, M::kExact, "additionaltime", "", "additionaltime"},
    {19, A::kContextMenu, M::kContains, "contextmenu", "", "contextmenu"},
    {20, A::kBackgroundSound, M::kExact, "bgsound", "", "bgsound"},
    {21, A::kStandardWindow, M::kExact, "standartwin", "", "standartwin"},
    {22, A::kOptions, M::kExact, "options", "", "options"},
    {23, A::kHelp, M::kExact, "help", "", "help"},
    {24, A::kClipPlay, M::kExact, "play", "", "play"},
    {25, A::kClipStop, M::kExact, "stop", "", "stop"},
    {26, A::kClipPause, M::kExact, "pause", "", "pause"},
    {27, A::kClipStepForward, M::kExact, "stepforward", "", "stepforward"},
    {27, A::kClipStepBack, M::kExact, "stepback", "", "stepback"},
    {28, A::kClipFile, M::kVerbContains, "clip", "", "clip"},
    {29, A::kInstallFonts, M::kExact, "installfonts", "", "installfonts"},
    {30, A::kRunGame, M::kVerb, "rungame", "", "rungame"},
    {31, A::kDeleteGame, M::kVerb, "delgame", "", "delgame"},
    {32, A::kScreenNumber, M::kNumber, "", "", "number"},
};

constexpr std::string_view kInertWords[] = {
    "back",    "forward",     "html",       "findnext",       "caseon",   "caseoff",
    "unarc",   "list",        "openpl",     "savepl",         "addsong",  "addallsongs",
    "removesong", "removeallsongs", "nextsong", "prevsong", "nextpic", "prevpic",
};

bool Has(std::string_view text, std::string_view word) { return text.find(word) != std::string_view::npos; }

}  // namespace

std::span<const CommandRule> ShellCommandRules() { return kRules; }

std::string_view CommandVerb(std::string_view command) {
  const std::size_t eq = command.find('=');
  return eq == std::string_view::npos ? std::string_view() : command.substr(0, eq);
}

std::string_view CommandTail(std::string_view command) {
  const std::size_t eq = command.find('=');
  return eq == std::string_view::npos ? std::string_view() : command.substr(eq + 1);
}

bool RuleMatches(const CommandRule& rule, std::string_view command) {
  switch (rule.match) {
    case M::kExact:
      return command == rule.word || (!rule.alternative.empty() && command == rule.alternative);
    case M::kContains:
      return Has(command, rule.word);
    case M::kVerb:
      return CommandVerb(command) == rule.word;
    case M::kVerbContains:
      return Has(CommandVerb(command), rule.word);
    case M::kVerbLowerContains:
      return Has(AsciiLower(CommandVerb(command)), rule.word);
    case M::kNumber:
      return ReadInt(command, 1) != -1;
  }
  return false;
}

const CommandRule* FindCommandRule(std::string_view command) {
  for (const CommandRule& rule : kRules)
    if (RuleMatches(rule, command)) return &rule;
  return nullptr;
}

std::span<const std::string_view> InertCommandWords() { return kInertWords; }

bool IsInertCommandWord(std::string_view command) {
  return std::find(std::begin(kInertWords), std::end(kInertWords), command) != std::end(kInertWords);
}

}  // namespace trv
