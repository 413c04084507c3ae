#include "disc/build/Mp3Encoder.h"
#include "disc/build/AvError.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <system_error>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace trv::disc {
namespace {

// The sample layouts this writer can fill, best first.
constexpr AVSampleFormat kWanted[] = {AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_S16P, AV_SAMPLE_FMT_S16,
                                      AV_SAMPLE_FMT_S32P, AV_SAMPLE_FMT_S32};

AVSampleFormat PickFormat(const AVCodec* codec) {
  if (!codec->sample_fmts) return AV_SAMPLE_FMT_NONE;
  for (AVSampleFormat wanted : kWanted)
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
      if (*f == wanted) return wanted;
  return AV_SAMPLE_FMT_NONE;
}

// Copies `count` frames starting at `first` into an encoder frame of any of
// the formats above; frames past the end of the input are silence.
void FillFrame(AVFrame* frame, const std::vector<float>& samples, int channels, std::size_t first, int count) {
  const auto format = static_cast<AVSampleFormat>(frame->format);
  const bool planar = av_sample_fmt_is_planar(format);
  const std::size_t total = samples.size() / channels;
  for (int n = 0; n < frame->nb_samples; ++n)
    for (int c = 0; c < channels; ++c) {
      const std::size_t at = first + n;
      const float v = n < count && at < total ? std::clamp(samples[at * channels + c], -1.0f, 1.0f) : 0.0f;
      const int index = planar ? n : n * channels + c;
      std::uint8_t* plane = frame->extended_data[planar ? c : 0];
      switch (format) {
        case AV_SAMPLE_FMT_FLT:
        case AV_SAMPLE_FMT_FLTP:
          reinterpret_cast<float*>(plane)[index] = v;
          break;
        case AV_SAMPLE_FMT_S16:
        case AV_SAMPLE_FMT_S16P:
          reinterpret_cast<std::int16_t*>(plane)[index] = static_cast<std::int16_t>(std::lrint(v * 32767.0f));
          break;
        default:
          reinterpret_cast<std::int32_t*>(plane)[index] = static_cast<std::int32_t>(std::lrint(v * 2147483520.0));
          break;
      }
    }
}

struct Session {
  AVCodecContext* codec = nullptr;
  AVFormatContext* format = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  ~Session() {
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&codec);
    if (format) {
      if (format->pb) avio_closep(&format->pb);
      avformat_free_context(format);
    }
  }
};

// Moves every packet the encoder has ready into the file.
int Drain(Session& s, AVStream* stream) {
  while (true) {
    int rc = avcodec_receive_packet(s.codec, s.packet);
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return 0;
    if (rc < 0) return rc;
    av_packet_rescale_ts(s.packet, s.codec->time_base, stream->time_base);
    s.packet->stream_index = stream->index;
    rc = av_write_frame(s.format, s.packet);
    av_packet_unref(s.packet);
    if (rc < 0) return rc;
  }
}

bool Encode(const std::vector<float>& samples, const Mp3Settings& settings, const std::filesystem::path& temp,
            std::string* error) {
  const int channels = settings.channels;
  if (channels < 1 || channels > 2 || settings.sampleRate <= 0 || samples.size() % channels != 0) {
    *error = "MP3: bad channels or sample count";
    return false;
  }
  const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MP3);
  if (!encoder) {
    *error = "MP3: this libavcodec has no MP3 encoder";
    return false;
  }
  Session s;
  s.codec = avcodec_alloc_context3(encoder);
  s.frame = av_frame_alloc();
  s.packet = av_packet_alloc();
  if (!s.codec || !s.frame || !s.packet) {
    *error = "MP3: out of memory";
    return false;
  }
  s.codec->sample_fmt = PickFormat(encoder);
  if (s.codec->sample_fmt == AV_SAMPLE_FMT_NONE) {
    *error = "MP3: the encoder takes no sample format this writer can fill";
    return false;
  }
  s.codec->bit_rate = settings.bitRate;
  s.codec->sample_rate = settings.sampleRate;
  av_channel_layout_default(&s.codec->ch_layout, channels);
  s.codec->time_base = AVRational{1, settings.sampleRate};
  s.codec->flags |= AV_CODEC_FLAG_BITEXACT;
  int rc = avcodec_open2(s.codec, encoder, nullptr);
  if (rc < 0) {
    *error = "MP3: cannot open the encoder: " + AvError(rc);
    return false;
  }

  rc = avformat_alloc_output_context2(&s.format, nullptr, "mp3", nullptr);
  if (rc < 0 || !s.format) {
    *error = "MP3: no mp3 muxer: " + AvError(rc);
    return false;
  }
  s.format->flags |= AVFMT_FLAG_BITEXACT;
  AVStream* stream = avformat_new_stream(s.format, nullptr);
  if (!stream || avcodec_parameters_from_context(stream->codecpar, s.codec) < 0) {
    *error = "MP3: cannot add the audio stream";
    return false;
  }
  stream->time_base = s.codec->time_base;
  rc = avio_open(&s.format->pb, temp.c_str(), AVIO_FLAG_WRITE);
  if (rc < 0) {
    *error = "MP3: cannot create " + temp.string() + ": " + AvError(rc);
    return false;
  }
  AVDictionary* options = nullptr;
  av_dict_set(&options, "id3v2_version", "0", 0);  // a bare stream: frames only
  rc = avformat_write_header(s.format, &options);
  av_dict_free(&options);
  if (rc < 0) {
    *error = "MP3: cannot start the file: " + AvError(rc);
    return false;
  }

  const int frameSize = s.codec->frame_size > 0 ? s.codec->frame_size : 1152;
  const bool smallLast = encoder->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
  const std::size_t total = samples.size() / channels;
  for (std::size_t first = 0; first < total; first += frameSize) {
    const int count = static_cast<int>(std::min<std::size_t>(frameSize, total - first));
    av_frame_unref(s.frame);
    s.frame->format = s.codec->sample_fmt;
    s.frame->sample_rate = s.codec->sample_rate;
    s.frame->nb_samples = smallLast ? count : frameSize;
    av_channel_layout_copy(&s.frame->ch_layout, &s.codec->ch_layout);
    rc = av_frame_get_buffer(s.frame, 0);
    if (rc < 0) {
      *error = "MP3: " + AvError(rc);
      return false;
    }
    FillFrame(s.frame, samples, channels, first, count);
    s.frame->pts = static_cast<std::int64_t>(first);
    rc = avcodec_send_frame(s.codec, s.frame);
    if (rc >= 0) rc = Drain(s, stream);
    if (rc < 0) {
      *error = "MP3: encoding failed: " + AvError(rc);
      return false;
    }
  }
  rc = avcodec_send_frame(s.codec, nullptr);
  if (rc >= 0) rc = Drain(s, stream);
  if (rc >= 0) rc = av_write_trailer(s.format);
  if (rc < 0) {
    *error = "MP3: finishing failed: " + AvError(rc);
    return false;
  }
  rc = avio_closep(&s.format->pb);
  if (rc < 0) {
    *error = "MP3: cannot close " + temp.string() + ": " + AvError(rc);
    return false;
  }
  return true;
}

}  // namespace

bool EncodeMp3File(const std::vector<float>& samples, const Mp3Settings& settings, const std::filesystem::path& path,
                   std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  if (ec) {
    *error = "cannot create " + path.parent_path().string() + ": " + ec.message();
    return false;
  }
  const std::filesystem::path temp = path.string() + ".part";
  if (!Encode(samples, settings, temp, error)) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  std::string why;
  if (!CommitTempFile(temp, path, &why)) {
    *error = "cannot rename to " + path.string() + ": " + why;
    return false;
  }
  return true;
}

}  // namespace trv::disc
