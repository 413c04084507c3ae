#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "disc/Verbs.h"

// Checks a disc folder (Mev.dhl, interface.dat and the files beside them) the
// way the program reads it: every script through the program's own readers,
// every name they hold looked up where the program would look for it.
namespace trv::disc {

enum class LintSeverity { kError, kWarning };

struct LintFinding {
  std::string file;  // "Struct.txt", "Mev.dhl", "interface.dat/questions.xml", ...
  int line = 0;      // 1-based; 0 when the problem is the file as a whole
  LintSeverity severity = LintSeverity::kError;
  std::string message;  // UTF-8
};

// All findings, sorted by file and line. Never throws for bad content: a
// damaged archive or tree, a missing or binary script are findings too.
std::vector<LintFinding> LintDisc(const std::filesystem::path& discDir);

// "FILE:LINE: error: message" (or "warning:").
std::string FormatFinding(const LintFinding& finding);
bool HasErrors(std::span<const LintFinding> findings);

// `lint DISC_DIR`: the findings on stdout, a count on stderr; exit status 1
// when there was an error.
int VerbLint(const std::vector<std::string>& args, ToolIo& io);
std::span<const VerbInfo> LintVerbs();

}  // namespace trv::disc
