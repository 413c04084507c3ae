#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The synthesiser behind the disc's sound effects and background music. Every
// sound on the disc is made here from a written recipe; nothing is sampled.
// Rendering is deterministic: the same recipe gives the same samples.
namespace trv::disc {

// Limits that keep bad content from asking for absurd work.
inline constexpr double kMinFrequency = 10.0;
inline constexpr double kMaxFrequency = 20000.0;
inline constexpr double kMaxEffectSeconds = 60.0;  // one sound effect, tails included
inline constexpr double kMaxMusicSeconds = 600.0;  // one piece of music
// Oscillator samples a sound or a piece may ask for: many times what the
// shipped ones need, far below what would stall a build.
inline constexpr double kMaxEffectWork = 2e8;
inline constexpr double kMaxMusicWork = 2e9;

enum class Waveform { Sine, Square, Saw, Triangle, Noise };

struct Envelope {
  double attack = 0.005;  // seconds from silence to full level
  double decay = 0.05;    // seconds from full to sustain level
  double sustain = 0.8;   // 0..1, held until the note ends
  double release = 0.05;  // seconds from the held level to silence after the note ends
};

// How one voice sounds, apart from pitch and timing. Effects and instruments
// of the music share it, and share the text keys that set it.
struct Voice {
  Waveform wave = Waveform::Sine;
  std::vector<double> harmonics{1.0};  // amplitudes of partials 1, 2, 3...
  double duty = 0.5;                   // square waves: part of the cycle that is high
  double fmRatio = 0;                  // sine modulator at ratio × pitch (0: none)
  double fmIndex = 0;                  // modulation index at the start of a note...
  double fmIndexEnd = -1;              // ...gliding to this by the note's end (-1: constant)
  Envelope env;
  double volume = 0.5;
  double vibratoRate = 0, vibratoDepth = 0, vibratoDelay = 0;  // Hz, semitones, seconds
  double tremoloRate = 0, tremoloRateEnd = -1, tremoloDepth = 0;  // Hz, Hz, 0..1
  double lowpass = 0, lowpassEnd = -1, resonance = 0.7;  // Hz (0: off), Q
  double highpass = 0, highpassEnd = -1;
  int unison = 1;       // detuned copies
  double detune = 0;    // cents between the outermost copies
  double pan = 0;       // -1 left .. 1 right
};

// One sounding of a voice.
struct Tone {
  double start = 0;         // seconds into the buffer
  double gate = 0.2;        // seconds the note is held; the release follows
  double freq = 440;        // Hz at the start (ignored by noise)
  double freqEnd = 0;       // Hz at the end of the gate (0: steady)
  bool linearSweep = false; // sweep in Hz rather than in pitch
  double gain = 1;
  double pan = 0;           // added to the voice's pan
  std::uint32_t seed = 1;   // noise and unison phases
};

// Seconds from the start of a tone to the end of its release.
double ToneSeconds(const Voice& voice, double gate);
// Oscillator steps a voice takes per sample (partials, chorus copies, filters).
double VoiceCost(const Voice& voice);

// Adds a tone into an interleaved buffer of `channels` (1 or 2) at `rate`.
// Samples that fall past the end of the buffer are dropped.
void RenderTone(const Voice& voice, const Tone& tone, int rate, int channels, std::vector<float>& buffer);

struct Echo {
  double delay = 0;     // seconds (0: off)
  double feedback = 0;  // 0..0.9
  double mix = 0;       // 0..1
};
struct Reverb {
  double mix = 0;       // 0: off
  double room = 0.6;    // 0..0.98, longer tail when higher
  double damp = 0.35;   // 0..1, darker tail when higher
};
// Seconds of tail an effect adds after the dry sound ends.
double EchoTail(const Echo& echo);
double ReverbTail(const Reverb& reverb);
void ApplyEcho(std::vector<float>& buffer, int rate, int channels, const Echo& echo);
void ApplyReverb(std::vector<float>& buffer, int rate, int channels, const Reverb& reverb);
// Scales so that the largest sample is `peak`; silence stays silence.
void Normalize(std::vector<float>& buffer, double peak);
// Linear fades at both ends (seconds).
void FadeEnds(std::vector<float>& buffer, int rate, int channels, double fadeIn, double fadeOut);

// --- Text of recipes -------------------------------------------------------

// A number as written in recipes ("0.25", "-3", "1e3"); nullopt for anything
// else, infinities and NaN included.
std::optional<double> ParseNumber(std::string_view text);
// Hz of a note name: "A4" = 440, "C#5", "Eb3", octaves -1..9.
std::optional<double> ParseNoteName(std::string_view text);
// A frequency: a number of Hz or a note name.
std::optional<double> ParseFrequency(std::string_view text);

enum class KeyResult { Applied, Unknown, Bad };
// Applies one `key=value` of a voice (vol, adsr, vibrato, tremolo, fm,
// harmonics, duty, lowpass, highpass, q, unison, pan). Unknown keys are left
// to the caller; bad values put a reason in *error.
KeyResult ApplyVoiceKey(Voice& voice, std::string_view key, std::string_view value, std::string* error);
std::optional<Waveform> ParseWaveform(std::string_view name);

// Splits a line into words at spaces and tabs.
std::vector<std::string_view> SplitWords(std::string_view line);
// The lines of a source file: UTF-8 byte order mark dropped, CR LF and LF
// accepted, comments ('#' to the end of the line) and surrounding blanks removed.
std::vector<std::string> SourceLines(std::string_view text);

// --- Sound effects -----------------------------------------------------------

struct SoundNote {
  std::vector<double> freqs;  // a chord; empty for a rest
  double seconds = 0.1;
};

struct SoundLayer {
  Voice voice;
  std::vector<SoundNote> notes;  // when empty, one tone of `freq` for `duration`
  double freq = 440, freqEnd = 0;
  bool linearSweep = false;
  double duration = 0.2;
  double start = 0;
  int repeat = 1;        // the layer sounds this many times...
  double period = 0;     // ...this many seconds apart
  std::uint32_t seed = 0;
  int line = 0;
};

struct SoundRecipe {
  std::string output;  // path on the disc as written: "music\ui\click.wav" (UTF-8)
  std::string file;    // source, for messages
  int line = 0;
  int rate = 44100;
  int channels = 1;
  double peak = 0.7;
  double tail = 0;  // extra seconds after the last layer (besides echo and reverb tails)
  Echo echo;
  Reverb reverb;
  std::vector<SoundLayer> layers;
};

struct SoundParse {
  std::vector<SoundRecipe> recipes;
  std::vector<std::string> errors;  // "file:line: what", one per refused line or sound
};
// Parses a recipe file (see content/sounds/README.md). A sound with any bad
// line is left out, with the reason among the errors; the rest are kept.
SoundParse ParseSoundRecipes(std::string_view text, const std::string& fileLabel);

// Seconds a recipe lasts, tails included (before trailing silence is cut).
double RecipeSeconds(const SoundRecipe& recipe);
// Interleaved samples of the whole sound, normalised to the recipe's peak,
// trailing silence cut.
std::vector<float> RenderRecipe(const SoundRecipe& recipe);

// A RIFF WAVE file of 16-bit PCM.
std::vector<std::uint8_t> EncodeWav16(const std::vector<float>& samples, int rate, int channels);

// "music\ui\click.wav" -> discDir/music/ui/click.wav, refusing absolute paths,
// "..", drive letters, characters Windows forbids, names CP1251 cannot hold and
// names without the given extension (".wav").
std::optional<std::filesystem::path> DiscOutputPath(const std::filesystem::path& discDir, std::string_view discPath,
                                                    std::string_view extension, std::string* error);
// Writes through a temporary file and a rename, creating the folders.
bool WriteWholeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, std::string* error);

// The *.txt files of a content folder, sorted, and their text; a file that
// cannot be read or is not UTF-8 is reported in *errors and left out.
struct SourceFile {
  std::filesystem::path path;
  std::string label;  // "sounds/game.txt"
  std::string text;
};
std::vector<SourceFile> ReadSourceFolder(const std::filesystem::path& contentDir, const std::string& folder,
                                         std::vector<std::string>* errors);

// --- Music -------------------------------------------------------------------------

enum class MusicRole { Chords, Bass, Arp, Melody, Beat };

struct MusicChord {
  int degree = 0;  // 0 = I .. 6 = VII of the key
  bool seventh = false, sus2 = false, sus4 = false, add9 = false;
  double bars = 1;
};

struct MusicInstrument {
  std::string name;
  Voice voice;
  int line = 0;
};

struct MusicPart {
  MusicRole role = MusicRole::Chords;
  std::string instrument;
  int octave = 4;
  std::string rhythm;      // one bar: X accent, x note, o soft note, - hold, . rest
  int from = 1;            // first bar (1-based)
  int to = -1;             // last bar; negative counts from the end (-1: the last)
  double volume = 1;
  double pan = 0;
  double hold = 0.9;       // part of the time to the next note that a note is held
  double density = 0.5;    // melody: how busy
  int span = 1;            // arp: octaves
  std::string order = "up";  // arp: up, down, updown, random
  std::string style = "root";  // bass: root, alternate
  std::string scale;       // melody: empty (the key's), pentatonic
  double note = 0;         // beat: Hz (0: C5)
  int line = 0;
};

struct MusicPiece {
  std::string title;  // music\bg\<title>.mp3
  std::string file;
  double tempo = 90;  // beats a minute
  int meter = 4;      // beats a bar
  int tonic = 0;      // pitch class, C = 0
  std::string mode = "major";
  double length = 45;  // seconds of the body, before the ending
  int ending = 2;      // bars of the closing chord
  std::uint32_t seed = 1;
  std::vector<MusicChord> progression;
  std::vector<MusicInstrument> instruments;
  std::vector<MusicPart> parts;
  double fadeIn = 0.5, fadeOut = 3;
  double peak = 0.85;
  Echo echo;
  Reverb reverb;
};

struct MusicParse {
  std::optional<MusicPiece> piece;  // empty when anything was wrong
  std::vector<std::string> errors;  // "file:line: what"
};
// Parses one piece (see content/music/README.md). `defaultTitle` names it
// when the text has no title line.
MusicParse ParseMusicPiece(std::string_view text, const std::string& fileLabel, const std::string& defaultTitle);

// Bars of the body (the length rounded up to whole phrases) and seconds of
// the whole piece, ending and tails included.
int PieceBodyBars(const MusicPiece& piece);
double PieceSeconds(const MusicPiece& piece);
// Interleaved stereo samples of the whole piece, normalised and faded.
std::vector<float> RenderPiece(const MusicPiece& piece, int rate);

}  // namespace trv::disc
