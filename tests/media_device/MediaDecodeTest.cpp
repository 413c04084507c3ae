// The decoder threads both backends' plays would share: exact spans of sound,
// the frame showing at the start of a span first, the queues between the
// threads and the loop, and threads that end at once when dropped.
#include "platform/media/MediaDecode.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Paths.h"
#include "platform/media/MediaProbe.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

using Clock = std::chrono::steady_clock;

std::shared_ptr<FileHandle> Open(const std::filesystem::path& p) {
  MediaFileOpen f = OpenMediaFile(ToWindowsPath(p));
  EXPECT_EQ(f.code, mci::kOk) << f.why;
  return std::make_shared<FileHandle>(std::move(f.file));
}

// Everything a thread queues until it is done.
std::size_t DrainRing(SampleRing& ring, std::vector<std::int16_t>* keep = nullptr) {
  std::vector<std::int16_t> buf(4096 * std::size_t(ring.Channels()));
  std::size_t total = 0;
  const auto start = Clock::now();
  while (!ring.Drained() && Clock::now() - start < std::chrono::seconds(10)) {
    const std::size_t n = ring.Read(buf.data(), 4096);
    if (keep) keep->insert(keep->end(), buf.begin(), buf.begin() + std::ptrdiff_t(n) * ring.Channels());
    total += n;
    if (!n) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return total;
}

std::vector<VideoFrame> DrainFrames(FrameQueue& q) {
  std::vector<VideoFrame> out;
  const auto start = Clock::now();
  while (Clock::now() - start < std::chrono::seconds(10)) {
    if (auto f = q.Pop()) {
      out.push_back(std::move(*f));
      continue;
    }
    if (q.Finished() && !q.FrontTime()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return out;
}

bool Near(Color a, Color b) {
  return std::abs(RedOf(a) - RedOf(b)) < 16 && std::abs(GreenOf(a) - GreenOf(b)) < 16 &&
         std::abs(BlueOf(a) - BlueOf(b)) < 16;
}

class MediaDecodeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new test::TempDir();
    std::string error;
    ASSERT_TRUE(test::WriteWav(*dir / "tone.wav", 2.0, 22050, 1));
    ASSERT_TRUE(test::WriteMp3(*dir / "song.mp3", 2.0, 44100, &error)) << error;
    ASSERT_TRUE(test::WriteClip(*dir / "clip.avi", 64, 48, 25, 30, disc::ClipCodec::MotionJpeg, 2, &error)) << error;
    ASSERT_TRUE(test::WriteClip(*dir / "mpeg4.avi", 64, 48, 25, 30, disc::ClipCodec::Mpeg4, 2, &error)) << error;
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }
  static inline test::TempDir* dir = nullptr;
};

TEST_F(MediaDecodeTest, SoundComesResampledForExactlyTheSpanAsked) {
  // 22050 Hz mono to 44100 Hz stereo, from 0.5 s to 1.5 s: one second.
  auto ring = std::make_shared<SampleRing>(4096, 2);
  std::vector<std::int16_t> samples;
  {
    AudioDecodeThread audio(Open(*dir / "tone.wav"), {500, 1500}, 44100, ring);
    EXPECT_EQ(DrainRing(*ring, &samples), 44100u);
  }
  // Both channels carry the tone, and it is not silence.
  int loud = 0;
  for (std::size_t i = 0; i + 1 < samples.size(); i += 2) {
    EXPECT_EQ(samples[i], samples[i + 1]);
    loud += std::abs(samples[i]) > 4000;
  }
  EXPECT_GT(loud, 20000);

  // MP3 from the middle to the end; the first samples are reported once.
  ring = std::make_shared<SampleRing>(4096, 2);
  int reports = 0;
  std::int64_t latency = -1;
  {
    AudioDecodeThread audio(Open(*dir / "song.mp3"), {1000, 2000}, 48000, ring, [&](std::int64_t us) {
      ++reports;
      latency = us;
    });
    EXPECT_EQ(DrainRing(*ring), 48000u);
  }
  EXPECT_EQ(reports, 1);
  EXPECT_GE(latency, 0);
}

TEST_F(MediaDecodeTest, TheFrameShowingAtTheStartComesFirstThenEachAtItsTime) {
  for (const char* name : {"clip.avi", "mpeg4.avi"}) {
    // 25 frames a second: at 500 ms frame 12 (480 ms) shows; up to 800 ms.
    auto queue = std::make_shared<FrameQueue>(3);
    std::vector<VideoFrame> frames;
    {
      VideoDecodeThread video(Open(*dir / name), {500, 800}, {}, queue);
      frames = DrainFrames(*queue);
    }
    std::string times;
    for (const auto& f : frames) times += std::to_string(f.ms) + " ";
    ASSERT_EQ(frames.size(), 8u) << name << ": " << times;  // 480 (as 500), 520, ... 760
    EXPECT_EQ(frames[0].ms, 500);
    EXPECT_EQ(frames[1].ms, 520);
    EXPECT_EQ(frames.back().ms, 760);
    EXPECT_EQ(frames[0].picture.Width(), 64);
    EXPECT_TRUE(Near(frames[0].picture.Pixel(60, 20), test::ClipColour(12))) << name;
    EXPECT_TRUE(Near(frames[1].picture.Pixel(60, 20), test::ClipColour(13))) << name;
  }

  // Frames come at the size asked; a start past the last frame shows the last.
  auto queue = std::make_shared<FrameQueue>(3);
  {
    VideoDecodeThread video(Open(*dir / "clip.avi"), {1200, 1200}, {128, 96}, queue);
    auto frames = DrainFrames(*queue);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].ms, 1200);
    EXPECT_EQ(frames[0].picture.Width(), 128);
    EXPECT_EQ(frames[0].picture.Height(), 96);
    EXPECT_TRUE(Near(frames[0].picture.Pixel(120, 40), test::ClipColour(29)));
  }
}

TEST_F(MediaDecodeTest, ThreadsBlockedOnAFullQueueEndAtOnceWhenDropped) {
  auto ring = std::make_shared<SampleRing>(256, 2);
  auto queue = std::make_shared<FrameQueue>(1);
  auto audio = std::make_unique<AudioDecodeThread>(Open(*dir / "song.mp3"), DecodeSpan{0, 2000}, 44100, ring);
  auto video = std::make_unique<VideoDecodeThread>(Open(*dir / "clip.avi"), DecodeSpan{0, 1200}, Size{}, queue);
  const auto filled = Clock::now();
  while ((ring->QueuedFrames() < 256 || !queue->FrontTime()) && Clock::now() - filled < std::chrono::seconds(5))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_EQ(ring->QueuedFrames(), 256u);  // both are now waiting for room
  const auto start = Clock::now();
  audio.reset();
  video.reset();
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_TRUE(ring->Closed());
  EXPECT_EQ(ring->QueuedFrames(), 256u);  // what was queued can still be played out
}

TEST(SampleRingTest, WrapsAroundKeepsOrderAndClosesForTheWriterOnly) {
  SampleRing ring(5, 2);
  const std::int16_t a[] = {1, -1, 2, -2, 3, -3, 4, -4};
  ASSERT_TRUE(ring.Write(a, 4));
  std::int16_t out[10] = {};
  ASSERT_EQ(ring.Read(out, 3), 3u);
  ASSERT_TRUE(ring.Write(a, 4));  // wraps past the end
  EXPECT_EQ(ring.QueuedFrames(), 5u);
  ASSERT_EQ(ring.Read(out, 10), 5u);
  const std::int16_t want[] = {4, -4, 1, -1, 2, -2, 3, -3, 4, -4};
  EXPECT_TRUE(std::equal(std::begin(want), std::end(want), out));
  EXPECT_EQ(ring.Read(out, 1), 0u);  // never waits

  // A writer waiting for room is let go by Close; the rest stays readable.
  ASSERT_TRUE(ring.Write(a, 4));
  bool written = true;
  std::thread writer([&] { written = ring.Write(a, 4); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(ring.Drained());
  ring.Close();
  writer.join();
  EXPECT_FALSE(written);
  EXPECT_GE(ring.Read(out, 10), 4u);
  EXPECT_TRUE(ring.Drained());
  EXPECT_FALSE(ring.Write(a, 1));
}

TEST(FrameQueueTest, WakesTheReaderOnlyWhenAFrameComesToAnEmptyQueue) {
  FrameQueue q(2);
  int wakes = 0;
  q.SetWake([&] { ++wakes; });
  ASSERT_TRUE(q.Push({0, Bitmap(1, 1)}));
  ASSERT_TRUE(q.Push({40, Bitmap(1, 1)}));
  EXPECT_EQ(wakes, 1);
  EXPECT_EQ(q.FrontTime(), 0);
  q.Pop();
  q.Pop();
  EXPECT_FALSE(q.FrontTime());
  ASSERT_TRUE(q.Push({80, Bitmap(1, 1)}));
  EXPECT_EQ(wakes, 2);
  q.Finish();  // the reader is told there is nothing more
  EXPECT_EQ(wakes, 3);
  EXPECT_TRUE(q.Finished());

  ASSERT_TRUE(q.Push({120, Bitmap(1, 1)}));
  bool pushed = true;
  std::thread writer([&] { pushed = q.Push({160, Bitmap(1, 1)}); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  q.Close();
  writer.join();
  EXPECT_FALSE(pushed);
}

}  // namespace
}  // namespace trv
