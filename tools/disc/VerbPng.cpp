#include "disc/DiscError.h"
#include "disc/DiscFiles.h"
#include "disc/VerbArgs.h"
#include "disc/Verbs.h"
#include "platform/Bmp.h"
#include "platform/Png.h"
#include "store/ReadBin.h"

namespace trv::disc {

// A picture entry of an archive as a PNG file, to look at it anywhere.
int VerbPng(const std::vector<std::string>& args, ToolIo&) {
  const VerbArgs a = ParseVerbArgs(args, 3);
  TReadBin archive;
  archive.OpenNative(ArgPath(a.positional[0]));
  const std::string name = ArgToCp1251(a.positional[1]);
  std::vector<std::uint8_t> bytes;
  if (archive.ReadToBuffer(name, bytes) < 0) throw DiscError("the archive holds no readable entry \"" + a.positional[1] + "\"");
  std::string error;
  const auto bitmap = DecodeBmp(bytes, &error);
  if (!bitmap) throw DiscError("\"" + a.positional[1] + "\" is not a picture: " + error);
  WriteWholeFile(ArgPath(a.positional[2]), EncodePng(*bitmap));
  return 0;
}

}  // namespace trv::disc
