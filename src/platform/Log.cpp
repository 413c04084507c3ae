#include "platform/Log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>

namespace trv {
namespace {

struct LogState {
  std::mutex mutex;
  LogSink sink;
  std::string path;  // empty: default location
  std::FILE* file = nullptr;
  bool fileTried = false;
  int toStderr = -1;  // unknown until the first line
};

LogState& State() {
  static LogState* state = new LogState;  // never destroyed: logging works during exit
  return *state;
}

std::filesystem::path DefaultLogPath() {
  const char* state = std::getenv("XDG_STATE_HOME");
  std::filesystem::path base;
  if (state && *state) {
    base = state;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home && *home ? home : "/tmp") / ".local" / "state";
  }
  return base / "trivion" / "trivion.log";
}

void OpenFile(LogState& s) {
  s.fileTried = true;
  std::filesystem::path p = s.path.empty() ? DefaultLogPath() : std::filesystem::path(s.path);
  std::error_code ec;
  std::filesystem::create_directories(p.parent_path(), ec);
  s.file = std::fopen(p.c_str(), "a");
}

}  // namespace

void Log(std::string_view area, std::string_view message) {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::string body;
  body.reserve(area.size() + message.size() + 2);
  body.append(area).append(": ").append(message);
  if (s.sink) s.sink(body);

  if (s.toStderr < 0) {
    const char* v = std::getenv("TRIVION_LOG");
    s.toStderr = (v && std::string_view(v) == "1") ? 1 : 0;
  }
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  int ms = int(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm tm{};
  localtime_r(&t, &tm);
  char stamp[80];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
  if (!s.fileTried) OpenFile(s);
  if (s.file) {
    std::fprintf(s.file, "%s [%d] %s\n", stamp, int(getpid()), body.c_str());
    std::fflush(s.file);
  }
  if (s.toStderr == 1) std::fprintf(stderr, "trivion: %s\n", body.c_str());
}

void SetLogSink(LogSink sink) {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.sink = std::move(sink);
}

void SetLogFile(const std::string& path) {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.file) std::fclose(s.file);
  s.file = nullptr;
  s.fileTried = false;
  s.path = path;
}

}  // namespace trv
