#include "platform/Png.h"

#include <zlib.h>

#include <fstream>

#include "platform/Log.h"

namespace trv {
namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, const char type[4], const std::vector<std::uint8_t>& data) {
  PutU32(out, std::uint32_t(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0L, out.data() + start, uInt(out.size() - start));
  PutU32(out, std::uint32_t(crc));
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const Bitmap& bitmap) {
  const int w = std::max(bitmap.Width(), 0), h = std::max(bitmap.Height(), 0);
  // Each row: filter byte 0, then R, G, B per pixel (the bitmap keeps B, G, R).
  std::vector<std::uint8_t> raw;
  raw.reserve(std::size_t(h) * (std::size_t(w) * 3 + 1));
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    const std::uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < w; ++x) {
      raw.push_back(row[x * 3 + 2]);
      raw.push_back(row[x * 3 + 1]);
      raw.push_back(row[x * 3]);
    }
  }
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::vector<std::uint8_t> packed(packedSize);
  const Bytef spare = 0;
  if (compress2(packed.data(), &packedSize, raw.empty() ? &spare : raw.data(), uLong(raw.size()), 6) != Z_OK)
    return {};
  packed.resize(packedSize);

  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  PutU32(header, std::uint32_t(w));
  PutU32(header, std::uint32_t(h));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit depth, RGB, deflate, no filter set, no interlace
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", packed);
  PutChunk(out, "IEND", {});
  return out;
}

bool WritePng(const std::filesystem::path& path, const Bitmap& bitmap) {
  const std::vector<std::uint8_t> png = EncodePng(bitmap);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (png.empty() || !file.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()))) {
    Log("png", "cannot write " + path.string());
    return false;
  }
  return true;
}

}  // namespace trv
