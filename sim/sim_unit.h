// The simulated Orvantis unit: answers request packets the way a unit of the
// chosen model and board does, with its identity, settings memory, external
// flash and boot loader, and injects the faults of its FaultPlan. It knows
// nothing of HID reports; the transports in sim_hid and the virtual bus carry
// its packets.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <vector>

#include "device/identity.h"
#include "sim/fault_plan.h"
#include "sim/sparse_flash.h"

namespace orv::sim {

struct SimConfig {
  int model = 3;         // 1..4
  uint8_t pcb = 18;      // board revision
  uint32_t serial = 1234;
  uint32_t seed = 1;     // for noise and moving values
  int diagKind = -1;     // diagnostic record kind 0..4 (4: a newer kind); -1: by model
  int loaderRestartMs = 800;  // the unit is away this long when it restarts
  int auxUpdateMs = 2500;     // an auxiliary firmware update keeps the unit busy this long
};

struct SimRequest {
  uint8_t cmd = 0;
  std::vector<uint8_t> payload;
  int Sub() const { return cmd == 0x55 && !payload.empty() ? payload[0] : -1; }
};

// What the unit does with one request, for the transport to carry out.
struct SimResponse {
  std::vector<std::vector<uint8_t>> noise;    // garbage input reports (raw, any size) sent first
  std::vector<std::vector<uint8_t>> packets;  // framed reply packets
  uint32_t delayMs = 0;                       // before the reply
  bool unplug = false;                        // the unit disappears instead of answering
  int restartMs = -1;                         // restart: unplug, then plug again after this
  uint32_t restartDelayMs = 0;                // the restart begins this long after the reply
};

struct SimIdentity {
  TBootState bootState;
  TOrvantisState state;
  TCoreInfo coreInfo;
  TCanFwInfo canFwInfo;
  TBoot2Rec boot2Rec;
  TCore2Info core2Info;
  TCanFw2Info canFw2Info;
  TVersionDevices versionDevices;
};

// The identity a unit of this configuration reports.
SimIdentity MakeIdentity(const SimConfig& cfg);

class SimUnit {
 public:
  // The settings memory the unit answers for.
  static constexpr uint32_t kRomBase = 0x1D800;
  static constexpr uint32_t kRomEnd = 0x1FA00;
  static constexpr uint32_t kRomSpace = 0x20000;  // reads below this succeed (0xFF outside settings)

  // Reply data for a request, or nullopt for no reply. Runs with the unit locked.
  using Handler = std::function<std::optional<std::vector<uint8_t>>(const SimRequest&, const std::vector<ActiveFault>&)>;

  explicit SimUnit(SimConfig cfg = {});

  // Handles one complete request packet (checksum included).
  SimResponse Handle(const std::vector<uint8_t>& packet);

  void SetHandler(uint8_t cmd, Handler handler);
  void SetMemoryHandler(uint8_t sub, Handler handler);

  const SimConfig& Config() const { return cfg_; }
  FaultPlan& Faults() { return faults_; }

  // State, for tests and for the handlers of other modules.
  SimIdentity Identity() const;
  void SetIdentity(const SimIdentity& id);
  bool ReadRom(uint32_t addr, uint8_t* out, uint32_t size) const;
  bool WriteRom(uint32_t addr, const uint8_t* data, uint32_t size);
  bool ReadFlash(uint32_t addr, uint8_t* out, uint32_t size) const;
  bool WriteFlash(uint32_t addr, const uint8_t* data, uint32_t size);
  bool InBootLoader() const;
  // Called by the transport when the unit comes back after a restart.
  void Restarted();
  // The unit restarts `delayMs` after its reply to the request in progress and
  // is away for `restartMs`; `intoLoader`: it comes back in its boot loader.
  void ScheduleRestart(int restartMs, uint32_t delayMs, bool intoLoader);
  bool RomUnlocked() const;
  int SaveCommands() const;  // how many times command 149 was received

  std::vector<SimRequest> Requests() const;
  size_t CountRequests(int cmd, int sub = -1) const;
  void ClearRequests();

  // Frames reply data: code, length (data + 2), data, CRC-8.
  static std::vector<uint8_t> FrameReply(uint8_t cmd, const std::vector<uint8_t>& data);

  std::recursive_mutex& Mutex() const { return mutex_; }

 private:
  void InstallHandlers();
  std::optional<std::vector<uint8_t>> Memory(const SimRequest& req, const std::vector<ActiveFault>& faults);

  SimConfig cfg_;
  FaultPlan faults_;
  mutable std::recursive_mutex mutex_;
  SimIdentity id_;
  std::vector<uint8_t> rom_;  // kRomBase..kRomEnd
  SparseFlash flash_;
  bool romUnlocked_ = false;
  bool bootLoader_ = false;
  bool enterLoaderOnRestart_ = false;
  int pendingRestartMs_ = -1;
  uint32_t pendingRestartDelayMs_ = 0;
  int saveCommands_ = 0;
  std::map<uint8_t, Handler> handlers_;
  std::map<uint8_t, Handler> memoryHandlers_;
  std::vector<SimRequest> requests_;
  std::mt19937 rng_;
};

}  // namespace orv::sim
