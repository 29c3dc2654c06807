// TTasks: the queue of pending work. Every workflow of the window is a task
// number 1..255 taken one at a time by the idle handler; a task releases the
// queue with Next when it has finished.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace orv {

// Raised when task number 0 is queued.
class TaskError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TTasks {
 public:
  // `pushIdle` runs the application's idle processing at once; it is called
  // when a task is added after the queue has run empty.
  explicit TTasks(std::function<void()> pushIdle = {});

  // Puts the number at the head (runs next) or at the tail. A number that is
  // already queued keeps its place. 0 raises TaskError "Invalid Task".
  void AddTask(uint8_t value);
  void AddToTail(uint8_t value);
  // Removes every occurrence of the number.
  void DeleteTask(uint8_t value);
  bool Exist(uint8_t value) const;
  // Takes the head number (0 when the queue is empty) and clears Ready.
  uint8_t NextTask();
  // Called by a task when it has finished: the queue may hand out the next one.
  void Next();

  uint8_t CurTask() const { return FCurTask; }
  void SetCurTask(uint8_t value) { FCurTask = value; }
  bool Empty() const { return FEmpty; }
  bool Ready() const { return FReady; }
  void SetReady(bool value);
  bool NeedPushIdle() const { return FNeedPushIdle; }
  // The pending numbers, head first.
  const std::string& Pending() const { return FTasks; }

  // Called after every change of the queue or of Ready, so an event loop can
  // schedule its idle processing.
  void SetOnChange(std::function<void()> onChange) { FOnChange = std::move(onChange); }

 private:
  void Add(uint8_t value, bool atHead);
  void Changed();

  std::string FTasks;  // one byte per number, at most 255 (numbers are never queued twice)
  uint8_t FCurTask = 0;
  bool FNeedPushIdle = false;
  bool FEmpty = false;
  bool FReady = false;
  std::function<void()> FPushIdle;
  std::function<void()> FOnChange;
};

}  // namespace orv
