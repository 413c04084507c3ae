#pragma once

#include <span>
#include <string_view>

// The rule table of the shell's command interpreter, as data.
//
// A command is a short text from a script or from the program itself. The
// interpreter has no grammar: it tries its rules one after another, in the
// fixed order of ShellCommandRules(), and the first rule that recognises the
// command decides what it does. The order is part of the language: for
// example "screen2=1=settree" is a screen command, not a tree command, because
// the screen rule comes first.
//
// Parts of a command (positions count from 1):
// - verb: the text before the first "="; empty when the command holds no "=";
// - tail: the text after the first "=".
// All comparisons are byte for byte, so letter case matters ("Exit" is not
// "exit"), except for the screen rule, which lower-cases the verb's ASCII
// letters first ("Screen2=store" is a screen command).
namespace trv {

enum class CommandMatch {
  kExact,              // the whole command equals one of the rule's words
  kContains,           // the word occurs anywhere in the command
  kVerb,               // the verb equals the word
  kVerbContains,       // the word occurs in the verb
  kVerbLowerContains,  // the word occurs in the verb after ASCII lower-casing
  kNumber,             // the command holds a number: ReadInt from position 1 is not -1
};

// What the interpreter does for a rule.
enum class CommandAction {
  kExit,                 // close the shell, remember the exit button
  kPlayWavOnly,          // only the element's sound plays
  kScreen,               // screen command: target in the verb, optional tree and switch arguments
  kRun,                  // run=http://... opens a page, run=file=parameters starts a program
  kAbout,                // the About box
  kMinimize,             // minimise the application
  kSelectTree,           // show tree number ReadInt(command, 4) of the current screen
  kShowTree,             // show the current tree again
  kHideTree,             // hide the current tree
  kNextScreen,           // next screen; on the registration screen, register and start the game
  kWriteLetter,          // mail to the support address, the tail is the error text
  kShowRatings,          // the score server's ratings page for the typed name
  kRegisterUser,         // the score server's registration page
  kShowRegisteredUsers,  // the popup list of registered players
  kSetUserName,          // close the popup list of players
  kGetMoney,             // game: take the points
  kValidateAnswer,       // game: judge the typed answer
  kAdditionalTime,       // game: the extra-minute hint
  kContextMenu,          // popup ReadInt(command, 11) at the mouse
  kBackgroundSound,      // background music on or off
  kStandardWindow,       // turn the shell into the standard window
  kOptions,              // the options dialog
  kHelp,                 // as the F1 key
  kClipPlay,             // clip player: play
  kClipStop,             // clip player: stop
  kClipPause,            // clip player: pause or resume
  kClipStepForward,      // clip player: 10 seconds forward
  kClipStepBack,         // clip player: 10 seconds back
  kClipFile,             // clip player: play FirstArgument of the command
  kInstallFonts,         // install the product's fonts
  kRunGame,              // rungame=fallback=subkey: start an installed game
  kDeleteGame,           // delgame=subkey: uninstall a game
  kScreenNumber,         // the first number of the command is a screen to switch to
};

struct CommandRule {
  int step;  // the interpreter's step number; rules of one step share it
  CommandAction action;
  CommandMatch match;
  // The rule's word; `alternative` is a second exact word of the same rule
  // ("startgame" beside "2loadhtml"), empty for the others.
  std::string_view word;
  std::string_view alternative;
  std::string_view name;  // for messages: the word, or "number" for the last rule
};

// Every rule in the order the interpreter tries them. The last rule takes any
// command that holds a number; a command that reaches it without one does
// nothing.
std::span<const CommandRule> ShellCommandRules();

// The first rule that recognises `command`, or nullptr when none does (the
// command reaches the last step without a number and does nothing).
const CommandRule* FindCommandRule(std::string_view command);

// True when `rule` recognises `command` on its own, whatever comes before it.
bool RuleMatches(const CommandRule& rule, std::string_view command);

std::string_view CommandVerb(std::string_view command);
std::string_view CommandTail(std::string_view command);

// Words of the shell's keyword table that no rule acts on ("back",
// "unarc", "openpl", ...): as commands they do nothing.
std::span<const std::string_view> InertCommandWords();
bool IsInertCommandWord(std::string_view command);

}  // namespace trv
