#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace trv::disc {

struct Mp3Settings {
  int sampleRate = 44100;
  int channels = 2;
  int bitRate = 128000;  // constant
};

// Encodes interleaved float samples (-1..1) into an MP3 file with the MP3
// encoder of libavcodec: MPEG audio frames back to back behind one info
// frame that tells players the exact length, no ID3 tag, no version strings,
// so that the same samples give the same bytes. Writes through a temporary
// file; on failure returns false with a reason in *error and leaves no file.
bool EncodeMp3File(const std::vector<float>& samples, const Mp3Settings& settings,
                   const std::filesystem::path& path, std::string* error);

}  // namespace trv::disc
