#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "disc/build/SoundSynth.h"
#include "disc/build/Steps.h"
#include "platform/Wav.h"
#include "support/TestSupport.h"

namespace trv::disc {
namespace {

using test::TempDir;
using test::WriteFile;

std::filesystem::path ShippedContent() {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "content";
}

double Rms(const std::vector<float>& s, std::size_t from = 0, std::size_t to = SIZE_MAX) {
  to = std::min(to, s.size());
  if (to <= from) return 0;
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
  return std::sqrt(sum / double(to - from));
}

// Upward zero crossings of one channel in [from, to) frames.
int Crossings(const std::vector<float>& s, int channels, int channel, std::size_t from, std::size_t to) {
  int n = 0;
  for (std::size_t i = from + 1; i < to; ++i)
    if (s[(i - 1) * channels + channel] < 0 && s[i * channels + channel] >= 0) ++n;
  return n;
}

SoundRecipe ParseOne(const std::string& text) {
  const SoundParse parse = ParseSoundRecipes(text, "t.txt");
  EXPECT_TRUE(parse.errors.empty()) << (parse.errors.empty() ? "" : parse.errors[0]);
  EXPECT_EQ(parse.recipes.size(), 1u);
  return parse.recipes.empty() ? SoundRecipe{} : parse.recipes[0];
}

struct StepRun : test::LineLog {
  bool ok = false;
};

StepRun RunSounds(const TempDir& dir) {
  StepRun run;
  BuildContext ctx;
  ctx.contentDir = dir / "content";
  ctx.discDir = dir / "disc";
  ctx.log = [&](const std::string& line) { run.log.push_back(line); };
  run.ok = BuildSoundEffects(ctx);
  return run;
}

TEST(SoundSynthText, NoteNamesAndNumbers) {
  EXPECT_DOUBLE_EQ(*ParseNoteName("A4"), 440.0);
  EXPECT_NEAR(*ParseNoteName("C4"), 261.626, 0.001);
  EXPECT_NEAR(*ParseNoteName("C#5"), 554.365, 0.001);
  EXPECT_NEAR(*ParseNoteName("Eb3"), 155.563, 0.001);
  EXPECT_NEAR(*ParseNoteName("Cb4"), *ParseNoteName("B3"), 1e-9);  // belongs to the octave below
  EXPECT_NEAR(*ParseNoteName("B#3"), *ParseNoteName("C4"), 1e-9);
  EXPECT_FALSE(ParseNoteName("H4"));
  EXPECT_FALSE(ParseNoteName("A10"));
  EXPECT_FALSE(ParseNoteName("A"));
  EXPECT_DOUBLE_EQ(*ParseFrequency("1e3"), 1000.0);
  EXPECT_FALSE(ParseNumber("nan"));
  EXPECT_FALSE(ParseNumber("inf"));
  EXPECT_FALSE(ParseNumber("1.5x"));
  EXPECT_FALSE(ParseNumber(""));
}

TEST(SoundSynthText, CommentsBlanksAndLineEndings) {
  const auto lines = SourceLines("\xEF\xBB\xBFsound a#b.wav  # a comment\r\n\r\n  layer sine\t# x\n#whole");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "sound a#b.wav");  // '#' inside a word is part of it
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "layer sine");
  EXPECT_EQ(lines[3], "");
}

TEST(SoundSynthRender, ToneHasItsLengthPitchAndLevel) {
  const SoundRecipe r = ParseOne(
      "sound a.wav\nrate 22050\npeak 0.7\nlayer sine freq=440 dur=0.5 adsr=0.01,0,1,0.1\n");
  EXPECT_NEAR(RecipeSeconds(r), 0.6, 1e-9);
  const auto s = RenderRecipe(r);
  // The release fades below hearing a little before its end; that tail is cut.
  EXPECT_GT(s.size(), std::size_t(0.55 * 22050));
  EXPECT_LE(s.size(), std::size_t(0.62 * 22050));
  float peak = 0;
  for (float v : s) peak = std::max(peak, std::fabs(v));
  EXPECT_NEAR(peak, 0.7, 1e-3);
  // The held part is a steady sine: RMS = peak / sqrt 2, 440 cycles a second.
  EXPECT_NEAR(Rms(s, 2205, 11025), 0.7 / std::sqrt(2.0), 0.01);
  EXPECT_NEAR(Crossings(s, 1, 0, 0, 11025), 220, 2);
}

TEST(SoundSynthRender, NotesRestsAndRepeatsLandInTime) {
  const SoundRecipe r = ParseOne(
      "sound a.wav\nrate 22050\n"
      "layer sine notes=A4/0.1,r/0.2,A5/0.1 adsr=0.001,0,1,0.01\n"
      "layer square freq=220 at=0.6 dur=0.05 adsr=0.001,0,1,0.01 repeat=2,0.2\n");
  const auto s = RenderRecipe(r);
  auto loud = [&](double from, double to) { return Rms(s, std::size_t(from * 22050), std::size_t(to * 22050)); };
  EXPECT_GT(loud(0.01, 0.09), 0.2);   // A4
  EXPECT_LT(loud(0.13, 0.29), 1e-3);  // the rest
  EXPECT_GT(loud(0.31, 0.39), 0.2);   // A5
  EXPECT_NEAR(Crossings(s, 1, 0, std::size_t(0.31 * 22050), std::size_t(0.39 * 22050)), 0.08 * 880, 2);
  EXPECT_LT(loud(0.42, 0.59), 1e-3);
  EXPECT_GT(loud(0.61, 0.64), 0.2);  // first repeat
  EXPECT_LT(loud(0.68, 0.79), 1e-3);
  EXPECT_GT(loud(0.81, 0.84), 0.2);  // second repeat
}

TEST(SoundSynthRender, StereoPanAndSweep) {
  const SoundRecipe r = ParseOne(
      "sound a.wav\nchannels 2\nrate 44100\n"
      "layer sine freq=200..800 dur=1 adsr=0.01,0,1,0.01 pan=-0.8\n");
  const auto s = RenderRecipe(r);
  ASSERT_EQ(s.size() % 2, 0u);
  double left = 0, right = 0;
  for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
    left += std::fabs(s[i]);
    right += std::fabs(s[i + 1]);
  }
  EXPECT_GT(left, 4 * right);
  // An exponential sweep: about 200 Hz early on, about 800 Hz at the end.
  const int early = Crossings(s, 2, 0, 0, 4410);         // first 0.1 s: 200..229 Hz
  const int late = Crossings(s, 2, 0, 39690, 44100);     // last 0.1 s: 699..800 Hz
  EXPECT_NEAR(early, 21, 3);
  EXPECT_NEAR(late, 75, 6);
}

TEST(SoundSynthRender, DistinctRecipesDistinctSignalsSameRecipeSameSamples) {
  const std::string layers[] = {
      "layer sine freq=440 dur=0.3",
      "layer square freq=440 dur=0.3",
      "layer saw freq=440 dur=0.3 lowpass=1500",
      "layer noise dur=0.3 highpass=3000",
      "layer sine freq=440 dur=0.3 fm=3.5,2",
  };
  std::vector<std::vector<float>> rendered;
  for (const auto& layer : layers) rendered.push_back(RenderRecipe(ParseOne("sound a.wav\nrate 22050\n" + layer)));
  for (std::size_t a = 0; a < rendered.size(); ++a) {
    EXPECT_GT(Rms(rendered[a]), 0.1) << layers[a];
    for (std::size_t b = a + 1; b < rendered.size(); ++b) {
      const std::size_t n = std::min(rendered[a].size(), rendered[b].size());
      std::vector<float> diff(n);
      for (std::size_t i = 0; i < n; ++i) diff[i] = rendered[a][i] - rendered[b][i];
      EXPECT_GT(Rms(diff), 0.05) << layers[a] << " vs " << layers[b];
    }
  }
  EXPECT_EQ(RenderRecipe(ParseOne("sound a.wav\nlayer noise dur=0.2")),
            RenderRecipe(ParseOne("sound a.wav\nlayer noise dur=0.2")));
}

TEST(SoundSynthWav, HeaderReadsBackWithTheProgramsReader) {
  const std::vector<float> samples = {0.0f, 0.5f, -0.5f, 1.0f, -1.0f, 2.0f};  // 3 stereo frames, one clipped
  const auto bytes = EncodeWav16(samples, 22050, 2);
  std::string error;
  const auto info = ParseWav(bytes, &error);
  ASSERT_TRUE(info) << error;
  EXPECT_EQ(info->channels, 2);
  EXPECT_EQ(info->sampleRate, 22050);
  EXPECT_EQ(info->bitsPerSample, 16);
  EXPECT_FALSE(info->isFloat);
  ASSERT_EQ(info->samples.size(), samples.size() * 2);
  auto at = [&](int i) { return std::int16_t(info->samples[2 * i] | (info->samples[2 * i + 1] << 8)); };
  EXPECT_EQ(at(1), 16384);
  EXPECT_EQ(at(2), -16384);
  EXPECT_EQ(at(3), 32767);
  EXPECT_EQ(at(5), 32767);

  const auto tone = RenderRecipe(ParseOne("sound a.wav\nrate 44100\nlayer sine freq=300 dur=1 adsr=0.01,0,1,0.002"));
  const auto wav = ParseWav(EncodeWav16(tone, 44100, 1));
  ASSERT_TRUE(wav);
  EXPECT_NEAR(double(wav->DurationMs()), 1000.0, 15.0);
}

TEST(SoundSynthFiles, DiscPathsStayInsideTheDisc) {
  std::string error;
  const auto ok = DiscOutputPath("/d", "music\\ui\\click.wav", ".wav", &error);
  ASSERT_TRUE(ok) << error;
  EXPECT_EQ(*ok, std::filesystem::path("/d/music/ui/click.wav"));
  const auto cyrillic = DiscOutputPath("/d", "music\\Игровой стол\\s_Письмо.WAV", ".wav", &error);
  ASSERT_TRUE(cyrillic) << error;
  EXPECT_EQ(cyrillic->filename().string(), "s_Письмо.WAV");
  for (const char* bad : {"\\abs.wav", "/abs.wav", "..\\up.wav", "music\\..\\..\\up.wav", "c:\\x.wav",
                          "a\\\\b.wav", "x.mp3", "bad|name.wav", "trail .\\x.wav", "音.wav", ".wav", ""}) {
    error.clear();
    EXPECT_FALSE(DiscOutputPath("/d", bad, ".wav", &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(SoundSynthStep, BadLinesAreReportedWithFileAndLineAndSkipped) {
  TempDir dir;
  WriteFile(dir / "content/sounds/bad.txt",
            "sound good\\ok.wav\n"                                  // 1
            "layer sine freq=440 dur=0.1\n"                         // 2
            "sound music\\x1.wav\n"                                 // 3
            "loudness 3\n"                                          // 4 unknown keyword
            "layer sine freq=440 dur=0.1\n"                         // 5
            "sound music\\x2.wav\n"                                 // 6
            "layer sine freq=4x0 dur=0.1\n"                         // 7 bad number
            "sound music\\x3.wav\n"                                 // 8
            "layer sine freq=440 dur=100000\n"                      // 9 absurd duration
            "sound music\\x4.wav\n"                                 // 10
            "rate 22050\n"                                          // 11
            "layer sine freq=15000 dur=0.1\n"                       // 12 above what 22050 can hold
            "sound music\\x5.wav\n"                                 // 13
            "layer sine freq=440 dur=10 repeat=1000,1\n"            // 14 too long in total
            "sound ..\\escape.wav\n"                                // 15
            "layer sine freq=440 dur=0.1\n"                         // 16
            "sound GOOD\\OK.wav\n"                                  // 17 the same file as line 1
            "layer sine freq=440 dur=0.1\n"                         // 18
            "sound music\\x6.wav\n"                                 // 19
            "layer sine frequency=440\n"                            // 20 unknown key
            "sound music\\x7.wav\n"                                 // 21 no layer
            "sound music\\x8.wav\n"                                 // 22 within every limit, but hours of work
            "layer saw dur=50 unison=8,20 harmonics=1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1\n");
  WriteFile(dir / "content/sounds/latin1.txt", std::string("sound a\xE9.wav\nlayer sine\n"));
  WriteFile(dir / "content/sounds/README.md", "not a recipe\n");
  const StepRun run = RunSounds(dir);
  EXPECT_FALSE(run.ok);
  for (const char* where : {"sounds/bad.txt:4:", "sounds/bad.txt:7:", "sounds/bad.txt:9:", "sounds/bad.txt:12:",
                            "sounds/bad.txt:13:", "sounds/bad.txt:15:", "sounds/bad.txt:17:", "sounds/bad.txt:20:",
                            "sounds/bad.txt:21:", "sounds/bad.txt:22:", "sounds/latin1.txt: not UTF-8"})
    EXPECT_TRUE(run.Logged(where)) << where << "\n" << run.All();
  EXPECT_TRUE(std::filesystem::exists(dir / "disc/good/ok.wav"));
  for (int i = 1; i <= 8; ++i) EXPECT_FALSE(std::filesystem::exists(dir / ("disc/music/x" + std::to_string(i) + ".wav")));
  EXPECT_FALSE(std::filesystem::exists(dir / "escape.wav"));
}

TEST(SoundSynthStep, GarbageNeverCrashesAndIsReported) {
  // Statements with keys and values drawn at random from the vocabulary and
  // from numbers at and past the limits.
  const char* keywords[] = {"sound", "layer", "rate", "channels", "peak", "tail", "echo", "reverb", "bogus"};
  const char* waves[] = {"sine", "square", "saw", "triangle", "noise", "hum"};
  const char* keys[] = {"freq", "dur", "notes", "at", "repeat", "vol", "adsr", "harmonics", "fm", "duty", "vibrato",
                        "tremolo", "lowpass", "highpass", "q", "unison", "pan", "seed", "sweep", "nokey"};
  const char* values[] = {"440", "A4", "C#9", "0", "-1", "1e308", "0.001", "60", "99999", "x", "", "1,2", "1,2,3,4",
                          "0.5,0.1,0.5,0.1", "200..800", "..", "A4/0.1,r/0.1,C5+E5/0.2", "A4/", "/0.1", "3,0.2",
                          "1000,0.06", "lin", "22050", "2", "0.9"};
  std::uint32_t state = 12345;
  auto pick = [&](auto& list) {
    state = state * 1664525u + 1013904223u;
    return std::string(list[(state >> 8) % std::size(list)]);
  };
  std::size_t errors = 0, rendered = 0;
  for (int round = 0; round < 600; ++round) {
    std::string text = "sound f" + std::to_string(round) + ".wav\n";
    for (int line = round % 3; line < 3; ++line) {
      const std::string keyword = line == 2 ? "layer" : pick(keywords);
      text += keyword;
      if (keyword == "layer") {
        text += " " + pick(waves);
        for (int k = round % 4; k < 4; ++k) text += " " + pick(keys) + "=" + pick(values);
      } else if (keyword == "sound") {
        text += " g" + std::to_string(line) + ".wav";
      } else {
        text += " " + pick(values) + " " + pick(values);
      }
      text += "\n";
    }
    const SoundParse parse = ParseSoundRecipes(text, "fuzz.txt");
    errors += parse.errors.size();
    for (const std::string& e : parse.errors) ASSERT_EQ(e.rfind("fuzz.txt:", 0), 0u) << e;
    for (const SoundRecipe& r : parse.recipes) {
      ASSERT_LE(RecipeSeconds(r), kMaxEffectSeconds);
      const auto s = RenderRecipe(r);
      ASSERT_LE(s.size(), std::size_t(kMaxEffectSeconds * r.rate * r.channels) + 2);
      for (float v : s) ASSERT_TRUE(std::isfinite(v) && std::fabs(v) <= 1.0f);
      ++rendered;
    }
  }
  EXPECT_GT(errors, 100u);
  EXPECT_GE(rendered, 5u);  // some survive and are rendered
}

TEST(SoundSynthStep, ShippedRecipesCoverEveryGameSoundAndNoneIsSilent) {
  std::vector<std::string> errors;
  const auto files = ReadSourceFolder(ShippedContent(), "sounds", &errors);
  ASSERT_FALSE(files.empty());
  std::vector<SoundRecipe> recipes;
  for (const auto& f : files) {
    auto parse = ParseSoundRecipes(f.text, f.label);
    errors.insert(errors.end(), parse.errors.begin(), parse.errors.end());
    recipes.insert(recipes.end(), parse.recipes.begin(), parse.recipes.end());
  }
  EXPECT_TRUE(errors.empty()) << errors[0];
  std::set<std::string> names;
  for (const auto& r : recipes) names.insert(r.output);
  std::vector<std::string> wanted = {
      "music\\Главное меню\\s_Открытие программы.wav",
      "music\\Главное меню\\k_Разворачивание окна.wav",
      "music\\Регистрация\\s_Появление окна ошибки.wav",
      "music\\Регистрация\\Выбор в строчке регистрации_&&&.wav",
      "music\\Основная игра\\s_Появление вопроса.wav",
      "music\\Основная игра\\s_Начало отсчета таймера1.wav",
      "music\\Основная игра\\s_Начало отсчета таймера2.wav",
      "music\\Основная игра\\s_Появление правильного ответа и комментария.wav",
      "music\\Основная игра\\Правильный ответ\\s_Уровень 1000000.wav",
      "music\\Основная игра\\Неправильный ответ\\s_Звук неудачного завершения игры.wav",
      "music\\Игровой стол\\s_Письмо.wav",
      "music\\Игровой стол\\s_Мигание стрелок.wav",
      "music\\Послать данные на сервер\\s_Появление окна ошибки.wav",
      "music\\Основная игра\\Timer1\\Tim1_Fin.wav",
      "music\\Основная игра\\Timer2\\Tim2_Fin.wav",
  };
  for (int i = 0; i <= 4; ++i) {
    const std::string n = std::to_string(i);
    wanted.push_back("music\\Основная игра\\Timer1\\Tim1_" + n + ".wav");
    wanted.push_back("music\\Основная игра\\Timer2\\Tim2_" + n + ".wav");
    wanted.push_back("music\\Основная игра\\Правильный ответ\\s_Правильный ответ" + n + ".wav");
    wanted.push_back("music\\Основная игра\\Неправильный ответ\\s_Неправильный ответ" + n + ".wav");
  }
  for (int i = 1; i <= 10; ++i) wanted.push_back("music\\Игровой стол\\s_Volchok" + std::to_string(i) + ".wav");
  for (const char* ui : {"click", "hover", "switch_on", "switch_off", "page", "error", "exit"})
    wanted.push_back(std::string("music\\ui\\") + ui + ".wav");
  for (const auto& w : wanted) EXPECT_TRUE(names.count(w)) << w;

  // Every sound is heard, and no two are the same.
  std::vector<std::pair<std::string, std::vector<float>>> rendered;
  for (const auto& r : recipes) {
    auto s = RenderRecipe(r);
    EXPECT_GT(Rms(s), 0.03) << r.output;
    rendered.emplace_back(r.output, std::move(s));
  }
  for (std::size_t a = 0; a < rendered.size(); ++a)
    for (std::size_t b = a + 1; b < rendered.size(); ++b)
      EXPECT_NE(rendered[a].second, rendered[b].second) << rendered[a].first << " = " << rendered[b].first;
  // A longer spin of the top lasts longer.
  double previous = 0;
  for (int i = 1; i <= 10; ++i) {
    const std::string name = "music\\Игровой стол\\s_Volchok" + std::to_string(i) + ".wav";
    const auto it = std::find_if(recipes.begin(), recipes.end(), [&](const SoundRecipe& r) { return r.output == name; });
    ASSERT_NE(it, recipes.end());
    EXPECT_GT(RecipeSeconds(*it), previous) << name;
    previous = RecipeSeconds(*it);
  }
}

TEST(SoundSynthStep, WritesPlayableFilesUnderTheDisc) {
  TempDir dir;
  WriteFile(dir / "content/sounds/a.txt",
            "sound music\\Основная игра\\Timer1\\Tim1_0.wav\nchannels 2\nlayer sine freq=C5 dur=0.2\n"
            "sound music\\ui\\click.wav\nrate 22050\nlayer noise dur=0.02\n");
  const StepRun run = RunSounds(dir);
  EXPECT_TRUE(run.ok) << run.All();
  const auto first = test::ReadFile(dir / "disc/music/Основная игра/Timer1/Tim1_0.wav");
  const auto info = ParseWav(std::span(reinterpret_cast<const std::uint8_t*>(first.data()), first.size()));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->channels, 2);
  EXPECT_EQ(info->sampleRate, 44100);
  const auto second = test::ReadFile(dir / "disc/music/ui/click.wav");
  const auto click = ParseWav(std::span(reinterpret_cast<const std::uint8_t*>(second.data()), second.size()));
  ASSERT_TRUE(click);
  EXPECT_EQ(click->sampleRate, 22050);
  EXPECT_EQ(click->channels, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "disc/music/ui/click.wav.part"));
}

}  // namespace
}  // namespace trv::disc
