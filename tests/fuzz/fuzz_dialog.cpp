// The Dialog.txt reader over arbitrary bytes, plain or scrambled, split into
// lines the way the game dialog splits them (at CR LF). Pages stay within
// their bound, every page list covers every page, and nothing grows faster
// than the lines.
#include <cstddef>
#include <cstdint>
#include <string>

#include "game/CoolDialogScript.h"
#include "platform/Log.h"
#include "script/ScriptLines.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Folds every string read into a sum so that none of them is dead.
std::size_t Touch(const std::string& s) { return s.size() + (s.empty() ? 0 : static_cast<unsigned char>(s.back())); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  trv::SetLogFile("/dev/null");  // skipped blocks are logged; keep the disk out of it
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trv;
  const ScriptPaths paths{"C:\\Games\\Quiz\\", "d:\\"};
  TDynamicStringArray lines;
  SplitLines(data, size, true, lines);
  const TDialogScript s = ReadDialogScript(lines, paths);

  const std::size_t pages = s.PagePictures.size();
  Check(pages <= std::size_t(kMaxDialogPages) && s.Texts.size() <= std::size_t(kMaxDialogPages));
  Check(s.Buttons.size() == pages && s.Switches.size() == pages && s.Boxes.size() == pages &&
        s.BoxNames.size() == pages);

  std::size_t records = 0, sum = 0;
  for (std::size_t p = 0; p < pages; ++p) {
    sum += Touch(s.PagePictures[p]);
    Check(s.Boxes[p].size() == s.BoxNames[p].size());
    records += s.Buttons[p].size() + s.Switches[p].size() + s.Boxes[p].size();
    for (const RDialogBtn& b : s.Buttons[p]) {
      sum += Touch(b.align) + Touch(b.command) + Touch(b.hint) + Touch(b.sound) + Touch(b.name);
      for (const std::string& fn : b.fn) sum += Touch(fn);
    }
    for (const RSwthGrp& w : s.Switches[p]) sum += Touch(w.command) + Touch(w.hint) + std::size_t(w.group);
    for (std::size_t b = 0; b < s.Boxes[p].size(); ++b) {
      // The boxes of page p answer to the key screen 666 + p.
      Check(s.Boxes[p][b].screen == std::int32_t(p) + 666);
      sum += Touch(s.Boxes[p][b].defaultText) + Touch(s.Boxes[p][b].fontName) + Touch(s.BoxNames[p][b]);
    }
  }
  for (const RText& t : s.Texts) sum += Touch(t.text) + Touch(t.fontName);
  // Every button, switch and box takes a line at least (the text list is as
  // long as the highest page with a text, so it is bounded above instead).
  Check(records <= lines.size());
  volatile std::size_t sink = sum;
  (void)sink;
  return 0;
}
