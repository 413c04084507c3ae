#include "platform/Wav.h"

#include <algorithm>
#include <cstring>

namespace trv {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// The tail shared by the sub-format GUIDs of WAVE_FORMAT_EXTENSIBLE; the first
// two bytes carry the plain format tag.
constexpr std::uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr int kMaxSampleRate = 768000;

std::uint16_t U16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}

bool Fail(std::string* error, const char* reason) {
  if (error) *error = reason;
  return false;
}

// Reads the "fmt " chunk body into `info`; false (with a reason) when the
// format is not one we can play.
bool ReadFormat(std::span<const std::uint8_t> body, WavInfo& info, std::string* error) {
  if (body.size() < 16) return Fail(error, "fmt chunk too short");
  std::uint16_t tag = U16(&body[0]);
  const int channels = U16(&body[2]);
  const std::uint32_t rate = U32(&body[4]);
  const int bits = U16(&body[14]);
  if (tag == kFormatExtensible) {
    if (body.size() < 40) return Fail(error, "extensible fmt chunk too short");
    if (std::memcmp(&body[26], kGuidTail, sizeof kGuidTail) != 0)
      return Fail(error, "unknown sub-format");
    tag = U16(&body[24]);
  }
  if (channels < 1 || channels > 8) return Fail(error, "unsupported channel count");
  if (rate < 1 || rate > std::uint32_t(kMaxSampleRate)) return Fail(error, "unsupported sample rate");
  if (tag == kFormatPcm) {
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
      return Fail(error, "unsupported PCM sample size");
  } else if (tag == kFormatFloat) {
    if (bits != 32) return Fail(error, "unsupported float sample size");
  } else {
    return Fail(error, "compressed or unknown format");
  }
  info.channels = channels;
  info.sampleRate = int(rate);
  info.bitsPerSample = bits;
  info.isFloat = tag == kFormatFloat;
  return true;
}

}  // namespace

std::uint64_t WavInfo::DurationMs() const {
  const std::uint64_t frameBytes = std::uint64_t(channels) * std::uint64_t(bitsPerSample / 8);
  if (frameBytes == 0 || sampleRate <= 0) return 0;
  const std::uint64_t frames = samples.size() / frameBytes;
  return frames * 1000 / std::uint64_t(sampleRate);
}

std::optional<WavInfo> ParseWav(std::span<const std::uint8_t> bytes, std::string* error) {
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    Fail(error, "not a RIFF WAVE file");
    return std::nullopt;
  }
  // The RIFF size is ignored: writers get it wrong, and each chunk is checked
  // against the bytes that are really there.
  WavInfo info;
  bool haveFormat = false, haveData = false;
  std::size_t pos = 12;
  while (bytes.size() - pos >= 8) {
    const std::uint8_t* head = bytes.data() + pos;
    const std::uint64_t declared = U32(head + 4);
    const std::size_t start = pos + 8;
    const std::size_t size = std::size_t(std::min<std::uint64_t>(declared, bytes.size() - start));
    std::span<const std::uint8_t> body = bytes.subspan(start, size);
    if (std::memcmp(head, "fmt ", 4) == 0 && !haveFormat) {
      if (!ReadFormat(body, info, error)) return std::nullopt;
      haveFormat = true;
    } else if (std::memcmp(head, "data", 4) == 0 && !haveData) {
      info.samples = body;
      haveData = true;
    }
    // Chunks are padded to an even size.
    const std::uint64_t next = std::uint64_t(start) + declared + (declared & 1);
    if (next >= bytes.size()) break;
    pos = std::size_t(next);
  }
  if (!haveFormat) {
    Fail(error, "no fmt chunk");
    return std::nullopt;
  }
  if (!haveData) {
    Fail(error, "no data chunk");
    return std::nullopt;
  }
  const std::size_t frameBytes = std::size_t(info.channels) * std::size_t(info.bitsPerSample / 8);
  info.samples = info.samples.first(info.samples.size() / frameBytes * frameBytes);
  return info;
}

}  // namespace trv
