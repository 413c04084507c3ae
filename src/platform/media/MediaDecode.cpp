#include "platform/media/MediaDecode.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/Log.h"
#include "platform/media/MediaProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace trv {

// ---- SampleRing -------------------------------------------------------------

SampleRing::SampleRing(std::size_t capacityFrames, int channels)
    : data_(std::max<std::size_t>(capacityFrames, 1) * std::size_t(std::max(channels, 1))),
      channels_(std::max(channels, 1)),
      capacity_(std::max<std::size_t>(capacityFrames, 1)) {}

bool SampleRing::Write(const std::int16_t* samples, std::size_t frames) {
  const std::size_t ch = std::size_t(channels_);
  while (frames > 0) {
    std::unique_lock<std::mutex> lock(mutex_);
    space_.wait(lock, [this] { return closed_ || count_ < capacity_; });
    if (closed_) return false;
    const std::size_t tail = (head_ + count_) % capacity_;
    const std::size_t n = std::min({frames, capacity_ - count_, capacity_ - tail});
    std::memcpy(&data_[tail * ch], samples, n * ch * sizeof(std::int16_t));
    count_ += n;
    samples += n * ch;
    frames -= n;
  }
  return true;
}

std::size_t SampleRing::Read(std::int16_t* out, std::size_t frames) {
  const std::size_t ch = std::size_t(channels_);
  std::size_t done = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    while (done < frames && count_ > 0) {
      const std::size_t n = std::min({frames - done, count_, capacity_ - head_});
      std::memcpy(out + done * ch, &data_[head_ * ch], n * ch * sizeof(std::int16_t));
      head_ = (head_ + n) % capacity_;
      count_ -= n;
      done += n;
    }
  }
  if (done) space_.notify_one();
  return done;
}

void SampleRing::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  space_.notify_all();
}

bool SampleRing::Closed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_;
}

bool SampleRing::Drained() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_ && count_ == 0;
}

std::size_t SampleRing::QueuedFrames() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return count_;
}

// ---- FrameQueue -------------------------------------------------------------

void FrameQueue::SetWake(std::function<void()> wake) {
  std::lock_guard<std::mutex> lock(mutex_);
  wake_ = std::move(wake);
}

bool FrameQueue::Push(VideoFrame frame) {
  std::function<void()> wake;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    space_.wait(lock, [this] { return closed_ || frames_.size() < capacity_; });
    if (closed_) return false;
    if (frames_.empty()) wake = wake_;
    frames_.push_back(std::move(frame));
  }
  if (wake) wake();
  return true;
}

std::optional<std::int64_t> FrameQueue::FrontTime() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (frames_.empty()) return std::nullopt;
  return frames_.front().ms;
}

std::optional<VideoFrame> FrameQueue::Pop() {
  std::optional<VideoFrame> out;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (frames_.empty()) return std::nullopt;
    out = std::move(frames_.front());
    frames_.pop_front();
  }
  space_.notify_one();
  return out;
}

void FrameQueue::Finish() {
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    wake = wake_;
  }
  if (wake) wake();
}

bool FrameQueue::Finished() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}

void FrameQueue::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    wake_ = nullptr;
  }
  space_.notify_all();
}

// ---- decoding ---------------------------------------------------------------

namespace {

// Packets in a row the decoder may refuse before the stream is given up.
constexpr int kMaxErrorsInARow = 64;
// The most sample frames one decoded frame may turn into.
constexpr int kMaxOutSamples = 1 << 20;

struct Codec {
  AVCodecContext* ctx = nullptr;
  ~Codec() { avcodec_free_context(&ctx); }
};

bool OpenCodec(AVFormatContext* format, int stream, Codec& codec) {
  const AVCodecParameters* par = format->streams[stream]->codecpar;
  const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
  if (!decoder) return false;
  codec.ctx = avcodec_alloc_context3(decoder);
  if (!codec.ctx || avcodec_parameters_to_context(codec.ctx, par) < 0) return false;
  codec.ctx->thread_count = 1;  // one thread per stream; the program's other work keeps the other core
  codec.ctx->pkt_timebase = format->streams[stream]->time_base;
  return avcodec_open2(codec.ctx, decoder, nullptr) >= 0;
}

// Keeps only `stream`'s packets, and seeks to a key frame at or before fromMs.
void Prepare(AVFormatContext* format, int stream, std::int64_t startTs, std::int64_t fromMs) {
  for (unsigned i = 0; i < format->nb_streams; ++i)
    if (int(i) != stream) format->streams[i]->discard = AVDISCARD_ALL;
  if (fromMs <= 0) return;
  const AVRational tb = format->streams[stream]->time_base;
  // Rounded down: the frame that shows at fromMs starts at or before it.
  const std::int64_t ts =
      startTs + av_rescale_q_rnd(fromMs, AVRational{1, 1000}, tb, AVRounding(AV_ROUND_DOWN | AV_ROUND_PASS_MINMAX));
  // A file that cannot seek is decoded from the start and cut.
  if (avformat_seek_file(format, stream, INT64_MIN, ts, ts, 0) < 0) avformat_seek_file(format, stream, INT64_MIN, 0, 0, 0);
}

// Runs the stream's packets through the decoder; `take` gets each frame with
// its time in milliseconds from the stream's start, and returns false to end.
template <typename Take>
void DecodeFrames(AVFormatContext* format, int stream, AVCodecContext* codec, std::int64_t startTs,
                  const std::atomic<bool>& stop, Take&& take) {
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  if (!packet || !frame) {
    av_packet_free(&packet);
    av_frame_free(&frame);
    return;
  }
  const AVRational tb = format->streams[stream]->time_base;
  int errors = 0;
  bool draining = false, done = false;
  std::int64_t nextMs = 0;
  while (!done && !stop.load()) {
    if (!draining) {
      const int rc = av_read_frame(format, packet);
      if (rc < 0) {
        draining = true;
        avcodec_send_packet(codec, nullptr);
      } else {
        const bool ours = packet->stream_index == stream;
        const int sent = ours ? avcodec_send_packet(codec, packet) : 0;
        av_packet_unref(packet);
        if (!ours) continue;
        if (sent < 0 && ++errors > kMaxErrorsInARow) break;
      }
    }
    while (!done) {
      const int rc = avcodec_receive_frame(codec, frame);
      if (rc == AVERROR(EAGAIN)) break;
      if (rc < 0) {
        if (rc == AVERROR_EOF || draining || ++errors > kMaxErrorsInARow) done = true;
        break;
      }
      errors = 0;
      std::int64_t ms = nextMs;
      if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
        ms = av_rescale_q(frame->best_effort_timestamp - startTs, tb, AVRational{1, 1000});
      if (frame->pkt_duration > 0) nextMs = ms + av_rescale_q(frame->pkt_duration, tb, AVRational{1, 1000});
      else nextMs = ms;
      if (!take(frame, ms)) done = true;
      av_frame_unref(frame);
    }
  }
  av_packet_free(&packet);
  av_frame_free(&frame);
}

std::unique_ptr<Demuxer> OpenStream(int fd, const std::atomic<bool>& stop, bool video, int* stream) {
  int code = 0;
  std::string why;
  auto d = Demuxer::OpenFd(fd, &code, &why, &stop);
  MediaInfo info;
  if (!d || d->Probe(&info, &why) != mci::kOk) {
    if (!stop.load()) Log("media", "the decoder cannot read the file again: " + why);
    return nullptr;
  }
  *stream = video ? d->VideoStream() : d->AudioStream();
  return *stream < 0 ? nullptr : std::move(d);
}

}  // namespace

AudioDecodeThread::AudioDecodeThread(std::shared_ptr<FileHandle> file, DecodeSpan span, int rate,
                                     std::shared_ptr<SampleRing> ring, std::function<void(std::int64_t)> firstSamples)
    : file_(std::move(file)),
      span_(span),
      rate_(std::clamp(rate, 8000, 192000)),
      ring_(std::move(ring)),
      firstSamples_(std::move(firstSamples)),
      started_(std::chrono::steady_clock::now()) {
  thread_ = std::thread([this] { Run(); });
}

AudioDecodeThread::~AudioDecodeThread() {
  stop_ = true;
  ring_->Close();
  if (thread_.joinable()) thread_.join();
}

void AudioDecodeThread::Run() {
  int stream = -1;
  auto demuxer = OpenStream(file_->Get(), stop_, false, &stream);
  Codec codec;
  if (!demuxer || !OpenCodec(demuxer->Format(), stream, codec)) {
    ring_->Close();
    return;
  }
  AVFormatContext* format = demuxer->Format();
  const std::int64_t startTs = demuxer->StreamStart(stream);
  Prepare(format, stream, startTs, span_.fromMs);

  const int channels = ring_->Channels();
  AVChannelLayout outLayout{};
  av_channel_layout_default(&outLayout, channels);
  SwrContext* swr = nullptr;
  int inFormat = -1, inRate = 0;
  AVChannelLayout seen{};  // the layout of the frames the resampler was made for
  const std::int64_t fromSample = span_.fromMs * rate_ / 1000;
  const std::int64_t toSample = span_.toMs * rate_ / 1000;
  std::int64_t outPos = -1;  // the sample, at the output rate, the next converted one stands for
  std::vector<std::int16_t> buffer;

  // Queues what falls inside the span; false past its end or when stopped.
  auto emit = [&](const std::int16_t* samples, std::int64_t n) {
    const std::int64_t begin = outPos;
    outPos += n;
    const std::int64_t skip = std::max<std::int64_t>(0, fromSample - begin);
    const std::int64_t end = std::min(outPos, toSample);
    const std::int64_t count = end - (begin + skip);
    if (count > 0) {
      if (!ring_->Write(samples + skip * channels, std::size_t(count))) return false;
      if (firstSamples_) {
        firstSamples_(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started_)
                          .count());
        firstSamples_ = nullptr;
      }
    }
    return outPos < toSample;
  };
  auto convert = [&](const std::uint8_t** in, int inSamples) {
    const int most = swr_get_out_samples(swr, inSamples);
    // A frame never makes more than a few seconds of sound, whatever its rate says.
    if (most <= 0 || most > kMaxOutSamples) return true;
    buffer.resize(std::size_t(most) * std::size_t(channels));
    std::uint8_t* out[1] = {reinterpret_cast<std::uint8_t*>(buffer.data())};
    const int got = swr_convert(swr, out, most, in, inSamples);
    return got <= 0 || emit(buffer.data(), got);
  };

  DecodeFrames(format, stream, codec.ctx, startTs, stop_, [&](AVFrame* f, std::int64_t ms) {
    const int n = f->ch_layout.nb_channels;
    if (f->nb_samples <= 0 || f->sample_rate <= 0 || f->sample_rate > 768000 || n <= 0 || n > 32) return true;
    if (!swr || f->format != inFormat || f->sample_rate != inRate || av_channel_layout_compare(&f->ch_layout, &seen)) {
      av_channel_layout_uninit(&seen);
      if (av_channel_layout_copy(&seen, &f->ch_layout) < 0) return false;
      AVChannelLayout in{};
      if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) av_channel_layout_default(&in, n);
      else av_channel_layout_copy(&in, &f->ch_layout);
      swr_free(&swr);
      const int rc = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, rate_, &in, AVSampleFormat(f->format),
                                         f->sample_rate, 0, nullptr);
      av_channel_layout_uninit(&in);
      if (rc < 0 || swr_init(swr) < 0) {
        swr_free(&swr);
        return false;
      }
      inFormat = f->format;
      inRate = f->sample_rate;
    }
    if (outPos < 0) outPos = std::max<std::int64_t>(0, ms) * rate_ / 1000;
    return convert(const_cast<const std::uint8_t**>(f->extended_data), f->nb_samples);
  });
  if (swr && !stop_.load() && outPos < toSample) convert(nullptr, 0);  // what the resampler still holds
  swr_free(&swr);
  av_channel_layout_uninit(&seen);
  av_channel_layout_uninit(&outLayout);
  ring_->Close();
}

VideoDecodeThread::VideoDecodeThread(std::shared_ptr<FileHandle> file, DecodeSpan span, Size frameSize,
                                     std::shared_ptr<FrameQueue> queue)
    : file_(std::move(file)), span_(span), queue_(std::move(queue)) {
  SetFrameSize(frameSize);
  thread_ = std::thread([this] { Run(); });
}

VideoDecodeThread::~VideoDecodeThread() {
  stop_ = true;
  queue_->Close();
  if (thread_.joinable()) thread_.join();
}

void VideoDecodeThread::SetFrameSize(Size size) {
  const bool ok = size.width > 0 && size.height > 0 && size.width <= kMaxVideoSide && size.height <= kMaxVideoSide;
  size_ = ok ? std::uint32_t(size.width) << 16 | std::uint32_t(size.height) : 0;
}

void VideoDecodeThread::Run() {
  int stream = -1;
  auto demuxer = OpenStream(file_->Get(), stop_, true, &stream);
  Codec codec;
  if (!demuxer || !OpenCodec(demuxer->Format(), stream, codec)) {
    queue_->Finish();
    return;
  }
  AVFormatContext* format = demuxer->Format();
  const std::int64_t startTs = demuxer->StreamStart(stream);
  Prepare(format, stream, startTs, span_.fromMs);

  SwsContext* sws = nullptr;
  AVFrame* held = av_frame_alloc();  // the last frame before fromMs: it shows at fromMs
  bool haveHeld = false;
  std::int64_t heldMs = 0;
  auto push = [&](AVFrame* f, std::int64_t ms) {
    if (f->width <= 0 || f->height <= 0 || f->width > kMaxVideoSide || f->height > kMaxVideoSide) return true;
    const std::uint32_t packed = size_.load();
    int w = packed ? int(packed >> 16) : f->width;
    int h = packed ? int(packed & 0xFFFF) : f->height;
    // No screen shows more: a huge picture is shrunk, keeping its shape.
    if (w > kMaxFrameSide || h > kMaxFrameSide) {
      const double k = double(kMaxFrameSide) / std::max(w, h);
      w = std::max(1, int(w * k));
      h = std::max(1, int(h * k));
    }
    sws = sws_getCachedContext(sws, f->width, f->height, AVPixelFormat(f->format), w, h, AV_PIX_FMT_BGR24,
                               w == f->width && h == f->height ? SWS_POINT : SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws) return true;
    Bitmap picture(w, h);
    std::uint8_t* dst[4] = {picture.Data(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {picture.Stride(), 0, 0, 0};
    sws_scale(sws, f->data, f->linesize, 0, f->height, dst, dstStride);
    return queue_->Push({ms, std::move(picture)});
  };
  if (held) {
    DecodeFrames(format, stream, codec.ctx, startTs, stop_, [&](AVFrame* f, std::int64_t ms) {
      if (ms < span_.fromMs) {
        av_frame_unref(held);
        av_frame_move_ref(held, f);
        haveHeld = true;
        heldMs = ms;
        return true;
      }
      if (haveHeld) {
        haveHeld = false;
        const bool ok = ms <= span_.fromMs || push(held, span_.fromMs);
        av_frame_unref(held);
        if (!ok) return false;
      }
      if (ms >= span_.toMs) return false;
      return push(f, ms);
    });
    // A start past the last frame still shows that frame.
    if (haveHeld && !stop_.load()) push(held, std::max(heldMs, span_.fromMs));
  }
  av_frame_free(&held);
  sws_freeContext(sws);
  queue_->Finish();
}

}  // namespace trv
