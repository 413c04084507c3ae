// The Options.txt reader over arbitrary bytes, plain or scrambled (the archive
// holds it scrambled), split into lines the way the options window splits them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "MemRegistry.h"
#include "platform/Log.h"
#include "script/ScriptLines.h"
#include "windows/OptionsScript.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

std::size_t Touch(const std::string& s) { return s.size() + (s.empty() ? 0 : static_cast<unsigned char>(s.back())); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  trv::SetLogFile("/dev/null");  // left-out blocks are logged; keep the disk out of it
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trv;
  const ScriptPaths paths{"C:\\Games\\Quiz\\", "d:\\"};
  TDynamicStringArray lines;
  SplitLines(data, size, true, lines);
  const TOptionsScript s = ReadOptionsScript(lines, paths);
  Check(s.read);

  std::size_t sum = Touch(s.picture);
  for (const RText& t : s.texts) sum += Touch(t.text) + Touch(t.fontStyle);
  for (const RBtn& b : s.buttons) {
    sum += Touch(b.command) + Touch(b.hint) + Touch(b.sound);
    for (const std::string& fn : b.fn) sum += Touch(fn);
  }
  for (const RSwthOne& w : s.singles) sum += Touch(w.goUp) + Touch(w.goDown) + w.on + w.store;
  for (const RSwthGrp& w : s.groups) sum += Touch(w.command) + std::size_t(w.group) + w.on + w.store;
  // Every record starts on a line of its own.
  Check(s.texts.size() + s.buttons.size() + s.singles.size() + s.groups.size() <= lines.size());

  // The stored switch states come back as they were written, after the
  // switches were turned over in between.
  fuzz::MemRegistry settings;
  const std::string key = "SOFTWARE\\VOMAR\\Quiz";
  WriteStoredStates(s, settings, key);
  TOptionsScript turned = s;
  for (RSwthOne& w : turned.singles) w.on = !w.on;
  for (RSwthGrp& w : turned.groups) w.on = !w.on;
  ReadStoredStates(turned, settings, key, StoredRead::kExecute);
  for (std::size_t i = 0; i < s.singles.size(); ++i)
    Check(turned.singles[i].on == (s.singles[i].store ? s.singles[i].on : !s.singles[i].on));
  for (std::size_t i = 0; i < s.groups.size(); ++i)
    Check(turned.groups[i].on == (s.groups[i].store ? s.groups[i].on : !s.groups[i].on));
  volatile std::size_t sink = sum;
  (void)sink;
  return 0;
}
