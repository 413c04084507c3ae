#include "platform/ThreadTimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/headless/HeadlessEventLoop.h"

namespace trv {
namespace {

// The real timer thread against a headless loop run by hand on this thread:
// the loop's posted-task queue is the real cross-thread one.

using namespace std::chrono_literals;

// Runs the loop until `done` or for `limit` of real time; returns done().
bool Pump(HeadlessEventLoop& loop, const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    loop.ProcessMessages();
    if (done()) return true;
    std::this_thread::sleep_for(1ms);
  }
  return done();
}

bool Never() { return false; }

TEST(ThreadTimer, TicksRunOnTheLoopThreadOneAtATime) {
  HeadlessEventLoop loop;
  int ticks = 0;
  bool inside = false, overlapped = false, foreign = false;
  auto thread = CreateThreadTimer(loop, [&] {
    overlapped |= inside;
    foreign |= !loop.OnLoopThread();
    inside = true;
    std::this_thread::sleep_for(3ms);  // longer than the interval: the thread must wait
    inside = false;
    if (++ticks == 5) loop.Terminate(0);
  });
  thread->SetPriority(5);  // refused without the privilege, and that is no failure
  thread->Resume(1);
  loop.Run();  // waits for posted ticks; the fifth ends it
  EXPECT_EQ(ticks, 5);
  EXPECT_FALSE(overlapped);
  EXPECT_FALSE(foreign);
}

TEST(ThreadTimer, SuspendFromInsideATickAndResumeAgain) {
  HeadlessEventLoop loop;
  int ticks = 0;
  std::unique_ptr<TimerThread> thread;
  thread = CreateThreadTimer(loop, [&] {
    if (++ticks == 3) thread->Suspend();
  });
  thread->Resume(1);
  ASSERT_TRUE(Pump(loop, [&] { return ticks >= 3; }, 5000ms));
  Pump(loop, Never, 60ms);
  EXPECT_EQ(ticks, 3);
  thread->Resume(2);
  EXPECT_TRUE(Pump(loop, [&] { return ticks >= 6; }, 5000ms));
}

// A tick already posted when the timer is suspended or destroyed never runs,
// and destroying does not wait for the loop (this thread) to run it.
TEST(ThreadTimer, TicksPostedBeforeSuspendOrDestructionAreVoid) {
  HeadlessEventLoop loop;
  int ticks = 0;
  auto thread = CreateThreadTimer(loop, [&] { ++ticks; });
  thread->Resume(1);
  std::this_thread::sleep_for(30ms);  // the thread has posted a tick and waits for it
  thread->Suspend();
  Pump(loop, Never, 30ms);
  EXPECT_EQ(ticks, 0);

  thread->Resume(1);
  std::this_thread::sleep_for(30ms);
  thread.reset();  // joins a thread that waits for this very thread
  Pump(loop, Never, 30ms);
  EXPECT_EQ(ticks, 0);
}

TEST(ThreadTimer, DestroyedFromInsideItsTickOrAfterTheLoopEnded) {
  HeadlessEventLoop loop;
  int ticks = 0;
  std::unique_ptr<TimerThread> thread;
  thread = CreateThreadTimer(loop, [&] {
    ++ticks;
    thread.reset();
  });
  thread->Resume(1);
  ASSERT_TRUE(Pump(loop, [&] { return ticks == 1; }, 5000ms));
  EXPECT_EQ(thread, nullptr);
  Pump(loop, Never, 30ms);
  EXPECT_EQ(ticks, 1);

  // A loop that has ended drops the posted tick; the thread must not wait for it.
  thread = CreateThreadTimer(loop, [&] { ++ticks; });
  thread->Resume(1);
  loop.Terminate(0);
  std::this_thread::sleep_for(20ms);
  thread.reset();
  loop.ProcessMessages();
  EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace trv
