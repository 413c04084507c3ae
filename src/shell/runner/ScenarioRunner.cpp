#include "shell/runner/ScenarioRunner.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/Keys.h"
#include "platform/Log.h"
#include "platform/Png.h"

namespace trv {
namespace {

struct NamedKey {
  const char* name;
  int key;
};

constexpr NamedKey kNamedKeys[] = {
    {"enter", vk::Return},   {"return", vk::Return}, {"escape", vk::Escape}, {"esc", vk::Escape},
    {"tab", vk::Tab},        {"space", vk::Space},   {"backspace", vk::Back}, {"delete", vk::Delete},
    {"insert", vk::Insert},  {"home", vk::Home},     {"end", vk::End},       {"left", vk::Left},
    {"right", vk::Right},    {"up", vk::Up},         {"down", vk::Down},     {"pageup", vk::Prior},
    {"pagedown", vk::Next},  {"pause", vk::Pause},
};

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

bool ParseInt(const std::string& text, long long lo, long long hi, long long* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

// Modifier keys held during a mouse step: "Shift", "Ctrl", "Alt" joined by "+".
bool ParseModifiers(const std::string& text, unsigned* shift) {
  *shift = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t plus = text.find('+', start);
    const std::string mod = Lower(text.substr(start, plus == std::string::npos ? std::string::npos : plus - start));
    if (mod == "alt") *shift |= kAlt;
    else if (mod == "ctrl" || mod == "control") *shift |= kCtrl;
    else if (mod == "shift") *shift |= kShift;
    else return false;
    if (plus == std::string::npos) return true;
    start = plus + 1;
  }
}

}  // namespace

bool ParseKeyName(const std::string& name, int* virtualKey, unsigned* shift) {
  *shift = 0;
  std::string rest = name;
  for (;;) {
    const std::size_t plus = rest.find('+');
    if (plus == std::string::npos || plus + 1 == rest.size()) break;
    const std::string mod = Lower(rest.substr(0, plus));
    if (mod == "alt") *shift |= kAlt;
    else if (mod == "ctrl" || mod == "control") *shift |= kCtrl;
    else if (mod == "shift") *shift |= kShift;
    else return false;
    rest = rest.substr(plus + 1);
  }
  const std::string key = Lower(rest);
  for (const NamedKey& k : kNamedKeys)
    if (key == k.name) return *virtualKey = k.key, true;
  if (key.size() >= 2 && key[0] == 'f') {
    long long n = 0;
    if (ParseInt(key.substr(1), 1, 24, &n)) return *virtualKey = vk::F1 + int(n) - 1, true;
  }
  if (key.size() == 1 && key[0] >= 'a' && key[0] <= 'z') return *virtualKey = vk::KeyA + (key[0] - 'a'), true;
  if (key.size() == 1 && key[0] >= '0' && key[0] <= '9') return *virtualKey = vk::Key0 + (key[0] - '0'), true;
  return false;
}

ScenarioRunner::ScenarioRunner(HeadlessPlatform& platform, std::vector<std::string> lines)
    : platform_(platform), lines_(std::move(lines)) {}

bool ScenarioRunner::ReadScript(const std::string& nativePath, std::vector<std::string>* lines) {
  std::ifstream file(nativePath, std::ios::binary);
  if (!file) {
    Log("scenario", "cannot read the script " + nativePath);
    return false;
  }
  lines->clear();
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(line);
  }
  return true;
}

void ScenarioRunner::Install() {
  platform_.VirtualLoop().SetIdleDriver([this] { return Step(); });
  // Work beside the loop (a score being sent) ends only at an `until` line:
  // the steps before it run in virtual time while it is out.
  platform_.VirtualLoop().SetSettleAtIdle(false);
  platform_.Tracer().Observe([this](const std::string& line) {
    if (until_ && line.find(until_->text) != std::string::npos) until_->seen = true;
  });
}

bool ScenarioRunner::Step() {
  while (!quit_ && next_ < lines_.size()) {
    const std::string& line = lines_[next_++];
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;  // blank lines and comments
    if (!Execute(line.substr(start))) return false;
    return true;
  }
  return false;
}

void ScenarioRunner::Reject(const std::string& line, const std::string& why) {
  ++errors_;
  Log("scenario", "line " + std::to_string(next_) + " \"" + line + "\": " + why);
  platform_.Tracer().Emit("scenario").Int("line", std::int64_t(next_)).Utf8("error", why);
}

bool ScenarioRunner::Execute(const std::string& line) {
  std::string verb, rest;
  {
    const std::size_t space = line.find(' ');
    verb = line.substr(0, space);
    rest = space == std::string::npos ? "" : line.substr(line.find_first_not_of(' ', space));
  }
  // "@window" at the end of a line picks the window; the main one otherwise.
  std::string role = "main";
  std::vector<std::string> words;
  {
    std::istringstream in(rest);
    for (std::string w; in >> w;) words.push_back(w);
    if (!words.empty() && words.back().size() > 1 && words.back()[0] == '@') {
      role = words.back().substr(1);
      words.pop_back();
    }
  }

  if (verb == "quit") {
    quit_ = true;
    return false;
  }
  if (verb == "wait") {
    long long ms = 0;
    if (words.size() != 1 || !ParseInt(words[0], 0, 24LL * 3600 * 1000, &ms)) {
      Reject(line, "wait needs a number of milliseconds");
      return true;
    }
    platform_.VirtualLoop().Advance(std::uint64_t(ms));
    return true;
  }
  if (verb == "until") {
    if (rest.empty()) {
      Reject(line, "until needs a text");
      return true;
    }
    constexpr std::uint64_t kSlice = 10, kLongest = 60 * 60 * 1000;
    const std::size_t here = next_ - 1;
    if (!until_ || until_->line != here) until_ = Until{here, ++untilSerial_, rest, 0, false};
    const std::uint64_t mine = until_->serial;
    next_ = here;  // this line again until its text shows
    // Virtual time never passes an `until` while work is out beside the loop:
    // the runner waits for it in real time, so its result comes at a fixed moment.
    platform_.VirtualLoop().SettleBeside();
    if (!until_ || until_->serial != mine) return true;
    if (!until_->seen && until_->waited < kLongest && !platform_.VirtualLoop().Terminated()) {
      until_->waited += kSlice;
      platform_.VirtualLoop().Advance(kSlice);
      // A loop inside the slice ran this line further and finished it.
      if (!until_ || until_->serial != mine) return true;
      if (!until_->seen && until_->waited < kLongest && !platform_.VirtualLoop().Terminated()) return true;
    }
    const bool seen = until_->seen;
    until_.reset();
    next_ = here + 1;
    if (!seen && !platform_.VirtualLoop().Terminated()) Reject(line, "not traced within an hour");
    return true;
  }
  if (verb == "move" || verb == "click" || verb == "rclick" || verb == "down" || verb == "up") {
    long long x = 0, y = 0;
    unsigned shift = 0;
    if ((words.size() != 2 && words.size() != 3) || !ParseInt(words[0], -100000, 100000, &x) ||
        !ParseInt(words[1], -100000, 100000, &y) || (words.size() == 3 && !ParseModifiers(words[2], &shift))) {
      Reject(line, verb + " needs X Y and at most the modifier keys held (Shift, Ctrl, Alt)");
      return true;
    }
    const Point p{int(x), int(y)};
    using A = HeadlessPlatform::MouseAction;
    // A pointer reaches the spot before it presses there, as a real one does.
    bool delivered = platform_.Mouse(role, A::Move, p, MouseButton::Left, shift);
    if (delivered && verb == "click") delivered = platform_.Click(role, p, MouseButton::Left, shift);
    else if (delivered && verb == "rclick") delivered = platform_.Click(role, p, MouseButton::Right, shift);
    else if (delivered && verb == "down") delivered = platform_.Mouse(role, A::Down, p, MouseButton::Left, shift);
    else if (delivered && verb == "up") delivered = platform_.Mouse(role, A::Up, p, MouseButton::Left, shift);
    if (!delivered) Reject(line, "no visible window \"" + role + "\" takes the mouse there");
    return true;
  }
  if (verb == "key") {
    int key = 0;
    unsigned shift = 0;
    if (words.size() != 1 || !ParseKeyName(words[0], &key, &shift)) {
      Reject(line, "unknown key name");
      return true;
    }
    if (!platform_.KeyPress(role, key, shift)) Reject(line, "no visible window \"" + role + "\"");
    return true;
  }
  if (verb == "type") {
    // "@window" after the text types into that window (a dialog's boxes).
    std::string text = rest;
    if (role != "main" || (text.size() > 5 && text.compare(text.size() - 5, 5, "@main") == 0)) {
      text = text.substr(0, text.rfind('@'));
      text = text.substr(0, text.find_last_not_of(' ') + 1);
    }
    if (!platform_.TypeText(role, text)) Reject(line, "no visible window \"" + role + "\"");
    return true;
  }
  if (verb == "drop") {
    if (rest.empty() || !platform_.DropFiles("main", {rest})) Reject(line, "drop needs a path and a visible main window");
    return true;
  }
  if (verb == "shot") {
    HeadlessWindow* w = platform_.FindWindow(role);
    if (words.size() != 1 || !w) {
      Reject(line, "shot needs a path and an existing window \"" + role + "\"");
      return true;
    }
    if (!WritePng(words[0], w->Presented())) Reject(line, "cannot write " + words[0]);
    return true;
  }
  if (verb == "close") {
    // The window manager's close button, or a close message from elsewhere.
    if (!platform_.RequestClose(role)) Reject(line, "no window \"" + role + "\" to close");
    return true;
  }
  if (verb == "dump") {
    if (dump_) dump_();
    else platform_.Tracer().Emit("state");
    return true;
  }
  Reject(line, "unknown step \"" + verb + "\"");
  return true;
}

}  // namespace trv
