#include "platform/Trace.h"

#include "platform/Text.h"

namespace trv {

Trace::Trace(std::function<std::uint64_t()> now) : now_(std::move(now)) {}

Trace::~Trace() {
  if (file_) std::fclose(file_);
}

bool Trace::OpenFile(const std::string& nativePath) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_) std::fclose(file_);
  file_ = std::fopen(nativePath.c_str(), "w");
  return file_ != nullptr;
}

std::vector<std::string> Trace::Lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

void Trace::Write(const std::string& line) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_) {
      std::fputs(line.c_str(), file_);
      std::fputc('\n', file_);
      std::fflush(file_);
    }
    if (keep_) lines_.push_back(line);
  }
  if (observer_) observer_(line);
}

Trace::Event::Event(Trace* trace, std::string_view ev) : trace_(trace) {
  line_ = "{\"t\":" + std::to_string(trace->now_ ? trace->now_() : 0) + ",\"ev\":" + JsonQuote(ev);
}

Trace::Event::Event(Event&& other) noexcept : trace_(other.trace_), line_(std::move(other.line_)) {
  other.trace_ = nullptr;
}

Trace::Event::~Event() {
  if (!trace_) return;
  line_.push_back('}');
  trace_->Write(line_);
}

Trace::Event& Trace::Event::Text(std::string_view key, std::string_view cp1251) {
  return Utf8(key, Cp1251ToUtf8(cp1251));
}

Trace::Event& Trace::Event::Utf8(std::string_view key, std::string_view utf8) {
  line_ += "," + JsonQuote(key) + ":" + JsonQuote(utf8);
  return *this;
}

Trace::Event& Trace::Event::Int(std::string_view key, std::int64_t value) {
  line_ += "," + JsonQuote(key) + ":" + std::to_string(value);
  return *this;
}

Trace::Event& Trace::Event::Bool(std::string_view key, bool value) {
  line_ += "," + JsonQuote(key) + ":" + (value ? "true" : "false");
  return *this;
}

Trace::Event& Trace::Event::Json(std::string_view key, std::string_view rawJson) {
  line_ += "," + JsonQuote(key) + ":" + std::string(rawJson);
  return *this;
}

}  // namespace trv
