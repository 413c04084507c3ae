#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/Graphics.h"

namespace trv::disc {

// What every step of `trivion-disc build` gets. A step reads its sources
// under contentDir and writes what it makes: files that go on the disc as
// they are (sounds, music, clips, fonts) straight under discDir, entries of
// the content archive under ArchiveStage(step) and files of the packed
// interface tree under TreeStage(step), folders of its own that it may empty
// first. The last steps pack the two stages. A step returns false after
// logging what was wrong; it never throws for bad content.
//
// A step that writes straight under discDir names each file it makes with
// Made(), so that a file whose recipe is gone can be removed afterwards.
struct BuildContext {
  std::filesystem::path contentDir;
  std::filesystem::path discDir;
  FontEngine* fonts = nullptr;  // labels on pictures
  std::function<void(const std::string&)> log;  // UTF-8 lines for the person building
  std::vector<std::filesystem::path>* made = nullptr;  // set by the step runner

  void Made(const std::filesystem::path& file) const {
    if (made) made->push_back(file);
  }

  std::filesystem::path ArchiveStage(const std::string& step) const { return discDir / ".stage" / "archive" / step; }
  std::filesystem::path TreeStage(const std::string& step) const { return discDir / ".stage" / "tree" / step; }
  void Log(const std::string& line) const {
    if (log) log(line);
  }
};

}  // namespace trv::disc
