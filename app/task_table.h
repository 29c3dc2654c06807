// The task table: what each task number does. An entry shows its title
// (StartAction) and its first status line (Display), then runs its handler,
// which releases the queue (TTasks::Next) on every path when it is done.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "core/seams.h"

namespace orv {

struct TaskEntry {
  std::string begin;  // StartAction title; empty: none
  std::string show;   // Display(show, true); empty: none
  std::function<void()> then;
};

class TaskTable {
 public:
  void Set(uint8_t number, TaskEntry entry);
  void Remove(uint8_t number);
  bool Has(uint8_t number) const;
  // Runs the entry of `number`; a number without an entry does nothing (and
  // so leaves the queue paused). Returns whether an entry ran.
  bool Run(uint8_t number, Status& status) const;

 private:
  std::map<uint8_t, TaskEntry> entries_;
};

}  // namespace orv
