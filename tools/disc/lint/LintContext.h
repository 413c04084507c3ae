#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disc/lint/KeyWalk.h"
#include "disc/lint/Lint.h"
#include "platform/Paths.h"
#include "script/ExpandPath.h"
#include "script/MyTypes.h"
#include "store/PackedTree.h"
#include "store/ReadBin.h"

namespace trv::disc::lint {

// What the shell script declares that other checks look names up in.
struct ShellFacts {
  bool read = false;                 // Struct.txt was read
  TDynamicStringArray screenPictures;  // by memory screen; its size is the screen count
  std::vector<std::vector<std::int32_t>> popupKinds;  // by memory screen
  std::vector<std::int32_t> treeNumbers;
  std::vector<std::int32_t> selectedTrees;  // numbers that "settree" commands ask for
  struct CommandUse {
    std::string rule;  // the rule's name ("about", "options", ...)
    std::string file;
    int line = 0;
  };
  std::vector<CommandUse> usedCommands;
};

// The disc being checked, the findings so far, and the checks every script
// shares. Names in messages are converted from CP1251.
class LintContext {
 public:
  explicit LintContext(const std::filesystem::path& discDir);

  const std::filesystem::path& DiscDir() const { return discDir_; }
  const ScriptPaths& Paths() const { return paths_; }
  const TReadBin* Archive() const { return archive_.get(); }
  const TPackedTree* Tree() const { return tree_.get(); }
  ShellFacts& Shell() { return shell_; }

  void SetArchive(std::unique_ptr<TReadBin> archive) { archive_ = std::move(archive); }
  void SetTree(std::unique_ptr<TPackedTree> tree) { tree_ = std::move(tree); }

  // `line` is 1-based; 0 for the file as a whole.
  void Error(const std::string& file, int line, const std::string& message);
  void Warning(const std::string& file, int line, const std::string& message);
  std::vector<LintFinding> TakeFindings();

  // A picture read from the archive by its name (case ignored).
  void CheckPicture(const std::string& file, int line, const std::string& what, const std::string& name,
                    const std::string& lookedUp = {});
  // A sound played as ProgramDir + name; "no" and empty are no sound.
  void CheckSound(const std::string& file, int line, const std::string& what, const std::string& name);
  // A file opened by its full path (already through the path rules).
  void CheckDiskFile(const std::string& file, int line, const std::string& what, const std::string& fullPath);
  // A command handed to the shell's command interpreter.
  void CheckShellCommand(const std::string& file, int line, const std::string& what, const std::string& command,
                         std::optional<std::int32_t> screen);
  // A one-based screen number some command or option asks for.
  void CheckScreenNumber(const std::string& file, int line, const std::string& what, std::int64_t number);

  // A bracketed list read from the line of `key` (1-based `keyPos`): one
  // that never closes, that takes in the lines of other lists, or that reads
  // an earlier list of its line instead of its own.
  // True when the list is sound.
  bool CheckList(const std::string& file, const TDynamicStringArray& lines, std::string_view key, int keyPos,
                 const ListPlace& place);

  // The native path of a file the program opens by a Windows path, or nothing.
  std::optional<std::filesystem::path> FindOnDisc(const std::string& windowsPath);
  // A file read through the packed tree, else from the disc folder: its bytes,
  // or nothing. `source` names where it was found; when it was found but
  // could not be read (a damaged tree copy), that is reported here and
  // `source` is not empty.
  std::optional<std::vector<std::uint8_t>> ReadTreeOrDisc(const std::string& name, std::string* source);

 private:
  void Add(const std::string& file, int line, LintSeverity severity, const std::string& message);

  std::filesystem::path discDir_;
  DiscPaths disc_;
  ScriptPaths paths_;
  std::unique_ptr<TReadBin> archive_;
  std::unique_ptr<TPackedTree> tree_;
  ShellFacts shell_;
  std::vector<LintFinding> findings_;
  std::map<std::string, int> perFile_;
  std::map<std::string, std::size_t> cutMarkers_;
  std::map<std::string, std::string> pictures_;  // folded name -> why it cannot be shown, empty when fine
  std::map<std::string, std::optional<std::filesystem::path>> resolved_;
};

// Quoted for a message: the CP1251 text in UTF-8.
std::string Q(std::string_view cp1251);

// Limits, so that a script of binary garbage gives a readable report.
inline constexpr int kMaxFindingsPerFile = 200;

}  // namespace trv::disc::lint
