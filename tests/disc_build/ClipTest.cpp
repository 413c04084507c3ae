// The clip step: the AVI writer read back with the video libraries, the game
// table's geometry against the game's rules, the drawn pointer, and the clip
// list's error reporting.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "disc/build/ClipEncoder.h"
#include "disc/build/Steps.h"
#include "disc/build/TopAnimation.h"
#include "platform/Bmp.h"
#include "platform/fonts/FontEngine.h"
#include "support/TestSupport.h"

namespace trv::disc {
namespace {

using test::TempDir;
using test::WriteFile;

// What the video libraries make of a clip file.
struct ReadBack {
  bool opened = false;
  std::string codec;
  long long declaredFrames = 0;
  int width = 0, height = 0;
  AVRational rate{0, 1};
  int packets = 0, keyPackets = 0;
  std::vector<Bitmap> frames;  // decoded, as BGR
};

ReadBack ReadClip(const std::filesystem::path& path) {
  av_log_set_level(AV_LOG_ERROR);  // the decoders' notes on full-range frames are expected here
  ReadBack r;
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.string().c_str(), nullptr, nullptr) < 0) return r;
  if (avformat_find_stream_info(fmt, nullptr) < 0 || fmt->nb_streams != 1) {
    avformat_close_input(&fmt);
    return r;
  }
  AVStream* st = fmt->streams[0];
  r.opened = true;
  r.codec = avcodec_get_name(st->codecpar->codec_id);
  r.declaredFrames = st->nb_frames;
  r.width = st->codecpar->width;
  r.height = st->codecpar->height;
  r.rate = st->avg_frame_rate;
  const AVCodec* decoder = avcodec_find_decoder(st->codecpar->codec_id);
  AVCodecContext* dec = avcodec_alloc_context3(decoder);
  avcodec_parameters_to_context(dec, st->codecpar);
  avcodec_open2(dec, decoder, nullptr);
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto drain = [&] {
    while (avcodec_receive_frame(dec, frame) == 0) {
      Bitmap b(frame->width, frame->height);
      SwsContext* sws = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                       frame->height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
      std::uint8_t* dst[1] = {b.Data()};
      const int stride[1] = {b.Stride()};
      sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, stride);
      sws_freeContext(sws);
      r.frames.push_back(std::move(b));
    }
  };
  while (av_read_frame(fmt, pkt) >= 0) {
    ++r.packets;
    if (pkt->flags & AV_PKT_FLAG_KEY) ++r.keyPackets;
    avcodec_send_packet(dec, pkt);
    av_packet_unref(pkt);
    drain();
  }
  avcodec_send_packet(dec, nullptr);
  drain();
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&dec);
  avformat_close_input(&fmt);
  return r;
}

// Frame i: left half a warm red, right half a blue, both brighter with i.
Bitmap TestFrame(int w, int h, int i) {
  Bitmap b(w, h);
  b.Fill({0, 0, w / 2, h}, MakeColor(std::uint8_t(120 + 10 * i), 30, 20));
  b.Fill({w / 2, 0, w, h}, MakeColor(20, 40, std::uint8_t(100 + 12 * i)));
  return b;
}

bool Near(Color got, Color want, int tolerance) {
  return std::abs(RedOf(got) - RedOf(want)) <= tolerance && std::abs(GreenOf(got) - GreenOf(want)) <= tolerance &&
         std::abs(BlueOf(got) - BlueOf(want)) <= tolerance;
}

TEST(ClipEncoder, WritesAnAviThatReadsBackFrameByFrame) {
  TempDir dir;
  const auto path = dir / "sub" / "short.avi";
  std::string error;
  auto enc = ClipEncoder::Create(path, {64, 48, 25, 3}, &error);
  ASSERT_TRUE(enc) << error;
  EXPECT_STREQ(enc->CodecName(), "mjpeg");
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(enc->AddFrame(TestFrame(64, 48, i), &error)) << error;
  EXPECT_FALSE(std::filesystem::exists(path)) << "only the finished file takes the name";
  ASSERT_TRUE(enc->Finish(&error)) << error;
  EXPECT_EQ(enc->FramesWritten(), 10);
  EXPECT_FALSE(std::filesystem::exists(dir / "sub" / "short.avi.part"));

  const ReadBack r = ReadClip(path);
  ASSERT_TRUE(r.opened);
  EXPECT_EQ(r.codec, "mjpeg");
  EXPECT_EQ(r.declaredFrames, 10);
  EXPECT_EQ(r.width, 64);
  EXPECT_EQ(r.height, 48);
  EXPECT_EQ(r.rate.num, 25);
  EXPECT_EQ(r.rate.den, 1);
  EXPECT_EQ(r.packets, 10);
  EXPECT_EQ(r.keyPackets, 10) << "every frame must start a play by itself";
  ASSERT_EQ(r.frames.size(), 10u);
  // Colours, order and full-range levels survive: a swapped channel, a wrong
  // range or a shuffled frame would be far off.
  for (int i : {0, 4, 9}) {
    const Bitmap want = TestFrame(64, 48, i);
    EXPECT_TRUE(Near(r.frames[i].Pixel(12, 24), want.Pixel(12, 24), 8)) << "frame " << i;
    EXPECT_TRUE(Near(r.frames[i].Pixel(52, 24), want.Pixel(52, 24), 8)) << "frame " << i;
  }
}

TEST(ClipEncoder, Mpeg4IsReadBackWithItsFrameCount) {
  TempDir dir;
  std::string error;
  ClipFormat format{64, 48, 25, 4, ClipCodec::Mpeg4};
  auto enc = ClipEncoder::Create(dir / "m.avi", format, &error);
  ASSERT_TRUE(enc) << error;
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(enc->AddFrame(TestFrame(64, 48, i), &error));
  ASSERT_TRUE(enc->Finish(&error)) << error;
  const ReadBack r = ReadClip(dir / "m.avi");
  ASSERT_TRUE(r.opened);
  EXPECT_EQ(r.codec, enc->CodecName());
  EXPECT_EQ(r.declaredFrames, 10);
  ASSERT_EQ(r.frames.size(), 10u);
  EXPECT_TRUE(Near(r.frames[9].Pixel(52, 24), TestFrame(64, 48, 9).Pixel(52, 24), 12));
}

TEST(ClipEncoder, RefusesBadFormatsAndFramesAndLeavesNothingBehind) {
  TempDir dir;
  std::string error;
  EXPECT_FALSE(ClipEncoder::Create(dir / "a.avi", {63, 48, 25, 4}, &error));
  EXPECT_NE(error.find("even"), std::string::npos) << error;
  EXPECT_FALSE(ClipEncoder::Create(dir / "a.avi", {64, 48, 0, 4}, &error));
  EXPECT_FALSE(ClipEncoder::Create(dir / "a.avi", {64, 48, 25, 1}, &error));
  EXPECT_FALSE(ClipEncoder::Create(dir / "a.avi", {0, 0, 25, 4}, &error));
  {
    auto enc = ClipEncoder::Create(dir / "b.avi", {64, 48, 25, 4}, &error);
    ASSERT_TRUE(enc) << error;
    EXPECT_FALSE(enc->AddFrame(Bitmap(32, 48), &error));
    EXPECT_NE(error.find("32x48"), std::string::npos) << error;
    EXPECT_TRUE(enc->AddFrame(TestFrame(64, 48, 0), &error));
  }  // dropped unfinished
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
  // A place that cannot be written.
  WriteFile(dir / "file", "x");
  EXPECT_FALSE(ClipEncoder::Create(dir / "file" / "c.avi", {64, 48, 25, 4}, &error));
  EXPECT_FALSE(error.empty());
}

TEST(GameTableGeometry, PositionsFollowTheGameOrderCounterClockwiseFromTheTop) {
  std::vector<int> byPosition;
  for (int p = 1; p <= kTableSectors; ++p) byPosition.push_back(SectorAtPosition(p));
  EXPECT_EQ(byPosition, (std::vector<int>{10, 8, 2, 12, 6, 13, 4, 9, 7, 1, 11, 5, 14, 3}));
  for (int s = 1; s <= kTableSectors; ++s) EXPECT_EQ(SectorAtPosition(PositionOfSector(s)), s);
  EXPECT_EQ(PositionOfSector(0), 0);
  EXPECT_EQ(PositionOfSector(15), 0);
  EXPECT_EQ(SectorAtPosition(15), 0);

  EXPECT_DOUBLE_EQ(PositionAngle(1), 0.0);
  EXPECT_NEAR(PositionAngle(2), 13.0 / 14, 1e-12);  // the next position is to the left
  EXPECT_NEAR(PositionAngle(14), 1.0 / 14, 1e-12);
  for (int p = 1; p <= kTableSectors; ++p) {
    EXPECT_EQ(PositionAtAngle(PositionAngle(p)), p);
    EXPECT_EQ(PositionAtAngle(PositionAngle(p) + 0.49 / 14), p);
    EXPECT_EQ(PositionAtAngle(PositionAngle(p) - 0.49 / 14 - 3), p);
  }
}

TEST(GameTableGeometry, ClipMatchesTheGamesStartPictureAndStopsOnItsSector) {
  for (int speed : {0, 1}) {
    SpinPlan plan;
    plan.speed = speed;
    plan.slowdown = speed ? 2 : 1;
    ASSERT_EQ(CheckSpinPlan(plan), "");
    for (int n = 1; n <= kTableSectors; ++n) {
      // The game shows position Order[n] - round(K * 14 / 25.1) and then plays from frame K.
      for (int k = 0; k <= kSteadyFrames; ++k) {
        int p = PositionOfSector(n) - int(std::lround(k / 25.1 * 14));
        while (p < 1) p += 14;
        ASSERT_EQ(PositionAtAngle(PointerAngle(plan, n, k)), p) << "sector " << n << " frame " << k;
      }
      const double last = PointerAngle(plan, n, plan.frames - 1);
      EXPECT_EQ(PositionAtAngle(last), PositionOfSector(n));
      EXPECT_NEAR(last - std::floor(last), PositionAngle(PositionOfSector(n)), 1e-9) << "at the sector's middle";
    }
    // Clockwise all along, without a jump where the slowing down begins, and
    // still from the stop frame on.
    double before = PointerAngle(plan, 5, 0), step = 0;
    for (int f = 1; f < plan.frames; ++f) {
      const double a = PointerAngle(plan, 5, f);
      EXPECT_GE(a, before);
      if (f > 1 && f <= plan.stopFrame) {
        EXPECT_LE(a - before, step + 1e-9) << "speeds up at frame " << f;
      }
      step = f <= kSteadyFrames + 1 ? a - before : std::min(step, a - before);
      before = a;
    }
    EXPECT_NEAR(PointerAngle(plan, 5, kSteadyFrames + 1) - PointerAngle(plan, 5, kSteadyFrames),
                speed + 1 / kFramesPerTurn, 0.01 * (speed + 1));
    EXPECT_EQ(PointerAngle(plan, 5, plan.stopFrame), PointerAngle(plan, 5, plan.frames - 1));
  }
}

TEST(GameTableGeometry, RejectsPlansTheTopCannotRun) {
  SpinPlan plan;
  EXPECT_EQ(CheckSpinPlan(plan), "");
  SpinPlan late = plan;
  late.stopFrame = late.frames;
  EXPECT_NE(CheckSpinPlan(late), "");
  SpinPlan early = plan;
  early.stopFrame = kSteadyFrames + 2;
  EXPECT_NE(CheckSpinPlan(early), "");
  SpinPlan short_ = plan;
  short_.frames = 90;
  EXPECT_NE(CheckSpinPlan(short_), "");
  SpinPlan soft = plan;
  soft.slowdown = 0.5;
  EXPECT_NE(CheckSpinPlan(soft), "");
  SpinPlan blur = plan;
  blur.shutter = -1;
  EXPECT_NE(CheckSpinPlan(blur), "");
}

class TableFrames : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fonts_ = CreateFontEngine().release();
    std::string error;
    renderer_ = TableRenderer::Create(TableLook{}, fonts_, &error).release();
    ASSERT_TRUE(renderer_) << error;
  }
  static void TearDownTestSuite() {
    delete renderer_;
    delete fonts_;
  }
  static FontEngine* fonts_;
  static TableRenderer* renderer_;
};
FontEngine* TableFrames::fonts_ = nullptr;
TableRenderer* TableFrames::renderer_ = nullptr;

TEST_F(TableFrames, TheLastFramesPointerLiesInItsSector) {
  ASSERT_TRUE(renderer_);
  const TableRenderer& r = *renderer_;
  const Bitmap empty = r.EmptyTable();
  const SpinPlan plan;
  for (int n = 1; n <= kTableSectors; ++n) {
    const Bitmap last = r.ClipFrame(plan, n, plan.frames - 1);
    ASSERT_EQ(last, r.Still(n)) << "the still picture is the clip's last frame";
    const double centre = PositionAngle(PositionOfSector(n));
    int changed = 0, nearTip = 0;
    for (int y = 0; y < last.Height(); ++y)
      for (int x = 0; x < last.Width(); ++x) {
        const double dx = x + 0.5 - r.CentreX(), dy = y + 0.5 - r.CentreY();
        const double radius = std::hypot(dx, dy);
        // Beyond the body only the steel arrow brightens the table (its
        // outline and shadow darken it).
        if (radius < r.BodyRadius() + 2) continue;
        const Color a = last.Pixel(x, y), b = empty.Pixel(x, y);
        const int lift = (RedOf(a) + GreenOf(a) + BlueOf(a)) - (RedOf(b) + GreenOf(b) + BlueOf(b));
        if (lift < 60) continue;
        ++changed;
        if (radius > r.PointerLength() - 5) ++nearTip;
        double turns = std::atan2(dx, -dy) / (2 * std::numbers::pi) - centre;
        turns -= std::round(turns);
        EXPECT_LT(std::fabs(turns), 0.5 / kTableSectors) << "sector " << n << " pixel " << x << "," << y;
      }
    EXPECT_GT(changed, 60) << "sector " << n << ": the arrow must be drawn";
    EXPECT_GT(nearTip, 3) << "sector " << n << ": the arrow must reach into the ring";
  }
  EXPECT_GT(r.PointerLength(), r.SectorInner());
  EXPECT_LT(r.PointerLength(), r.SectorOuter());
}

TEST_F(TableFrames, FramesMoveAreBlurredWhileFastAndAreRepeatable) {
  ASSERT_TRUE(renderer_);
  const SpinPlan plan;
  const Bitmap a = renderer_->ClipFrame(plan, 7, 10);
  EXPECT_NE(a, renderer_->ClipFrame(plan, 7, 11));
  EXPECT_EQ(a, renderer_->ClipFrame(plan, 7, 10));
  // With the shutter open the arrow is smeared: fewer pixels are fully
  // arrow-coloured than in a sharp picture at the same angle.
  SpinPlan sharp = plan;
  sharp.shutter = 0;
  const Bitmap crisp = renderer_->ClipFrame(sharp, 7, 10);
  auto bright = [](const Bitmap& b) {
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) n += RedOf(b.Pixel(x, y)) > 200 && BlueOf(b.Pixel(x, y)) > 200;
    return n;
  };
  EXPECT_LT(bright(a), bright(crisp));
  std::string error;
  auto again = TableRenderer::Create(TableLook{}, fonts_, &error);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->ClipFrame(plan, 7, 10), a);
}

TEST(TableRenderer, ReportsAMissingFontAndABadSize) {
  std::string error;
  EXPECT_FALSE(TableRenderer::Create(TableLook{}, nullptr, &error));
  EXPECT_NE(error.find("font"), std::string::npos) << error;
  TableLook tiny;
  tiny.width = 10;
  EXPECT_FALSE(TableRenderer::Create(tiny, nullptr, &error));
}

struct StepRun : test::LineLog {
  TempDir content;
  TempDir disc;
  std::unique_ptr<FontEngine> fonts = CreateFontEngine();
  bool Run() {
    BuildContext ctx;
    ctx.contentDir = content.Path();
    ctx.discDir = disc.Path();
    ctx.fonts = fonts.get();
    ctx.log = Sink();
    return BuildClips(ctx);
  }
};

TEST(ClipStep, ReportsEveryBadLineWithItsPlaceAndEncodesNothing) {
  StepRun s;
  WriteFile(s.content / "clips" / "list.txt",
            "table avis\\t#.avi\n"          // 1
            "  size 308 232\n"              // 2
            "  colour #ffffff\n"            // 3 unknown key
            "  rim #12345\n"                // 4 not a colour
            "  size 307 232\n"              // 5 odd
            "  stop 400\n"                  // 6 fine alone, but past the frames
            "end\n"                         // 7 the plan is checked here
            "intro avis\\intro.avi\n"       // 8
            "  subtitle \"open\n"           // 9 unclosed quote
            "  seconds 0\n"                 // 10 out of range
            "end\n"                         // 11 no title
            "intro ..\\..\\x.avi\n"         // 12 leaves the disc
            "  title \"x\"\n"               // 13
            "end\n"                         // 14
            "loose words\n"                 // 15 outside a block
            "table avis\\u.avi\n"           // 16 no #
            "  frames 251\n");              // 17, no end
  EXPECT_FALSE(s.Run());
  for (int line : {3, 4, 5, 7, 9, 10, 11, 12, 15, 16})
    EXPECT_TRUE(s.Logged("clips/list.txt:" + std::to_string(line) + ":")) << line << "\n" << s.All();
  EXPECT_TRUE(s.Logged("no \"end\"")) << s.All();
  EXPECT_FALSE(s.Logged("clips/list.txt:2:"));
  EXPECT_FALSE(std::filesystem::exists(s.disc / "avis"));
}

TEST(ClipStep, RefusesTwoBlocksMakingOneFileAndAcceptsNoClips) {
  StepRun s;
  EXPECT_TRUE(s.Run());
  EXPECT_TRUE(s.Logged("no clip list")) << s.All();
  WriteFile(s.content / "clips" / "a.txt", "intro avis\\Intro.avi\n  title \"a\"\nend\n");
  WriteFile(s.content / "clips" / "b.txt", "intro avis/intro.avi\n  title \"b\"\nend\n");
  EXPECT_FALSE(s.Run());
  EXPECT_TRUE(s.Logged("clips/b.txt:1: \"avis\\intro.avi\" is already made by the block at clips/a.txt:1")) << s.All();
}

TEST(ClipStep, SurvivesGarbage) {
  StepRun s;
  std::string junk = "table \"\"\nend\nintro\nend end\n\"\\\n#\n";
  for (int i = 0; i < 2000; ++i) junk += char((i * 7919) % 256);
  junk += "\ntable a#\n  frames 99999999999999999999\n  slowdown nan\n  shutter -0\n  font \"\" 0\n";
  WriteFile(s.content / "clips" / "junk.txt", junk);
  EXPECT_FALSE(s.Run());
  EXPECT_FALSE(s.log.empty());
}

TEST(ClipStep, MakesTheTableClipsTheirPicturesAndTheIntro) {
  StepRun s;
  WriteFile(s.content / "clips" / "clips.txt",
            "# small, to keep the test quick\n"
            "table avis\\table#.avi\n"
            "  size 64 48\n  frames 112\n  stop 110\n  quality 10\n"
            "  pictures pics\\table#.bmp\n"
            "end\n"
            "intro avis\\intro.avi\n"
            "  size 80 60\n  seconds 1\n"
            "  title \"\xd0\xa2\xd0\xb5\xd1\x81\xd1\x82\"\n"  // a Cyrillic word in UTF-8
            "end\n");
  ASSERT_TRUE(s.Run()) << s.All();
  for (int n = 1; n <= kTableSectors; ++n)
    EXPECT_TRUE(std::filesystem::exists(s.disc / "avis" / ("table" + std::to_string(n) + ".avi"))) << n;
  const ReadBack table = ReadClip(s.disc / "avis" / "table14.avi");
  EXPECT_EQ(table.declaredFrames, 112);
  EXPECT_EQ(table.width, 64);
  ASSERT_EQ(table.frames.size(), 112u);
  const ReadBack intro = ReadClip(s.disc / "avis" / "intro.avi");
  EXPECT_EQ(intro.declaredFrames, 25);
  EXPECT_EQ(intro.width, 80);
  EXPECT_EQ(intro.height, 60);

  const auto picture = s.disc / ".stage" / "archive" / "clips" / "pics" / "table3.bmp";
  const std::string bytes = test::ReadFile(picture);
  const auto still = DecodeBmp(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  ASSERT_TRUE(still) << picture;
  EXPECT_EQ(still->Width(), 64);
  EXPECT_EQ(still->Height(), 48);
  EXPECT_TRUE(s.Logged("clips: 29 files")) << s.All();
}

}  // namespace
}  // namespace trv::disc
