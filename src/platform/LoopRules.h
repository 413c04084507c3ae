#pragma once

#include <functional>
#include <string_view>
#include <utility>

namespace trv {

// Logs the exception being handled ("error: <what> threw: <reason>"); call it
// only from inside a catch block.
void LogEscapedException(std::string_view what) noexcept;

// Runs `fn`, and drops with a log line what it throws. Every window event
// handler, timer and posted task is called through it, so that an exception
// never unwinds through an event loop (and through the modal loops on its
// stack) but ends only the one call that threw.
template <typename F>
void CallGuarded(std::string_view what, F&& fn) noexcept {
  try {
    std::forward<F>(fn)();
  } catch (...) {
    LogEscapedException(what);
  }
}

// The modal loops of an event loop: each runs `step` until `done()` (asked
// before every step and after it) or until `ended()`, and counts in Depth while
// it runs, however it is left.
class ModalLoops {
 public:
  int Depth() const { return depth_; }
  // False when the loop ended rather than `done()` came true.
  bool Run(const std::function<bool()>& done, const std::function<bool()>& ended,
           const std::function<void()>& step);

 private:
  int depth_ = 0;
};

}  // namespace trv
