#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Geometry.h"
#include "platform/MediaFile.h"

// The decoder threads of a play: sound resampled to the mixer's format into a
// bounded ring, pictures converted to 24-bit BGR frames into a bounded queue.
// Each thread reads the file through a demuxer of its own over the shared
// descriptor, blocks only on its own full queue, and ends soon after its
// object is destroyed (a read in progress is cut off, a full queue woken).
namespace trv {

// Interleaved signed 16-bit samples, one writer that may wait, one reader
// (the audio callback) that never does.
class SampleRing {
 public:
  SampleRing(std::size_t capacityFrames, int channels);
  int Channels() const { return channels_; }
  // Waits while the ring is full; false once Close was called.
  bool Write(const std::int16_t* samples, std::size_t frames);
  // Up to `frames` frames; never waits. The frames read.
  std::size_t Read(std::int16_t* out, std::size_t frames);
  // No more writes: the writer is woken and refused; what is queued can still be read.
  void Close();
  bool Closed() const;
  // Closed and read to the end.
  bool Drained() const;
  std::size_t QueuedFrames() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable space_;
  std::vector<std::int16_t> data_;
  int channels_;
  std::size_t capacity_;  // frames
  std::size_t head_ = 0;  // next frame to read
  std::size_t count_ = 0;
  bool closed_ = false;
};

// The largest side of a decoded frame; larger pictures are shrunk to it.
constexpr int kMaxFrameSide = 4096;

struct VideoFrame {
  std::int64_t ms = 0;  // when it is due, in media time
  Bitmap picture;
};

// Decoded frames waiting for their time, a few at most.
class FrameQueue {
 public:
  explicit FrameQueue(std::size_t capacity) : capacity_(capacity) {}
  // Called by the writer after it queued into an empty queue (the reader may
  // be waiting for it).
  void SetWake(std::function<void()> wake);
  // Waits while full; false once Close was called.
  bool Push(VideoFrame frame);
  std::optional<std::int64_t> FrontTime() const;
  std::optional<VideoFrame> Pop();
  // The writer is done: no frame follows.
  void Finish();
  bool Finished() const;
  // Refuses the writer from now on and wakes it.
  void Close();

 private:
  mutable std::mutex mutex_;
  std::condition_variable space_;
  std::deque<VideoFrame> frames_;
  std::size_t capacity_;
  std::function<void()> wake_;
  bool finished_ = false;
  bool closed_ = false;
};

struct DecodeSpan {
  std::int64_t fromMs = 0;
  std::int64_t toMs = 0;
};

// Decodes the audio stream of the file from fromMs to toMs into `ring`, at
// `rate` frames a second in the ring's channels; the ring is closed at the
// end. Started by the constructor; `firstSamples` (may be empty) is called on
// the decoder thread with the microseconds from then to the first samples
// queued.
class AudioDecodeThread {
 public:
  AudioDecodeThread(std::shared_ptr<FileHandle> file, DecodeSpan span, int rate, std::shared_ptr<SampleRing> ring,
                    std::function<void(std::int64_t)> firstSamples = {});
  ~AudioDecodeThread();

 private:
  void Run();
  std::shared_ptr<FileHandle> file_;
  DecodeSpan span_;
  int rate_;
  std::shared_ptr<SampleRing> ring_;
  std::function<void(std::int64_t)> firstSamples_;
  std::atomic<bool> stop_{false};
  std::chrono::steady_clock::time_point started_;
  std::thread thread_;
};

// Decodes the video stream from fromMs to toMs into `queue` as BGR frames of
// the size asked (SetFrameSize, else the natural size); the frame showing at
// fromMs comes first, due at fromMs. The queue is finished at the end.
class VideoDecodeThread {
 public:
  VideoDecodeThread(std::shared_ptr<FileHandle> file, DecodeSpan span, Size frameSize,
                    std::shared_ptr<FrameQueue> queue);
  ~VideoDecodeThread();
  void SetFrameSize(Size size);

 private:
  void Run();
  std::shared_ptr<FileHandle> file_;
  DecodeSpan span_;
  std::shared_ptr<FrameQueue> queue_;
  std::atomic<std::uint32_t> size_;  // width << 16 | height, 0: natural
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace trv
