// lint: checks a disc folder as the program would read it.
#include <filesystem>

#include "disc/DiscError.h"
#include "disc/VerbArgs.h"
#include "disc/lint/Lint.h"

namespace trv::disc {

namespace {

constexpr VerbInfo kLintVerbs[] = {
    {"lint", "DISC_DIR",
     "check a disc: pictures, sounds and clips the scripts name, commands, screens, lists, the question bank "
     "(FILE:LINE: problem; exit status 1 on an error)",
     VerbLint},
};

}  // namespace

std::span<const VerbInfo> LintVerbs() { return kLintVerbs; }

int VerbLint(const std::vector<std::string>& args, ToolIo& io) {
  const VerbArgs a = ParseVerbArgs(args, 1);
  const std::filesystem::path dir = ArgPath(a.positional[0]);
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) throw DiscError(dir.string() + " is not a folder");
  const std::vector<LintFinding> findings = LintDisc(dir);
  std::size_t errors = 0;
  for (const LintFinding& f : findings) {
    io.out << FormatFinding(f) << "\n";
    if (f.severity == LintSeverity::kError) ++errors;
  }
  io.err << "trivion-disc lint: " << errors << " error" << (errors == 1 ? "" : "s") << ", "
         << findings.size() - errors << " warning" << (findings.size() - errors == 1 ? "" : "s") << "\n";
  return errors > 0 ? 1 : 0;
}

}  // namespace trv::disc
