#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/MediaCommands.h"

struct AVFormatContext;

// Reading media headers with the system's media libraries, shared by both
// backends and the decoder threads. The work is bounded: the probe reads at
// most a few megabytes and gives up after a few seconds, sizes and counts read
// from the file are checked before use, and a file never makes the libraries
// open another file or address.
namespace trv {

// A demuxer over a file descriptor (read with pread at an offset of its own, so
// several demuxers share one descriptor) or over bytes in memory.
class Demuxer {
 public:
  ~Demuxer();
  Demuxer(const Demuxer&) = delete;
  Demuxer& operator=(const Demuxer&) = delete;

  // Opens and reads the header: kOk, or kInvalidFile, kFileRead with *why.
  // `stop` (may be null), once set, makes every read fail at once.
  static std::unique_ptr<Demuxer> OpenFd(int fd, int* code, std::string* why,
                                         const std::atomic<bool>* stop = nullptr);
  static std::unique_ptr<Demuxer> OpenMemory(std::span<const std::uint8_t> bytes, int* code, std::string* why);

  // Reads the streams (bounded) and describes the file: kOk, or kInvalidFile,
  // kUnsupportedFormat, kFileRead with *why. Picks the streams AudioStream()
  // and VideoStream() name.
  int Probe(MediaInfo* info, std::string* why);
  int AudioStream() const { return audio_; }
  int VideoStream() const { return video_; }
  // Where position 0 is in a stream, in its own time base.
  std::int64_t StreamStart(int stream) const;
  AVFormatContext* Format() { return format_; }
  // True when a read failed (not the end of the file): the file is unreadable.
  bool ReadFailed() const;

 private:
  struct Io;
  Demuxer() = default;
  static std::unique_ptr<Demuxer> Open(std::unique_ptr<Io> io, int* code, std::string* why);

  std::unique_ptr<Io> io_;
  AVFormatContext* format_ = nullptr;
  int audio_ = -1;
  int video_ = -1;
};

// Opens and probes in one step.
int ProbeMediaFd(int fd, MediaInfo* info, std::string* why);
int ProbeMediaBytes(std::span<const std::uint8_t> bytes, MediaInfo* info, std::string* why);

// The limits of a probe.
constexpr std::int64_t kProbeBytes = 2 << 20;
constexpr int kProbeSeconds = 5;
constexpr int kMaxVideoSide = 8192;
// The largest single allocation the media libraries may make in this process.
constexpr std::size_t kMaxLibraryAllocation = 256u << 20;

}  // namespace trv
