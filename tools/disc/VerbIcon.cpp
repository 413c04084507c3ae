// icon: the disc's application icon (the `icon=` picture of Struct.txt) as a
// square PNG of a given size, for the desktop's icon theme.
#include <charconv>
#include <filesystem>
#include <string>
#include <vector>

#include "disc/DiscError.h"
#include "disc/DiscFiles.h"
#include "disc/PictureScale.h"
#include "disc/VerbArgs.h"
#include "disc/Verbs.h"
#include "platform/Bmp.h"
#include "platform/Paths.h"
#include "platform/Png.h"
#include "platform/Text.h"
#include "script/HeaderPass.h"
#include "script/ScriptLines.h"
#include "script/ScriptLists.h"
#include "store/ReadBin.h"

namespace trv::disc {
namespace {

namespace fs = std::filesystem;

// Icon themes go up to 512; anything larger is a typing error.
constexpr int kMaxIconSize = 1024;

int IconSize(const std::string& text) {
  int size = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), size);
  if (ec != std::errc() || end != text.data() + text.size() || size < 1 || size > kMaxIconSize)
    throw UsageError("SIZE must be a number of pixels from 1 to " + std::to_string(kMaxIconSize) + ", not \"" +
                     text + "\"");
  return size;
}

}  // namespace

int VerbIcon(const std::vector<std::string>& args, ToolIo&) {
  const VerbArgs a = ParseVerbArgs(args, 3);
  const int size = IconSize(a.positional[1]);
  const fs::path archivePath = FindDiscArchive(ArgPath(a.positional[0]));
  const DiscPaths disc = ComputeDiscPaths(archivePath.parent_path().empty() ? fs::path(".") : archivePath.parent_path());

  TReadBin archive;
  const TDynamicStringArray lines = ReadArchiveStructLines(archive, archivePath);
  TScriptHeader header;
  try {
    header = ReadHeader(lines, ScriptPaths{disc.programDir, disc.cdRoot});
  } catch (const ScriptError& e) {
    throw DiscError(std::string("Struct.txt: ") + e.what());
  }
  if (header.icon.empty()) throw DiscError("Struct.txt names no icon");

  const std::string name = Cp1251ToUtf8(header.icon);
  std::vector<std::uint8_t> bytes;
  if (archive.ReadToBuffer(header.icon, bytes) < 0) throw DiscError("the archive holds no icon \"" + name + "\"");
  std::string error;
  const auto picture = DecodeBmp(bytes, &error);
  if (!picture) throw DiscError("the icon \"" + name + "\" is not a picture: " + error);
  WriteWholeFile(ArgPath(a.positional[2]), EncodePng(ScaleBoxFilter(*picture, size, size)));
  return 0;
}

}  // namespace trv::disc
