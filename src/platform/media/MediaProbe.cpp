#include "platform/media/MediaProbe.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
}

namespace trv {
namespace {

constexpr int kIoBufferBytes = 32 * 1024;
constexpr unsigned kMaxStreams = 64;
constexpr int kMaxChannels = 32;
constexpr int kMaxSampleRate = 768000;

// The libraries write their own diagnostics to stderr; the program logs one
// line per failure itself. Their readers allocate what a header says before
// they look at the file (a chunk of an AVI header that claims 800 MB gets
// them): no single allocation of theirs may pass kMaxLibraryAllocation, so
// such a header fails as a bad file instead.
void SetUpLibraries() {
  static std::once_flag once;
  std::call_once(once, [] {
    av_log_set_level(AV_LOG_QUIET);
    av_max_alloc(kMaxLibraryAllocation);
  });
}

std::string AvText(int rc) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(rc, buf, sizeof buf);
  return buf;
}

// Nested files (playlists, image sequences, references) are never opened: a
// media file must not make the program read other files or addresses.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

}  // namespace

struct Demuxer::Io {
  // Either a descriptor read with pread or bytes in memory.
  int fd = -1;
  std::span<const std::uint8_t> bytes;
  std::int64_t size = 0;
  std::int64_t pos = 0;
  bool readFailed = false;
  const std::atomic<bool>* stop = nullptr;
  std::chrono::steady_clock::time_point deadline;
  AVIOContext* avio = nullptr;

  ~Io() {
    if (avio) {
      av_freep(&avio->buffer);
      avio_context_free(&avio);
    }
  }

  static int Read(void* opaque, std::uint8_t* buf, int n) {
    Io& io = *static_cast<Io*>(opaque);
    if (io.stop && io.stop->load()) return AVERROR_EXIT;
    if (n <= 0 || io.pos >= io.size) return AVERROR_EOF;
    const std::int64_t want = std::min<std::int64_t>(n, io.size - io.pos);
    if (io.fd < 0) {
      std::memcpy(buf, io.bytes.data() + io.pos, std::size_t(want));
      io.pos += want;
      return int(want);
    }
    ssize_t got;
    do {
      got = ::pread(io.fd, buf, std::size_t(want), off_t(io.pos));
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
      io.readFailed = true;
      return AVERROR(errno ? errno : EIO);
    }
    if (got == 0) return AVERROR_EOF;
    io.pos += got;
    return int(got);
  }

  static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
    Io& io = *static_cast<Io*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return io.size;
    std::int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? io.pos : whence == SEEK_END ? io.size : -1;
    if (base < 0) return AVERROR(EINVAL);
    if ((offset > 0 && base > INT64_MAX - offset)) return AVERROR(EINVAL);
    const std::int64_t to = base + offset;
    if (to < 0) return AVERROR(EINVAL);
    io.pos = to;
    return to;
  }

  static int Interrupt(void* opaque) {
    const Io& io = *static_cast<const Io*>(opaque);
    if (io.stop && io.stop->load()) return 1;
    return std::chrono::steady_clock::now() > io.deadline ? 1 : 0;
  }
};

Demuxer::~Demuxer() {
  if (format_) avformat_close_input(&format_);
}

bool Demuxer::ReadFailed() const { return io_ && io_->readFailed; }

std::unique_ptr<Demuxer> Demuxer::OpenFd(int fd, int* code, std::string* why, const std::atomic<bool>* stop) {
  auto io = std::make_unique<Io>();
  io->fd = fd;
  io->stop = stop;
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *code = mci::kFileRead;
    *why = "not a readable regular file";
    return nullptr;
  }
  io->size = st.st_size;
  return Open(std::move(io), code, why);
}

std::unique_ptr<Demuxer> Demuxer::OpenMemory(std::span<const std::uint8_t> bytes, int* code, std::string* why) {
  auto io = std::make_unique<Io>();
  io->bytes = bytes;
  io->size = std::int64_t(bytes.size());
  return Open(std::move(io), code, why);
}

std::unique_ptr<Demuxer> Demuxer::Open(std::unique_ptr<Io> io, int* code, std::string* why) {
  SetUpLibraries();
  *code = mci::kInvalidFile;
  if (io->size <= 0) {
    *why = "empty file";
    return nullptr;
  }
  io->deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kProbeSeconds);
  auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
  if (!buffer) {
    *why = "out of memory";
    return nullptr;
  }
  io->avio = avio_alloc_context(buffer, kIoBufferBytes, 0, io.get(), &Io::Read, nullptr, &Io::Seek);
  if (!io->avio) {
    av_free(buffer);
    *why = "out of memory";
    return nullptr;
  }
  std::unique_ptr<Demuxer> d(new Demuxer());
  d->io_ = std::move(io);
  AVFormatContext* ctx = avformat_alloc_context();
  if (!ctx) {
    *why = "out of memory";
    return nullptr;
  }
  ctx->pb = d->io_->avio;
  ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
  ctx->probesize = kProbeBytes;
  ctx->format_probesize = 1 << 20;
  ctx->max_analyze_duration = std::int64_t(kProbeSeconds) * AV_TIME_BASE;
  ctx->max_streams = int(kMaxStreams);
  ctx->io_open = &RefuseNestedOpen;
  ctx->interrupt_callback = {&Io::Interrupt, d->io_.get()};
  const int rc = avformat_open_input(&ctx, nullptr, nullptr, nullptr);
  if (rc < 0) {  // the context is freed on failure
    if (d->io_->readFailed) *code = mci::kFileRead;
    *why = d->io_->readFailed ? "read error: " + AvText(rc) : "not a media file: " + AvText(rc);
    return nullptr;
  }
  d->format_ = ctx;
  *code = mci::kOk;
  return d;
}

std::int64_t Demuxer::StreamStart(int stream) const {
  if (!format_ || stream < 0 || unsigned(stream) >= format_->nb_streams) return 0;
  const std::int64_t start = format_->streams[stream]->start_time;
  return start == AV_NOPTS_VALUE ? 0 : start;
}

int Demuxer::Probe(MediaInfo* info, std::string* why) {
  *info = MediaInfo();
  AVFormatContext* ctx = format_;
  if (ctx->nb_streams > kMaxStreams) {
    *why = "too many streams";
    return mci::kInvalidFile;
  }
  const int rc = avformat_find_stream_info(ctx, nullptr);
  if (rc < 0) {
    if (ReadFailed()) {
      *why = "read error: " + AvText(rc);
      return mci::kFileRead;
    }
    *why = "cannot read the streams: " + AvText(rc);
    return mci::kInvalidFile;
  }
  info->container = ctx->iformat && ctx->iformat->name ? ctx->iformat->name : "";

  // The first audio stream and the first moving-picture stream (a cover
  // picture of a song is not video); one with a decoder before one without.
  int audioNoDecoder = -1, videoNoDecoder = -1;
  for (unsigned i = 0; i < ctx->nb_streams; ++i) {
    const AVStream* st = ctx->streams[i];
    const AVCodecParameters* par = st->codecpar;
    const bool has = avcodec_find_decoder(par->codec_id) != nullptr;
    if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
      if (has && audio_ < 0) audio_ = int(i);
      if (!has && audioNoDecoder < 0) audioNoDecoder = int(i);
    } else if (par->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
      if (has && video_ < 0) video_ = int(i);
      if (!has && videoNoDecoder < 0) videoNoDecoder = int(i);
    }
  }
  auto codecName = [ctx](int stream) -> std::string {
    const AVCodecDescriptor* d = avcodec_descriptor_get(ctx->streams[stream]->codecpar->codec_id);
    if (d && d->name) return d->name;
    const std::uint32_t tag = ctx->streams[stream]->codecpar->codec_tag;
    char fourcc[AV_FOURCC_MAX_STRING_SIZE] = {};
    av_fourcc_make_string(fourcc, tag);
    return std::string("unknown (") + fourcc + ")";
  };
  if ((audio_ < 0 && audioNoDecoder >= 0) || (video_ < 0 && videoNoDecoder >= 0)) {
    const int stream = video_ < 0 && videoNoDecoder >= 0 ? videoNoDecoder : audioNoDecoder;
    *why = "no decoder for the " + std::string(stream == videoNoDecoder ? "video" : "audio") + " codec " +
           codecName(stream);
    return mci::kUnsupportedFormat;
  }
  if (audio_ < 0 && video_ < 0) {
    *why = "no audio or video stream";
    return mci::kInvalidFile;
  }

  if (audio_ >= 0) {
    const AVCodecParameters* par = ctx->streams[audio_]->codecpar;
    if (par->sample_rate <= 0 || par->sample_rate > kMaxSampleRate || par->ch_layout.nb_channels <= 0 ||
        par->ch_layout.nb_channels > kMaxChannels) {
      *why = "audio stream with " + std::to_string(par->ch_layout.nb_channels) + " channels at " +
             std::to_string(par->sample_rate) + " Hz";
      return mci::kInvalidFile;
    }
    info->hasAudio = true;
    info->audioCodec = codecName(audio_);
  }
  if (video_ >= 0) {
    const AVStream* st = ctx->streams[video_];
    const AVCodecParameters* par = st->codecpar;
    if (par->width <= 0 || par->height <= 0 || par->width > kMaxVideoSide || par->height > kMaxVideoSide) {
      *why = "video of " + std::to_string(par->width) + "x" + std::to_string(par->height) + " pixels";
      return mci::kInvalidFile;
    }
    AVRational rate = st->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = st->r_frame_rate;
    // Between one frame in 100 seconds and 1000 a second; else the usual 25.
    if (rate.num <= 0 || rate.den <= 0 || av_cmp_q(rate, AVRational{1, 100}) < 0 ||
        av_cmp_q(rate, AVRational{1000, 1}) > 0)
      rate = AVRational{25, 1};
    int num = 0, den = 0;
    av_reduce(&num, &den, rate.num, rate.den, 1 << 20);
    info->hasVideo = true;
    info->rateNum = num > 0 ? num : 25;
    info->rateDen = den > 0 ? den : 1;
    info->natural = {par->width, par->height};
    info->videoCodec = codecName(video_);
  }

  // The length: the container's, else the longest stream's.
  std::int64_t lengthMs = -1;
  if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0)
    lengthMs = av_rescale(ctx->duration, 1000, AV_TIME_BASE);
  for (int stream : {audio_, video_}) {
    if (stream < 0 || lengthMs >= 0) continue;
    const AVStream* st = ctx->streams[stream];
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0 && st->time_base.num > 0 && st->time_base.den > 0)
      lengthMs = av_rescale_q(st->duration, st->time_base, AVRational{1, 1000});
  }
  if (lengthMs < 0) {
    *why = "the length is unknown";
    return mci::kInvalidFile;
  }
  // Plain samples cannot last longer than the file holds them, whatever the
  // header says.
  if (audio_ >= 0 && video_ < 0) {
    const AVCodecParameters* par = ctx->streams[audio_]->codecpar;
    const int bits = av_get_bits_per_sample(par->codec_id);
    if (bits > 0 && io_->size > 0) {
      const std::int64_t bytesPerSecond = std::int64_t(bits) * par->ch_layout.nb_channels * par->sample_rate / 8;
      if (bytesPerSecond > 0) lengthMs = std::min(lengthMs, av_rescale(io_->size, 1000, bytesPerSecond));
    }
  }
  if (lengthMs > INT32_MAX) {
    *why = "longer than the device can count";
    return mci::kInvalidFile;
  }
  info->lengthMs = lengthMs;
  // From here on the demuxer reads for a decoder, for as long as it plays.
  io_->deadline = std::chrono::steady_clock::time_point::max();
  return mci::kOk;
}

int ProbeMediaFd(int fd, MediaInfo* info, std::string* why) {
  int code = mci::kOk;
  auto d = Demuxer::OpenFd(fd, &code, why);
  if (!d) return code;
  return d->Probe(info, why);
}

int ProbeMediaBytes(std::span<const std::uint8_t> bytes, MediaInfo* info, std::string* why) {
  int code = mci::kOk;
  auto d = Demuxer::OpenMemory(bytes, &code, why);
  if (!d) return code;
  return d->Probe(info, why);
}

}  // namespace trv
