#include "app/tasks.h"

#include <algorithm>

namespace orv {

TTasks::TTasks(std::function<void()> pushIdle) : FPushIdle(std::move(pushIdle)) {}

void TTasks::AddTask(uint8_t value) { Add(value, true); }
void TTasks::AddToTail(uint8_t value) { Add(value, false); }

void TTasks::Add(uint8_t value, bool atHead) {
  if (value == 0) throw TaskError("Invalid Task");
  if (FTasks.empty()) FReady = true;
  const char c = static_cast<char>(value);
  if (FTasks.find(c) == std::string::npos) {
    if (atHead)
      FTasks.insert(FTasks.begin(), c);
    else
      FTasks.push_back(c);
  }
  FEmpty = false;
  Changed();
  if (FNeedPushIdle && FPushIdle) FPushIdle();
}

void TTasks::DeleteTask(uint8_t value) {
  FTasks.erase(std::remove(FTasks.begin(), FTasks.end(), static_cast<char>(value)), FTasks.end());
  FEmpty = FTasks.empty();
  FNeedPushIdle = FEmpty;
  Changed();
}

bool TTasks::Exist(uint8_t value) const { return value != 0 && FTasks.find(static_cast<char>(value)) != std::string::npos; }

uint8_t TTasks::NextTask() {
  if (FTasks.empty()) return 0;
  const auto value = static_cast<uint8_t>(FTasks.front());
  FCurTask = value;
  DeleteTask(value);
  FReady = false;
  Changed();
  return value;
}

void TTasks::Next() { SetReady(true); }

void TTasks::SetReady(bool value) {
  FReady = value;
  Changed();
}

void TTasks::Changed() {
  if (FOnChange) FOnChange();
}

}  // namespace orv
