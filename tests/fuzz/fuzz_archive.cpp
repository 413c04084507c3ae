// The content archive reader over arbitrary files: the directory, every
// look-up and every read.
#include <cstddef>
#include <cstdint>

#include "FuzzFile.h"
#include "platform/Log.h"
#include "store/ReadBin.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  trv::SetLogFile("/dev/null");  // damaged inputs are logged; keep the disk out of it
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trv;
  static fuzz::MemFile file("fuzz_archive");
  TReadBin bin;
  try {
    bin.OpenNative(file.Fill(data, size));
  } catch (const StoreError&) {
    return 0;
  }
  // A directory never holds more entries than whole records fit in the file.
  if (bin.Entries().size() * 12 > size) __builtin_trap();
  std::vector<std::uint8_t> buffer;
  TMemoryStream stream;
  for (const RBin& entry : bin.Entries()) {
    if (entry.name.size() > 256) __builtin_trap();
    if (!bin.Exists(entry.name)) __builtin_trap();
    const std::int32_t n = bin.ReadToBuffer(entry.name, buffer);
    if (n >= 0 && (std::size_t(n) != buffer.size() || std::size_t(n) > size)) __builtin_trap();
    const bool ok = bin.ReadToStream(entry.name, stream);
    if (ok != (n >= 0)) __builtin_trap();
    if (ok && (stream.Size() != std::size_t(n) || stream.Position() != 0)) __builtin_trap();
  }
  for (const char* name : {"Struct.txt", "STRUCT.TXT", "", "Dialog.txt"}) {
    (void)bin.Exists(name);
    (void)bin.ReadToBuffer(name, buffer);
    (void)bin.ReadToStream(name, stream);
  }
  return 0;
}
