#pragma once

#include <string>
#include <vector>

#include "disc/build/BuildContext.h"

namespace trv::disc {

// One step: its name, the folders of content/ it reads, a version that is
// raised when the step's own code changes what it makes, and the work.
struct BuildStepInfo {
  std::string name;
  std::vector<std::string> sourceFolders;
  int version = 1;
  bool (*run)(const BuildContext&) = nullptr;
};

// Runs the steps whose sources (every byte of every file under the folders,
// and their names) or version changed since the last successful run, as
// recorded in discDir/.stage/stamps. A failed step is not stamped, so the
// next build tries it again. Returns false when any step failed.
//
// The files a step made straight on the disc (BuildContext::Made) are listed
// in discDir/.stage/made/STEP; after the step succeeds, files of the last
// list that it no longer makes are removed. After a failure the lists are
// merged, so nothing is removed on a recipe that is only broken for now.
bool RunSteps(const BuildContext& ctx, const std::vector<BuildStepInfo>& steps, bool force = false);

// The fingerprint RunSteps compares: FNV-1a 64 over sorted relative names and contents.
std::string FingerprintFolders(const std::filesystem::path& root, const std::vector<std::string>& folders, int version);

}  // namespace trv::disc
