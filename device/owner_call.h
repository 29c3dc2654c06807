// A function that another thread asks the link's owner thread (the GUI thread
// or the CLI's loop) to run, and that thread's wait for it. The owner runs it
// when it delivers notices: in its event loop, or while it waits for a reply.
// The poster never waits without limit: a call that has not started when the
// time-out passes, or that is cancelled, never runs.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace orv {

class OwnerCall {
 public:
  explicit OwnerCall(std::function<void()> fn) : fn_(std::move(fn)) {}
  OwnerCall(const OwnerCall&) = delete;
  OwnerCall& operator=(const OwnerCall&) = delete;

  // Owner thread: runs the function unless the call was cancelled.
  void Run() {
    std::function<void()> fn;
    {
      std::lock_guard<std::mutex> g(mutex_);
      if (state_ != kPending) return;
      state_ = kRunning;
      fn = std::move(fn_);
    }
    try {
      fn();
    } catch (...) {
      Finish();
      throw;
    }
    Finish();
  }

  // Poster: waits until the call has run. A call that has not started within
  // `timeOut` ms is cancelled; one that is running is waited for to its end.
  // True when the function ran.
  bool Wait(uint32_t timeOut) {
    std::unique_lock<std::mutex> lk(mutex_);
    cond_.wait_for(lk, std::chrono::milliseconds(timeOut), [this] { return state_ != kPending && state_ != kRunning; });
    if (state_ == kPending) state_ = kCancelled;
    cond_.wait(lk, [this] { return state_ != kRunning; });
    return state_ == kDone;
  }

  // Any thread: cancels the call if it has not started; a waiting poster wakes.
  void Cancel() {
    {
      std::lock_guard<std::mutex> g(mutex_);
      if (state_ != kPending) return;
      state_ = kCancelled;
      fn_ = nullptr;
    }
    cond_.notify_all();
  }

 private:
  void Finish() {
    {
      std::lock_guard<std::mutex> g(mutex_);
      state_ = kDone;
    }
    cond_.notify_all();
  }

  enum State { kPending, kRunning, kDone, kCancelled };
  std::mutex mutex_;
  std::condition_variable cond_;
  State state_ = kPending;
  std::function<void()> fn_;
};

}  // namespace orv
