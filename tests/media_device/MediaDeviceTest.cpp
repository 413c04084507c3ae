// The media device of the headless backend over real files: the header
// reader shared by both backends, bad files of every kind, and plays that
// last their length in virtual time.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstring>
#include <random>

#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/TraceEvents.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/media/MediaProbe.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& p) {
  const std::string s = test::ReadFile(p);
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

// Replaces every `from` (four bytes) in the file with `to`.
void Patch(const std::filesystem::path& p, const char* from, const char* to) {
  auto b = ReadBytes(p);
  for (std::size_t i = 0; i + 4 <= b.size(); ++i)
    if (std::memcmp(&b[i], from, 4) == 0) std::memcpy(&b[i], to, 4);
  test::WriteBytes(p, b);
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

// Files shared by the cases, made once.
class MediaFiles : public ::testing::Environment {
 public:
  static inline test::TempDir* dir = nullptr;
  void SetUp() override {
    dir = new test::TempDir();
    const auto& d = *dir;
    std::string error;
    ASSERT_TRUE(test::WriteWav(d / "tone.wav", 1.5));
    ASSERT_TRUE(test::WriteMp3(d / "Music" / "Song.mp3", 2.0, 44100, &error)) << error;
    std::filesystem::copy_file(d / "Music" / "Song.mp3", d / "song.mpa");
    ASSERT_TRUE(test::WriteClip(d / "avis" / "gametable1.avi", 64, 48, 25, 30, disc::ClipCodec::MotionJpeg, 4, &error))
        << error;
    ASSERT_TRUE(test::WriteClip(d / "mpeg4.avi", 64, 48, 25, 30, disc::ClipCodec::Mpeg4, 4, &error)) << error;
  }
  void TearDown() override {
    delete dir;
    dir = nullptr;
  }
};
const auto* const kFiles = ::testing::AddGlobalTestEnvironment(new MediaFiles);

std::filesystem::path File(const std::string& name) { return *MediaFiles::dir / name; }

MediaInfo Probe(const std::filesystem::path& p, int* code, std::string* why = nullptr) {
  MediaInfo info;
  std::string reason;
  const auto bytes = ReadBytes(p);
  *code = ProbeMediaBytes(bytes, &info, why ? why : &reason);
  // The descriptor path reads the same header.
  MediaFileOpen f = OpenMediaFile(ToWindowsPath(p));
  MediaInfo again;
  if (f.code == mci::kOk) {
    EXPECT_EQ(ProbeMediaFd(f.file.Get(), &again, &reason), *code) << p;
  }
  return info;
}

TEST(MediaProbeTest, ReadsTheLengthStreamsAndPicturesOfWhatTheDiscHolds) {
  int code = -1;
  MediaInfo wav = Probe(File("tone.wav"), &code);
  ASSERT_EQ(code, mci::kOk);
  EXPECT_TRUE(wav.hasAudio);
  EXPECT_FALSE(wav.hasVideo);
  EXPECT_EQ(wav.lengthMs, 1500);

  for (const char* name : {"Music/Song.mp3", "song.mpa"}) {
    MediaInfo mp3 = Probe(File(name), &code);
    ASSERT_EQ(code, mci::kOk) << name;
    EXPECT_TRUE(mp3.hasAudio);
    EXPECT_FALSE(mp3.hasVideo);
    EXPECT_NEAR(double(mp3.lengthMs), 2000.0, 60.0) << name;
  }

  for (const char* name : {"avis/gametable1.avi", "mpeg4.avi"}) {
    MediaInfo avi = Probe(File(name), &code);
    ASSERT_EQ(code, mci::kOk) << name;
    EXPECT_FALSE(avi.hasAudio);
    EXPECT_TRUE(avi.hasVideo);
    EXPECT_EQ(avi.natural, (Size{64, 48}));
    EXPECT_EQ(avi.rateNum, 25);
    EXPECT_EQ(avi.rateDen, 1);
    EXPECT_EQ(avi.lengthMs, 1200) << name;
  }
}

TEST(MediaProbeTest, AHeaderClaimingHugeSizesIsRefusedWithoutTakingThatMemory) {
  // An AVI header whose format chunk claims 800 MB (found by the fuzzer).
  static const char kHeader[] =
      "\x52\x49\x46\x46\x00\x17\x00\x00\x41\x56\x49\x20\x4c\x49\x53\x54\xec\x11\x00\x5b\x49\x4e\x46\x4f"
      "\x52\x74\x72\x68\x38\x00\x00\x00\x76\x69\x64\x73\x46\x4d\x50\x34\x00\x00\x00\x00\x00\x00\x20\x00"
      "\x00\x00\x00\x00\x5d\x00\x00\x00\x0a\x80\xff\xff\xff\xff\xff\xff\xff\x00\x00\x00\x46\x00\x00\x00"
      "\xff\xff\xff\xff\x00\x00\x00\x00\x00\x00\x00\x00\x10\x00\x66\x00\x73\x74\x72\x28\x10\x00\x00\x00"
      "\x28\x00\x00\x00\x10\x00\x00\x00\x00\x00\x09\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x3b\x30\x30\x3a\x30\x30\x30\x30\x3a\x30\x31\x2c\x30\x30\x30\x0a\x3e\x20\x00\x00\x00\x42\x00"
      "\x00\x00";
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  MediaInfo info;
  std::string why;
  EXPECT_NE(ProbeMediaBytes({reinterpret_cast<const std::uint8_t*>(kHeader), sizeof kHeader - 1}, &info, &why),
            mci::kOk);
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 200 * 1024) << "kilobytes more at the peak";
}

class HeadlessMediaTest : public ::testing::Test {
 protected:
  HeadlessMediaTest() : platform(Config()) {
    platform.Tracer().KeepLines(true);
    device = platform.Media().CreateDevice();
  }
  PlatformConfig Config() {
    PlatformConfig c;
    c.settingsDir = scratch / "settings";
    return c;
  }
  static std::string Path(const std::filesystem::path& p) { return ToWindowsPath(p); }
  std::vector<std::string> MediaLines() {
    std::vector<std::string> out;
    for (const auto& l : platform.Tracer().Lines())
      if (l.find("\"ev\":\"media\"") != std::string::npos) out.push_back(l);
    return out;
  }

  test::TempDir scratch;
  HeadlessPlatform platform;
  std::unique_ptr<MediaDevice> device;
  std::vector<std::string> notes;
};

TEST_F(HeadlessMediaTest, EveryBadFileGivesItsCodeAndOneLogLineNamingIt) {
  const auto& d = scratch;
  std::string error;
  test::WriteFile(d / "empty.mp3", std::string());
  std::mt19937 random(7);
  std::string garbage(4096, '\0');
  for (char& c : garbage) c = char(random());
  test::WriteFile(d / "garbage.mp3", garbage);
  auto clip = ReadBytes(File("avis/gametable1.avi"));
  test::WriteBytes(d / "cut.avi", std::vector<std::uint8_t>(clip.begin(), clip.begin() + 64));
  auto wav = test::WavBytes(1.0, 8000, 1);
  test::WriteBytes(d / "cut.wav", std::vector<std::uint8_t>(wav.begin(), wav.begin() + 30));
  test::WriteFile(d / "words.srt", std::string("1\n00:00:00,000 --> 00:00:01,000\nHello\n\n2\n"
                                               "00:00:01,500 --> 00:00:02,000\nAgain\n\n"));
  std::filesystem::copy_file(File("avis/gametable1.avi"), d / "strange.avi");
  Patch(d / "strange.avi", "MJPG", "QQQQ");
  auto odd = test::WavBytes(0.5, 8000, 1);
  odd[20] = 0x55;  // a format tag no decoder knows
  odd[21] = 0x55;
  test::WriteBytes(d / "odd.wav", odd);
  std::filesystem::create_directories(d / "folder.avi");
  ASSERT_EQ(mkfifo((d / "pipe.mp3").c_str(), 0600), 0);

  const std::vector<std::pair<std::string, int>> cases = {
      {"missing.mp3", mci::kFileNotFound}, {"empty.mp3", mci::kInvalidFile},
      {"garbage.mp3", mci::kInvalidFile},  {"cut.avi", mci::kInvalidFile},
      {"cut.wav", mci::kInvalidFile},      {"words.srt", mci::kInvalidFile},
      {"strange.avi", mci::kUnsupportedFormat}, {"odd.wav", mci::kUnsupportedFormat},
      {"folder.avi", mci::kFileRead},      {"pipe.mp3", mci::kFileRead},
  };
  for (const auto& [name, want] : cases) {
    test::LogCapture log;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(device->Open(Path(d / name)), want) << name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << name;
    EXPECT_FALSE(device->IsOpen()) << name;
    ASSERT_EQ(log.Lines().size(), 1u) << name << "\n" << log.All();
    EXPECT_NE(log.Lines()[0].find(name), std::string::npos) << log.All();
    EXPECT_EQ(log.Lines()[0].rfind("media: ", 0), 0u) << log.All();
  }
  // Why, for the two kinds a player tells apart: a missing codec, no stream.
  test::LogCapture log;
  device->Open(Path(d / "strange.avi"));
  device->Open(Path(d / "words.srt"));
  EXPECT_TRUE(log.Contains("no decoder for the video codec")) << log.All();
  EXPECT_TRUE(log.Contains("no audio or video stream")) << log.All();
}

TEST_F(HeadlessMediaTest, AWaveHeaderThatLiesAboutItsLengthPlaysWhatIsThere) {
  auto wav = test::WavBytes(1.0, 8000, 1);
  std::size_t data = 12;
  while (data + 8 <= wav.size() && std::memcmp(&wav[data], "data", 4) != 0) data += 8 + (wav[data + 4] | wav[data + 5] << 8);
  ASSERT_LT(data + 8, wav.size());
  Put32(wav, data + 4, 8000 * 2 * 600);  // ten minutes
  Put32(wav, 4, 8000 * 2 * 600 + 36);
  test::WriteBytes(scratch / "liar.wav", wav);
  ASSERT_EQ(device->Open(Path(scratch / "liar.wav")), mci::kOk);
  std::int32_t length = 0;
  device->Length(&length);
  EXPECT_NEAR(length, 1000, 5);
}

TEST_F(HeadlessMediaTest, APlayLastsItsLengthInVirtualTimeAndEndsWithANotify) {
  auto& loop = platform.VirtualLoop();
  ASSERT_EQ(device->Open(Path(File("tone.wav"))), mci::kOk);
  ASSERT_EQ(device->Play(-1, -1, [&](MediaNotify v) { notes.push_back(MediaNotifyName(v)); }), mci::kOk);
  loop.Advance(600);
  std::int32_t pos = 0;
  device->Position(&pos);
  EXPECT_EQ(pos, 600);
  MediaMode mode;
  device->Mode(&mode);
  EXPECT_EQ(mode, MediaMode::Playing);
  loop.Advance(899);
  EXPECT_TRUE(notes.empty());
  loop.Advance(1);
  EXPECT_EQ(notes, (std::vector<std::string>{"successful"}));
  device->Close();
  const std::string file = JsonQuote(Cp1251ToUtf8(Path(File("tone.wav"))));
  EXPECT_EQ(MediaLines(),
            (std::vector<std::string>{
                R"({"t":0,"ev":"media","device":1,"op":"open","file":)" + file + R"(,"result":0,"length":1500,"video":false})",
                R"({"t":0,"ev":"media","device":1,"op":"play","from":0,"to":1500})",
                R"({"t":1500,"ev":"media","device":1,"op":"notify","value":"successful"})",
                R"({"t":1500,"ev":"media","device":1,"op":"close"})"}));
}

TEST_F(HeadlessMediaTest, AClipShowsItsFrameInTheRectOrInAWindowOfItsOwnThatNeverTakesTheKeyboard) {
  auto main = platform.CreateWindow({"main", "Main", {0, 0, 300, 200}});
  main->Show();
  ASSERT_EQ(device->Open(Path(File("avis/gametable1.avi"))), mci::kOk);
  EXPECT_TRUE(device->HasVideo());
  ASSERT_EQ(device->SetVideoWindow(main.get(), {20, 30, 0, 0}), mci::kOk);
  ASSERT_EQ(device->Play(-1, -1, nullptr), mci::kOk);
  const auto& presented = static_cast<HeadlessWindow&>(*main).Presented();
  EXPECT_EQ(presented.Pixel(20, 30), kHeadlessVideoColor);
  EXPECT_EQ(presented.Pixel(83, 77), kHeadlessVideoColor);
  EXPECT_NE(presented.Pixel(84, 78), kHeadlessVideoColor);
  EXPECT_NE(presented.Pixel(19, 30), kHeadlessVideoColor);
  EXPECT_EQ(platform.FindWindow("clip"), nullptr);

  // Without a window: one of its own, centred, and the keys stay with main.
  auto other = platform.Media().CreateDevice();
  ASSERT_EQ(other->Open(Path(File("mpeg4.avi"))), mci::kOk);
  ASSERT_EQ(other->Play(-1, -1, nullptr), mci::kOk);
  HeadlessWindow* clip = platform.FindWindow("clip");
  ASSERT_NE(clip, nullptr);
  EXPECT_TRUE(clip->Visible());
  EXPECT_TRUE(clip->NoActivate());
  EXPECT_EQ(clip->Bounds(), Rect::FromSize((1280 - 64) / 2, (1024 - 48) / 2, 64, 48));
  EXPECT_EQ(clip->Presented().Pixel(10, 10), kHeadlessVideoColor);
  EXPECT_EQ(platform.Focused(), main.get());
  other.reset();
  EXPECT_EQ(platform.FindWindow("clip"), nullptr);
}

TEST_F(HeadlessMediaTest, TheWaveVolumeReadsBackExactlyAndIsNotTraced) {
  MediaSystem& media = platform.Media();
  std::uint16_t l = 0, r = 0;
  media.WaveVolume(&l, &r);
  EXPECT_EQ(l, 0xFFFF);
  EXPECT_EQ(r, 0xFFFF);
  int sets = 0;
  for (int level = 0; level <= 0xFFFF; level += 25, ++sets) media.SetWaveVolume(std::uint16_t(level), std::uint16_t(level / 2));
  media.SetWaveVolume(30000, 45000);
  media.WaveVolume(&l, &r);
  EXPECT_EQ(l, 30000);
  EXPECT_EQ(r, 45000);
  EXPECT_EQ(platform.MediaDevices().VolumeSets(), sets + 1);
  EXPECT_TRUE(MediaLines().empty());
}

}  // namespace
}  // namespace trv
