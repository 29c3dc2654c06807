#include "app/task_table.h"

namespace orv {

void TaskTable::Set(uint8_t number, TaskEntry entry) { entries_[number] = std::move(entry); }

void TaskTable::Remove(uint8_t number) { entries_.erase(number); }

bool TaskTable::Has(uint8_t number) const { return entries_.count(number) != 0; }

bool TaskTable::Run(uint8_t number, Status& status) const {
  const auto it = entries_.find(number);
  if (it == entries_.end()) return false;
  // Copy: a handler may replace table entries while it runs.
  const TaskEntry entry = it->second;
  if (!entry.begin.empty()) status.StartAction(entry.begin);
  if (!entry.show.empty()) status.Display(entry.show, true);
  if (entry.then) entry.then();
  return true;
}

}  // namespace orv
