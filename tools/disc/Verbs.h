#pragma once

#include <ostream>
#include <span>
#include <string>
#include <vector>

// The verbs of trivion-disc. Each verb lives in a file of its own
// (Verb<Name>.cpp) and has one row in the table of Verbs.cpp.
namespace trv::disc {

struct ToolIo {
  std::ostream& out;  // the verb's result (bytes or UTF-8 text)
  std::ostream& err;  // messages, UTF-8
};

// Runs one verb with its arguments (UTF-8, as given on the command line);
// returns the exit status. Throws DiscError, UsageError or StoreError to fail.
using VerbFn = int (*)(const std::vector<std::string>& args, ToolIo& io);

struct VerbInfo {
  const char* name;
  const char* arguments;  // for the usage text
  const char* summary;
  VerbFn run;
};

std::span<const VerbInfo> AllVerbs();
// Verbs from libraries this one cannot depend on (the disc build, which
// needs fonts and codecs) are added by the tool's entry point.
void AddVerbs(std::span<const VerbInfo> verbs);

// The tool: `args` are the command-line arguments after the program name.
// Errors go to io.err as one line and give exit status 1.
int RunTool(const std::vector<std::string>& args, ToolIo& io);

int VerbLs(const std::vector<std::string>& args, ToolIo& io);
int VerbCat(const std::vector<std::string>& args, ToolIo& io);
int VerbPng(const std::vector<std::string>& args, ToolIo& io);
int VerbPack(const std::vector<std::string>& args, ToolIo& io);
int VerbTreeLs(const std::vector<std::string>& args, ToolIo& io);
int VerbTreeCat(const std::vector<std::string>& args, ToolIo& io);
int VerbTreePack(const std::vector<std::string>& args, ToolIo& io);
int VerbLines(const std::vector<std::string>& args, ToolIo& io);
int VerbScramble(const std::vector<std::string>& args, ToolIo& io);
int VerbUnscramble(const std::vector<std::string>& args, ToolIo& io);
int VerbDump(const std::vector<std::string>& args, ToolIo& io);
int VerbIcon(const std::vector<std::string>& args, ToolIo& io);

}  // namespace trv::disc
