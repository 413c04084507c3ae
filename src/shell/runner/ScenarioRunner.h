#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/HeadlessPlatform.h"

namespace trv {

// Plays a scenario script on the headless backend: one line per idle moment of
// the event loop, so that everything a step sets off (timers, fades, modal
// loops) runs before the next one. Lines:
//   wait MS | move X Y | click X Y | rclick X Y | down X Y | up X Y [MODS] [@window]
//     (MODS: the modifier keys held, "Shift", "Ctrl", "Alt" joined by "+")
//   key NAME | type TEXT | drop PATH | shot PATH [@window] | close [@window] | dump | quit
//   until TEXT  (the clock runs on until a trace line holds TEXT, at most a
//                virtual hour; a game's steps take as long as its content)
// A modal loop that a step opens plays the following lines until it ends.
// A line that cannot be understood is logged, traced and skipped.
class ScenarioRunner {
 public:
  ScenarioRunner(HeadlessPlatform& platform, std::vector<std::string> lines);

  // Reads a script file (UTF-8); false with a log line when it cannot be read.
  static bool ReadScript(const std::string& nativePath, std::vector<std::string>* lines);

  // What `dump` writes: the shell's visible state as one trace line.
  void SetDumper(std::function<void()> dump) { dump_ = std::move(dump); }

  // Makes the loop's idle moments feed the script; the loop ends after its last line.
  void Install();
  // Runs the next line; false when the script is over.
  bool Step();
  int Errors() const { return errors_; }

 private:
  bool Execute(const std::string& line);
  void Reject(const std::string& line, const std::string& why);

  HeadlessPlatform& platform_;
  std::vector<std::string> lines_;
  std::size_t next_ = 0;
  bool quit_ = false;
  int errors_ = 0;
  std::function<void()> dump_;
  // The `until` line being waited on. It stays the current line while it
  // waits, one slice of time per turn of the loop, so that a dialog's loop
  // started or ended meanwhile goes on waiting for the same text instead of
  // running the lines after it early.
  struct Until {
    std::size_t line = 0;
    std::uint64_t serial = 0;
    std::string text;
    std::uint64_t waited = 0;
    bool seen = false;
  };
  std::optional<Until> until_;
  std::uint64_t untilSerial_ = 0;
};

// The virtual key and shift bits of a key name: "Enter", "Escape", "F1",
// "Alt+F4", "Ctrl+N", "Shift+Left", "A", "7", "Space"... false when unknown.
bool ParseKeyName(const std::string& name, int* virtualKey, unsigned* shift);

}  // namespace trv
