#pragma once

// A media system for the players' tests: files are named in a table with
// their length and whether they have video (or the error their open gives);
// plays end when the test says so, through the loop like a real notice.
#include <map>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/MediaDevice.h"

namespace trv::test {

struct FakeFile {
  std::int32_t lengthMs = 0;
  bool video = false;
  int openError = mci::kOk;
};

class FakeMedia : public MediaSystem {
 public:
  explicit FakeMedia(EventLoop& loop) : loop_(loop) {}

  std::map<std::string, FakeFile> files;
  std::vector<std::string> calls;  // "open NAME", "play FROM TO", "seek N", ...
  std::uint16_t left = 40000, right = 40000;
  int volumeSets = 0;

  class Device : public MediaDevice {
   public:
    explicit Device(FakeMedia& media) : media_(media) {}
    ~Device() override { Close(); }
    int Open(const std::string& path) override {
      auto it = media_.files.find(path);
      const int error = it == media_.files.end() ? mci::kFileNotFound : it->second.openError;
      media_.calls.push_back("open " + path + " " + std::to_string(error));
      if (error) return error;
      file_ = it->second;
      open_ = true;
      media_.current = this;
      return mci::kOk;
    }
    int Close() override {
      if (!open_) return mci::kOk;
      End(MediaNotify::Aborted);
      media_.calls.push_back("close");
      open_ = false;
      if (media_.current == this) media_.current = nullptr;
      return mci::kOk;
    }
    bool IsOpen() const override { return open_; }
    bool HasVideo() const override { return file_.video; }
    int Play(std::int32_t from, std::int32_t to, Notify notify) override {
      if (!open_) return mci::kNotOpen;
      End(MediaNotify::Superseded);
      if (from >= 0) position_ = from;
      media_.calls.push_back("play " + std::to_string(from) + " " + std::to_string(to));
      notify_ = std::move(notify);
      mode_ = MediaMode::Playing;
      return mci::kOk;
    }
    int Stop() override {
      if (!open_) return mci::kNotOpen;
      media_.calls.push_back("stop");
      End(MediaNotify::Aborted);
      mode_ = MediaMode::Stopped;
      return mci::kOk;
    }
    int Pause() override {
      media_.calls.push_back("pause");
      mode_ = MediaMode::Paused;
      return mci::kOk;
    }
    int Resume(Notify notify) override {
      media_.calls.push_back(std::string("resume") + (notify ? " notify" : ""));
      notify_ = std::move(notify);
      mode_ = MediaMode::Playing;
      return mci::kOk;
    }
    int Seek(std::int32_t position) override {
      media_.calls.push_back("seek " + std::to_string(position));
      End(MediaNotify::Aborted);  // a seek stops the play
      position_ = position;
      mode_ = MediaMode::Stopped;
      return mci::kOk;
    }
    int SeekToStart() override { return Seek(0); }
    int SetTimeFormat(MediaTimeFormat) override { return mci::kOk; }
    int Length(std::int32_t* out) override {
      *out = file_.lengthMs;
      return mci::kOk;
    }
    int Position(std::int32_t* out) override {
      *out = position_;
      return open_ ? mci::kOk : mci::kNotOpen;
    }
    int Mode(MediaMode* out) override {
      *out = open_ ? mode_ : MediaMode::NotReady;
      return mci::kOk;
    }
    int SetVideoWindow(Window* window, const Rect& r) override {
      media_.calls.push_back(std::string("video ") + (window ? "window " : "none ") + std::to_string(r.left) + "," +
                             std::to_string(r.top));
      return mci::kOk;
    }
    void DrawVideo(Bitmap&) const override {}
    void ShowVideo(bool shown) override { media_.calls.push_back(shown ? "show video" : "hide video"); }
    std::string ErrorString(int code) const override { return "error " + std::to_string(code); }

    // The play ends at the file's end, its notice through the loop.
    void Finish() {
      position_ = file_.lengthMs;
      mode_ = MediaMode::Stopped;
      End(MediaNotify::Successful);
    }
    void SetPosition(std::int32_t p) { position_ = p; }

   private:
    void End(MediaNotify value) {
      if (!notify_) return;
      auto notify = std::move(notify_);
      notify_ = nullptr;
      media_.loop_.Post([notify, value] { notify(value); });
    }
    FakeMedia& media_;
    FakeFile file_;
    bool open_ = false;
    MediaMode mode_ = MediaMode::Stopped;
    std::int32_t position_ = 0;
    Notify notify_;
  };

  std::unique_ptr<MediaDevice> CreateDevice() override { return std::make_unique<Device>(*this); }
  void SetWaveVolume(std::uint16_t l, std::uint16_t r) override {
    left = l;
    right = r;
    ++volumeSets;
  }
  void WaveVolume(std::uint16_t* l, std::uint16_t* r) const override {
    *l = left;
    *r = right;
  }

  Device* current = nullptr;  // the device opened last, while it is open

 private:
  EventLoop& loop_;
};

}  // namespace trv::test
