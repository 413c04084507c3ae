#include "disc/build/SoundSynth.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <system_error>

#include "disc/DiscFiles.h"
#include "platform/Text.h"

namespace trv::disc {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// --- Oscillators -------------------------------------------------------------

// Sine by table with linear interpolation: far cheaper than std::sin and the
// same on every run.
constexpr int kSineSize = 4096;
const std::array<float, kSineSize + 1>& SineTable() {
  static const std::array<float, kSineSize + 1> table = [] {
    std::array<float, kSineSize + 1> t{};
    for (int i = 0; i <= kSineSize; ++i) t[i] = static_cast<float>(std::sin(kTwoPi * i / kSineSize));
    return t;
  }();
  return table;
}

inline double Frac(double x) { return x - std::floor(x); }

// sin(2π·cycles)
inline double SinCycles(double cycles) {
  const double pos = Frac(cycles) * kSineSize;
  const int i = static_cast<int>(pos);
  const double f = pos - i;
  const auto& t = SineTable();
  return t[i] + (t[i + 1] - t[i]) * f;
}

// Band-limited step correction, so that square and saw waves do not alias.
inline double PolyBlep(double t, double dt) {
  if (dt <= 0) return 0;
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0;
}

inline double Oscillate(Waveform wave, double phase, double dt, double duty) {
  switch (wave) {
    case Waveform::Sine:
      return SinCycles(phase);
    case Waveform::Saw:
      return 2.0 * phase - 1.0 - PolyBlep(phase, dt);
    case Waveform::Square: {
      double v = phase < duty ? 1.0 : -1.0;
      v += PolyBlep(phase, dt);
      v -= PolyBlep(Frac(phase + 1.0 - duty), dt);
      return v - (2.0 * duty - 1.0);  // no offset for narrow pulses
    }
    case Waveform::Triangle:
      return 4.0 * std::fabs(phase - 0.5) - 1.0;
    case Waveform::Noise:
      return 0;
  }
  return 0;
}

// Deterministic noise and choices.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E019ULL) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }  // [0, 1)
  double Signed() { return Uniform() * 2.0 - 1.0; }
  int Below(int n) { return n <= 1 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

 private:
  std::uint64_t state_;
};

std::uint32_t HashText(std::string_view text) {
  std::uint32_t h = 2166136261u;
  for (unsigned char c : text) {
    h ^= c;
    h *= 16777619u;
  }
  return h;
}

// Two-pole state-variable filter (trapezoidal form, stable under fast sweeps).
class Svf {
 public:
  void Set(double cutoff, double q, int rate) {
    cutoff = std::clamp(cutoff, 10.0, rate * 0.45);
    const double g = std::tan(std::numbers::pi * cutoff / rate);
    k_ = 1.0 / std::max(q, 0.05);
    a1_ = 1.0 / (1.0 + g * (g + k_));
    a2_ = g * a1_;
    a3_ = g * a2_;
  }
  double Low(double x) {
    Step(x);
    return low_;
  }
  double High(double x) {
    Step(x);
    return x - k_ * band_ - low_;
  }

 private:
  void Step(double x) {
    const double v3 = x - ic2_;
    band_ = a1_ * ic1_ + a2_ * v3;
    low_ = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2.0 * band_ - ic1_;
    ic2_ = 2.0 * low_ - ic2_;
  }
  double k_ = 1, a1_ = 0, a2_ = 0, a3_ = 0;
  double ic1_ = 0, ic2_ = 0, band_ = 0, low_ = 0;
};

inline double Cube(double x) { return x * x * x; }

struct EnvelopeShape {
  double attack, decay, sustain, release, gate;
  double AttackDecay(double s) const {
    if (s < attack) return s / attack;
    if (decay <= 0) return sustain;
    const double x = (s - attack) / decay;
    if (x >= 1) return sustain;
    return sustain + (1.0 - sustain) * Cube(1.0 - x);
  }
};

EnvelopeShape ShapeOf(const Voice& voice, double gate) {
  EnvelopeShape e;
  e.attack = std::max(voice.env.attack, 0.0005);  // no clicks at the onset
  e.decay = std::max(voice.env.decay, 0.0);
  e.sustain = std::clamp(voice.env.sustain, 0.0, 1.0);
  e.release = std::max(voice.env.release, 0.002);
  e.gate = std::max(gate, 0.0);
  return e;
}

double Interpolate(double from, double to, double x, bool exponential) {
  if (to <= 0 || to == from) return from;
  if (exponential && from > 0) return from * std::pow(to / from, x);
  return from + (to - from) * x;
}

}  // namespace

// --- Rendering ---------------------------------------------------------------

double ToneSeconds(const Voice& voice, double gate) {
  const EnvelopeShape e = ShapeOf(voice, gate);
  if (e.sustain <= 0 && e.attack + e.decay < e.gate) return e.attack + e.decay;
  return e.gate + e.release;
}

double VoiceCost(const Voice& voice) {
  double oscillators = 1;
  if (voice.wave != Waveform::Noise) {
    const auto partials = std::count_if(voice.harmonics.begin(), voice.harmonics.end(), [](double a) { return a != 0; });
    oscillators = std::clamp(voice.unison, 1, 8) * std::max<double>(1, static_cast<double>(partials));
  }
  return oscillators + (voice.lowpass > 0) + (voice.highpass > 0) + 1;
}

void RenderTone(const Voice& voice, const Tone& tone, int rate, int channels, std::vector<float>& buffer) {
  if (rate <= 0 || (channels != 1 && channels != 2)) return;
  const EnvelopeShape env = ShapeOf(voice, tone.gate);
  const double seconds = ToneSeconds(voice, tone.gate);
  const long long frames = static_cast<long long>(buffer.size()) / channels;
  const long long first = std::llround(tone.start * rate);
  const long long count = static_cast<long long>(std::ceil(seconds * rate));
  if (first >= frames || first + count <= 0 || !(voice.volume * tone.gain > 0)) return;

  double gainL = 1, gainR = 1;
  if (channels == 2) {
    const double pan = std::clamp(voice.pan + tone.pan, -1.0, 1.0);
    const double angle = (pan + 1.0) * std::numbers::pi / 4.0;
    gainL = std::cos(angle) * std::numbers::sqrt2;
    gainR = std::sin(angle) * std::numbers::sqrt2;
  }
  const double releaseFrom = env.AttackDecay(env.gate);
  const double gain = voice.volume * tone.gain;
  const bool noise = voice.wave == Waveform::Noise;
  const bool sweep = tone.freqEnd > 0 && tone.freqEnd != tone.freq;
  const double sweepLog = sweep && !tone.linearSweep && tone.freq > 0 ? std::log(tone.freqEnd / tone.freq) : 0;
  const double nyquistGuard = rate * 0.45;

  // Partials, normalised so that `volume` means the same for any mix.
  std::vector<std::pair<int, double>> partials;
  double partialSum = 0;
  for (std::size_t k = 0; k < voice.harmonics.size(); ++k)
    if (voice.harmonics[k] != 0) {
      partials.emplace_back(static_cast<int>(k) + 1, voice.harmonics[k]);
      partialSum += std::fabs(voice.harmonics[k]);
    }
  if (partials.empty() && !noise) return;
  const double partialNorm = partialSum > 0 ? 1.0 / partialSum : 1.0;

  const int copies = std::clamp(voice.unison, 1, 8);
  Random random(tone.seed);
  std::array<double, 8> phase{}, ratio{};
  for (int u = 0; u < copies; ++u) {
    const double cents = copies == 1 ? 0.0 : voice.detune * (static_cast<double>(u) / (copies - 1) - 0.5);
    ratio[u] = std::exp2(cents / 1200.0);
    phase[u] = copies == 1 ? 0.0 : random.Uniform();
  }
  const double fmIndexEnd = voice.fmIndexEnd >= 0 ? voice.fmIndexEnd : voice.fmIndex;
  const bool fm = voice.fmRatio > 0 && (voice.fmIndex > 0 || fmIndexEnd > 0);

  Svf lowpass, highpass;
  const bool useLow = voice.lowpass > 0, useHigh = voice.highpass > 0;
  const double lowEnd = voice.lowpassEnd > 0 ? voice.lowpassEnd : voice.lowpass;
  const double highEnd = voice.highpassEnd > 0 ? voice.highpassEnd : voice.highpass;
  const double tremEnd = voice.tremoloRateEnd >= 0 ? voice.tremoloRateEnd : voice.tremoloRate;
  double tremPhase = 0;
  std::uint64_t noiseState = random.Next() | 1;

  const long long begin = std::max(0LL, -first);
  const long long end = std::min(count, frames - first);
  for (long long n = begin; n < end; ++n) {
    const double s = static_cast<double>(n) / rate;
    const double x = env.gate > 0 ? std::min(s / env.gate, 1.0) : 1.0;  // progress through the held part
    const double level = s < env.gate ? env.AttackDecay(s) : releaseFrom * Cube(std::max(0.0, 1.0 - (s - env.gate) / env.release));

    double value = 0;
    if (noise) {
      noiseState ^= noiseState << 13;
      noiseState ^= noiseState >> 7;
      noiseState ^= noiseState << 17;
      value = static_cast<double>(noiseState >> 11) * (2.0 / 9007199254740992.0) - 1.0;
    } else {
      double f = tone.freq;
      if (sweep) f = tone.linearSweep ? tone.freq + (tone.freqEnd - tone.freq) * x : tone.freq * std::exp(sweepLog * x);
      if (voice.vibratoDepth > 0 && voice.vibratoRate > 0) {
        const double fadeIn = voice.vibratoDelay > 0 ? std::min(1.0, s / voice.vibratoDelay) : 1.0;
        f *= std::exp2(voice.vibratoDepth * fadeIn * SinCycles(voice.vibratoRate * s) / 12.0);
      }
      const double fmIndex = fm ? voice.fmIndex + (fmIndexEnd - voice.fmIndex) * std::min(s / std::max(seconds, 1e-3), 1.0) : 0;
      for (int u = 0; u < copies; ++u) {
        const double fu = f * ratio[u];
        const double dt = fu / rate;
        const double ph = Frac(phase[u]);
        const double modulation = fm ? fmIndex / kTwoPi * SinCycles(voice.fmRatio * phase[u]) : 0.0;
        double sum = 0;
        for (const auto& [k, amp] : partials) {
          if (fu * k >= nyquistGuard) break;
          if (voice.wave == Waveform::Sine)
            sum += amp * SinCycles(k * ph + modulation);
          else
            sum += amp * Oscillate(voice.wave, Frac(k * ph), dt * k, voice.duty);
        }
        value += sum;
        phase[u] += dt;
      }
      value *= partialNorm / copies;
    }
    if (useLow || useHigh) {
      if ((n - begin) % 16 == 0) {
        if (useLow) lowpass.Set(Interpolate(voice.lowpass, lowEnd, x, true), voice.resonance, rate);
        if (useHigh) highpass.Set(Interpolate(voice.highpass, highEnd, x, true), 0.707, rate);
      }
      if (useLow) value = lowpass.Low(value);
      if (useHigh) value = highpass.High(value);
    }
    double amp = gain * level;
    if (voice.tremoloDepth > 0 && (voice.tremoloRate > 0 || tremEnd > 0)) {
      tremPhase += (voice.tremoloRate + (tremEnd - voice.tremoloRate) * x) / rate;
      amp *= 1.0 - voice.tremoloDepth * (0.5 - 0.5 * SinCycles(tremPhase + 0.25));
    }
    const double out = value * amp;
    const std::size_t at = static_cast<std::size_t>(first + n) * channels;
    if (channels == 1) {
      buffer[at] += static_cast<float>(out);
    } else {
      buffer[at] += static_cast<float>(out * gainL);
      buffer[at + 1] += static_cast<float>(out * gainR);
    }
  }
}

double EchoTail(const Echo& echo) {
  if (echo.delay <= 0 || echo.mix <= 0) return 0;
  const double fb = std::clamp(echo.feedback, 0.0, 0.9);
  const double repeats = fb > 0 ? std::ceil(std::log(0.001) / std::log(fb)) : 1.0;
  return std::min(echo.delay * repeats, 8.0);
}

double ReverbTail(const Reverb& reverb) {
  if (reverb.mix <= 0) return 0;
  return 0.4 + 3.0 * std::clamp(reverb.room, 0.0, 0.98);
}

void ApplyEcho(std::vector<float>& buffer, int rate, int channels, const Echo& echo) {
  if (echo.delay <= 0 || echo.mix <= 0 || channels < 1) return;
  const std::size_t frames = buffer.size() / channels;
  const double fb = std::clamp(echo.feedback, 0.0, 0.9);
  for (int c = 0; c < channels; ++c) {
    // The right side repeats a little later, which widens a stereo sound.
    const std::size_t delay = std::max<std::size_t>(1, std::llround(echo.delay * rate * (c == 1 ? 1.07 : 1.0)));
    std::vector<float> wet(frames, 0.0f);
    for (std::size_t n = delay; n < frames; ++n)
      wet[n] = static_cast<float>(buffer[(n - delay) * channels + c] + fb * wet[n - delay]);
    for (std::size_t n = 0; n < frames; ++n) buffer[n * channels + c] += static_cast<float>(echo.mix * wet[n]);
  }
}

void ApplyReverb(std::vector<float>& buffer, int rate, int channels, const Reverb& reverb) {
  if (reverb.mix <= 0 || channels < 1) return;
  // Four damped combs into two all-passes per side; the sides differ a little
  // in length so that the tail spreads.
  static constexpr int kComb[4] = {1116, 1188, 1277, 1356};
  static constexpr int kAllpass[2] = {556, 441};
  const double scale = rate / 44100.0;
  const double feedback = 0.7 + 0.28 * std::clamp(reverb.room, 0.0, 0.98);
  const double damp = std::clamp(reverb.damp, 0.0, 1.0) * 0.6;
  const std::size_t frames = buffer.size() / channels;
  std::vector<float> input(frames);
  for (std::size_t n = 0; n < frames; ++n) {
    double sum = 0;
    for (int c = 0; c < channels; ++c) sum += buffer[n * channels + c];
    input[n] = static_cast<float>(sum / channels);
  }
  for (int c = 0; c < channels; ++c) {
    const int spread = c == 1 ? 23 : 0;
    std::vector<float> wet(frames, 0.0f);
    for (int length : kComb) {
      std::vector<double> line(std::max<std::size_t>(1, std::lround((length + spread) * scale)), 0.0);
      std::size_t pos = 0;
      double store = 0;
      for (std::size_t n = 0; n < frames; ++n) {
        const double out = line[pos];
        store = out * (1.0 - damp) + store * damp;
        line[pos] = input[n] * 0.25 + store * feedback;
        if (++pos == line.size()) pos = 0;
        wet[n] += static_cast<float>(out);
      }
    }
    for (int length : kAllpass) {
      std::vector<double> line(std::max<std::size_t>(1, std::lround((length + spread) * scale)), 0.0);
      std::size_t pos = 0;
      for (std::size_t n = 0; n < frames; ++n) {
        const double delayed = line[pos];
        const double in = wet[n];
        line[pos] = in + delayed * 0.5;
        wet[n] = static_cast<float>(delayed - in);
        if (++pos == line.size()) pos = 0;
      }
    }
    for (std::size_t n = 0; n < frames; ++n) buffer[n * channels + c] += static_cast<float>(reverb.mix * wet[n]);
  }
}

void Normalize(std::vector<float>& buffer, double peak) {
  float largest = 0;
  for (float v : buffer) largest = std::max(largest, std::fabs(v));
  if (largest < 1e-9f) return;
  const float k = static_cast<float>(peak / largest);
  for (float& v : buffer) v *= k;
}

void FadeEnds(std::vector<float>& buffer, int rate, int channels, double fadeIn, double fadeOut) {
  if (channels < 1 || rate <= 0) return;
  const std::size_t frames = buffer.size() / channels;
  const std::size_t in = std::min<std::size_t>(frames, static_cast<std::size_t>(std::max(0.0, fadeIn) * rate));
  const std::size_t out = std::min<std::size_t>(frames, static_cast<std::size_t>(std::max(0.0, fadeOut) * rate));
  for (std::size_t n = 0; n < in; ++n)
    for (int c = 0; c < channels; ++c) buffer[n * channels + c] *= static_cast<float>(static_cast<double>(n) / in);
  for (std::size_t n = 0; n < out; ++n) {
    const std::size_t at = frames - 1 - n;
    for (int c = 0; c < channels; ++c) buffer[at * channels + c] *= static_cast<float>(static_cast<double>(n) / out);
  }
}

// --- Text ----------------------------------------------------------------------

std::optional<double> ParseNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;
  if (text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

namespace {

std::optional<int> PitchClass(std::string_view text, std::size_t* used) {
  if (text.empty()) return std::nullopt;
  static constexpr int kLetters[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  const char letter = static_cast<char>(text[0] >= 'a' && text[0] <= 'z' ? text[0] - 32 : text[0]);
  if (letter < 'A' || letter > 'G') return std::nullopt;
  int pc = kLetters[letter - 'A'];
  std::size_t i = 1;
  if (i < text.size() && text[i] == '#') {
    ++pc;
    ++i;
  } else if (i < text.size() && text[i] == 'b') {
    --pc;
    ++i;
  }
  *used = i;
  return pc;  // -1 for Cb and 12 for B#: they belong to the neighbouring octave
}

}  // namespace

std::optional<double> ParseNoteName(std::string_view text) {
  std::size_t used = 0;
  const auto pc = PitchClass(text, &used);
  if (!pc) return std::nullopt;
  const std::string_view octaveText = text.substr(used);
  int octave = 0;
  const auto [end, ec] = std::from_chars(octaveText.data(), octaveText.data() + octaveText.size(), octave);
  if (octaveText.empty() || ec != std::errc() || end != octaveText.data() + octaveText.size() || octave < -1 ||
      octave > 9)
    return std::nullopt;
  const int midi = 12 * (octave + 1) + *pc;
  return 440.0 * std::exp2((midi - 69) / 12.0);
}

std::optional<double> ParseFrequency(std::string_view text) {
  if (auto note = ParseNoteName(text)) return note;
  return ParseNumber(text);
}

std::optional<Waveform> ParseWaveform(std::string_view name) {
  if (name == "sine") return Waveform::Sine;
  if (name == "square") return Waveform::Square;
  if (name == "saw") return Waveform::Saw;
  if (name == "triangle") return Waveform::Triangle;
  if (name == "noise") return Waveform::Noise;
  return std::nullopt;
}

std::vector<std::string_view> SplitWords(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

std::vector<std::string> SourceLines(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string line(text.substr(pos, eol - pos));
    // '#' opens a comment at the start of a line or after a blank, so file
    // names may still hold it.
    for (std::size_t i = 0; i < line.size(); ++i)
      if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
        line.resize(i);
        break;
      }
    const auto first = line.find_first_not_of(" \t\r");
    const auto last = line.find_last_not_of(" \t\r");
    lines.push_back(first == std::string::npos ? std::string() : line.substr(first, last - first + 1));
    if (eol == text.size()) break;
    pos = eol + 1;
  }
  return lines;
}

namespace {

std::vector<std::string_view> SplitOn(std::string_view text, char sep) {
  std::vector<std::string_view> parts;
  std::size_t pos = 0;
  while (true) {
    const std::size_t at = text.find(sep, pos);
    parts.push_back(text.substr(pos, at == std::string_view::npos ? std::string_view::npos : at - pos));
    if (at == std::string_view::npos) break;
    pos = at + 1;
  }
  return parts;
}

std::string Fmt(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

// A number within [lo, hi], or a reason.
bool NumberIn(std::string_view text, double lo, double hi, double* out, std::string* error, std::string_view what) {
  const auto v = ParseNumber(text);
  if (!v) {
    *error = std::string(what) + ": \"" + std::string(text) + "\" is not a number";
    return false;
  }
  if (*v < lo || *v > hi) {
    *error = std::string(what) + ": " + std::string(text) + " is outside " + Fmt(lo) + ".." + Fmt(hi);
    return false;
  }
  *out = *v;
  return true;
}

bool FrequencyIn(std::string_view text, double* out, std::string* error, std::string_view what) {
  const auto v = ParseFrequency(text);
  if (!v) {
    *error = std::string(what) + ": \"" + std::string(text) + "\" is neither a number of Hz nor a note name";
    return false;
  }
  if (*v < kMinFrequency || *v > kMaxFrequency) {
    *error = std::string(what) + ": " + Fmt(*v) + " Hz is outside " + Fmt(kMinFrequency) + ".." + Fmt(kMaxFrequency);
    return false;
  }
  *out = *v;
  return true;
}

// "a" or "a..b"
bool RangeOf(std::string_view text, std::string_view* from, std::string_view* to) {
  const auto dots = text.find("..");
  if (dots == std::string_view::npos) {
    *from = text;
    *to = {};
    return true;
  }
  *from = text.substr(0, dots);
  *to = text.substr(dots + 2);
  return !from->empty() && !to->empty();
}

bool ListIn(std::string_view text, std::size_t minCount, std::size_t maxCount, std::vector<std::string_view>* items,
            std::string* error, std::string_view what) {
  *items = SplitOn(text, ',');
  if (items->size() < minCount || items->size() > maxCount) {
    *error = std::string(what) + ": wants " + std::to_string(minCount) +
             (minCount == maxCount ? "" : " to " + std::to_string(maxCount)) + " values separated by commas";
    return false;
  }
  return true;
}

}  // namespace

KeyResult ApplyVoiceKey(Voice& voice, std::string_view key, std::string_view value, std::string* error) {
  std::vector<std::string_view> items;
  auto bad = [] { return KeyResult::Bad; };
  if (key == "vol") return NumberIn(value, 0, 4, &voice.volume, error, key) ? KeyResult::Applied : bad();
  if (key == "adsr") {
    if (!ListIn(value, 4, 4, &items, error, key)) return bad();
    if (!NumberIn(items[0], 0, 30, &voice.env.attack, error, "adsr attack") ||
        !NumberIn(items[1], 0, 30, &voice.env.decay, error, "adsr decay") ||
        !NumberIn(items[2], 0, 1, &voice.env.sustain, error, "adsr sustain") ||
        !NumberIn(items[3], 0, 30, &voice.env.release, error, "adsr release"))
      return bad();
    return KeyResult::Applied;
  }
  if (key == "attack") return NumberIn(value, 0, 30, &voice.env.attack, error, key) ? KeyResult::Applied : bad();
  if (key == "decay") return NumberIn(value, 0, 30, &voice.env.decay, error, key) ? KeyResult::Applied : bad();
  if (key == "sustain") return NumberIn(value, 0, 1, &voice.env.sustain, error, key) ? KeyResult::Applied : bad();
  if (key == "release") return NumberIn(value, 0, 30, &voice.env.release, error, key) ? KeyResult::Applied : bad();
  if (key == "vibrato") {
    if (!ListIn(value, 2, 3, &items, error, key)) return bad();
    voice.vibratoDelay = 0;
    if (!NumberIn(items[0], 0, 50, &voice.vibratoRate, error, "vibrato rate") ||
        !NumberIn(items[1], 0, 12, &voice.vibratoDepth, error, "vibrato depth") ||
        (items.size() == 3 && !NumberIn(items[2], 0, 30, &voice.vibratoDelay, error, "vibrato delay")))
      return bad();
    return KeyResult::Applied;
  }
  if (key == "tremolo") {
    if (!ListIn(value, 2, 2, &items, error, key)) return bad();
    std::string_view from, to;
    if (!RangeOf(items[0], &from, &to)) {
      *error = "tremolo: bad rate range";
      return bad();
    }
    voice.tremoloRateEnd = -1;
    if (!NumberIn(from, 0, 100, &voice.tremoloRate, error, "tremolo rate") ||
        (!to.empty() && !NumberIn(to, 0, 100, &voice.tremoloRateEnd, error, "tremolo rate")) ||
        !NumberIn(items[1], 0, 1, &voice.tremoloDepth, error, "tremolo depth"))
      return bad();
    return KeyResult::Applied;
  }
  if (key == "fm") {
    if (!ListIn(value, 2, 3, &items, error, key)) return bad();
    voice.fmIndexEnd = -1;
    if (!NumberIn(items[0], 0, 32, &voice.fmRatio, error, "fm ratio") ||
        !NumberIn(items[1], 0, 50, &voice.fmIndex, error, "fm index") ||
        (items.size() == 3 && !NumberIn(items[2], 0, 50, &voice.fmIndexEnd, error, "fm end index")))
      return bad();
    return KeyResult::Applied;
  }
  if (key == "harmonics") {
    if (!ListIn(value, 1, 32, &items, error, key)) return bad();
    std::vector<double> amps(items.size());
    double total = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (!NumberIn(items[i], -1, 1, &amps[i], error, "harmonics")) return bad();
      total += std::fabs(amps[i]);
    }
    if (total <= 0) {
      *error = "harmonics: all zero";
      return bad();
    }
    voice.harmonics = std::move(amps);
    return KeyResult::Applied;
  }
  if (key == "duty") return NumberIn(value, 0.01, 0.99, &voice.duty, error, key) ? KeyResult::Applied : bad();
  if (key == "lowpass" || key == "highpass") {
    std::string_view from, to;
    if (!RangeOf(value, &from, &to)) {
      *error = std::string(key) + ": bad range";
      return bad();
    }
    double& start = key == "lowpass" ? voice.lowpass : voice.highpass;
    double& end = key == "lowpass" ? voice.lowpassEnd : voice.highpassEnd;
    end = -1;
    if (!NumberIn(from, 20, 20000, &start, error, key) || (!to.empty() && !NumberIn(to, 20, 20000, &end, error, key)))
      return bad();
    return KeyResult::Applied;
  }
  if (key == "q") return NumberIn(value, 0.3, 20, &voice.resonance, error, key) ? KeyResult::Applied : bad();
  if (key == "unison") {
    if (!ListIn(value, 1, 2, &items, error, key)) return bad();
    double copies = 1;
    voice.detune = 0;
    if (!NumberIn(items[0], 1, 8, &copies, error, "unison copies") ||
        (items.size() == 2 && !NumberIn(items[1], 0, 100, &voice.detune, error, "unison cents")))
      return bad();
    if (copies != std::floor(copies)) {
      *error = "unison copies: a whole number";
      return bad();
    }
    voice.unison = static_cast<int>(copies);
    return KeyResult::Applied;
  }
  if (key == "pan") return NumberIn(value, -1, 1, &voice.pan, error, key) ? KeyResult::Applied : bad();
  return KeyResult::Unknown;
}

// --- Sound effect recipes ----------------------------------------------------------

namespace {

double LayerSeconds(const SoundLayer& layer) {
  double held = 0;
  if (layer.notes.empty()) {
    held = ToneSeconds(layer.voice, layer.duration);
  } else {
    double at = 0;
    for (const SoundNote& note : layer.notes) {
      if (!note.freqs.empty()) held = std::max(held, at + ToneSeconds(layer.voice, note.seconds));
      at += note.seconds;
    }
    held = std::max(held, at);
  }
  return layer.start + (layer.repeat - 1) * layer.period + held;
}

bool ApplyLayerKey(SoundLayer& layer, std::string_view key, std::string_view value, std::string* error) {
  if (key == "freq") {
    std::string_view from, to;
    if (!RangeOf(value, &from, &to)) {
      *error = "freq: bad range";
      return false;
    }
    layer.freqEnd = 0;
    return FrequencyIn(from, &layer.freq, error, key) && (to.empty() || FrequencyIn(to, &layer.freqEnd, error, key));
  }
  if (key == "notes") {
    layer.notes.clear();
    const auto items = SplitOn(value, ',');
    if (items.size() > 4096) {
      *error = "notes: more than 4096";
      return false;
    }
    for (std::string_view item : items) {
      const auto slash = item.find('/');
      if (slash == std::string_view::npos) {
        *error = "notes: \"" + std::string(item) + "\" wants pitch/seconds";
        return false;
      }
      SoundNote note;
      if (!NumberIn(item.substr(slash + 1), 0.001, kMaxEffectSeconds, &note.seconds, error, "note length"))
        return false;
      const std::string_view pitch = item.substr(0, slash);
      if (pitch != "r" && pitch != "-")
        for (std::string_view one : SplitOn(pitch, '+')) {
          double f = 0;
          if (!FrequencyIn(one, &f, error, "note")) return false;
          note.freqs.push_back(f);
        }
      layer.notes.push_back(std::move(note));
    }
    return true;
  }
  if (key == "dur") return NumberIn(value, 0.001, kMaxEffectSeconds, &layer.duration, error, key);
  if (key == "at") return NumberIn(value, 0, kMaxEffectSeconds, &layer.start, error, key);
  if (key == "repeat") {
    std::vector<std::string_view> items;
    double count = 1;
    if (!ListIn(value, 1, 2, &items, error, key) || !NumberIn(items[0], 1, 1000, &count, error, "repeat count"))
      return false;
    if (count != std::floor(count)) {
      *error = "repeat count: a whole number";
      return false;
    }
    layer.repeat = static_cast<int>(count);
    if (items.size() == 2) return NumberIn(items[1], 0.001, kMaxEffectSeconds, &layer.period, error, "repeat period");
    if (layer.repeat > 1) {
      *error = "repeat: wants count,period";
      return false;
    }
    return true;
  }
  if (key == "sweep") {
    if (value != "exp" && value != "lin") {
      *error = "sweep: exp or lin";
      return false;
    }
    layer.linearSweep = value == "lin";
    return true;
  }
  if (key == "seed") {
    double seed = 0;
    if (!NumberIn(value, 0, 4294967295.0, &seed, error, key)) return false;
    layer.seed = static_cast<std::uint32_t>(seed);
    return true;
  }
  switch (ApplyVoiceKey(layer.voice, key, value, error)) {
    case KeyResult::Applied:
      return true;
    case KeyResult::Bad:
      return false;
    case KeyResult::Unknown:
      break;
  }
  *error = "unknown key \"" + std::string(key) + "\"";
  return false;
}

// Checks that need the whole block: the sample rate bounds the pitches.
void CheckRecipe(const SoundRecipe& recipe, const std::string& label, std::vector<std::string>* problems) {
  auto at = [&](int line, const std::string& what) { problems->push_back(label + ":" + std::to_string(line) + ": " + what); };
  if (recipe.layers.empty()) at(recipe.line, "sound \"" + recipe.output + "\" has no layer");
  const double nyquist = recipe.rate / 2.0;
  for (const SoundLayer& layer : recipe.layers) {
    if (layer.voice.wave == Waveform::Noise) continue;
    double highest = layer.notes.empty() ? std::max(layer.freq, layer.freqEnd) : 0;
    for (const SoundNote& note : layer.notes)
      for (double f : note.freqs) highest = std::max(highest, f);
    if (highest >= nyquist)
      at(layer.line, Fmt(highest) + " Hz cannot be played at " + std::to_string(recipe.rate) + " samples a second");
  }
  // A recipe may stay within every limit and still ask for hours of work
  // (thousands of long chorused notes); such a recipe is refused too.
  double work = 0;
  for (const SoundLayer& layer : recipe.layers) {
    double toneSeconds = 0;
    if (layer.notes.empty()) toneSeconds = ToneSeconds(layer.voice, layer.duration);
    for (const SoundNote& note : layer.notes)
      toneSeconds += static_cast<double>(note.freqs.size()) * ToneSeconds(layer.voice, note.seconds);
    work += layer.repeat * toneSeconds * recipe.rate * VoiceCost(layer.voice);
  }
  if (work > kMaxEffectWork) at(recipe.line, "sound \"" + recipe.output + "\" asks for too much work (" + Fmt(work) + ")");
  const double seconds = RecipeSeconds(recipe);
  if (seconds > kMaxEffectSeconds)
    at(recipe.line, "sound \"" + recipe.output + "\" would last " + Fmt(seconds) + " s, more than " +
                        Fmt(kMaxEffectSeconds));
}

}  // namespace

SoundParse ParseSoundRecipes(std::string_view text, const std::string& fileLabel) {
  SoundParse result;
  const auto lines = SourceLines(text);
  std::optional<SoundRecipe> current;
  std::vector<std::string> blockErrors;
  auto finish = [&] {
    if (!current) return;
    CheckRecipe(*current, fileLabel, &blockErrors);
    if (blockErrors.empty()) {
      result.recipes.push_back(std::move(*current));
    } else {
      for (auto& e : blockErrors) result.errors.push_back(std::move(e));
      result.errors.push_back(fileLabel + ":" + std::to_string(current->line) + ": sound \"" + current->output +
                              "\" left out");
    }
    current.reset();
    blockErrors.clear();
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty()) continue;
    const int number = static_cast<int>(i) + 1;
    const auto words = SplitWords(line);
    const std::string_view keyword = words[0];
    std::string error;
    if (keyword == "sound") {
      finish();
      current.emplace();
      current->file = fileLabel;
      current->line = number;
      const auto rest = line.find_first_not_of(" \t", keyword.size());
      current->output = rest == std::string::npos ? std::string() : line.substr(rest);
      if (current->output.empty()) blockErrors.push_back(fileLabel + ":" + std::to_string(number) + ": sound without a file name");
      continue;
    }
    if (!current) {
      result.errors.push_back(fileLabel + ":" + std::to_string(number) + ": \"" + std::string(keyword) +
                              "\" outside a sound block (a block starts with: sound <path>)");
      continue;
    }
    SoundRecipe& r = *current;
    bool ok = true;
    if (keyword == "rate" || keyword == "channels" || keyword == "peak" || keyword == "tail") {
      double v = 0;
      if (words.size() != 2) {
        error = std::string(keyword) + " wants one value";
        ok = false;
      } else if (keyword == "rate") {
        ok = NumberIn(words[1], 0, 1e9, &v, &error, keyword) && (v == 22050 || v == 44100 || (error = "rate: 22050 or 44100", false));
        if (ok) r.rate = static_cast<int>(v);
      } else if (keyword == "channels") {
        ok = NumberIn(words[1], 1, 2, &v, &error, keyword) && (v == 1 || v == 2 || (error = "channels: 1 or 2", false));
        if (ok) r.channels = static_cast<int>(v);
      } else if (keyword == "peak") {
        ok = NumberIn(words[1], 0.05, 1, &r.peak, &error, keyword);
      } else {
        ok = NumberIn(words[1], 0, 10, &r.tail, &error, keyword);
      }
    } else if (keyword == "echo") {
      ok = words.size() == 4 || (error = "echo wants: delay feedback mix", false);
      ok = ok && NumberIn(words[1], 0.01, 2, &r.echo.delay, &error, "echo delay") &&
           NumberIn(words[2], 0, 0.9, &r.echo.feedback, &error, "echo feedback") &&
           NumberIn(words[3], 0, 1, &r.echo.mix, &error, "echo mix");
    } else if (keyword == "reverb") {
      ok = (words.size() >= 2 && words.size() <= 4) || (error = "reverb wants: mix [room [damp]]", false);
      ok = ok && NumberIn(words[1], 0, 1, &r.reverb.mix, &error, "reverb mix") &&
           (words.size() < 3 || NumberIn(words[2], 0, 0.98, &r.reverb.room, &error, "reverb room")) &&
           (words.size() < 4 || NumberIn(words[3], 0, 1, &r.reverb.damp, &error, "reverb damp"));
    } else if (keyword == "layer") {
      SoundLayer layer;
      layer.line = number;
      const auto wave = words.size() >= 2 ? ParseWaveform(words[1]) : std::nullopt;
      if (!wave) {
        error = "layer wants a waveform first: sine, square, saw, triangle or noise";
        ok = false;
      } else {
        layer.voice.wave = *wave;
        for (std::size_t w = 2; ok && w < words.size(); ++w) {
          const auto eq = words[w].find('=');
          if (eq == std::string_view::npos || eq == 0) {
            error = "\"" + std::string(words[w]) + "\" is not key=value";
            ok = false;
          } else {
            ok = ApplyLayerKey(layer, words[w].substr(0, eq), words[w].substr(eq + 1), &error);
          }
        }
        if (ok && layer.repeat > 1 && layer.period <= 0) {
          error = "repeat wants a period";
          ok = false;
        }
        if (ok) {
          if (layer.seed == 0) layer.seed = HashText(r.output) + static_cast<std::uint32_t>(r.layers.size()) * 7919u;
          r.layers.push_back(std::move(layer));
        }
      }
    } else {
      error = "unknown keyword \"" + std::string(keyword) + "\"";
      ok = false;
    }
    if (!ok) blockErrors.push_back(fileLabel + ":" + std::to_string(number) + ": " + error);
  }
  finish();
  return result;
}

double RecipeSeconds(const SoundRecipe& recipe) {
  double dry = 0;
  for (const SoundLayer& layer : recipe.layers) dry = std::max(dry, LayerSeconds(layer));
  return dry + recipe.tail + EchoTail(recipe.echo) + ReverbTail(recipe.reverb);
}

std::vector<float> RenderRecipe(const SoundRecipe& recipe) {
  const double seconds = std::min(RecipeSeconds(recipe), kMaxEffectSeconds);
  const std::size_t frames = static_cast<std::size_t>(std::ceil(seconds * recipe.rate)) + 1;
  std::vector<float> buffer(frames * recipe.channels, 0.0f);
  for (const SoundLayer& layer : recipe.layers)
    for (int r = 0; r < layer.repeat; ++r) {
      const double base = layer.start + r * layer.period;
      Tone tone;
      tone.seed = layer.seed + static_cast<std::uint32_t>(r) * 104729u;
      tone.linearSweep = layer.linearSweep;
      if (layer.notes.empty()) {
        tone.start = base;
        tone.gate = layer.duration;
        tone.freq = layer.freq;
        tone.freqEnd = layer.freqEnd;
        RenderTone(layer.voice, tone, recipe.rate, recipe.channels, buffer);
        continue;
      }
      double at = base;
      for (const SoundNote& note : layer.notes) {
        // Chords share the level of one note.
        const double share = note.freqs.empty() ? 0 : 1.0 / std::sqrt(static_cast<double>(note.freqs.size()));
        for (double f : note.freqs) {
          tone.start = at;
          tone.gate = note.seconds;
          tone.freq = f;
          tone.freqEnd = 0;
          tone.gain = share;
          ++tone.seed;
          RenderTone(layer.voice, tone, recipe.rate, recipe.channels, buffer);
        }
        at += note.seconds;
      }
    }
  ApplyEcho(buffer, recipe.rate, recipe.channels, recipe.echo);
  ApplyReverb(buffer, recipe.rate, recipe.channels, recipe.reverb);
  Normalize(buffer, recipe.peak);
  // Cut what is below hearing at the end, with a short fade where the cut falls.
  std::size_t last = 0;
  for (std::size_t i = 0; i < buffer.size(); ++i)
    if (std::fabs(buffer[i]) > 3e-4f) last = i;
  std::size_t keep = std::min(frames, last / recipe.channels + 1 + static_cast<std::size_t>(recipe.rate / 100));
  buffer.resize(keep * recipe.channels);
  FadeEnds(buffer, recipe.rate, recipe.channels, 0, 0.005);
  return buffer;
}

// --- Files ---------------------------------------------------------------------------

std::vector<std::uint8_t> EncodeWav16(const std::vector<float>& samples, int rate, int channels) {
  const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  std::vector<std::uint8_t> out(44 + static_cast<std::size_t>(dataBytes));
  std::size_t at = 0;
  auto put = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at++] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  auto tag = [&](const char* t) {
    std::memcpy(&out[at], t, 4);
    at += 4;
  };
  tag("RIFF");
  put(36 + dataBytes, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);  // PCM
  put(static_cast<std::uint32_t>(channels), 2);
  put(static_cast<std::uint32_t>(rate), 4);
  put(static_cast<std::uint32_t>(rate * channels * 2), 4);
  put(static_cast<std::uint32_t>(channels * 2), 2);
  put(16, 2);
  tag("data");
  put(dataBytes, 4);
  for (float s : samples) {
    const long v = std::lround(std::clamp(static_cast<double>(s), -1.0, 1.0) * 32767.0);
    put(static_cast<std::uint16_t>(static_cast<std::int16_t>(v)), 2);
  }
  return out;
}

std::optional<std::filesystem::path> DiscOutputPath(const std::filesystem::path& discDir, std::string_view discPath,
                                                    std::string_view extension, std::string* error) {
  auto refuse = [&](const std::string& why) -> std::optional<std::filesystem::path> {
    *error = "\"" + std::string(discPath) + "\": " + why;
    return std::nullopt;
  };
  if (discPath.empty()) return refuse("empty name");
  if (discPath.size() > 200) return refuse("longer than 200 bytes");
  if (discPath.front() == '\\' || discPath.front() == '/') return refuse("must be relative to the disc");
  bool ok = true;
  Utf8ToCp1251(discPath, &ok);
  if (!ok) return refuse("has characters that Windows-1251 cannot hold");
  std::filesystem::path native = discDir;
  std::string_view rest = discPath;
  while (true) {
    const auto sep = rest.find_first_of("\\/");
    const std::string_view part = rest.substr(0, sep);
    if (part.empty()) return refuse("has an empty folder name");
    if (part == "." || part == "..") return refuse("may not climb folders");
    for (unsigned char c : part)
      if (c < 32 || std::string_view("<>:\"|?*").find(static_cast<char>(c)) != std::string_view::npos)
        return refuse("has a character that file names cannot hold");
    if (part.back() == ' ' || part.back() == '.') return refuse("a name ends in a blank or a dot");
    native /= std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(part.data()), part.size()));
    if (sep == std::string_view::npos) break;
    rest = rest.substr(sep + 1);
  }
  const std::string lower = AsciiLower(discPath);
  if (lower.size() <= extension.size() || lower.compare(lower.size() - extension.size(), extension.size(), extension) != 0)
    return refuse("does not end in " + std::string(extension));
  return native;
}

bool WriteWholeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
  try {
    std::filesystem::create_directories(path.parent_path());
    disc::WriteWholeFile(path, bytes);
    return true;
  } catch (const std::exception& e) {
    *error = e.what();
    return false;
  }
}

std::vector<SourceFile> ReadSourceFolder(const std::filesystem::path& contentDir, const std::string& folder,
                                         std::vector<std::string>* errors) {
  std::vector<SourceFile> files;
  const std::filesystem::path dir = contentDir / folder;
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return files;
  std::vector<std::filesystem::path> paths;
  for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    if (it->is_regular_file(ec) && it->path().extension() == ".txt") paths.push_back(it->path());
  if (ec) errors->push_back(folder + ": " + ec.message());
  std::sort(paths.begin(), paths.end());
  constexpr std::uintmax_t kMaxSource = 4u << 20;  // recipes are small; a huge file is a mistake
  for (const auto& path : paths) {
    SourceFile file;
    file.path = path;
    file.label = folder + "/" + std::filesystem::relative(path, dir, ec).generic_string();
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxSource) {
      errors->push_back(file.label + ": cannot be read or larger than 4 MiB");
      continue;
    }
    std::ifstream in(path, std::ios::binary);
    file.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!IsValidUtf8(file.text)) {
      errors->push_back(file.label + ": not UTF-8");
      continue;
    }
    files.push_back(std::move(file));
  }
  return files;
}

// --- Music ---------------------------------------------------------------------------

namespace {

const std::vector<int>* ModeScale(std::string_view mode) {
  static const std::vector<int> kMajor{0, 2, 4, 5, 7, 9, 11}, kMinor{0, 2, 3, 5, 7, 8, 10},
      kDorian{0, 2, 3, 5, 7, 9, 10}, kMixolydian{0, 2, 4, 5, 7, 9, 10}, kLydian{0, 2, 4, 6, 7, 9, 11};
  if (mode == "major") return &kMajor;
  if (mode == "minor") return &kMinor;
  if (mode == "dorian") return &kDorian;
  if (mode == "mixolydian") return &kMixolydian;
  if (mode == "lydian") return &kLydian;
  return nullptr;
}

bool MinorLike(std::string_view mode) { return mode == "minor" || mode == "dorian"; }

// "vi", "IV7", "Vsus4:2", "ii7:0.5"
bool ParseChord(std::string_view token, int meter, MusicChord* chord, std::string* error) {
  std::string_view body = token;
  chord->bars = 1;
  if (const auto colon = token.find(':'); colon != std::string_view::npos) {
    body = token.substr(0, colon);
    if (!NumberIn(token.substr(colon + 1), 0.25, 16, &chord->bars, error, "chord bars")) return false;
    const double beats = chord->bars * meter;
    if (std::fabs(beats - std::round(beats)) > 1e-9) {
      *error = "chord \"" + std::string(token) + "\" does not last whole beats";
      return false;
    }
  }
  static constexpr std::string_view kNumerals[7] = {"vii", "vi", "iv", "v", "iii", "ii", "i"};
  static constexpr int kDegree[7] = {6, 5, 3, 4, 2, 1, 0};
  const std::string lower = AsciiLower(body);
  std::string_view rest;
  chord->degree = -1;
  for (int i = 0; i < 7; ++i)
    if (lower.compare(0, kNumerals[i].size(), kNumerals[i]) == 0) {
      chord->degree = kDegree[i];
      rest = std::string_view(lower).substr(kNumerals[i].size());
      break;
    }
  if (chord->degree < 0) {
    *error = "chord \"" + std::string(token) + "\" is not a roman numeral I..VII";
    return false;
  }
  std::string suffix(rest);
  while (!suffix.empty()) {
    if (suffix.rfind("7", 0) == 0) {
      chord->seventh = true;
      suffix.erase(0, 1);
    } else if (suffix.rfind("sus2", 0) == 0) {
      chord->sus2 = true;
      suffix.erase(0, 4);
    } else if (suffix.rfind("sus4", 0) == 0) {
      chord->sus4 = true;
      suffix.erase(0, 4);
    } else if (suffix.rfind("add9", 0) == 0) {
      chord->add9 = true;
      suffix.erase(0, 4);
    } else {
      *error = "chord \"" + std::string(token) + "\": unknown ending \"" + suffix + "\" (7, sus2, sus4, add9)";
      return false;
    }
  }
  return true;
}

bool ValidRhythm(std::string_view pattern, std::string* out, std::string* error) {
  out->clear();
  for (char c : pattern) {
    if (c == '|') continue;
    if (std::string_view("Xxo.-").find(c) == std::string_view::npos) {
      *error = std::string("rhythm: '") + c + "' is none of X x o . - |";
      return false;
    }
    out->push_back(c);
  }
  if (out->empty() || out->size() > 64) {
    *error = "rhythm: 1 to 64 steps";
    return false;
  }
  return true;
}

bool WholeIn(std::string_view text, double lo, double hi, int* out, std::string* error, std::string_view what) {
  double v = 0;
  if (!NumberIn(text, lo, hi, &v, error, what)) return false;
  if (v != std::floor(v)) {
    *error = std::string(what) + ": a whole number";
    return false;
  }
  *out = static_cast<int>(v);
  return true;
}

bool ApplyPartKey(MusicPart& part, std::string_view key, std::string_view value, std::string* error) {
  if (key == "octave") return WholeIn(value, 0, 8, &part.octave, error, key);
  if (key == "rhythm") return ValidRhythm(value, &part.rhythm, error);
  if (key == "from") return WholeIn(value, 1, 1000, &part.from, error, key);
  if (key == "to") {
    if (!WholeIn(value, -1000, 1000, &part.to, error, key)) return false;
    if (part.to == 0) *error = "to: 0 is no bar (negative counts from the end)";
    return part.to != 0;
  }
  if (key == "vol") return NumberIn(value, 0, 4, &part.volume, error, key);
  if (key == "pan") return NumberIn(value, -1, 1, &part.pan, error, key);
  if (key == "hold") return NumberIn(value, 0.05, 4, &part.hold, error, key);
  if (key == "density") return NumberIn(value, 0, 1, &part.density, error, key);
  if (key == "span") return WholeIn(value, 1, 3, &part.span, error, key);
  if (key == "order") {
    if (value != "up" && value != "down" && value != "updown" && value != "random") {
      *error = "order: up, down, updown or random";
      return false;
    }
    part.order = value;
    return true;
  }
  if (key == "style") {
    if (value != "root" && value != "alternate") {
      *error = "style: root or alternate";
      return false;
    }
    part.style = value;
    return true;
  }
  if (key == "scale") {
    if (value != "pentatonic" && value != "key") {
      *error = "scale: key or pentatonic";
      return false;
    }
    part.scale = value == "key" ? "" : std::string(value);
    return true;
  }
  if (key == "note") return FrequencyIn(value, &part.note, error, key);
  *error = "unknown key \"" + std::string(key) + "\"";
  return false;
}

std::optional<MusicRole> ParseRole(std::string_view word) {
  if (word == "chords") return MusicRole::Chords;
  if (word == "bass") return MusicRole::Bass;
  if (word == "arp") return MusicRole::Arp;
  if (word == "melody") return MusicRole::Melody;
  if (word == "beat") return MusicRole::Beat;
  return std::nullopt;
}

double ProgressionBars(const MusicPiece& piece) {
  double bars = 0;
  for (const MusicChord& c : piece.progression) bars += c.bars;
  return bars;
}

}  // namespace

int PieceBodyBars(const MusicPiece& piece) {
  const double barSeconds = piece.meter * 60.0 / piece.tempo;
  const int wanted = std::max(1, static_cast<int>(std::ceil(piece.length / barSeconds - 1e-9)));
  // Whole turns of the progression when it is short, else whole four-bar phrases.
  const double cycle = ProgressionBars(piece);
  int unit = 4;
  if (cycle >= 1 && cycle <= 16 && cycle == std::floor(cycle)) {
    unit = static_cast<int>(cycle);
    while (unit < 4) unit *= 2;
  }
  return (wanted + unit - 1) / unit * unit;
}

double PieceSeconds(const MusicPiece& piece) {
  double release = 0;
  for (const MusicInstrument& inst : piece.instruments)
    release = std::max(release, inst.voice.env.release + inst.voice.env.attack);
  return (PieceBodyBars(piece) + piece.ending) * piece.meter * 60.0 / piece.tempo + release + 0.05 +
         EchoTail(piece.echo) + ReverbTail(piece.reverb);
}

namespace {
double PieceWork(const MusicPiece& piece);
}  // namespace

MusicParse ParseMusicPiece(std::string_view text, const std::string& fileLabel, const std::string& defaultTitle) {
  MusicParse result;
  MusicPiece piece;
  piece.file = fileLabel;
  piece.title = defaultTitle;
  std::vector<std::pair<int, std::string>> progressionLines;
  const auto lines = SourceLines(text);
  auto fail = [&](int line, const std::string& what) {
    result.errors.push_back(fileLabel + ":" + std::to_string(line) + ": " + what);
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const int number = static_cast<int>(i) + 1;
    const auto words = SplitWords(lines[i]);
    const std::string_view keyword = words[0];
    std::string error;
    bool ok = true;
    auto one = [&](auto&& parse) {
      if (words.size() != 2) {
        error = std::string(keyword) + " wants one value";
        return false;
      }
      return parse(words[1]);
    };
    if (keyword == "title") {
      ok = one([&](std::string_view v) {
        const bool plain = !v.empty() && v.size() <= 64 && std::all_of(v.begin(), v.end(), [](char c) {
          return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
        });
        if (!plain) error = "title: 1 to 64 of A-Z a-z 0-9 _ -";
        piece.title = v;
        return plain;
      });
    } else if (keyword == "tempo") {
      ok = one([&](std::string_view v) { return NumberIn(v, 40, 200, &piece.tempo, &error, keyword); });
    } else if (keyword == "meter") {
      ok = one([&](std::string_view v) { return WholeIn(v, 2, 7, &piece.meter, &error, keyword); });
    } else if (keyword == "length") {
      ok = one([&](std::string_view v) { return NumberIn(v, 1, kMaxMusicSeconds, &piece.length, &error, keyword); });
    } else if (keyword == "ending") {
      ok = one([&](std::string_view v) { return WholeIn(v, 0, 8, &piece.ending, &error, keyword); });
    } else if (keyword == "seed") {
      ok = one([&](std::string_view v) {
        double seed = 0;
        if (!NumberIn(v, 0, 4294967295.0, &seed, &error, keyword)) return false;
        piece.seed = static_cast<std::uint32_t>(seed);
        return true;
      });
    } else if (keyword == "peak") {
      ok = one([&](std::string_view v) { return NumberIn(v, 0.05, 1, &piece.peak, &error, keyword); });
    } else if (keyword == "key") {
      std::size_t used = 0;
      const auto pc = words.size() == 3 ? PitchClass(words[1], &used) : std::nullopt;
      if (!pc || used != words[1].size()) {
        error = "key wants a tonic and a mode: key D major";
        ok = false;
      } else if (!ModeScale(words[2])) {
        error = "key: mode \"" + std::string(words[2]) + "\" is none of major, minor, dorian, mixolydian, lydian";
        ok = false;
      } else {
        piece.tonic = (*pc + 12) % 12;
        piece.mode = words[2];
      }
    } else if (keyword == "progression") {
      // Chords are read once the meter is known, whatever the order of lines.
      if (words.size() < 2) {
        error = "progression wants chords: progression I vi IV V";
        ok = false;
      } else {
        progressionLines.emplace_back(number, lines[i]);
      }
    } else if (keyword == "fade") {
      ok = (words.size() == 3 || (error = "fade wants: in out", false)) &&
           NumberIn(words[1], 0, 30, &piece.fadeIn, &error, "fade in") &&
           NumberIn(words[2], 0, 30, &piece.fadeOut, &error, "fade out");
    } else if (keyword == "echo") {
      ok = (words.size() == 4 || (error = "echo wants: delay feedback mix", false)) &&
           NumberIn(words[1], 0.01, 2, &piece.echo.delay, &error, "echo delay") &&
           NumberIn(words[2], 0, 0.9, &piece.echo.feedback, &error, "echo feedback") &&
           NumberIn(words[3], 0, 1, &piece.echo.mix, &error, "echo mix");
    } else if (keyword == "reverb") {
      ok = ((words.size() >= 2 && words.size() <= 4) || (error = "reverb wants: mix [room [damp]]", false)) &&
           NumberIn(words[1], 0, 1, &piece.reverb.mix, &error, "reverb mix") &&
           (words.size() < 3 || NumberIn(words[2], 0, 0.98, &piece.reverb.room, &error, "reverb room")) &&
           (words.size() < 4 || NumberIn(words[3], 0, 1, &piece.reverb.damp, &error, "reverb damp"));
    } else if (keyword == "instrument") {
      MusicInstrument inst;
      inst.line = number;
      const auto wave = words.size() >= 3 ? ParseWaveform(words[2]) : std::nullopt;
      if (!wave) {
        error = "instrument wants a name and a waveform: instrument bell sine ...";
        ok = false;
      } else {
        inst.name = words[1];
        inst.voice.wave = *wave;
        for (std::size_t w = 3; ok && w < words.size(); ++w) {
          const auto eq = words[w].find('=');
          if (eq == std::string_view::npos || eq == 0) {
            error = "\"" + std::string(words[w]) + "\" is not key=value";
            ok = false;
            break;
          }
          switch (ApplyVoiceKey(inst.voice, words[w].substr(0, eq), words[w].substr(eq + 1), &error)) {
            case KeyResult::Applied:
              break;
            case KeyResult::Bad:
              ok = false;
              break;
            case KeyResult::Unknown:
              error = "unknown key \"" + std::string(words[w].substr(0, eq)) + "\"";
              ok = false;
              break;
          }
        }
        for (const MusicInstrument& other : piece.instruments)
          if (ok && other.name == inst.name) {
            error = "instrument \"" + inst.name + "\" is already defined on line " + std::to_string(other.line);
            ok = false;
          }
        if (ok) piece.instruments.push_back(std::move(inst));
      }
    } else if (keyword == "part") {
      MusicPart part;
      part.line = number;
      const auto role = words.size() >= 3 ? ParseRole(words[1]) : std::nullopt;
      if (!role) {
        error = "part wants a role (chords, bass, arp, melody, beat) and an instrument";
        ok = false;
      } else {
        part.role = *role;
        part.instrument = words[2];
        if (part.role == MusicRole::Chords) part.hold = 1.0;
        for (std::size_t w = 3; ok && w < words.size(); ++w) {
          const auto eq = words[w].find('=');
          if (eq == std::string_view::npos || eq == 0) {
            error = "\"" + std::string(words[w]) + "\" is not key=value";
            ok = false;
          } else {
            ok = ApplyPartKey(part, words[w].substr(0, eq), words[w].substr(eq + 1), &error);
          }
        }
        if (ok && part.rhythm.empty() && part.role != MusicRole::Melody) {
          error = "this part wants a rhythm=";
          ok = false;
        }
        if (ok) piece.parts.push_back(std::move(part));
      }
    } else {
      error = "unknown keyword \"" + std::string(keyword) + "\"";
      ok = false;
    }
    if (!ok) fail(number, error);
  }
  for (const auto& [number, line] : progressionLines) {
    const auto words = SplitWords(line);
    for (std::size_t w = 1; w < words.size(); ++w) {
      MusicChord chord;
      std::string error;
      if (!ParseChord(words[w], piece.meter, &chord, &error)) {
        fail(number, error);
        break;
      }
      if (piece.progression.size() >= 256) {
        fail(number, "progression: more than 256 chords");
        break;
      }
      piece.progression.push_back(chord);
    }
  }
  if (piece.progression.empty() && progressionLines.empty()) fail(1, "no progression line");
  if (piece.parts.empty()) fail(1, "no part line");
  for (const MusicPart& part : piece.parts)
    if (std::none_of(piece.instruments.begin(), piece.instruments.end(),
                     [&](const MusicInstrument& i) { return i.name == part.instrument; }))
      fail(part.line, "no instrument \"" + part.instrument + "\"");
  if (result.errors.empty()) {
    const double seconds = PieceSeconds(piece);
    if (seconds > kMaxMusicSeconds)
      fail(1, "the piece would last " + Fmt(seconds) + " s, more than " + Fmt(kMaxMusicSeconds));
  }
  if (result.errors.empty()) {
    const double work = PieceWork(piece);
    if (work > kMaxMusicWork) fail(1, "the piece asks for too much work (" + Fmt(work) + ")");
  }
  if (result.errors.empty()) result.piece = std::move(piece);
  return result;
}

namespace {

struct NoteEvent {
  double beat = 0;   // onset in beats from the start
  double beats = 1;  // held
  double freq = 440;
  double velocity = 1;
};

double MidiHz(int midi) { return 440.0 * std::exp2((midi - 69) / 12.0); }

double StepVelocity(char c) { return c == 'X' ? 1.0 : c == 'x' ? 0.75 : 0.45; }

class Composer {
 public:
  explicit Composer(const MusicPiece& piece)
      : piece_(piece), scale_(*ModeScale(piece.mode)), bodyBars_(PieceBodyBars(piece)) {
    double at = 0;
    for (const MusicChord& c : piece.progression) {
      starts_.push_back(at);
      at += c.bars * piece.meter;
    }
    cycleBeats_ = at;
  }

  int BodyBars() const { return bodyBars_; }

  // The chord sounding at a beat of the body; the ending holds the tonic.
  MusicChord ChordAt(double beat) const {
    if (beat >= bodyBars_ * piece_.meter || cycleBeats_ <= 0) return MusicChord{};
    const double pos = std::fmod(beat + 1e-9, cycleBeats_);
    std::size_t i = std::upper_bound(starts_.begin(), starts_.end(), pos) - starts_.begin();
    return piece_.progression[i == 0 ? 0 : i - 1];
  }
  // Offsets in semitones from the tonic, root first.
  std::vector<int> ChordTones(const MusicChord& c) const {
    auto degree = [&](int i) { return scale_[i % 7] + 12 * (i / 7); };
    const int d = c.degree;
    std::vector<int> tones{degree(d), c.sus2 ? degree(d + 1) : c.sus4 ? degree(d + 3) : degree(d + 2), degree(d + 4)};
    if (c.seventh) tones.push_back(degree(d + 6));
    if (c.add9) tones.push_back(degree(d + 8));
    return tones;
  }
  // Close voicing around the middle of the part's octave: neighbouring chords
  // then share or move by small steps, which keeps the pads smooth.
  std::vector<int> Voicing(const MusicChord& c, int octave) const {
    const int centre = 12 * (octave + 1) + 6;
    std::vector<int> notes;
    for (int offset : ChordTones(c)) {
      const int pc = (piece_.tonic + offset) % 12;
      int m = centre - 6 + ((pc - (centre - 6)) % 12 + 12) % 12;
      notes.push_back(m);
    }
    std::sort(notes.begin(), notes.end());
    notes.erase(std::unique(notes.begin(), notes.end()), notes.end());
    return notes;
  }
  int Root(const MusicChord& c, int octave, int offsetIndex) const {
    const auto tones = ChordTones(c);
    const int pc = (piece_.tonic + tones[std::min<std::size_t>(offsetIndex, tones.size() - 1)]) % 12;
    const int low = 12 * (octave + 1) - 3;
    return low + ((pc - low) % 12 + 12) % 12;
  }

  std::vector<NoteEvent> Compose(const MusicPart& part, std::uint64_t seed) const {
    std::vector<NoteEvent> events;
    Random random(seed);
    const int last = part.to < 0 ? bodyBars_ + 1 + part.to : std::min(part.to, bodyBars_);
    if (part.role == MusicRole::Melody) {
      Melody(part, last, random, events);
    } else {
      Patterned(part, last, random, events);
    }
    // The closing chord: chords and bass that play to the end hold the tonic.
    if (piece_.ending > 0 && last >= bodyBars_ &&
        (part.role == MusicRole::Chords || part.role == MusicRole::Bass)) {
      const double beat = bodyBars_ * piece_.meter;
      const double beats = piece_.ending * piece_.meter * 0.75;
      MusicChord tonic;
      if (part.role == MusicRole::Chords) {
        for (int m : Voicing(tonic, part.octave)) events.push_back({beat, beats, MidiHz(m), 0.85});
      } else {
        events.push_back({beat, beats, MidiHz(Root(tonic, part.octave, 0)), 0.85});
      }
    }
    return events;
  }

 private:
  void Patterned(const MusicPart& part, int last, Random& random, std::vector<NoteEvent>& events) const {
    const int steps = static_cast<int>(part.rhythm.size());
    const double stepBeats = static_cast<double>(piece_.meter) / steps;
    std::vector<int> arp;
    int arpIndex = 0;
    std::optional<MusicChord> previous;  // the chord the arpeggio was built from
    for (int bar = part.from; bar <= last; ++bar) {
      int onsetInBar = 0;
      for (int s = 0; s < steps; ++s) {
        const char c = part.rhythm[s];
        if (c == '.' || c == '-') continue;
        int length = 1;
        while (s + length < steps && part.rhythm[s + length] == '-') ++length;
        if (s + length == steps && part.role == MusicRole::Chords) {
          // A chord struck last in the bar may be held into the next when the bar starts with '-'.
          int carry = 0;
          while (carry < steps && part.rhythm[carry] == '-') ++carry;
          if (bar < last) length += carry;
        }
        const double beat = (bar - 1) * piece_.meter + s * stepBeats;
        const MusicChord chord = ChordAt(beat);
        const double held = length * stepBeats * part.hold;
        const double velocity = StepVelocity(c);
        switch (part.role) {
          case MusicRole::Chords:
            for (int m : Voicing(chord, part.octave)) events.push_back({beat, held, MidiHz(m), velocity});
            break;
          case MusicRole::Bass: {
            const bool fifth = part.style == "alternate" && onsetInBar % 2 == 1;
            events.push_back({beat, held, MidiHz(Root(chord, part.octave, fifth ? 2 : 0)), velocity});
            break;
          }
          case MusicRole::Arp: {
            const bool changed = !previous || chord.degree != previous->degree || chord.seventh != previous->seventh ||
                                 chord.sus2 != previous->sus2 || chord.sus4 != previous->sus4 || chord.add9 != previous->add9;
            if (changed) {
              arp.clear();
              const auto voiced = Voicing(chord, part.octave);
              for (int o = 0; o < part.span; ++o)
                for (int m : voiced) arp.push_back(m + 12 * o);
              if (part.order == "down") std::reverse(arp.begin(), arp.end());
              if (part.order == "updown" && arp.size() > 2)
                for (std::size_t k = arp.size() - 2; k >= 1; --k) arp.push_back(arp[k]);
              arpIndex = 0;
              previous = chord;
            }
            const int pick = part.order == "random" ? random.Below(static_cast<int>(arp.size()))
                                                     : arpIndex++ % static_cast<int>(arp.size());
            events.push_back({beat, held, MidiHz(arp[pick]), velocity});
            break;
          }
          case MusicRole::Beat:
            events.push_back({beat, held, part.note > 0 ? part.note : MidiHz(72), velocity});
            break;
          case MusicRole::Melody:
            break;
        }
        ++onsetInBar;
      }
    }
  }

  struct MotifNote {
    int step = 0;
    int length = 1;
    int interval = 0;
  };

  std::vector<MotifNote> Motif(const MusicPart& part, int steps, Random& random) const {
    std::vector<int> onsets;
    const int total = 2 * steps;
    for (int s = 0; s < total; ++s) {
      bool on;
      if (!part.rhythm.empty()) {
        const char c = part.rhythm[s % part.rhythm.size()];
        on = c == 'X' || c == 'x' || c == 'o';
      } else {
        const bool downbeat = s % steps == 0;
        const bool onBeat = s % 2 == 0;
        double p = downbeat ? 0.9 : onBeat ? 0.2 + 0.6 * part.density : 0.05 + 0.35 * part.density;
        if (s >= total - 2) p *= 0.3;  // breathe before the next motif
        on = s == 0 || random.Uniform() < p;
      }
      if (on) onsets.push_back(s);
    }
    if (onsets.empty()) onsets.push_back(0);
    std::vector<MotifNote> notes;
    for (std::size_t i = 0; i < onsets.size(); ++i) {
      MotifNote n;
      n.step = onsets[i];
      n.length = std::min((i + 1 < onsets.size() ? onsets[i + 1] : total) - onsets[i], 6);
      // Mostly steps, some small leaps; a leap is followed by a step back.
      const double r = random.Uniform();
      int interval = r < 0.3 ? 1 : r < 0.6 ? -1 : r < 0.72 ? 2 : r < 0.84 ? -2 : r < 0.9 ? 0 : r < 0.95 ? 3 : -3;
      if (!notes.empty() && std::abs(notes.back().interval) >= 3) interval = notes.back().interval > 0 ? -1 : 1;
      n.interval = i == 0 ? 0 : interval;
      notes.push_back(n);
    }
    return notes;
  }

  void Melody(const MusicPart& part, int last, Random& random, std::vector<NoteEvent>& events) const {
    std::vector<int> offsets = scale_;
    if (part.scale == "pentatonic")
      offsets = MinorLike(piece_.mode) ? std::vector<int>{0, 3, 5, 7, 10} : std::vector<int>{0, 2, 4, 7, 9};
    const int size = static_cast<int>(offsets.size());
    const int base = 12 * (part.octave + 1) + piece_.tonic;
    auto midiOf = [&](int index) {
      const int octave = index >= 0 ? index / size : -((-index + size - 1) / size);
      return base + 12 * octave + offsets[index - octave * size];
    };
    const int low = -3, high = size + 2;  // about an octave and a half
    auto reflect = [&](int index) {
      while (index < low || index > high) index = index < low ? 2 * low - index : 2 * high - index;
      return index;
    };
    auto nearestChordTone = [&](int index, double beat, bool tonicOnly) {
      const auto tones = ChordTones(ChordAt(beat));
      for (int d = 0; d <= size; ++d)
        for (int sign : {1, -1}) {
          const int j = index + sign * d;
          if (j < low || j > high) continue;
          const int pc = ((midiOf(j) - piece_.tonic) % 12 + 12) % 12;
          if (tonicOnly ? pc == 0 : std::any_of(tones.begin(), tones.end(), [&](int t) { return t % 12 == pc; }))
            return j;
        }
      return index;
    };
    const int steps = piece_.meter * 2;
    const double stepBeats = 0.5;
    int index = size / 2;  // starts in the middle of the range
    // Two themes, each of two motifs, taking turns by eight-bar section: the
    // tune comes back, which is what makes it one.
    std::vector<MotifNote> themes[2][2];
    for (auto& theme : themes)
      for (auto& motif : theme) motif = Motif(part, steps, random);
    int sectionNumber = 0;
    for (int section = part.from; section <= last; section += 8, ++sectionNumber) {
      const int bars = std::min(8, last - section + 1);
      const auto& a = themes[sectionNumber % 2][0];
      const auto& b = themes[sectionNumber % 2][1];
      auto aVaried = a;
      if (aVaried.size() > 1) aVaried.back().interval = random.Uniform() < 0.5 ? 2 : -2;
      const int instances = (bars + 1) / 2;
      for (int k = 0; k < instances; ++k) {
        const bool closing = k == instances - 1;
        const auto& motif = closing ? a : k == 2 ? b : k == 1 && instances > 3 ? aVaried : k == 1 ? b : a;
        const int barStart = section + 2 * k;
        const double startBeat = (barStart - 1) * piece_.meter;
        for (std::size_t n = 0; n < motif.size(); ++n) {
          const MotifNote& note = motif[n];
          if (closing && note.step >= steps) break;  // the closing bar holds the last note
          if (barStart + note.step / steps > last) break;
          const double beat = startBeat + note.step * stepBeats;
          index = reflect(index + note.interval);
          if (n == 0 || note.step % (steps / 2 > 0 ? steps / 2 : steps) == 0) index = nearestChordTone(index, beat, false);
          const double velocity = (note.step % steps == 0 ? 0.9 : 0.72) + 0.08 * random.Signed();
          events.push_back({beat, note.length * stepBeats * part.hold, MidiHz(midiOf(index)), velocity});
        }
        if (closing && barStart + 1 <= last) {
          const double beat = startBeat + piece_.meter;
          index = nearestChordTone(index, beat, true);
          events.push_back({beat, piece_.meter * 0.9, MidiHz(midiOf(index)), 0.85});
        }
      }
    }
  }

  const MusicPiece& piece_;
  const std::vector<int>& scale_;
  int bodyBars_;
  std::vector<double> starts_;
  double cycleBeats_ = 0;
};

}  // namespace

namespace {

// Oscillator samples the piece needs at 44100 Hz: what rendering costs.
double PieceWork(const MusicPiece& piece) {
  const Composer composer(piece);
  const double beatSeconds = 60.0 / piece.tempo;
  double work = 0;
  for (std::size_t p = 0; p < piece.parts.size(); ++p) {
    const auto inst = std::find_if(piece.instruments.begin(), piece.instruments.end(),
                                   [&](const MusicInstrument& i) { return i.name == piece.parts[p].instrument; });
    if (inst == piece.instruments.end()) continue;
    double seconds = 0;
    for (const NoteEvent& e : composer.Compose(piece.parts[p], 1)) seconds += ToneSeconds(inst->voice, e.beats * beatSeconds);
    work += seconds * 44100 * VoiceCost(inst->voice);
  }
  return work;
}

}  // namespace

std::vector<float> RenderPiece(const MusicPiece& piece, int rate) {
  constexpr int kChannels = 2;
  const double seconds = std::min(PieceSeconds(piece), kMaxMusicSeconds);
  const std::size_t frames = static_cast<std::size_t>(std::ceil(seconds * rate)) + 1;
  std::vector<float> buffer(frames * kChannels, 0.0f);
  const Composer composer(piece);
  const double beatSeconds = 60.0 / piece.tempo;
  for (std::size_t p = 0; p < piece.parts.size(); ++p) {
    const MusicPart& part = piece.parts[p];
    const auto inst = std::find_if(piece.instruments.begin(), piece.instruments.end(),
                                   [&](const MusicInstrument& i) { return i.name == part.instrument; });
    if (inst == piece.instruments.end()) continue;
    const std::uint64_t seed = piece.seed * 1000003ULL + p * 7919ULL + 1;
    Random human(seed ^ 0xA5A5A5A5ULL);
    std::uint32_t toneSeed = static_cast<std::uint32_t>(seed);
    for (const NoteEvent& e : composer.Compose(part, seed)) {
      Tone tone;
      // A little looseness in time and touch, as a player would have.
      tone.start = e.beat * beatSeconds + 0.006 * human.Uniform();
      tone.gate = std::max(0.01, e.beats * beatSeconds);
      tone.freq = e.freq;
      tone.gain = part.volume * std::max(0.05, e.velocity * (1.0 + 0.08 * human.Signed()));
      tone.pan = part.pan;
      tone.seed = ++toneSeed;
      RenderTone(inst->voice, tone, rate, kChannels, buffer);
    }
  }
  ApplyEcho(buffer, rate, kChannels, piece.echo);
  ApplyReverb(buffer, rate, kChannels, piece.reverb);
  Normalize(buffer, piece.peak);
  std::size_t lastLoud = 0;
  for (std::size_t i = 0; i < buffer.size(); ++i)
    if (std::fabs(buffer[i]) > 3e-4f) lastLoud = i;
  buffer.resize(std::min(frames, lastLoud / kChannels + 1 + static_cast<std::size_t>(rate / 10)) * kChannels);
  FadeEnds(buffer, rate, kChannels, piece.fadeIn, piece.fadeOut);
  return buffer;
}

}  // namespace trv::disc
