#include "platform/sdl/SdlSound.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Log.h"
#include "platform/Wav.h"

namespace trv {
namespace {

// Source frames handed to the converter at a time.
constexpr std::size_t kChunkFrames = 4096;
// How much longer than its length a synchronous sound may take before it is
// given up (a stalled device must not hang the program).
constexpr std::uint64_t kSyncSlackMs = 2000;

}  // namespace

struct SdlSound::Voice {
  LoadedSound sound;
  const WavInfo& wav = sound.wav;  // samples point into sound.bytes
  std::size_t frameBytes = 0;
  std::size_t pos = 0;     // bytes of wav.samples handed to the stream
  std::vector<std::uint8_t> widened;  // a chunk of 24-bit samples as 32-bit
  SDL_AudioStream* stream = nullptr;
  bool flushed = false;
  bool done = false;
  std::uint64_t durationMs = 0;

  ~Voice() {
    if (stream) SDL_FreeAudioStream(stream);
  }

  SDL_AudioFormat SourceFormat() const {
    if (wav.isFloat) return AUDIO_F32LSB;
    switch (wav.bitsPerSample) {
      case 8: return AUDIO_U8;
      case 16: return AUDIO_S16LSB;
      default: return AUDIO_S32LSB;  // 24-bit samples are widened to 32
    }
  }

  // Hands the next piece of the file to the converter; false at the end.
  bool Feed() {
    if (pos >= wav.samples.size()) return false;
    const std::size_t n = std::min(kChunkFrames * frameBytes, wav.samples.size() - pos);
    const std::uint8_t* src = wav.samples.data() + pos;
    pos += n;
    if (wav.bitsPerSample != 24 || wav.isFloat) return SDL_AudioStreamPut(stream, src, int(n)) == 0;
    widened.resize(n / 3 * 4);
    for (std::size_t i = 0, o = 0; i + 3 <= n; i += 3, o += 4) {
      widened[o] = 0;
      widened[o + 1] = src[i];
      widened[o + 2] = src[i + 1];
      widened[o + 3] = src[i + 2];
    }
    return SDL_AudioStreamPut(stream, widened.data(), int(widened.size())) == 0;
  }
};

// The effects' place in the output: mixes whichever voice plays now.
class SdlSound::Channel : public AudioSource {
 public:
  std::unique_ptr<Voice> voice;  // under the output's lock

  bool MixInto(std::int32_t* mix, int frames) override {
    Voice* v = voice.get();
    if (!v || v->done) return true;
    const int len = frames * SdlAudioOut::kChannels * int(sizeof(std::int16_t));
    buffer_.resize(std::size_t(frames) * SdlAudioOut::kChannels);
    auto* out = reinterpret_cast<Uint8*>(buffer_.data());
    int written = 0;
    while (written < len) {
      const int n = SDL_AudioStreamGet(v->stream, out + written, len - written);
      if (n < 0) {
        v->done = true;
        break;
      }
      if (n > 0) {
        written += n;
        continue;
      }
      if (v->Feed()) continue;
      if (v->pos < v->wav.samples.size()) {  // the converter refused the piece
        v->done = true;
        break;
      }
      if (!v->flushed) {
        SDL_AudioStreamFlush(v->stream);
        v->flushed = true;
        continue;
      }
      v->done = true;
      break;
    }
    const int samples = written / int(sizeof(std::int16_t));
    for (int i = 0; i < samples; ++i) mix[i] += buffer_[std::size_t(i)];
    return true;
  }

 private:
  std::vector<std::int16_t> buffer_;
};

SdlSound::SdlSound(EventLoop& loop, Trace& trace) : SdlSound(loop, trace, std::make_shared<SdlAudioOut>()) {}

SdlSound::SdlSound(EventLoop& loop, Trace& trace, std::shared_ptr<SdlAudioOut> out)
    : SoundPlayer(trace), loop_(loop), out_(std::move(out)), channel_(std::make_shared<Channel>()) {}

SdlSound::~SdlSound() {
  if (added_) out_->Remove(channel_.get());
  channel_.reset();
}

bool SdlSound::EnsureDevice() {
  if (!out_->EnsureDevice()) return false;
  if (!added_) {
    out_->Add(channel_);
    added_ = true;
  }
  return true;
}

void SdlSound::Replace(std::unique_ptr<Voice> next) {
  if (!added_) return;
  out_->Locked([&] {
    channel_->voice.swap(next);
    return 0;
  });
}

bool SdlSound::DevicePlaying() const {
  if (!added_) return silentUntil_ > loop_.GetClock().NowMs();
  return out_->Locked([&] { return channel_->voice && !channel_->voice->done; });
}

void SdlSound::DeviceStop() {
  Replace(nullptr);
  silentUntil_ = 0;
}

bool SdlSound::DeviceStart(LoadedSound sound, std::string* error) {
  const std::uint64_t length = sound.wav.DurationMs();
  if (!EnsureDevice()) {
    silentUntil_ = loop_.GetClock().NowMs() + length;
    return true;
  }
  auto voice = std::make_unique<Voice>();
  voice->sound = std::move(sound);
  const WavInfo& wav = voice->wav;
  voice->frameBytes = std::size_t(wav.channels) * std::size_t(wav.bitsPerSample / 8);
  voice->stream = SDL_NewAudioStream(voice->SourceFormat(), Uint8(wav.channels), wav.sampleRate, AUDIO_S16SYS,
                                     SdlAudioOut::kChannels, out_->Rate());
  if (!voice->stream) {
    *error = std::string("cannot convert: ") + SDL_GetError();
    return false;
  }
  Replace(std::move(voice));
  return true;
}

bool SdlSound::DeviceWait(std::uint64_t lengthMs) {
  if (!added_) {
    SDL_Delay(Uint32(std::min<std::uint64_t>(lengthMs, 0xFFFFFFFFu)));
    silentUntil_ = 0;
    return true;
  }
  const Uint64 deadline = SDL_GetTicks64() + lengthMs + kSyncSlackMs;
  while (DevicePlaying()) {
    if (SDL_GetTicks64() > deadline) return false;
    SDL_Delay(5);
  }
  return true;
}

}  // namespace trv
