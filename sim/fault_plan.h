// Faults the simulated unit injects into its replies, set per run by a text
// such as "drop/55.05@3,crc/db x*,delay=1500/c0".
//
//   SPEC  := RULE (',' RULE)*
//   RULE  := KIND ['=' VALUE] ['/' CMD ['.' SUB]] ['@' START] ['x' (COUNT | '*')]
//
// KIND is one of the names below; CMD and SUB are hexadecimal command and
// sub-command codes (the sub-command is the first payload byte of the 0x55
// memory family). A rule counts the requests it matches: it applies from the
// START-th match (1 when omitted) to COUNT matches (1 when omitted, '*' for
// every later one). Spaces are ignored.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orv::sim {

enum class FaultKind {
  kDrop,          // no reply at all
  kCrc,           // reply with a wrong checksum
  kLength,        // reply with one data byte too many
  kCode,          // reply with the wrong reply code
  kDelay,         // reply after VALUE ms (default 1500)
  kRefuseUnlock,  // unlock answers status VALUE (default 0)
  kFailErase,     // erase answers status 0
  kFailWrite,     // settings write answers status 0, flash write a wrong CRC echo
  kUnplug,        // the unit disappears instead of answering
  kRestart,       // the unit disappears and comes back after VALUE ms (default 1000)
  kUpdateCode,    // a firmware update command answers result VALUE
  kNoise,         // VALUE (default 3) garbage reports of random sizes before the reply
};

struct FaultRule {
  FaultKind kind = FaultKind::kDrop;
  int value = -1;  // -1: the kind's default
  int cmd = -1;    // -1: any command
  int sub = -1;    // -1: any sub-command
  uint64_t start = 1;
  uint64_t count = 1;  // 0: every match from start on
  uint64_t seen = 0;
};

struct ActiveFault {
  FaultKind kind;
  int value;
};

class FaultPlan {
 public:
  FaultPlan() = default;
  FaultPlan(FaultPlan&& other) noexcept {
    std::lock_guard<std::mutex> g(other.mutex_);
    rules_ = std::move(other.rules_);
  }
  // Replaces the rules in place, so a running unit picks up the new plan.
  FaultPlan& operator=(FaultPlan&& other) noexcept {
    if (this != &other) {
      std::scoped_lock g(mutex_, other.mutex_);
      rules_ = std::move(other.rules_);
    }
    return *this;
  }
  // Throws std::invalid_argument with a readable message on bad rules.
  static FaultPlan Parse(const std::string& rules);

  void Add(FaultRule rule);
  void Clear();
  bool Empty() const;
  // Counts one request and returns the faults that apply to it.
  std::vector<ActiveFault> Match(uint8_t cmd, int sub);

  static const char* KindName(FaultKind kind);
  static std::string Help();

 private:
  mutable std::mutex mutex_;
  std::vector<FaultRule> rules_;
};

// The value of the first active fault of this kind, or nullopt.
std::optional<int> FindFault(const std::vector<ActiveFault>& faults, FaultKind kind);

}  // namespace orv::sim
