#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "disc/build/Mp3Encoder.h"
#include "disc/build/SoundSynth.h"
#include "disc/build/Steps.h"
#include "support/TestSupport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace trv::disc {
namespace {

using test::TempDir;
using test::WriteFile;

// What an independent decoder makes of an audio file.
struct Decoded {
  bool ok = false;
  AVCodecID codec = AV_CODEC_ID_NONE;
  int rate = 0;
  int channels = 0;
  double probedSeconds = 0;  // what the container says
  std::vector<float> left;   // decoded first channel
};

Decoded Decode(const std::filesystem::path& path) {
  Decoded out;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return out;
  AVCodecContext* codec = nullptr;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  const int stream = avformat_find_stream_info(format, nullptr) >= 0
                         ? av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0)
                         : -1;
  if (stream >= 0) {
    const AVCodecParameters* par = format->streams[stream]->codecpar;
    out.codec = par->codec_id;
    if (format->duration > 0) out.probedSeconds = double(format->duration) / AV_TIME_BASE;
    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    codec = decoder ? avcodec_alloc_context3(decoder) : nullptr;
    if (codec && avcodec_parameters_to_context(codec, par) >= 0 && avcodec_open2(codec, decoder, nullptr) >= 0) {
      out.ok = true;
      auto take = [&] {
        while (avcodec_receive_frame(codec, frame) >= 0) {
          out.rate = frame->sample_rate;
          out.channels = frame->ch_layout.nb_channels;
          const auto fmt = static_cast<AVSampleFormat>(frame->format);
          for (int i = 0; i < frame->nb_samples; ++i) {
            if (fmt == AV_SAMPLE_FMT_FLTP)
              out.left.push_back(reinterpret_cast<const float*>(frame->extended_data[0])[i]);
            else if (fmt == AV_SAMPLE_FMT_S16P)
              out.left.push_back(reinterpret_cast<const std::int16_t*>(frame->extended_data[0])[i] / 32768.0f);
            else
              out.ok = false;
          }
          av_frame_unref(frame);
        }
      };
      while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(codec, packet) >= 0) take();
        av_packet_unref(packet);
      }
      avcodec_send_packet(codec, nullptr);
      take();
    }
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&codec);
  avformat_close_input(&format);
  return out;
}

double Rms(const std::vector<float>& s) {
  double sum = 0;
  for (float v : s) sum += double(v) * v;
  return s.empty() ? 0 : std::sqrt(sum / double(s.size()));
}

// Strength of one frequency in a stereo buffer (left + right), by correlation.
double Strength(const std::vector<float>& stereo, int rate, double hz) {
  double re = 0, im = 0;
  const std::size_t frames = stereo.size() / 2;
  for (std::size_t n = 0; n < frames; ++n) {
    const double v = stereo[2 * n] + stereo[2 * n + 1];
    const double a = 2 * std::numbers::pi * hz * double(n) / rate;
    re += v * std::cos(a);
    im += v * std::sin(a);
  }
  return std::hypot(re, im) / double(frames);
}

MusicPiece ParseOk(const std::string& text) {
  const MusicParse parse = ParseMusicPiece(text, "m.txt", "piece");
  EXPECT_TRUE(parse.errors.empty()) << (parse.errors.empty() ? "" : parse.errors[0]);
  return parse.piece.value_or(MusicPiece{});
}

// Three seconds of music: 180 beats a minute, two beats a bar, four bars.
const char* kShort =
    "title short\ntempo 180\nmeter 2\nkey C major\nlength 2\nending 0\nseed 4\nprogression I V\n"
    "instrument keys sine harmonics=1,0.3 adsr=0.005,0.3,0.5,0.1 vol=0.4\n"
    "instrument bass triangle adsr=0.005,0.2,0.6,0.1 vol=0.5\n"
    "part chords keys octave=4 rhythm=x.x.\npart bass bass octave=2 rhythm=x---\n"
    "part melody keys octave=5 density=0.8\n";

std::vector<float> StereoSine(double seconds, double hz) {
  std::vector<float> s(std::size_t(seconds * 44100) * 2);
  for (std::size_t n = 0; n < s.size() / 2; ++n) {
    s[2 * n] = float(0.5 * std::sin(2 * std::numbers::pi * hz * double(n) / 44100));
    s[2 * n + 1] = float(0.3 * std::sin(2 * std::numbers::pi * hz * 1.5 * double(n) / 44100));
  }
  return s;
}

TEST(MusicCompose, LengthFollowsTempoMeterAndProgression) {
  MusicPiece p = ParseOk(kShort);
  EXPECT_EQ(PieceBodyBars(p), 4);  // two bars wanted, rounded to a four-bar phrase
  const auto s = RenderPiece(p, 44100);
  const double seconds = double(s.size()) / 2 / 44100;
  EXPECT_GT(seconds, 2.6);                  // four bars of two beats at 180
  EXPECT_LE(seconds, PieceSeconds(p) + 1e-9);
  EXPECT_GT(Rms(s), 0.05);

  // An eight-bar progression at 60 beats a minute in 4/4: 50 s wanted is 12.5
  // bars, made 16; the ending adds two.
  p.tempo = 60;
  p.meter = 4;
  p.length = 50;
  p.ending = 2;
  p.progression.assign(8, MusicChord{});
  EXPECT_EQ(PieceBodyBars(p), 16);
  EXPECT_NEAR(PieceSeconds(p), 18 * 4 + 0.105 + 0.05, 0.01);
}

TEST(MusicCompose, SameTextSameSamplesOtherSeedOtherTune) {
  const MusicPiece a = ParseOk(kShort);
  const auto first = RenderPiece(a, 44100);
  EXPECT_EQ(first, RenderPiece(a, 44100));
  MusicPiece b = a;
  b.seed = 99;
  const auto other = RenderPiece(b, 44100);
  EXPECT_NE(first, other);
  MusicPiece c = a;
  c.tonic = 9;
  c.mode = "minor";
  EXPECT_NE(first, RenderPiece(c, 44100));
}

TEST(MusicCompose, ChordsAreBuiltFromTheKey) {
  // One sustained tonic chord of sines: its three notes sound, the notes
  // between them do not.
  const std::string head =
      "tempo 120\nmeter 4\nlength 2\nending 0\nprogression I\n"
      "instrument organ sine adsr=0.01,0,1,0.05 vol=0.5\npart chords organ octave=4 rhythm=x---\n";
  const auto major = RenderPiece(ParseOk("key C major\n" + head), 44100);
  const double c4 = 261.63, e4 = 329.63, g4 = 392.00, eb4 = 311.13, f4 = 349.23, ab4 = 415.30;
  for (double on : {c4, e4, g4})
    for (double off : {eb4, f4, ab4}) EXPECT_GT(Strength(major, 44100, on), 10 * Strength(major, 44100, off));
  // The same degree in A minor is a minor chord: A, C, E and no C#.
  const auto minor = RenderPiece(ParseOk("key A minor\n" + head), 44100);
  const double a3 = 220.0, a4 = 440.0, c5 = 523.25, csharp = 277.18, csharp5 = 554.37;
  const double a = std::max(Strength(minor, 44100, a3), Strength(minor, 44100, a4));
  const double c = std::max(Strength(minor, 44100, c4), Strength(minor, 44100, c5));
  const double cs = std::max(Strength(minor, 44100, csharp), Strength(minor, 44100, csharp5));
  EXPECT_GT(a, 10 * cs);
  EXPECT_GT(c, 10 * cs);
}

TEST(MusicParse, ErrorsNameFileAndLineAndRefuseThePiece) {
  const MusicParse parse = ParseMusicPiece(
      "tempo 1000\n"                                    // 1 out of range
      "key H major\n"                                   // 2 no such tonic
      "progression I IV VIII\n"                         // 3 no such numeral
      "instrument a sine vol=x\n"                       // 4 bad number
      "instrument b sine\n"                             // 5
      "part chords b rhythm=x.y.\n"                     // 6 bad rhythm
      "part melody ghost\n"                             // 7 unknown instrument
      "volume 3\n"                                      // 8 unknown keyword
      "length 100000\n",                                // 9 absurd length
      "music/bad.txt", "bad");
  EXPECT_FALSE(parse.piece);
  for (int line : {1, 2, 3, 4, 6, 7, 8, 9}) {
    const std::string where = "music/bad.txt:" + std::to_string(line) + ":";
    EXPECT_TRUE(std::any_of(parse.errors.begin(), parse.errors.end(),
                            [&](const std::string& e) { return e.rfind(where, 0) == 0; }))
        << where;
  }
  // Within the limits one by one, too long together: refused as a whole.
  const MusicParse tooLong = ParseMusicPiece(
      "tempo 40\nmeter 7\nlength 600\nending 8\nprogression I:16\ninstrument a sine\npart chords a rhythm=x\n",
      "m.txt", "x");
  EXPECT_FALSE(tooLong.piece);
  ASSERT_FALSE(tooLong.errors.empty());
  EXPECT_NE(tooLong.errors[0].find("more than 600"), std::string::npos);
  // Within the length, but thousands of heavy chords: refused before rendering.
  const MusicParse tooHeavy = ParseMusicPiece(
      "tempo 200\nmeter 7\nlength 500\nprogression I\n"
      "instrument a saw unison=8 harmonics=1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1\n"
      "part chords a rhythm=xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\n",
      "m.txt", "x");
  EXPECT_FALSE(tooHeavy.piece);
  ASSERT_FALSE(tooHeavy.errors.empty());
  EXPECT_NE(tooHeavy.errors[0].find("too much work"), std::string::npos);
}

TEST(Mp3Encode, ShortStereoEncodesAndDecodesBack) {
  TempDir dir;
  const auto pcm = StereoSine(2.5, 440);
  std::string error;
  ASSERT_TRUE(EncodeMp3File(pcm, Mp3Settings{}, dir / "a.mp3", &error)) << error;
  ASSERT_TRUE(EncodeMp3File(pcm, Mp3Settings{}, dir / "b.mp3", &error)) << error;
  const std::string bytes = test::ReadFile(dir / "a.mp3");
  EXPECT_EQ(bytes, test::ReadFile(dir / "b.mp3"));  // same samples, same bytes
  // A bare stream: no ID3 tag, starts on a frame sync; 128 kbit/s for 2.5 s.
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(std::uint8_t(bytes[0]), 0xFF);
  EXPECT_EQ(std::uint8_t(bytes[1]) & 0xE0, 0xE0);
  EXPECT_NEAR(double(bytes.size()), 128000 / 8 * 2.5, 4000);
  EXPECT_FALSE(std::filesystem::exists(dir / "a.mp3.part"));

  const Decoded d = Decode(dir / "a.mp3");
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.codec, AV_CODEC_ID_MP3);
  EXPECT_EQ(d.rate, 44100);
  EXPECT_EQ(d.channels, 2);
  EXPECT_NEAR(d.probedSeconds, 2.5, 0.05);
  EXPECT_NEAR(double(d.left.size()) / 44100, 2.5, 0.06);
  EXPECT_NEAR(Rms(d.left), 0.5 / std::sqrt(2.0), 0.03);
  int crossings = 0;
  for (std::size_t i = 1; i < d.left.size(); ++i) crossings += d.left[i - 1] < 0 && d.left[i] >= 0;
  EXPECT_NEAR(crossings, 440 * 2.5, 15);
}

TEST(Mp3Encode, FailureLeavesNoFileAndSaysWhy) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  std::string error;
  EXPECT_FALSE(EncodeMp3File(StereoSine(0.1, 440), Mp3Settings{}, dir / "file/under/a.mp3", &error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(EncodeMp3File({0.1f, 0.2f, 0.3f}, Mp3Settings{}, dir / "odd.mp3", &error));  // half a frame
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "odd.mp3"));
  EXPECT_FALSE(std::filesystem::exists(dir / "odd.mp3.part"));
}

TEST(MusicStep, BuildsGoodPiecesAndReportsBadOnes) {
  TempDir dir;
  WriteFile(dir / "content/music/short.txt", kShort);
  WriteFile(dir / "content/music/broken.txt", "tempo 90\nprogression I\nmelody everywhere\n");
  WriteFile(dir / "content/music/README.md", "# not a piece\n");
  std::vector<std::string> log;
  BuildContext ctx;
  ctx.contentDir = dir / "content";
  ctx.discDir = dir / "disc";
  ctx.log = [&](const std::string& line) { log.push_back(line); };
  EXPECT_FALSE(BuildMusic(ctx));
  auto logged = [&](const std::string& part) {
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
  };
  EXPECT_TRUE(logged("music/broken.txt:3:"));
  EXPECT_FALSE(std::filesystem::exists(dir / "disc/music/bg/broken.mp3"));
  const Decoded d = Decode(dir / "disc/music/bg/short.mp3");
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.rate, 44100);
  EXPECT_EQ(d.channels, 2);
  const double expected = double(RenderPiece(ParseOk(kShort), 44100).size()) / 2 / 44100;
  EXPECT_NEAR(d.probedSeconds, expected, 0.06);
  EXPECT_GT(Rms(d.left), 0.03);
}

TEST(MusicStep, ShippedPiecesAreLongCalmAndDifferent) {
  // Parsing and planning only: rendering all of them belongs to the build.
  std::vector<std::string> errors;
  const auto files =
      ReadSourceFolder(std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "content", "music",
                       &errors);
  ASSERT_GE(files.size(), 3u);
  std::vector<MusicPiece> pieces;
  for (const auto& f : files) {
    MusicParse parse = ParseMusicPiece(f.text, f.label, f.path.stem().string());
    ASSERT_TRUE(parse.piece) << parse.errors[0];
    EXPECT_GE(PieceSeconds(*parse.piece), 40.0) << f.label;
    EXPECT_LE(parse.piece->tempo, 120) << f.label;  // background, not dance
    pieces.push_back(*parse.piece);
  }
  for (std::size_t a = 0; a < pieces.size(); ++a)
    for (std::size_t b = a + 1; b < pieces.size(); ++b) {
      EXPECT_NE(pieces[a].title, pieces[b].title);
      const bool sameKey = pieces[a].tonic == pieces[b].tonic && pieces[a].mode == pieces[b].mode;
      EXPECT_FALSE(sameKey && pieces[a].tempo == pieces[b].tempo) << pieces[a].title << " / " << pieces[b].title;
    }
}

}  // namespace
}  // namespace trv::disc
