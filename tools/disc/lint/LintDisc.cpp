#include <algorithm>
#include <fstream>
#include <map>

#include "disc/lint/LintParts.h"
#include "platform/Text.h"
#include "script/ScriptLines.h"
#include "store/FileIo.h"

namespace trv::disc {

namespace fs = std::filesystem;
using lint::LintContext;

namespace {

// The archive's directory as the reader left it: entries it had to drop, and
// entries whose bytes lie outside the file.
void CheckDirectory(LintContext& ctx, const TReadBin& archive, const fs::path& native) {
  std::error_code ec;
  const std::uint64_t fileSize = fs::file_size(native, ec);
  if (ec) return;
  std::uint8_t head[2] = {};
  std::ifstream in(native, std::ios::binary);
  const bool counted = bool(in.read(reinterpret_cast<char*>(head), 2));
  if (counted) {
    const std::size_t announced = storeio::Le16(head);
    if (archive.Entries().size() < announced)
      ctx.Error("Mev.dhl", 0,
                "the directory announces " + std::to_string(announced) + " entries, but only " +
                    std::to_string(archive.Entries().size()) + " can be read; the rest are lost");
  }
  std::map<std::string, std::string> seen;
  for (const RBin& e : archive.Entries()) {
    if (e.offset < 0 || e.size < 0 || std::uint64_t(e.offset) + std::uint64_t(e.size) > fileSize)
      ctx.Error("Mev.dhl", 0, "entry " + lint::Q(e.name) + " lies outside the file");
    if (auto [it, fresh] = seen.emplace(Lower1251(e.name), e.name); !fresh)
      ctx.Warning("Mev.dhl", 0, "entry " + lint::Q(e.name) + " repeats " + lint::Q(it->second) + "; only the first is ever read");
  }
}

// Reads a script from the archive into lines, as the windows split them;
// nullopt when the archive does not hold it or cannot give it.
std::optional<TDynamicStringArray> ReadScript(LintContext& ctx, const std::string& name, bool required) {
  const TReadBin& archive = *ctx.Archive();
  std::vector<std::uint8_t> bytes;
  if (!archive.Exists(name)) {
    if (required) ctx.Error("Mev.dhl", 0, "holds no " + name + "; the shell cannot start");
    return std::nullopt;
  }
  if (archive.ReadToBuffer(name, bytes) < 0) {
    ctx.Error("Mev.dhl", 0, name + " cannot be read: its bytes lie outside the archive");
    return std::nullopt;
  }
  if (!IsScrambledScript(bytes)) {
    const auto zero = std::find(bytes.begin(), bytes.end(), 0);
    if (zero != bytes.end())
      ctx.Warning(name, 0,
                  "holds a zero byte at offset " + std::to_string(zero - bytes.begin()) +
                      "; the script ends there and the rest is never read");
  }
  TDynamicStringArray lines;
  SplitLines(bytes.data(), bytes.size(), true, lines);
  std::size_t control = 0, total = 0;
  for (const std::string& l : lines)
    for (unsigned char c : l) {
      ++total;
      if (c < 32 && c != '\t') ++control;
    }
  if (total > 0 && control * 20 > total)
    ctx.Warning(name, 0, "looks like binary data rather than script text");
  return lines;
}

void ScriptNeeded(LintContext& ctx, const std::string& rule, const std::string& script) {
  for (const auto& use : ctx.Shell().usedCommands)
    if (use.rule == rule) {
      ctx.Error(use.file, use.line, "command \"" + rule + "\" shows nothing: Mev.dhl holds no " + script);
      return;
    }
}

}  // namespace

std::vector<LintFinding> LintDisc(const fs::path& discDir) {
  LintContext ctx(discDir);
  std::error_code ec;
  if (!fs::is_directory(discDir, ec)) {
    ctx.Error(discDir.string(), 0, "is not a folder");
    return ctx.TakeFindings();
  }
  const std::string& programDir = ctx.Paths().programDir;

  if (auto native = ctx.FindOnDisc(programDir + "Mev.dhl")) {
    auto archive = std::make_unique<TReadBin>();
    try {
      archive->OpenNative(*native);
      CheckDirectory(ctx, *archive, *native);
      ctx.SetArchive(std::move(archive));
    } catch (const StoreError& e) {
      ctx.Error("Mev.dhl", 0, std::string("cannot be read: ") + e.what());
    }
  } else {
    ctx.Error("Mev.dhl", 0, "the disc folder holds no content archive; the shell cannot start");
  }

  if (auto native = ctx.FindOnDisc(programDir + "interface.dat")) {
    auto tree = std::make_unique<TPackedTree>();
    try {
      if (tree->OpenTreeNative(*native) < 0) {
        ctx.Error("interface.dat", 0, "its directory cannot be read; the shell does not start with a damaged tree");
      } else {
        tree->SetPathPrefix(ComputeRootDir(programDir));
        ctx.SetTree(std::move(tree));
      }
    } catch (const StoreError& e) {
      ctx.Error("interface.dat", 0, std::string("cannot be read: ") + e.what());
    }
  }

  if (ctx.Archive()) {
    if (auto lines = ReadScript(ctx, "Struct.txt", true)) lint::LintShellScript(ctx, *lines);
    if (auto lines = ReadScript(ctx, "Dialog.txt", false)) lint::LintDialogScript(ctx, *lines);
    else if (ctx.Archive()->Exists("Dialog.txt") == false)
      ctx.Warning("Mev.dhl", 0, "holds no Dialog.txt: the game shows no message, result or game table");
    if (auto lines = ReadScript(ctx, "Options.txt", false)) lint::LintOptionsScript(ctx, *lines);
    else ScriptNeeded(ctx, "options", "Options.txt");
    if (auto lines = ReadScript(ctx, "About.txt", false)) lint::LintAboutScript(ctx, *lines);
    else ScriptNeeded(ctx, "about", "About.txt");
  }
  lint::LintQuestionBank(ctx);

  std::vector<LintFinding> findings = ctx.TakeFindings();
  // Files in the order they were first reported, lines in order within each.
  std::map<std::string, std::size_t> rank;
  for (const LintFinding& f : findings) rank.emplace(f.file, rank.size());
  std::stable_sort(findings.begin(), findings.end(), [&](const LintFinding& a, const LintFinding& b) {
    const std::size_t ra = rank[a.file], rb = rank[b.file];
    return ra != rb ? ra < rb : a.line < b.line;
  });
  return findings;
}

std::string FormatFinding(const LintFinding& f) {
  return f.file + ":" + std::to_string(f.line) + ": " + (f.severity == LintSeverity::kError ? "error: " : "warning: ") +
         f.message;
}

bool HasErrors(std::span<const LintFinding> findings) {
  return std::any_of(findings.begin(), findings.end(),
                     [](const LintFinding& f) { return f.severity == LintSeverity::kError; });
}

}  // namespace trv::disc
