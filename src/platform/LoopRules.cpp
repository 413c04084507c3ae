#include "platform/LoopRules.h"

#include <exception>
#include <string>

#include "platform/Log.h"

namespace trv {

void LogEscapedException(std::string_view what) noexcept {
  try {
    std::string reason = "an exception of unknown type";
    try {
      throw;
    } catch (const std::exception& e) {
      reason = e.what();
    } catch (...) {
    }
    Log("error", std::string(what) + " threw, dropped: " + reason);
  } catch (...) {
    // Logging itself failed (out of memory): nothing more can be done here.
  }
}

bool ModalLoops::Run(const std::function<bool()>& done, const std::function<bool()>& ended,
                     const std::function<void()>& step) {
  struct Nested {
    int& depth;
    explicit Nested(int& d) : depth(d) { ++depth; }
    ~Nested() { --depth; }
  } nested(depth_);
  for (;;) {
    if (done()) return true;
    if (ended()) return false;
    step();
  }
}

}  // namespace trv
