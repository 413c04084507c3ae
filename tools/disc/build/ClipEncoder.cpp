#include "disc/build/ClipEncoder.h"
#include "disc/build/AvError.h"
#include "platform/AtomicFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <system_error>

namespace trv::disc {
namespace {

}  // namespace

struct ClipEncoder::State {
  std::filesystem::path path;
  std::filesystem::path temp;
  ClipFormat format;
  AVFormatContext* muxer = nullptr;
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  SwsContext* scaler = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  bool headerWritten = false;
  bool finished = false;

  ~State() {
    if (frame) av_frame_free(&frame);
    if (packet) av_packet_free(&packet);
    if (codec) avcodec_free_context(&codec);
    if (scaler) sws_freeContext(scaler);
    if (muxer) {
      if (muxer->pb) avio_closep(&muxer->pb);
      avformat_free_context(muxer);
    }
    if (!finished && !temp.empty()) {
      std::error_code ec;
      std::filesystem::remove(temp, ec);
    }
  }
};

ClipEncoder::ClipEncoder() : state_(std::make_unique<State>()) {}
ClipEncoder::~ClipEncoder() = default;

const char* ClipEncoder::CodecName() const {
  return state_->codec && state_->codec->codec_id == AV_CODEC_ID_MJPEG ? "mjpeg" : "mpeg4";
}

std::unique_ptr<ClipEncoder> ClipEncoder::Create(const std::filesystem::path& path, const ClipFormat& format,
                                                 std::string* error) {
  auto fail = [error](const std::string& what) -> std::unique_ptr<ClipEncoder> {
    if (error) *error = what;
    return nullptr;
  };
  // Both sides even: the 4:2:0 chroma planes halve them.
  if (format.width < 2 || format.height < 2 || format.width > 4096 || format.height > 4096 || format.width % 2 ||
      format.height % 2)
    return fail("clip size " + std::to_string(format.width) + "x" + std::to_string(format.height) +
                " is not an even size up to 4096");
  if (format.framesPerSecond < 1 || format.framesPerSecond > 120)
    return fail("frame rate " + std::to_string(format.framesPerSecond) + " is outside 1..120");
  if (format.quality < 2 || format.quality > 31)
    return fail("quality " + std::to_string(format.quality) + " is outside 2..31");

  std::unique_ptr<ClipEncoder> enc(new ClipEncoder());
  State& s = *enc->state_;
  s.path = path;
  s.temp = path;
  s.temp += ".part";
  s.format = format;

  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  if (ec) return fail("cannot make the folder " + path.parent_path().string() + ": " + ec.message());

  const AVCodecID wanted = format.codec == ClipCodec::Mpeg4 ? AV_CODEC_ID_MPEG4 : AV_CODEC_ID_MJPEG;
  const AVCodec* codec = avcodec_find_encoder(wanted);
  if (!codec) codec = avcodec_find_encoder(wanted == AV_CODEC_ID_MJPEG ? AV_CODEC_ID_MPEG4 : AV_CODEC_ID_MJPEG);
  if (!codec) return fail("the video libraries have neither a motion-JPEG nor an MPEG-4 encoder");
  const bool jpeg = codec->id == AV_CODEC_ID_MJPEG;

  int rc = avformat_alloc_output_context2(&s.muxer, nullptr, "avi", s.temp.string().c_str());
  if (rc < 0 || !s.muxer) return fail("no AVI writer: " + AvError(rc));
  s.muxer->flags |= AVFMT_FLAG_BITEXACT;

  s.codec = avcodec_alloc_context3(codec);
  if (!s.codec) return fail("out of memory");
  s.codec->width = format.width;
  s.codec->height = format.height;
  s.codec->time_base = AVRational{1, format.framesPerSecond};
  s.codec->framerate = AVRational{format.framesPerSecond, 1};
  s.codec->flags |= AV_CODEC_FLAG_QSCALE | AV_CODEC_FLAG_BITEXACT;
  s.codec->global_quality = FF_QP2LAMBDA * format.quality;
  s.codec->qmin = s.codec->qmax = format.quality;
  s.codec->thread_count = 1;  // clips are encoded side by side instead
  if (jpeg) {
    s.codec->pix_fmt = AV_PIX_FMT_YUVJ420P;
    s.codec->color_range = AVCOL_RANGE_JPEG;
  } else {
    s.codec->pix_fmt = AV_PIX_FMT_YUV420P;
    s.codec->gop_size = 12;  // a key frame every half second keeps seeking short
    s.codec->max_b_frames = 0;
  }
  if (s.muxer->oformat->flags & AVFMT_GLOBALHEADER) s.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  rc = avcodec_open2(s.codec, codec, nullptr);
  if (rc < 0) return fail(std::string("cannot open the ") + codec->name + " encoder: " + AvError(rc));

  s.stream = avformat_new_stream(s.muxer, nullptr);
  if (!s.stream) return fail("out of memory");
  s.stream->time_base = s.codec->time_base;
  s.stream->avg_frame_rate = s.codec->framerate;
  s.stream->r_frame_rate = s.codec->framerate;
  rc = avcodec_parameters_from_context(s.stream->codecpar, s.codec);
  if (rc < 0) return fail("codec parameters: " + AvError(rc));

  // The full-range planes are converted as plain 4:2:0 with the JPEG range
  // asked for explicitly; the encoder takes the same memory as yuvj420p.
  s.scaler = sws_getContext(format.width, format.height, AV_PIX_FMT_BGR24, format.width, format.height,
                            AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr,
                            nullptr);
  if (!s.scaler) return fail("no colour converter for BGR to YUV 4:2:0");
  const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
  sws_setColorspaceDetails(s.scaler, coefficients, 1, coefficients, jpeg ? 1 : 0, 0, 1 << 16, 1 << 16);

  s.frame = av_frame_alloc();
  s.packet = av_packet_alloc();
  if (!s.frame || !s.packet) return fail("out of memory");
  s.frame->format = s.codec->pix_fmt;
  s.frame->width = format.width;
  s.frame->height = format.height;
  s.frame->color_range = s.codec->color_range;
  rc = av_frame_get_buffer(s.frame, 0);
  if (rc < 0) return fail("frame buffer: " + AvError(rc));

  rc = avio_open(&s.muxer->pb, s.temp.string().c_str(), AVIO_FLAG_WRITE);
  if (rc < 0) return fail("cannot write " + s.temp.string() + ": " + AvError(rc));
  rc = avformat_write_header(s.muxer, nullptr);
  if (rc < 0) return fail("cannot write the AVI header: " + AvError(rc));
  s.headerWritten = true;
  return enc;
}

bool ClipEncoder::Drain(std::string* error) {
  State& s = *state_;
  for (;;) {
    int rc = avcodec_receive_packet(s.codec, s.packet);
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
    if (rc < 0) {
      if (error) *error = "encoding: " + AvError(rc);
      return false;
    }
    av_packet_rescale_ts(s.packet, s.codec->time_base, s.stream->time_base);
    s.packet->stream_index = s.stream->index;
    rc = av_interleaved_write_frame(s.muxer, s.packet);
    if (rc < 0) {
      if (error) *error = "writing " + s.temp.string() + ": " + AvError(rc);
      return false;
    }
  }
}

bool ClipEncoder::AddFrame(const Bitmap& frame, std::string* error) {
  State& s = *state_;
  if (s.finished) {
    if (error) *error = "the clip is already finished";
    return false;
  }
  if (frame.Width() != s.format.width || frame.Height() != s.format.height) {
    if (error)
      *error = "frame " + std::to_string(frames_) + " is " + std::to_string(frame.Width()) + "x" +
               std::to_string(frame.Height()) + ", the clip " + std::to_string(s.format.width) + "x" +
               std::to_string(s.format.height);
    return false;
  }
  int rc = av_frame_make_writable(s.frame);
  if (rc < 0) {
    if (error) *error = "frame buffer: " + AvError(rc);
    return false;
  }
  const std::uint8_t* src[1] = {frame.Data()};
  const int srcStride[1] = {frame.Stride()};
  sws_scale(s.scaler, src, srcStride, 0, frame.Height(), s.frame->data, s.frame->linesize);
  s.frame->pts = frames_;
  s.frame->quality = FF_QP2LAMBDA * s.format.quality;
  rc = avcodec_send_frame(s.codec, s.frame);
  if (rc < 0) {
    if (error) *error = "encoding frame " + std::to_string(frames_) + ": " + AvError(rc);
    return false;
  }
  ++frames_;
  return Drain(error);
}

bool ClipEncoder::Finish(std::string* error) {
  State& s = *state_;
  if (s.finished) return true;
  int rc = avcodec_send_frame(s.codec, nullptr);
  if (rc < 0 && rc != AVERROR_EOF) {
    if (error) *error = "flushing the encoder: " + AvError(rc);
    return false;
  }
  if (!Drain(error)) return false;
  rc = av_write_trailer(s.muxer);
  if (rc < 0) {
    if (error) *error = "writing the AVI index: " + AvError(rc);
    return false;
  }
  rc = avio_closep(&s.muxer->pb);
  if (rc < 0) {
    if (error) *error = "closing " + s.temp.string() + ": " + AvError(rc);
    return false;
  }
  std::string why;
  if (!CommitTempFile(s.temp, s.path, &why)) {
    if (error) *error = "cannot move " + s.temp.string() + " to " + s.path.string() + ": " + why;
    return false;
  }
  s.finished = true;
  return true;
}

}  // namespace trv::disc
