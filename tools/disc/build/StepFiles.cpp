#include "disc/build/StepFiles.h"

#include <algorithm>
#include <sstream>

#include "disc/DiscError.h"
#include "disc/DiscFiles.h"
#include "platform/Text.h"

namespace trv::disc {

namespace fs = std::filesystem;

std::vector<fs::path> SourceFiles(const BuildContext& ctx, const std::string& folder,
                                  const std::vector<std::string>& extensions) {
  std::vector<fs::path> files;
  std::error_code ec;
  const fs::path dir = ctx.contentDir / folder;
  if (!fs::is_directory(dir, ec)) return files;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string ext = AsciiLower(it->path().extension().string());
    if (std::find(extensions.begin(), extensions.end(), ext) != extensions.end()) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::optional<std::string> ReadSource(const BuildContext& ctx, const fs::path& file) {
  try {
    const auto bytes = ReadWholeFile(file, 64u << 20);
    return std::string(bytes.begin(), bytes.end());
  } catch (const DiscError& e) {
    ctx.Log(e.what());
    return std::nullopt;
  }
}

void ResetStage(const fs::path& stage) {
  std::error_code ec;
  fs::remove_all(stage, ec);
  fs::create_directories(stage, ec);
}

bool WriteStaged(const BuildContext& ctx, const fs::path& dir, const std::string& windowsName,
                 const std::vector<std::uint8_t>& bytes) {
  std::string relative = windowsName;
  std::replace(relative.begin(), relative.end(), '\\', '/');
  const fs::path target = (dir / relative).lexically_normal();
  const auto rel = target.lexically_relative(dir);
  if (relative.empty() || rel.empty() || *rel.begin() == ".." || fs::path(relative).is_absolute()) {
    ctx.Log("the name " + windowsName + " leaves its folder");
    return false;
  }
  try {
    fs::create_directories(target.parent_path());
    WriteWholeFile(target, bytes);
    return true;
  } catch (const std::exception& e) {
    ctx.Log(std::string("cannot write ") + target.string() + ": " + e.what());
    return false;
  }
}

std::optional<std::string> ToCp1251Lines(const BuildContext& ctx, const std::string& fileName,
                                         const std::string& utf8) {
  std::string out;
  std::istringstream in(utf8);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    bool ok = true;
    out += Utf8ToCp1251(line, &ok);
    if (!ok) {
      ctx.Log(fileName + ":" + std::to_string(number) + ": a character outside code page 1251");
      return std::nullopt;
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace trv::disc
