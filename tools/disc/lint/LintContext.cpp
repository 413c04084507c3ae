#include "disc/lint/LintContext.h"

#include <algorithm>
#include <charconv>

#include "platform/Bmp.h"
#include "platform/Text.h"
#include "script/CommandRules.h"
#include "script/ScriptValues.h"

namespace trv::disc::lint {

namespace fs = std::filesystem;

namespace {

// Largest file the checks read whole (pictures, the question bank).
constexpr std::uint64_t kMaxRead = 256u << 20;

bool WholeNumber(std::string_view text) {
  std::int32_t v = 0;
  const std::string t = Trim(text);
  const char* b = t.data();
  const char* e = t.data() + t.size();
  if (b != e && *b == '+') ++b;
  if (b == e) return false;
  auto [ptr, ec] = std::from_chars(b, e, v);
  return ec == std::errc() && ptr == e;
}

}  // namespace

std::string Q(std::string_view cp1251) { return "\"" + Cp1251ToUtf8(cp1251) + "\""; }

LintContext::LintContext(const fs::path& discDir) : discDir_(discDir), disc_(ComputeDiscPaths(discDir)) {
  paths_ = {disc_.programDir, disc_.cdRoot};
}

void LintContext::Add(const std::string& file, int line, LintSeverity severity, const std::string& message) {
  if (++perFile_[file] <= kMaxFindingsPerFile) {
    findings_.push_back({file, line, severity, message});
    return;
  }
  auto [it, fresh] = cutMarkers_.emplace(file, findings_.size());
  if (fresh)
    findings_.push_back({file, 0, LintSeverity::kWarning,
                         "more than " + std::to_string(kMaxFindingsPerFile) + " problems; the rest are not shown"});
  // An error past the cut still fails the disc.
  if (severity == LintSeverity::kError) findings_[it->second].severity = LintSeverity::kError;
}

void LintContext::Error(const std::string& file, int line, const std::string& message) {
  Add(file, line, LintSeverity::kError, message);
}

void LintContext::Warning(const std::string& file, int line, const std::string& message) {
  Add(file, line, LintSeverity::kWarning, message);
}

std::vector<LintFinding> LintContext::TakeFindings() { return std::move(findings_); }

void LintContext::CheckPicture(const std::string& file, int line, const std::string& what, const std::string& name,
                               const std::string& lookedUp) {
  if (Trim(name).empty()) {
    Error(file, line, what + " names no picture");
    return;
  }
  if (!archive_) return;  // the archive itself was reported
  const std::string key = lookedUp.empty() ? name : lookedUp;
  const std::string shown = Q(name) + (key != name ? " (looked up as " + Q(key) + ")" : "");
  std::vector<std::uint8_t> bytes;
  if (!archive_->Exists(key)) {
    Error(file, line, what + " picture " + shown + " is not in Mev.dhl");
    return;
  }
  const std::string folded = Lower1251(key);
  auto [it, fresh] = pictures_.emplace(folded, std::string());
  if (fresh) {
    if (archive_->ReadToBuffer(key, bytes) < 0) {
      it->second = "its bytes lie outside Mev.dhl";
    } else {
      std::string why;
      if (!DecodeBmp(bytes, &why)) it->second = "it is not a readable bitmap: " + why;
    }
  }
  if (!it->second.empty()) Error(file, line, what + " picture " + shown + " cannot be shown: " + it->second);
}

std::optional<fs::path> LintContext::FindOnDisc(const std::string& windowsPath) {
  auto [it, fresh] = resolved_.emplace(windowsPath, std::nullopt);
  if (fresh) {
    auto native = ResolvePath(windowsPath);
    std::error_code ec;
    if (native && fs::is_regular_file(*native, ec)) it->second = *native;
  }
  return it->second;
}

namespace {

// A path under the disc folder is shown relative to it.
std::string Shown(const std::string& fullPath, const std::string& programDir) {
  if (fullPath.size() > programDir.size() && EqualsNoCase1251(fullPath.substr(0, programDir.size()), programDir))
    return Q(fullPath.substr(programDir.size()));
  return Q(fullPath);
}

}  // namespace

void LintContext::CheckSound(const std::string& file, int line, const std::string& what, const std::string& name) {
  if (name.empty() || name == "no") return;
  if (!FindOnDisc(paths_.programDir + name))
    Error(file, line, what + " sound " + Q(name) + " is not on the disc (beside Mev.dhl)");
}

void LintContext::CheckDiskFile(const std::string& file, int line, const std::string& what,
                                const std::string& fullPath) {
  if (Trim(fullPath).empty()) {
    Error(file, line, what + " names no file");
    return;
  }
  if (!FindOnDisc(fullPath)) Error(file, line, what + " " + Shown(fullPath, paths_.programDir) + " is not on the disc");
}

void LintContext::CheckScreenNumber(const std::string& file, int line, const std::string& what, std::int64_t number) {
  if (!shell_.read) return;
  const auto count = std::int64_t(shell_.screenPictures.size());
  if (number < 1 || number > count) {
    Error(file, line,
          what + " names screen " + std::to_string(number) + ", but " +
              (count == 0 ? std::string("Struct.txt declares no screen")
                          : "the screens of Struct.txt run from 1 to " + std::to_string(count)));
  } else if (Trim(shell_.screenPictures[std::size_t(number - 1)]).empty()) {
    Error(file, line, what + " names screen " + std::to_string(number) + ", which has no _screen picture");
  }
}

void LintContext::CheckShellCommand(const std::string& file, int line, const std::string& what,
                                    const std::string& command, std::optional<std::int32_t> screen) {
  // "no" and an empty command are the scripts' way of saying "nothing".
  if (Trim(command).empty() || command == "no") return;
  const std::string shown = what + " " + Q(command);
  const CommandRule* rule = FindCommandRule(command);
  if (!rule) {
    if (IsInertCommandWord(command)) {
      Error(file, line, shown + " is a shell keyword that no command acts on; it does nothing");
      return;
    }
    std::string hint;
    for (const CommandRule& r : ShellCommandRules()) {
      const std::string_view verb = CommandVerb(command);
      if (!r.word.empty() && (EqualsNoCaseAscii(command, r.word) || EqualsNoCaseAscii(verb, r.word) ||
                              (!r.alternative.empty() && EqualsNoCaseAscii(command, r.alternative)))) {
        hint = " (commands are case-sensitive; \"" + std::string(EqualsNoCaseAscii(command, r.alternative) && !r.alternative.empty() ? r.alternative : r.word) + "\"?)";
        break;
      }
    }
    Error(file, line, shown + " matches no rule of the command interpreter; it does nothing" + hint);
    return;
  }
  shell_.usedCommands.push_back({std::string(rule->name), file, line});
  switch (rule->action) {
    case CommandAction::kScreen: {
      if (!SecondArgument(command, paths_).empty() && !WholeNumber(FirstArgument(command, paths_))) {
        Error(file, line, shown + " has a second argument, so its first must be a tree number; it does nothing");
        return;
      }
      CheckScreenNumber(file, line, shown, ReadInt(CommandVerb(command), 1));
      break;
    }
    case CommandAction::kScreenNumber:
      CheckScreenNumber(file, line, shown, ReadInt(command, 1));
      break;
    case CommandAction::kClipFile: {
      const std::string clip = FirstArgument(command, paths_);
      if (Trim(clip).empty()) Error(file, line, shown + " names no clip file");
      else if (!FindOnDisc(clip)) Error(file, line, shown + " plays " + Shown(clip, paths_.programDir) + ", which is not on the disc");
      break;
    }
    case CommandAction::kSelectTree: {
      const std::int32_t n = ReadInt(command, 4);
      shell_.selectedTrees.push_back(n);
      const auto& numbers = shell_.treeNumbers;
      if (shell_.read && std::find(numbers.begin(), numbers.end(), n) == numbers.end())
        Error(file, line, shown + " selects tree number " + std::to_string(n) + ", which no _tree block has");
      break;
    }
    case CommandAction::kContextMenu: {
      if (!screen || !shell_.read) break;
      const std::int32_t n = ReadInt(command, 11);
      if (n == -1) {
        Warning(file, line, shown + " asks for popup kind -1 (historyback), which is never shown");
        break;
      }
      const std::int32_t kind = n == -4 ? -3 : n;
      const auto s = std::size_t(*screen);
      const bool has = s < shell_.popupKinds.size() && std::find(shell_.popupKinds[s].begin(),
                                                                 shell_.popupKinds[s].end(),
                                                                 kind) != shell_.popupKinds[s].end();
      if (!has)
        Error(file, line,
              shown + " asks for popup " + std::to_string(kind) + ", which screen " + std::to_string(s + 1) +
                  " has no _popup of; it does nothing");
      break;
    }
    default:
      break;
  }
}

bool LintContext::CheckList(const std::string& file, const TDynamicStringArray& lines, std::string_view key,
                            int keyPos, const ListPlace& place) {
  const std::string k = "\"" + std::string(key) + "\"";
  const int first = int(place.firstLine) + 1;
  if (!place.bracket) {
    Warning(file, first, k + " has no \"[\" list on its line; it reads as empty");
    return false;
  }
  if (keyPos > 0 && place.bracketPos + 1 < std::size_t(keyPos)) {
    Error(file, first,
          k + " reads the first \"[\" list of its line, which stands before it, not its own; each list needs a "
              "line of its own");
    return false;
  }
  if (!place.closed) {
    Error(file, first, "the list of " + k + " opened here never closes; it runs to the end of the script");
    return false;
  }
  // ReadList knows no "[" after its first: a list that meets one has run
  // into the lines of another.
  for (std::size_t l = place.firstLine + 1; l <= place.lastLine && l < lines.size(); ++l)
    if (lines[l].find('[') != std::string::npos) {
      Error(file, first,
            "the list of " + k + " opened here has no \"]\" before line " + std::to_string(l + 1) +
                ", where another list opens; it takes in every line up to line " + std::to_string(place.lastLine + 1));
      return false;
    }
  return true;
}

std::optional<std::vector<std::uint8_t>> LintContext::ReadTreeOrDisc(const std::string& name, std::string* source) {
  if (tree_ && tree_->IsOpen()) {
    const int index = tree_->FindFile(name);
    if (index >= 0) {
      TMemoryStream stream;
      const int r = tree_->ReadEntry(index, stream);
      if (source) *source = "interface.dat/" + Cp1251ToUtf8(name);
      if (r == 0) return std::move(stream.Bytes());
      Error("interface.dat", 0, "the tree's copy of " + Q(name) + " is damaged");
      return std::nullopt;
    }
  }
  // The program opens a name the tree lacks relative to its working folder,
  // which is the disc folder when it is started from there.
  const bool absolute = name.find(":\\") != std::string::npos || (!name.empty() && (name[0] == '\\' || name[0] == '/'));
  auto native = FindOnDisc(absolute ? name : paths_.programDir + name);
  if (!native) return std::nullopt;
  std::string error;
  auto bytes = ReadNativeFile(*native, kMaxRead, &error);
  if (source) *source = native->lexically_relative(discDir_).generic_string();
  if (!bytes) Error(source ? *source : Cp1251ToUtf8(name), 0, "cannot be read: " + error);
  return bytes;
}

}  // namespace trv::disc::lint
