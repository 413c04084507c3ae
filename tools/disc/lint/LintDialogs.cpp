// Dialog.txt, Options.txt and About.txt: their blocks are walked by each
// window's own rules (keys looked for in order, line after line), and the
// pictures, sounds and commands they name are checked like those of Struct.txt.
#include <algorithm>
#include <map>

#include "disc/lint/KeyWalk.h"
#include "disc/lint/LintParts.h"
#include "platform/Text.h"
#include "script/ScriptLists.h"
#include "script/ScriptValues.h"

namespace trv::disc::lint {
namespace {

constexpr ValueKind I = ValueKind::kInt;
constexpr ValueKind T = ValueKind::kText;
constexpr ValueKind R = ValueKind::kTextRightAfter;
constexpr ValueKind P = ValueKind::kPath;
constexpr ValueKind N = ValueKind::kNone;

int Line(std::size_t index) { return int(index) + 1; }

// These windows look for their words in the line with its ASCII letters in
// lower case and read values from the line as written.
TDynamicStringArray Lowered(const TDynamicStringArray& lines) {
  TDynamicStringArray lowered;
  lowered.reserve(lines.size());
  for (const std::string& l : lines) lowered.push_back(AsciiLower(l));
  return lowered;
}

void Missing(LintContext& ctx, const std::string& file, const BlockValues& v, std::string_view word) {
  if (!v.missing.empty())
    ctx.Error(file, Line(v.firstLine),
              std::string(word) + " block has no \"" + std::string(v.missing) + "\" before the end of the script");
}

void Pictures(LintContext& ctx, const std::string& file, const BlockValues& v, int count, const std::string& what) {
  for (int i = 1; i <= count; ++i)
    if (const KeyValue* kv = v.Find("fn" + std::to_string(i)))
      ctx.CheckPicture(file, Line(kv->line), what + " fn" + std::to_string(i), kv->value);
}

void Sound(LintContext& ctx, const std::string& file, const BlockValues& v, const std::string& what) {
  if (const KeyValue* kv = v.Find("wav")) ctx.CheckSound(file, Line(kv->line), what, kv->value);
}

// ---------------------------------------------------------------- Dialog.txt

const std::string kDialog = "Dialog.txt";

constexpr KeySpec kDialogText[] = {{"vx", I},   {"vy", I},    {"vw", I},    {"font", T},
                                   {"size", I}, {"style", T}, {"color", N}, {"value", T}};
constexpr KeySpec kDialogButton[] = {{"vx", I},  {"vy", I},  {"align", T}, {"fn1", T}, {"fn2", T},
                                     {"fn3", T}, {"go=", R}, {"hint", T},  {"wav", T}};
constexpr KeySpec kDialogButtonOptional[] = {{"name", T}, {"fn4", T}};
constexpr KeySpec kDialogSwitch[] = {{"vx", I},    {"vy", I},    {"fn1", T},   {"fn2", T},
                                     {"fn3", T},   {"fn4", T},   {"state", T}, {"store", T},
                                     {"group", I}, {"go", P},    {"hint", T},  {"wav", T}};
constexpr KeySpec kDialogBox[] = {{"vx", I},           {"vy", I},    {"vw", I},         {"vh", I},
                                  {"pathdef", T},      {"hint", T},  {"textfontname", T}, {"textfontstyle", T},
                                  {"textfontcolor", N}, {"bgcolor", N}, {"name", T},     {"wav", T}};

// Pages the program shows, by script page, and what for.
struct NeededPage {
  int page;
  const char* purpose;
  bool error;  // a warning when only an installation command needs it
};
constexpr NeededPage kNeededPages[] = {
    {1, "the \"game not installed\" message", false},
    {3, "the result that may be sent", true},
    {4, "the result that is not sent", true},
    {5, "messages with one button", true},
    {6, "yes/no questions", true},
    {7, "the game table", true},
};

// The dialog's own command words; anything else closes it with result 2.
bool DialogKeepsOpen(const std::string& command) { return command == "help" || command == "sendresults"; }

}  // namespace

void LintDialogScript(LintContext& ctx, const TDynamicStringArray& lines) {
  const TDynamicStringArray lower = Lowered(lines);
  const ScriptText keysInLower{lines, lower};
  const ScriptText keysAsWritten{lines, lines};
  std::map<int, std::size_t> pictures;  // page -> line
  std::map<int, std::size_t> texts;
  std::size_t i = 0;
  auto page = [&](std::size_t line) { return ReadInt(lines[line], 1); };
  auto checkPage = [&](int p, std::size_t line, std::string_view word) {
    if (p < 1)
      ctx.Error(kDialog, Line(line), std::string(word) + " block names page " + std::to_string(p) + "; pages count from 1");
  };
  while (i < lines.size()) {
    const std::size_t at = i;
    if (int pos = KeyPos(lower[i], "_picture")) {
      const int p = page(i);
      checkPage(p, i, "_picture");
      // The picture follows the word "picture" and its "=".
      const std::string name = ReadText(lines[i], pos + 1 + 7 + 1);
      if (auto [it, fresh] = pictures.emplace(p, i); !fresh) it->second = i;
      ctx.CheckPicture(kDialog, Line(i), "page " + std::to_string(p) + " background", name);
      ++i;
    } else if (KeyPos(lower[i], "_text")) {
      const int p = page(i);
      checkPage(p, i, "_text");
      BlockValues v = WalkBlock(keysInLower, i, kDialogText, {}, ctx.Paths());
      texts.emplace(p, at);
      Missing(ctx, kDialog, v, "_text");
    } else if (KeyPos(lower[i], "_button")) {
      const int p = page(i);
      checkPage(p, i, "_button");
      BlockValues v = WalkBlock(keysInLower, i, kDialogButton, kDialogButtonOptional, ctx.Paths());
      Missing(ctx, kDialog, v, "_button");
      for (const KeyValue& kv : v.ignored)
        ctx.Warning(kDialog, Line(kv.line),
                    "\"" + std::string(kv.key) + "\" stands on the line of the block's last key, where it is not read");
      Pictures(ctx, kDialog, v, 3, "button");
      if (const KeyValue* kv = v.Find("fn4"); kv && !kv->value.empty())
        ctx.CheckPicture(kDialog, Line(kv->line), "button fn4", kv->value);
      Sound(ctx, kDialog, v, "button");
    } else if (KeyPos(lower[i], "switchgrp")) {
      const int p = page(i);
      checkPage(p, i, "switchgrp");
      BlockValues v = WalkBlock(keysInLower, i, kDialogSwitch, {}, ctx.Paths());
      Missing(ctx, kDialog, v, "switchgrp");
      Pictures(ctx, kDialog, v, 4, "switch");
      Sound(ctx, kDialog, v, "switch");
      // A switch that is on runs its command as the page opens.
      const std::string command = AsciiLower(v.Value("go"));
      if (const KeyValue* state = v.Find("state");
          state && AsciiLower(state->value) == "on" && !DialogKeepsOpen(command))
        ctx.Warning(kDialog, Line(state->line),
                    "the switch is on when its page opens, so its command " + Q(command) +
                        " runs at once and closes the dialog");
    } else if (KeyPos(lines[i], "_path")) {
      const int p = page(i);
      checkPage(p, i, "_path");
      BlockValues v = WalkBlock(keysAsWritten, i, kDialogBox, {}, ctx.Paths());
      Missing(ctx, kDialog, v, "_path");
      Sound(ctx, kDialog, v, "input box");
    } else {
      ++i;
    }
  }
  for (const NeededPage& need : kNeededPages) {
    auto report = [&](const std::string& message) {
      if (need.error) ctx.Error(kDialog, 0, message);
      else ctx.Warning(kDialog, 0, message);
    };
    const std::string what = "page " + std::to_string(need.page) + " (" + need.purpose + ")";
    if (!pictures.count(need.page)) report(what + " has no _picture line; the dialog shows nothing for it");
    else if (!texts.count(need.page)) report(what + " has no _text block");
  }
}

// --------------------------------------------------------------- Options.txt

namespace {

const std::string kOptions = "Options.txt";

constexpr KeySpec kOptionsText[] = {{"vx", I},   {"vy", I},    {"vw", I},    {"font", T},
                                    {"size", I}, {"style", T}, {"color", N}, {"value", T}};
constexpr KeySpec kOptionsButton[] = {{"vx", I},  {"vy", I}, {"fn1", T},  {"fn2", T},
                                      {"fn3", T}, {"go", T}, {"hint", T}, {"wav", T}};
constexpr KeySpec kOptionsSwitchOne[] = {{"vx", I},   {"vy", I},     {"fn1", T},  {"fn2", T},
                                         {"fn3", T},  {"fn4", T},    {"state", T}, {"store", T},
                                         {"goup", P}, {"godown", P}, {"hint", T}, {"wav", T}};
constexpr KeySpec kOptionsSwitchGroup[] = {{"vx", I},    {"vy", I},  {"fn1", T},  {"fn2", T},
                                           {"fn3", T},   {"fn4", T}, {"state", T}, {"store", T},
                                           {"group", I}, {"go", P},  {"hint", T}, {"wav", T}};

constexpr std::string_view kOptionWords[] = {
    "storevisitedhtmlon",       "storevisitedhtmloff",       "onsoundbtn",        "offsoundbtn",
    "onbgsound",                "offbgsound",                "onsendresultsontheserver",
    "offsendresultsontheserver", "onquizmastervoice",        "offquizmastervoice", "ongametable",
    "offgametable",
};

void CheckOptionCommand(LintContext& ctx, const KeyValue& kv) {
  // Commands are compared in lower case.
  const std::string command = AsciiLower(kv.value);
  if (Trim(command).empty() || command == "no") return;
  const int line = Line(kv.line);
  if (command.find("startscreen") != std::string::npos) {
    ctx.CheckScreenNumber(kOptions, line, "option " + Q(command), ReadInt(command, 12));
    return;
  }
  if (std::find(std::begin(kOptionWords), std::end(kOptionWords), command) == std::end(kOptionWords))
    ctx.Error(kOptions, line, "option command " + Q(command) + " is no option; it does nothing");
}

}  // namespace

void LintOptionsScript(LintContext& ctx, const TDynamicStringArray& lines) {
  const TDynamicStringArray lower = Lowered(lines);
  const ScriptText text{lines, lower};
  bool background = false;
  std::size_t i = 0;
  while (i < lines.size()) {
    if (int pos = KeyPos(lower[i], "_picture")) {
      background = true;
      ctx.CheckPicture(kOptions, Line(i), "the options background", ReadText(lines[i], pos + 8 + 1));
      ++i;
    } else if (KeyPos(lower[i], "_text")) {
      Missing(ctx, kOptions, WalkBlock(text, i, kOptionsText, {}, ctx.Paths()), "_text");
    } else if (KeyPos(lower[i], "_button")) {
      BlockValues v = WalkBlock(text, i, kOptionsButton, {}, ctx.Paths());
      Missing(ctx, kOptions, v, "_button");
      Pictures(ctx, kOptions, v, 3, "button");
      Sound(ctx, kOptions, v, "button");
      if (const KeyValue* kv = v.Find("go")) {
        const std::string command = AsciiLower(kv->value);
        if (command != "done" && command != "close")
          ctx.Error(kOptions, Line(kv->line),
                    "button command " + Q(command) + " does nothing; the options buttons know \"done\" and \"close\"");
      }
    } else if (KeyPos(lower[i], "switchone")) {
      BlockValues v = WalkBlock(text, i, kOptionsSwitchOne, {}, ctx.Paths());
      Missing(ctx, kOptions, v, "switchone");
      Pictures(ctx, kOptions, v, 4, "switch");
      Sound(ctx, kOptions, v, "switch");
      for (std::string_view key : {"goup", "godown"})
        if (const KeyValue* kv = v.Find(key)) CheckOptionCommand(ctx, *kv);
    } else if (KeyPos(lower[i], "switchgrp")) {
      BlockValues v = WalkBlock(text, i, kOptionsSwitchGroup, {}, ctx.Paths());
      Missing(ctx, kOptions, v, "switchgrp");
      Pictures(ctx, kOptions, v, 4, "switch");
      Sound(ctx, kOptions, v, "switch");
      if (const KeyValue* kv = v.Find("go")) CheckOptionCommand(ctx, *kv);
    } else {
      ++i;
    }
  }
  if (!background) ctx.Error(kOptions, 0, "no _picture line names a background; the options dialog never shows");
}

// ----------------------------------------------------------------- About.txt

namespace {

const std::string kAbout = "About.txt";

constexpr KeySpec kAboutButton[] = {{"vx", I}, {"vy", I}, {"fn1", T}, {"fn2", T}, {"hint", T}, {"wav", T}};
constexpr KeySpec kAboutText[] = {{"vx", I},    {"vy", I},    {"font", T},  {"size", I}, {"style", T},
                                  {"color", N}, {"value", T}, {"idenf", T}, {"wav", T}};

}  // namespace

void LintAboutScript(LintContext& ctx, const TDynamicStringArray& lines) {
  const TDynamicStringArray lower = Lowered(lines);
  // First pass: the background (the last line that names one wins) and the shape.
  std::optional<std::size_t> pictureLine;
  std::string picture;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (int pos = KeyPos(lower[i], "picture")) {
      pictureLine = i;
      picture = ReadText(lines[i], pos + 7 + 1);
    }
    if (KeyPos(lower[i], "vertex")) {
      const std::size_t start = i;
      std::size_t probe = i;
      try {
        ReadVertexList(lines, probe, ctx.Paths());
      } catch (const ScriptError& e) {
        ctx.Error(kAbout, Line(start), std::string("the window shape cannot be read: ") + e.what());
      }
      TDynamicStringArray items;
      ctx.CheckList(kAbout, lines, "vertex", KeyPos(lower[start], "vertex"), ReadPlacedList(lines, i, items, ctx.Paths()));
    }
  }
  if (!pictureLine) ctx.Error(kAbout, 0, "no line names the \"picture\"; the About box has no size and shows nothing");
  else ctx.CheckPicture(kAbout, Line(*pictureLine), "the About box background", picture);

  // Second pass: the blocks.
  const ScriptText text{lines, lower};
  std::size_t i = 0;
  while (i < lines.size()) {
    if (KeyPos(lower[i], "text")) {
      BlockValues v = WalkBlock(text, i, kAboutText, {}, ctx.Paths());
      Missing(ctx, kAbout, v, "text");
      Sound(ctx, kAbout, v, "link");
      if (AsciiLower(v.Value("idenf")) == "url" && v.Find("value") && Trim(v.Value("value")).empty())
        ctx.Error(kAbout, Line(v.Find("value")->line), "link text has no value: it opens nothing");
    } else if (KeyPos(lower[i], "button")) {
      BlockValues v = WalkBlock(text, i, kAboutButton, {}, ctx.Paths());
      Missing(ctx, kAbout, v, "button");
      Pictures(ctx, kAbout, v, 2, "button");
      Sound(ctx, kAbout, v, "button");
    } else {
      ++i;
    }
  }
}

}  // namespace trv::disc::lint
