// Manual-reset events that can be waited on together. The events of one group
// share a mutex and a condition variable, so a thread can block until the first
// of several is signalled, with or without a time limit.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <optional>

namespace orv {

class TEventGroup {
 public:
  class Event {
   public:
    explicit Event(TEventGroup& group) : group_(group) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    // Signalled stays signalled until Reset.
    void Set() {
      {
        std::lock_guard<std::mutex> g(group_.mutex_);
        set_ = true;
      }
      group_.cond_.notify_all();
    }
    void Reset() {
      std::lock_guard<std::mutex> g(group_.mutex_);
      set_ = false;
    }
    bool IsSet() const {
      std::lock_guard<std::mutex> g(group_.mutex_);
      return set_;
    }

   private:
    friend class TEventGroup;
    TEventGroup& group_;
    bool set_ = false;
  };

  static constexpr int kTimeout = -1;

  // Blocks until one of `events` (all of this group) is signalled and returns
  // the index of the first signalled one in list order, or kTimeout once
  // `timeoutMs` has passed; nullopt waits without limit.
  int WaitAny(std::initializer_list<const Event*> events, std::optional<uint32_t> timeoutMs) {
    auto first = [&]() -> int {
      int i = 0;
      for (const Event* e : events) {
        if (e->set_) return i;
        ++i;
      }
      return kTimeout;
    };
    std::unique_lock<std::mutex> lk(mutex_);
    if (!timeoutMs) {
      cond_.wait(lk, [&] { return first() != kTimeout; });
      return first();
    }
    cond_.wait_for(lk, std::chrono::milliseconds(*timeoutMs), [&] { return first() != kTimeout; });
    return first();
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable cond_;
};

}  // namespace orv
