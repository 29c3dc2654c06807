// What the settings workflows need from the application besides the Status
// and Prompts seams: the settings pages (load and store orders) and the task
// queue. The main window implements them over its pages and its TTasks; the
// CLI, the benchmarks and the tests use the small implementations below.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "settings/config_data.h"
#include "settings/mem_items.h"

namespace orv {

// Task numbers the settings workflows queue.
namespace task {
constexpr uint8_t kReadSettings = 3;
constexpr uint8_t kSyncSettings = 8;
constexpr uint8_t kWriteSettings = 9;
constexpr uint8_t kFactoryReset = 28;
}  // namespace task

// Status codes (FRequest) the settings workflows use and test.
namespace request {
constexpr int kReadAfterConnect = 3;
constexpr int kSync = 8;
constexpr int kWriting = 9;
constexpr int kStepFinished = 17;
}  // namespace request

// The settings pages as the workflows see them.
class PagesHook {
 public:
  enum class Button { kRead, kApply };

  virtual ~PagesHook() = default;
  // Every page copies its record(s) out of the regions, in the load order:
  // options, messages, connections, impulses, CAN, Internet, remote start (the
  // last with the data of region 14). A page that restored factory values sets
  // TSettingsSession::FForceSaveSettings. May throw; the workflow reports it.
  virtual void LoadData(TMemItems& items) = 0;
  // Every page writes its record into its region, in the store order: options,
  // connections, impulses, CAN, Internet, remote start. May throw.
  virtual void StoreData(TMemItems& items) = 0;
  // The PIN of the options page's copy of the main settings block; nullopt
  // while the page has never been loaded.
  virtual std::optional<TPIN> OptionsPIN() const = 0;
  virtual void SetOptionsPIN(const TPIN& pin) = 0;
  // A page restored factory values while loading: the settings are to be
  // written back at once. Reports the mark once and clears it.
  virtual bool TakeForceSave() { return false; }
  // Regions outside the write mask (bit k = region k) whose contents the last
  // StoreData changed compared with the last LoadData. The write workflow
  // writes them too when they came from the unit.
  virtual uint32_t ChangedRegions() const { return 0; }
  // The read or apply button is busy (pressed and disabled) or free again; a
  // busy read button also disables the actions that must not start meanwhile.
  virtual void SetBusy(Button /*button*/, bool /*busy*/) {}
};

// The task queue as the workflows see it.
class TaskQueueHook {
 public:
  virtual ~TaskQueueHook() = default;
  // The running task has finished: the queue may hand out the next one.
  virtual void Next() = 0;
  virtual void AddToTail(uint8_t task) = 0;
};

// No pages: the regions are written and saved as they are.
class NoPages final : public PagesHook {
 public:
  void LoadData(TMemItems&) override {}
  void StoreData(TMemItems&) override {}
  std::optional<TPIN> OptionsPIN() const override { return std::nullopt; }
  void SetOptionsPIN(const TPIN&) override {}
};

// Remembers what the workflows asked of the queue.
class RecordingTaskQueue final : public TaskQueueHook {
 public:
  void Next() override { ++nextCalls; }
  void AddToTail(uint8_t t) override {
    for (uint8_t q : queued)
      if (q == t) return;
    queued.push_back(t);
  }
  // Takes the head of the queue; 0 when empty.
  uint8_t TakeNext() {
    if (queued.empty()) return 0;
    const uint8_t t = queued.front();
    queued.erase(queued.begin());
    return t;
  }
  int nextCalls = 0;
  std::vector<uint8_t> queued;
};

}  // namespace orv
