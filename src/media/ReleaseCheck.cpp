#include "media/ReleaseCheck.h"

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace trv {

bool RunReleaseCheck(Platform& platform, const std::string& programDir) {
  struct Leftover {
    const char* file;
    const char* warning;
  };
  static const Leftover kLeftovers[] = {
      // The warnings are the texts players see; written here in UTF-8.
      {"Struct.txt", "Файл Struct.txt не удален"},
      {"About.txt", "Файл About.txt не удален"},
      {"Dialog.txt", "Файл Dialog.txt не удален"},
      {"Coder.exe", "А зачем тут кодер лежит?"},
  };
  bool clean = true;
  for (const Leftover& l : kLeftovers) {
    if (!ResolvePath(programDir + l.file)) continue;
    clean = false;
    Log("startup", std::string("build file left beside the program: ") + l.file);
    platform.ShowMessageBox("trivion", Utf8ToCp1251(l.warning));
  }
  return clean;
}

void InstallMp3Codec() { Log("codecs", "the MP3 codec is built in here; nothing to install"); }

void InstallMpegDriver() { Log("codecs", "the MPEG video decoder is built in here; nothing to install"); }

}  // namespace trv
