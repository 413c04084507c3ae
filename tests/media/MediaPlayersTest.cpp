#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "media/BackgroundMusic.h"
#include "media/ClipPlayer.h"
#include "media/FakeMedia.h"
#include "media/MediaPlayerControl.h"
#include "media/VolumeFade.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/TestSupport.h"

namespace trv::test {
namespace {

using ::testing::ElementsAre;

class MediaPlayersTest : public ::testing::Test {
 protected:
  MediaPlayersTest() : platform(Config()), media(platform.Loop()) {
    media.files["a.mp3"] = {120000, false};
    media.files["b.mp3"] = {90000, false};
    media.files["clip.avi"] = {30000, true};
    media.files["drop.wav"] = {2000, false};
    media.files["broken.avi"] = {0, true, mci::kInvalidFile};
    media.files["nocodec.avi"] = {0, true, mci::kUnsupportedFormat};
  }
  PlatformConfig Config() {
    PlatformConfig c;
    c.settingsDir = dir / "settings";
    return c;
  }
  void Wait(std::uint64_t ms) { platform.VirtualLoop().Advance(ms); }
  std::vector<std::string> Calls() {
    auto c = media.calls;
    media.calls.clear();
    return c;
  }
  TempDir dir;
  HeadlessPlatform platform;
  FakeMedia media;
};

// ---- The player

TEST_F(MediaPlayersTest, PlayerCommandsNeedAnOpenDeviceAndOpenFailuresRaise) {
  TMPlayer player(media, platform.Loop());
  player.Close();  // never opened: nothing
  EXPECT_TRUE(Calls().empty());
  EXPECT_THROW(player.Play(), EMCIDeviceError);
  EXPECT_THROW(player.Stop(), EMCIDeviceError);
  EXPECT_EQ(player.Mode(), 0);
  player.FileName = "a.mp3";
  player.Open();
  player.FileName = "missing.mp3";
  EXPECT_THROW(player.Open(), EMCIDeviceError);  // the old one closes first
  EXPECT_EQ(player.Error(), mci::kFileNotFound);
  EXPECT_FALSE(player.Opened());
  EXPECT_THAT(Calls(), ElementsAre("open a.mp3 0", "close", "open missing.mp3 275"));
}

TEST_F(MediaPlayersTest, APlayNotifiesItsEndOnceAndOverridesAreOneShot) {
  TMPlayer player(media, platform.Loop());
  std::vector<TMPNotifyValues> notices;
  player.OnNotify = [&](TMPlayer& p) { notices.push_back(p.NotifyValue()); };
  player.FileName = "a.mp3";
  player.Open();
  player.Play();
  media.current->Finish();
  Wait(10);
  EXPECT_THAT(notices, ElementsAre(nvSuccessful));
  // A stop ends a play as aborted; the stop itself waits and says nothing.
  player.Play();
  player.Stop();
  Wait(10);
  EXPECT_THAT(notices, ElementsAre(nvSuccessful, nvAborted));
  // Pause without a notice, then pause again: the resume asks for one.
  player.Play();
  notices.clear();
  player.SetNotify(false);
  player.Pause();
  EXPECT_EQ(player.Mode(), kModePaused);
  Calls();
  player.Pause();
  EXPECT_THAT(Calls(), ElementsAre("resume notify"));
  // An override of true makes a waiting command notify once.
  player.SetNotify(true);
  player.Seek(500);
  player.Seek(600);
  Wait(10);
  EXPECT_THAT(notices, ElementsAre(nvAborted, nvSuccessful));  // the play the seek ended, then the seek
}

TEST_F(MediaPlayersTest, AStoredDisplayComesWithTheNextOpenOfAVideo) {
  auto window = platform.CreateWindow({"main", "", Rect::FromSize(0, 0, 100, 100)});
  TMediaPlayer player(media, platform.Loop());
  player.SetDisplay(window.get(), {10, 20, 0, 0});
  player.FileName = "a.mp3";
  player.Open();  // no video: the display waits
  player.FileName = "clip.avi";
  player.Open();
  EXPECT_THAT(Calls(), ElementsAre("open a.mp3 0", "close", "open clip.avi 0", "video window 10,20"));
  EXPECT_EQ(player.Display(), window.get());
  // The control's start position is for the next play only.
  player.SetFrom(7);
  player.Play();
  player.Play();
  EXPECT_THAT(Calls(), ElementsAre("play 7 -1", "play -1 -1"));
}

// ---- The volume fades

TEST(VolumeFade, TheQuieterChannelFollowsAtTheRoundedRatioAndTheEndIsExact) {
  TVolumeFade in(30000, 45000, true);
  int ticks = 0;
  TVolumeFade::Volume v{};
  while (!in.Done()) {
    const std::int32_t level = in.Level();
    v = in.Tick();
    ++ticks;
    // Ratio 1.5 is taken as 2: the left channel gets half the right one's level.
    if (!in.Done()) {
      EXPECT_EQ(v.left, v.right / 2) << ticks;
      EXPECT_EQ(v.right, level);
    }
  }
  EXPECT_EQ(v.left, 30000);
  EXPECT_EQ(v.right, 45000);

  auto count = [](TVolumeFade f) {
    int n = 0;
    TVolumeFade::Volume last{};
    while (!f.Done()) last = f.Tick(), ++n;
    return std::pair(n, last);
  };
  EXPECT_EQ(count(TVolumeFade(65535, 65535, true)).first, 2489);
  const auto out = count(TVolumeFade(65535, 65535, false));
  EXPECT_EQ(out.first, 2486);
  EXPECT_EQ(out.second.left, 0);
  EXPECT_EQ(out.second.right, 0);
  // 2.5 rounds to 2, halves to even; silence counts as 1.
  EXPECT_EQ(TVolumeFade(20000, 50000, false).Tick().left, 25000);
  EXPECT_EQ(TVolumeFade(0, 0, true).Left(), 1);
}

// ---- The background music

class MusicTest : public MediaPlayersTest {
 protected:
  TBackgroundMusic Music(TDynamicStringArray list = {"a.mp3", "b.mp3"}) {
    return TBackgroundMusic(media, platform.Loop(), platform.Settings(), "SOFTWARE\\VOMAR\\Test", std::move(list));
  }
};

TEST_F(MusicTest, StartsAtTheStoredSongAndPlaceWithAFadeInAndLoopsTheList) {
  platform.Settings().WriteInteger(RootKey::CurrentUser, "SOFTWARE\\VOMAR\\Test", "BGSoundSong", 1);
  platform.Settings().WriteInteger(RootKey::CurrentUser, "SOFTWARE\\VOMAR\\Test", "BGSoundPos", 83000);
  media.left = 30000;
  media.right = 45000;
  auto music = Music();
  music.MusicStart();
  EXPECT_THAT(Calls(), ElementsAre("open b.mp3 0", "seek 83000", "play -1 -1"));
  EXPECT_EQ(media.right, 0);  // the fade starts at silence
  Wait(5000);
  EXPECT_FALSE(music.Fading());
  EXPECT_EQ(media.left, 30000);
  EXPECT_EQ(media.right, 45000);
  // After the last song comes the first, from its beginning.
  media.current->Finish();
  Wait(10);
  EXPECT_EQ(music.SongIndex(), 0);
  EXPECT_THAT(Calls(), ElementsAre("close", "open a.mp3 0", "play -1 -1"));
}

TEST_F(MusicTest, AFadedStopKeepsThePlaceClosesWhenSilentAndRestoresTheVolume) {
  auto music = Music();
  music.MusicStart();
  Wait(5000);
  media.current->SetPosition(61000);
  Calls();
  music.MusicStop(true);
  EXPECT_TRUE(music.Stopping());
  EXPECT_EQ(platform.Settings().ReadInteger(RootKey::CurrentUser, "SOFTWARE\\VOMAR\\Test", "BGSoundPos"), 61000);
  EXPECT_TRUE(Calls().empty());  // still playing while it fades
  Wait(1000);
  EXPECT_LT(media.left, 40000);
  Wait(2000);
  EXPECT_FALSE(music.Stopping());
  EXPECT_THAT(Calls(), ElementsAre("close"));
  EXPECT_EQ(media.left, 40000);
  EXPECT_EQ(media.right, 40000);
  // Switched on again during a fade-out: the stop ends at once, the start follows.
  music.MusicStart();
  Wait(5000);
  music.MusicStop(true);
  Wait(500);
  music.MusicStart();
  EXPECT_EQ(Calls().back(), "play -1 -1");
  Wait(5000);
  EXPECT_EQ(media.left, 40000);
}

TEST_F(MusicTest, AStoredSongTheListNoLongerHasOrABadFileSwitchesTheMusicOff) {
  platform.Settings().WriteInteger(RootKey::CurrentUser, "SOFTWARE\\VOMAR\\Test", "BGSoundSong", 5);
  auto music = Music();
  EXPECT_TRUE(music.MusicOn());
  music.MusicStart();
  EXPECT_FALSE(music.MusicOn());
  EXPECT_TRUE(Calls().empty());
  auto broken = Music({"missing.mp3"});
  platform.Settings().WriteInteger(RootKey::CurrentUser, "SOFTWARE\\VOMAR\\Test", "BGSoundSong", 0);
  broken.MusicStart();
  EXPECT_FALSE(broken.MusicOn());
  EXPECT_FALSE(Music({}).MusicOn());  // no list: no music wanted
}

// ---- The clip player

class ClipTest : public MusicTest {
 protected:
  ClipTest() : window(platform.CreateWindow({"main", "", Rect::FromSize(0, 0, 400, 300)})) {}
  TSound Player(TBackgroundMusic* music) {
    ClipPlayerHost host;
    host.window = window.get();
    host.displayArea = [this] { return area; };
    return TSound(media, platform.Loop(), host, music);
  }
  std::unique_ptr<Window> window;
  std::optional<Rect> area = Rect{40, 30, 200, 150};
};

TEST_F(ClipTest, ADroppedSoundSilencesTheMusicAndBringsItBackAtItsEnd) {
  auto music = Music();
  music.MusicStart();
  Wait(3000);
  TSound sound = Player(&music);
  media.files["c:\\music\\drop.wav"] = {2000, false};
  sound.PlayDropped("C:\\Music\\DROP.WAV");  // taken in lower case
  EXPECT_FALSE(music.MusicOn());
  EXPECT_EQ(sound.AfterPlay(), kAfterMusic);
  // A second drop while it plays replaces it and keeps bringing the music back.
  sound.PlayDropped("c:\\music\\drop.wav");
  EXPECT_EQ(sound.AfterPlay(), kAfterMusic);
  Calls();
  media.current->Finish();
  Wait(10);
  EXPECT_TRUE(music.MusicOn());
  EXPECT_THAT(Calls(), ElementsAre("open a.mp3 0", "seek 0", "play -1 -1"));
}

TEST_F(ClipTest, ADroppedSoundWithoutMusicEndsClosedAndOtherFilesAreIgnored) {
  TSound sound = Player(nullptr);
  sound.PlayDropped("notes.txt");
  EXPECT_TRUE(Calls().empty());
  sound.PlayDropped("drop.wav");
  EXPECT_EQ(sound.AfterPlay(), kAfterClose);
  media.current->Finish();
  Wait(10);
  EXPECT_FALSE(sound.Opened());
}

TEST_F(ClipTest, ClipsPlayInTheScreensAreaAndMissingCodecsGetOneRetry) {
  TSound sound = Player(nullptr);
  sound.Play("clip.avi", kAfterClose);
  EXPECT_THAT(Calls(), ElementsAre("open clip.avi 0", "video window 40,30", "play -1 -1"));
  sound.Play("broken.avi", kAfterClose);  // a bad file: no retry
  EXPECT_THAT(Calls(), ElementsAre("video window 40,30", "close", "open broken.avi 296"));
  sound.Play("nocodec.avi", kAfterClose);
  EXPECT_THAT(Calls(), ElementsAre("open nocodec.avi 277", "open nocodec.avi 277"));
  // A ".wav" clip opens without the area.
  area.reset();
  sound.Play("drop.wav", kAfterClose);
  EXPECT_THAT(Calls(), ElementsAre("open drop.wav 0", "play -1 -1"));
}

TEST_F(ClipTest, TenSecondStepsStayInsideTheFileAndAStoppedPlayRunsNoAction) {
  TSound sound = Player(nullptr);
  sound.Play("clip.avi", kAfterClose);
  media.current->SetPosition(25000);
  Calls();
  sound.StepForward();
  EXPECT_THAT(Calls(), ElementsAre("seek 30000", "play -1 -1"));
  media.current->SetPosition(4000);
  sound.StepBack();
  EXPECT_THAT(Calls(), ElementsAre("seek 0", "play -1 -1"));
  sound.Stop();
  Wait(10);
  EXPECT_TRUE(sound.Opened());  // aborted: the close of the after-play action does not run
}

}  // namespace
}  // namespace trv::test
