#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Log.h"

namespace trv::test {

// Collects the log lines written while it lives.
class LogCapture {
 public:
  LogCapture() {
    SetLogSink([this](const std::string& line) { lines_.push_back(line); });
  }
  ~LogCapture() { SetLogSink({}); }
  const std::vector<std::string>& Lines() const { return lines_; }
  bool Contains(const std::string& part) const {
    for (const auto& l : lines_)
      if (l.find(part) != std::string::npos) return true;
    return false;
  }
  std::string All() const {
    std::string s;
    for (const auto& l : lines_) s += l + "\n";
    return s;
  }

 private:
  std::vector<std::string> lines_;
};

// Lines a component under test reported through a log callback.
struct LineLog {
  std::vector<std::string> log;
  std::function<void(const std::string&)> Sink() {
    return [this](const std::string& line) { log.push_back(line); };
  }
  bool Logged(const std::string& part) const {
    for (const auto& l : log)
      if (l.find(part) != std::string::npos) return true;
    return false;
  }
  std::string All() const {
    std::string s;
    for (const auto& l : log) s += l + "\n";
    return s;
  }
};

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "trivion-test-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data())) path_ = buf.data();
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}
inline void WriteFile(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes) {
  WriteFile(p, std::string(bytes.begin(), bytes.end()));
}
inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs `call` on a thread and waits for it up to five seconds. A call caught
// opening the named pipe `fifo` is set free by opening the pipe for writing,
// so that a failing test ends instead of hanging; false then.
inline bool ReturnsPromptly(const std::function<void()>& call, const std::filesystem::path& fifo) {
  std::packaged_task<void()> task(call);
  std::future<void> done = task.get_future();
  std::thread thread(std::move(task));
  const bool prompt = done.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
  }
  thread.join();
  return prompt;
}

}  // namespace trv::test
