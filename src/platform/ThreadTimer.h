#pragma once

#include "platform/EventLoop.h"

namespace trv {

// The timer thread of a real event loop: a std::thread that sleeps, posts the
// tick to the loop and waits until it ran. The state both threads share lives
// in one shared object, and the loop thread tests its stop mark before every
// tick, so destruction (on the loop thread, which must not wait for a posted
// tick it would itself have to run) only marks, wakes and joins.
std::unique_ptr<TimerThread> CreateThreadTimer(EventLoop& loop, std::function<void()> tick);

}  // namespace trv
