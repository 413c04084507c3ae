// Dialog.txt, Options.txt and About.txt: their blocks are walked by each
// window's own rules (keys looked for in order, line after line), and the
// pictures, sounds and commands they name are checked like those of Struct.txt.
#include <algorithm>
#include <map>
#include <variant>

#include "disc/lint/KeyWalk.h"
#include "disc/lint/LintParts.h"
#include "platform/Text.h"
#include "script/AboutSchema.h"
#include "script/DialogSchema.h"
#include "script/OptionsSchema.h"
#include "script/ScriptLists.h"
#include "script/ScriptValues.h"

namespace trv::disc::lint {
namespace {

int Line(std::size_t index) { return int(index) + 1; }

// The value of a one-line kind, read from the line at `index`.
template <class Kind>
std::string LineValue(const Kind& kind, const ScriptText& text, std::size_t index, const ScriptPaths& paths) {
  const KeyInfo& value = std::get<KeyInfo>(kind.keys);
  const ScriptText lines = LinesFor(text, kind.search);
  return ReadKey(lines, index, value, KeyPos(lines.search[index], value.key), paths).text;
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
  const TDynamicStringArray lower = LowerLines(lines);
  const ScriptText text{lines, lower};
  std::map<int, std::size_t> pictures;  // page -> line
  std::map<int, std::size_t> texts;
  std::size_t i = 0;
  while (i < lines.size()) {
    const std::size_t at = i;
    const DialogKind* kind = FindKind(DialogKinds(), text, i);
    if (!kind) {
      ++i;
      continue;
    }
    const std::string word(kind->word);
    const int p = ReadInt(lines[i], 1);
    if (p < 1)
      ctx.Error(kDialog, Line(i), word + " block names page " + std::to_string(p) + "; pages count from 1");
    if (kind->id == DialogBlock::kPicture) {
      const std::string name = LineValue(*kind, text, i, ctx.Paths());
      if (auto [it, fresh] = pictures.emplace(p, i); !fresh) it->second = i;
      ctx.CheckPicture(kDialog, Line(i), "page " + std::to_string(p) + " background", name);
      ++i;
      continue;
    }
    BlockValues v = WalkKind(*kind, text, i, ctx.Paths());
    if (kind->id == DialogBlock::kText) texts.emplace(p, at);
    Missing(ctx, kDialog, v, word);
    switch (kind->id) {
      case DialogBlock::kButton:
        for (const KeyValue& kv : v.ignored)
          ctx.Warning(kDialog, Line(kv.line),
                      "\"" + std::string(kv.key) + "\" stands on the line of the block's last key, where it is not read");
        Pictures(ctx, kDialog, v, 3, "button");
        if (const KeyValue* kv = v.Find("fn4"); kv && !kv->value.empty())
          ctx.CheckPicture(kDialog, Line(kv->line), "button fn4", kv->value);
        Sound(ctx, kDialog, v, "button");
        break;
      case DialogBlock::kSwitch: {
        Pictures(ctx, kDialog, v, 4, "switch");
        Sound(ctx, kDialog, v, "switch");
        // A switch that is on runs its command as the page opens.
        const std::string command = AsciiLower(v.Value("go"));
        if (const KeyValue* state = v.Find("state");
            state && AsciiLower(state->value) == "on" && !DialogKeepsOpen(command))
          ctx.Warning(kDialog, Line(state->line),
                      "the switch is on when its page opens, so its command " + Q(command) +
                          " runs at once and closes the dialog");
        break;
      }
      case DialogBlock::kBox:
        Sound(ctx, kDialog, v, "input box");
        break;
      default:
        break;
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
  const TDynamicStringArray lower = LowerLines(lines);
  const ScriptText text{lines, lower};
  bool background = false;
  std::size_t i = 0;
  while (i < lines.size()) {
    const OptionsKind* kind = FindKind(OptionsKinds(), text, i);
    if (!kind) {
      ++i;
      continue;
    }
    if (kind->id == OptionsBlock::kPicture) {
      background = true;
      ctx.CheckPicture(kOptions, Line(i), "the options background", LineValue(*kind, text, i, ctx.Paths()));
      ++i;
      continue;
    }
    const BlockValues v = WalkKind(*kind, text, i, ctx.Paths());
    Missing(ctx, kOptions, v, kind->word);
    switch (kind->id) {
      case OptionsBlock::kButton:
        Pictures(ctx, kOptions, v, 3, "button");
        Sound(ctx, kOptions, v, "button");
        if (const KeyValue* kv = v.Find("go")) {
          const std::string command = AsciiLower(kv->value);
          if (command != "done" && command != "close")
            ctx.Error(kOptions, Line(kv->line),
                      "button command " + Q(command) + " does nothing; the options buttons know \"done\" and \"close\"");
        }
        break;
      case OptionsBlock::kSwitchOne:
        Pictures(ctx, kOptions, v, 4, "switch");
        Sound(ctx, kOptions, v, "switch");
        for (std::string_view key : {"goup", "godown"})
          if (const KeyValue* kv = v.Find(key)) CheckOptionCommand(ctx, *kv);
        break;
      case OptionsBlock::kSwitchGroup:
        Pictures(ctx, kOptions, v, 4, "switch");
        Sound(ctx, kOptions, v, "switch");
        if (const KeyValue* kv = v.Find("go")) CheckOptionCommand(ctx, *kv);
        break;
      default:
        break;
    }
  }
  if (!background) ctx.Error(kOptions, 0, "no _picture line names a background; the options dialog never shows");
}

// ----------------------------------------------------------------- About.txt

namespace {

const std::string kAbout = "About.txt";

}  // namespace

void LintAboutScript(LintContext& ctx, const TDynamicStringArray& lines) {
  const TDynamicStringArray lower = LowerLines(lines);
  const ScriptText text{lines, lower};
  // First pass: the background (the last line that names one wins) and the shape.
  std::optional<std::size_t> pictureLine;
  std::string picture;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (int pos = KeyPos(lower[i], kAboutPicture.key)) {
      pictureLine = i;
      std::size_t at = i;
      picture = ReadKey(text, at, kAboutPicture, pos, ctx.Paths()).text;
    }
    if (KeyPos(lower[i], kAboutShape.key)) {
      const std::size_t start = i;
      std::size_t probe = i;
      try {
        if (ReadVertexList(lines, probe, ctx.Paths()).size() < 3)
          ctx.Warning(kAbout, Line(start), "the vertex list has fewer than three points; the About box stays rectangular");
      } catch (const ScriptError& e) {
        ctx.Error(kAbout, Line(start), std::string("the window shape cannot be read: ") + e.what());
      }
      TDynamicStringArray items;
      ctx.CheckList(kAbout, lines, kAboutShape.key, KeyPos(lower[start], kAboutShape.key),
                    ReadPlacedList(lines, i, items, ctx.Paths()));
    }
  }
  if (!pictureLine) ctx.Error(kAbout, 0, "no line names the \"picture\"; the About box has no size and shows nothing");
  else ctx.CheckPicture(kAbout, Line(*pictureLine), "the About box background", picture);

  // Second pass: the blocks.
  std::size_t i = 0;
  while (i < lines.size()) {
    const AboutKind* kind = FindKind(AboutKinds(), text, i);
    if (!kind) {
      ++i;
      continue;
    }
    const BlockValues v = WalkKind(*kind, text, i, ctx.Paths());
    Missing(ctx, kAbout, v, kind->word);
    for (std::string_view key : {"vx", "vy"})
      if (const KeyValue* kv = v.Find(key); kv && (kv->number < -kAboutMaxCoordinate || kv->number > kAboutMaxCoordinate))
        ctx.Warning(kAbout, Line(kv->line), "\"" + std::string(key) + "\" " + std::to_string(kv->number) +
                                                " lies far outside the box; it is brought to its edge");
    if (kind->id == AboutBlock::kText) {
      if (const KeyValue* kv = v.Find("size"); kv && (kv->number < 1 || kv->number > kAboutMaxFontSize))
        ctx.Warning(kAbout, Line(kv->line), "font size " + std::to_string(kv->number) + " is out of range; " +
                                                std::to_string(kAboutDefaultFontSize) + " is used");
      Sound(ctx, kAbout, v, "link");
      if (AsciiLower(v.Value("idenf")) == "url" && v.Find("value") && Trim(v.Value("value")).empty())
        ctx.Error(kAbout, Line(v.Find("value")->line), "link text has no value: it opens nothing");
    } else {
      Pictures(ctx, kAbout, v, 2, "button");
      Sound(ctx, kAbout, v, "button");
    }
  }
}

}  // namespace trv::disc::lint
