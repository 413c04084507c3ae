#pragma once

#include "platform/Json.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace trv {

// The JSON-lines trace of what the program did: one object per line with "t"
// (milliseconds of the platform clock) and "ev", then the event's fields. Both
// backends write the same events; scenario tests compare them.
class Trace {
 public:
  explicit Trace(std::function<std::uint64_t()> now);
  ~Trace();

  bool OpenFile(const std::string& nativePath);
  // Lines are also kept in memory when asked (tests).
  void KeepLines(bool keep) { keep_ = keep; }
  std::vector<std::string> Lines() const;
  // Called with every line after it is written (the scenario runner waits on
  // lines); set it from the loop thread before anything is traced.
  void Observe(std::function<void(const std::string&)> observer) { observer_ = std::move(observer); }

  // Builds one line; it is written when the builder goes out of scope.
  class Event {
   public:
    Event(Trace* trace, std::string_view ev);
    Event(Event&& other) noexcept;
    ~Event();
    Event& Text(std::string_view key, std::string_view cp1251);  // converted to UTF-8
    Event& Utf8(std::string_view key, std::string_view utf8);
    Event& Int(std::string_view key, std::int64_t value);
    Event& Bool(std::string_view key, bool value);
    Event& Json(std::string_view key, std::string_view rawJson);

   private:
    Trace* trace_;
    std::string line_;
  };
  Event Emit(std::string_view ev) { return Event(this, ev); }

 private:
  void Write(const std::string& line);

  std::function<std::uint64_t()> now_;
  mutable std::mutex mutex_;
  std::FILE* file_ = nullptr;
  bool keep_ = false;
  std::vector<std::string> lines_;
  std::function<void(const std::string&)> observer_;
};

}  // namespace trv
