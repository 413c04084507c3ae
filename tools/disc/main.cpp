// trivion-disc: builds and inspects the content files of a disc.
#include <iostream>
#include <string>
#include <vector>

#include "disc/Verbs.h"
#include "disc/build/BuildVerbs.h"
#include "disc/lint/Lint.h"
#include "platform/Log.h"

int main(int argc, char** argv) {
  // The store's warnings (a damaged entry, a cut directory) belong on the
  // terminal of the person running the tool, not in the player's log.
  trv::SetLogFile("/dev/null");
  trv::SetLogSink([](const std::string& line) { std::cerr << "trivion-disc: warning: " << line << "\n"; });

  trv::disc::AddVerbs(trv::disc::BuildVerbs());
  trv::disc::AddVerbs(trv::disc::LintVerbs());
  std::vector<std::string> args(argv + 1, argv + argc);
  trv::disc::ToolIo io{std::cout, std::cerr};
  int status = trv::disc::RunTool(args, io);
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "trivion-disc: cannot write to stdout\n";
    return 1;
  }
  return status;
}
