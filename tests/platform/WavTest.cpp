#include "platform/Wav.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace trv {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(std::uint8_t(v));
  b.push_back(std::uint8_t(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Chunk(Bytes& b, const char* id, const Bytes& body, std::uint32_t declared) {
  b.insert(b.end(), id, id + 4);
  Put32(b, declared);
  b.insert(b.end(), body.begin(), body.end());
}
void Chunk(Bytes& b, const char* id, const Bytes& body) {
  Chunk(b, id, body, std::uint32_t(body.size()));
  if (body.size() % 2) b.push_back(0);
}
Bytes Riff(const Bytes& chunks) {
  Bytes b{'R', 'I', 'F', 'F'};
  Put32(b, std::uint32_t(chunks.size() + 4));
  b.insert(b.end(), {'W', 'A', 'V', 'E'});
  b.insert(b.end(), chunks.begin(), chunks.end());
  return b;
}
Bytes Fmt(std::uint16_t tag, int channels, int rate, int bits) {
  Bytes f;
  Put16(f, tag);
  Put16(f, std::uint16_t(channels));
  Put32(f, std::uint32_t(rate));
  Put32(f, std::uint32_t(rate * channels * bits / 8));
  Put16(f, std::uint16_t(channels * bits / 8));
  Put16(f, std::uint16_t(bits));
  return f;
}
Bytes Extensible(std::uint16_t subTag, int channels, int rate, int bits) {
  Bytes f = Fmt(0xFFFE, channels, rate, bits);
  Put16(f, 22);                   // cbSize
  Put16(f, std::uint16_t(bits));  // valid bits
  Put32(f, 3);                    // channel mask
  Put16(f, subTag);
  const std::uint8_t tail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  f.insert(f.end(), tail, tail + 14);
  return f;
}

TEST(Wav, PcmDepthsAndDuration) {
  struct Case {
    int channels, rate, bits;
    std::size_t dataBytes;
    std::uint64_t ms;
  } cases[] = {
      {1, 8000, 8, 8000, 1000},       // 8-bit mono, one second
      {2, 44100, 16, 44100 * 4 / 2, 500},
      {2, 48000, 24, 48000 * 6 / 4, 250},
      {1, 22050, 32, 22050 * 4, 1000},
  };
  for (const Case& c : cases) {
    Bytes chunks;
    Chunk(chunks, "fmt ", Fmt(1, c.channels, c.rate, c.bits));
    Chunk(chunks, "data", Bytes(c.dataBytes, 0x80));
    std::string error;
    auto wav = ParseWav(Riff(chunks), &error);
    ASSERT_TRUE(wav) << c.bits << ": " << error;
    EXPECT_EQ(wav->channels, c.channels);
    EXPECT_EQ(wav->sampleRate, c.rate);
    EXPECT_EQ(wav->bitsPerSample, c.bits);
    EXPECT_FALSE(wav->isFloat);
    EXPECT_EQ(wav->samples.size(), c.dataBytes);
    EXPECT_EQ(wav->DurationMs(), c.ms) << c.bits;
  }
}

TEST(Wav, ExtensibleAndFloat) {
  Bytes chunks;
  Chunk(chunks, "fmt ", Extensible(1, 2, 44100, 16));
  Chunk(chunks, "data", Bytes(400, 1));
  auto pcm = ParseWav(Riff(chunks));
  ASSERT_TRUE(pcm);
  EXPECT_EQ(pcm->bitsPerSample, 16);
  EXPECT_FALSE(pcm->isFloat);

  chunks.clear();
  Chunk(chunks, "fmt ", Extensible(3, 1, 1000, 32));
  Chunk(chunks, "data", Bytes(4000, 0));
  auto extFloat = ParseWav(Riff(chunks));
  ASSERT_TRUE(extFloat);
  EXPECT_TRUE(extFloat->isFloat);
  EXPECT_EQ(extFloat->DurationMs(), 1000u);

  chunks.clear();
  Chunk(chunks, "fmt ", Fmt(3, 2, 48000, 32));
  Chunk(chunks, "data", Bytes(48000 * 8, 0));
  auto plainFloat = ParseWav(Riff(chunks));
  ASSERT_TRUE(plainFloat);
  EXPECT_TRUE(plainFloat->isFloat);
  EXPECT_EQ(plainFloat->DurationMs(), 1000u);

  // An extensible header whose GUID is not one of the standard sub-formats.
  Bytes odd = Extensible(1, 2, 44100, 16);
  odd.back() ^= 0xFF;
  chunks.clear();
  Chunk(chunks, "fmt ", odd);
  Chunk(chunks, "data", Bytes(400, 1));
  EXPECT_FALSE(ParseWav(Riff(chunks)));
}

TEST(Wav, SamplesPointIntoTheGivenBytes) {
  Bytes chunks;
  Chunk(chunks, "fmt ", Fmt(1, 1, 8000, 8));
  Chunk(chunks, "data", Bytes{1, 2, 3, 4});
  Bytes file = Riff(chunks);
  auto wav = ParseWav(file);
  ASSERT_TRUE(wav);
  ASSERT_EQ(wav->samples.size(), 4u);
  EXPECT_EQ(wav->samples.data(), file.data() + file.size() - 4);
  EXPECT_EQ(wav->samples[3], 4);
}

TEST(Wav, TruncatedAndAbsurdSizesAreCutToWhatIsThere) {
  // The data chunk claims 100000 bytes but the file ends after 1001: the
  // samples are what is there, cut to whole frames (16-bit stereo = 4 bytes).
  Bytes chunks;
  Chunk(chunks, "fmt ", Fmt(1, 2, 44100, 16));
  Chunk(chunks, "data", Bytes(1001, 7), 100000);
  auto wav = ParseWav(Riff(chunks));
  ASSERT_TRUE(wav);
  EXPECT_EQ(wav->samples.size(), 1000u);

  // A size of 0xFFFFFFFF (streamed writers) on data, and on an unknown chunk
  // placed before it, which then swallows the rest of the file.
  chunks.clear();
  Chunk(chunks, "fmt ", Fmt(1, 1, 8000, 8));
  Chunk(chunks, "data", Bytes(50, 7), 0xFFFFFFFFu);
  wav = ParseWav(Riff(chunks));
  ASSERT_TRUE(wav);
  EXPECT_EQ(wav->samples.size(), 50u);

  chunks.clear();
  Chunk(chunks, "fmt ", Fmt(1, 1, 8000, 8));
  Chunk(chunks, "LIST", Bytes(4, 0), 0xFFFFFFF0u);
  Chunk(chunks, "data", Bytes(50, 7));
  std::string error;
  EXPECT_FALSE(ParseWav(Riff(chunks), &error));
  EXPECT_EQ(error, "no data chunk");

  // A chunk header cut in the middle ends the walk without reading past the end.
  chunks.clear();
  Chunk(chunks, "fmt ", Fmt(1, 1, 8000, 8));
  Chunk(chunks, "data", Bytes(10, 7));
  chunks.insert(chunks.end(), {'L', 'I', 'S'});
  EXPECT_TRUE(ParseWav(Riff(chunks)));
}

TEST(Wav, OddChunksArePadded) {
  // A 3-byte chunk before "fmt " takes a pad byte; without honouring it the
  // next chunk id would be read one byte early.
  Bytes chunks;
  Chunk(chunks, "junk", Bytes{1, 2, 3});
  Chunk(chunks, "fmt ", Fmt(1, 1, 8000, 8));
  Chunk(chunks, "data", Bytes{9, 9, 9});
  Chunk(chunks, "cue ", Bytes(4, 0));
  auto wav = ParseWav(Riff(chunks));
  ASSERT_TRUE(wav);
  EXPECT_EQ(wav->samples.size(), 3u);
}

TEST(Wav, RefusesWhatItCannotPlay) {
  std::string error;
  Bytes noFmt;
  Chunk(noFmt, "data", Bytes(100, 0));
  EXPECT_FALSE(ParseWav(Riff(noFmt), &error));
  EXPECT_EQ(error, "no fmt chunk");

  Bytes noData;
  Chunk(noData, "fmt ", Fmt(1, 1, 8000, 8));
  EXPECT_FALSE(ParseWav(Riff(noData), &error));
  EXPECT_EQ(error, "no data chunk");

  EXPECT_FALSE(ParseWav(Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}));
  EXPECT_FALSE(ParseWav(Bytes{'R', 'I', 'F'}));
  EXPECT_FALSE(ParseWav(Bytes{}));

  const struct {
    std::uint16_t tag;
    int channels, rate, bits;
  } bad[] = {
      {2, 1, 8000, 4},      // ADPCM
      {1, 0, 8000, 16},     // no channels
      {1, 9, 8000, 16},     // too many channels
      {1, 1, 0, 16},        // no sample rate
      {1, 1, 8000, 12},     // odd sample size
      {3, 1, 8000, 64},     // double floats
  };
  for (const auto& b : bad) {
    Bytes chunks;
    Chunk(chunks, "fmt ", Fmt(b.tag, b.channels, b.rate, b.bits));
    Chunk(chunks, "data", Bytes(64, 0));
    EXPECT_FALSE(ParseWav(Riff(chunks))) << b.tag << "/" << b.channels << "/" << b.bits;
  }

  Bytes shortFmt;
  Chunk(shortFmt, "fmt ", Bytes(10, 1));
  Chunk(shortFmt, "data", Bytes(64, 0));
  EXPECT_FALSE(ParseWav(Riff(shortFmt)));
}

}  // namespace
}  // namespace trv
