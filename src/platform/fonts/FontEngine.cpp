#include "platform/fonts/FontEngine.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/Text.h"
#include "platform/fonts/FontMatch.h"
#include "platform/fonts/FtFont.h"

namespace trv {
namespace {

class FtFontEngine : public FontEngine {
 public:
  FtFontEngine() : library_(std::make_shared<FtLibrary>()) {}

  std::unique_ptr<Font> CreateFont(const FontSpec& wanted) override {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string family = Cp1251ToUtf8(wanted.name);
    const bool bold = wanted.style & kFontBold, italic = wanted.style & kFontItalic;
    const auto key = std::make_tuple(AsciiLower(family), bold, italic);
    auto found = choices_.find(key);
    if (found == choices_.end()) {
      auto choice = MatchFontFile(family, bold, italic);
      if (!choice) {
        Log("fonts", "no scalable face for " + family + ": its text is not drawn");
        return nullptr;
      }
      found = choices_.emplace(key, *choice).first;
    }
    std::shared_ptr<FtFace> face = OpenFace(found->second);
    if (!face) return nullptr;
    return std::make_unique<FtFont>(wanted, std::move(face), found->second);
  }

  bool AddFontFile(const std::string& windowsPath) override {
    const auto native = ResolvePath(windowsPath);
    std::lock_guard<std::mutex> lock(mutex_);
    std::string why = "no such file";
    if (!native || !IsReadableRegularFile(*native, &why)) {
      Log("fonts", "cannot register " + Cp1251ToUtf8(windowsPath) + ": " + why);
      return false;
    }
    const std::string file = native->string();
    if (!FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(file.c_str()))) {
      Log("fonts", "fontconfig refused " + file);
      return false;
    }
    added_.push_back(file);
    choices_.clear();  // a registered family may now answer a name differently
    return true;
  }

  // fontconfig can only drop every application font at once, so the others
  // are registered again.
  bool RemoveFontFile(const std::string& windowsPath) override {
    const auto native = ResolvePath(windowsPath);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!native) return false;
    const auto it = std::find(added_.begin(), added_.end(), native->string());
    if (it == added_.end()) return false;
    added_.erase(it);
    FcConfigAppFontClear(nullptr);
    for (const std::string& file : added_)
      FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(file.c_str()));
    choices_.clear();
    return true;
  }

 private:
  std::shared_ptr<FtFace> OpenFace(const FontFileChoice& choice) {
    const auto key = std::make_pair(choice.file, choice.index);
    if (auto face = faces_[key].lock()) return face;
    auto face = FtFace::Open(library_, choice.file, choice.index);
    faces_[key] = face;
    return face;
  }

  std::mutex mutex_;
  std::shared_ptr<FtLibrary> library_;
  std::map<std::tuple<std::string, bool, bool>, FontFileChoice> choices_;
  std::map<std::pair<std::string, int>, std::weak_ptr<FtFace>> faces_;
  std::vector<std::string> added_;
};

}  // namespace

std::unique_ptr<FontEngine> CreateFontEngine() { return std::make_unique<FtFontEngine>(); }

}  // namespace trv
