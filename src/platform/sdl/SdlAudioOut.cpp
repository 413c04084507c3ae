#include "platform/sdl/SdlAudioOut.h"

#include <algorithm>
#include <string>

#include "platform/Log.h"

namespace trv {

SdlAudioOut::~SdlAudioOut() {
  if (device_) SDL_CloseAudioDevice(device_);
  device_ = 0;
  sources_.clear();
  retired_.clear();
  if (audioInit_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlAudioOut::EnsureDevice() {
  if (tried_) return device_ != 0;
  tried_ = true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    Log("sound", std::string("no audio output, sounds are silent: ") + SDL_GetError());
    return false;
  }
  audioInit_ = true;
  SDL_AudioSpec want{};
  want.freq = 44100;
  want.format = AUDIO_S16SYS;
  want.channels = kChannels;
  want.samples = 1024;
  want.callback = &SdlAudioOut::Callback;
  want.userdata = this;
  // Format and channels are fixed (SDL converts for the hardware); the rate
  // may be the device's own, the sources resample to it.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &spec_, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
  if (!device_) {
    Log("sound", std::string("no audio device, sounds are silent: ") + SDL_GetError());
    spec_ = SDL_AudioSpec{};
    return false;
  }
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SdlAudioOut::Add(std::shared_ptr<AudioSource> source) {
  if (!source) return;
  std::vector<std::shared_ptr<AudioSource>> retired;
  Locked([&] {
    sources_.push_back(std::move(source));
    retired.swap(retired_);
    return 0;
  });
}

void SdlAudioOut::Remove(const AudioSource* source) {
  std::vector<std::shared_ptr<AudioSource>> dropped;
  Locked([&] {
    for (auto it = sources_.begin(); it != sources_.end();) {
      if (it->get() == source) {
        dropped.push_back(std::move(*it));
        it = sources_.erase(it);
      } else {
        ++it;
      }
    }
    dropped.insert(dropped.end(), std::make_move_iterator(retired_.begin()), std::make_move_iterator(retired_.end()));
    retired_.clear();
    return 0;
  });
  // `dropped` frees the sources here, outside the lock.
}

std::size_t SdlAudioOut::SourceCount() const {
  return Locked([&] { return sources_.size(); });
}

void SdlAudioOut::Callback(void* self, Uint8* out, int len) {
  auto* o = static_cast<SdlAudioOut*>(self);
  o->Mix(reinterpret_cast<std::int16_t*>(out), len / int(sizeof(std::int16_t) * kChannels));
}

void SdlAudioOut::Mix(std::int16_t* out, int frames) {
  if (frames <= 0) return;
  const std::size_t n = std::size_t(frames) * kChannels;
  if (mix_.size() < n) mix_.resize(n);
  std::fill(mix_.begin(), mix_.begin() + std::ptrdiff_t(n), 0);
  for (auto it = sources_.begin(); it != sources_.end();) {
    if ((*it)->MixInto(mix_.data(), frames)) {
      ++it;
    } else {
      retired_.push_back(std::move(*it));  // freed on the loop thread, never here
      it = sources_.erase(it);
    }
  }
  std::uint16_t left = 0, right = 0;
  gain_.Get(&left, &right);
  const std::int64_t gain[2] = {left, right};
  for (std::size_t i = 0; i < n; ++i) {
    std::int64_t v = mix_[i];
    const std::int64_t g = gain[i & 1];
    if (g != 0xFFFF) v = v * g / 0xFFFF;
    out[i] = std::int16_t(std::clamp<std::int64_t>(v, -32768, 32767));
  }
}

}  // namespace trv
