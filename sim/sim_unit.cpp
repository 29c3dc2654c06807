#include "sim/sim_unit.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "device/byte_io.h"
#include "device/checksums.h"
#include "device/orvantis.h"
#include "sim/sim_diag.h"
#include "sim/sim_firmware.h"
#include "sim/sim_settings.h"

namespace orv::sim {

namespace {

constexpr size_t kMaxReplyData = 253;
constexpr size_t kMaxRequestLog = 200000;
constexpr int kDefaultDelayMs = 1500;
constexpr int kDefaultRestartMs = 1000;
constexpr int kLoaderRestartMs = 800;
constexpr uint8_t kUpdateSuccess = 3;

template <typename T>
SimUnit::Handler RecordHandler(SimUnit* unit, T SimIdentity::*field) {
  return [unit, field](const SimRequest& req, const std::vector<ActiveFault>&) -> std::optional<std::vector<uint8_t>> {
    if (!req.payload.empty()) return std::nullopt;
    return RecordBytes(unit->Identity().*field);
  };
}

}  // namespace

SimUnit::SimUnit(SimConfig cfg) : cfg_(cfg), rom_(kRomEnd - kRomBase, 0), rng_(cfg.seed) {
  id_ = MakeIdentity(cfg_);
  InstallHandlers();
  InstallDiagHandler(*this);
  InstallFirmwareHandlers(*this);
  LoadFactorySettings(*this);
}

void SimUnit::InstallHandlers() {
  handlers_[cmd::kGetInfo] = RecordHandler(this, &SimIdentity::bootState);
  handlers_[cmd::kGetState] = [this](const SimRequest& req, const std::vector<ActiveFault>&)
      -> std::optional<std::vector<uint8_t>> {
    if (!req.payload.empty()) return std::nullopt;
    TOrvantisState st = id_.state;
    st.WorkMode = bootLoader_ ? 0x10 : 0x01;
    return RecordBytes(st);
  };
  handlers_[cmd::kGetCoreInfo] = RecordHandler(this, &SimIdentity::coreInfo);
  handlers_[cmd::kGetCanFwInfo] = RecordHandler(this, &SimIdentity::canFwInfo);
  handlers_[cmd::kGetBoot2Rec] = RecordHandler(this, &SimIdentity::boot2Rec);
  handlers_[cmd::kGetCore2Info] = RecordHandler(this, &SimIdentity::core2Info);
  handlers_[cmd::kGetCanFw2Info] = RecordHandler(this, &SimIdentity::canFw2Info);
  handlers_[cmd::kGetVersionDevices] = RecordHandler(this, &SimIdentity::versionDevices);
  handlers_[cmd::kMemory] = [this](const SimRequest& req, const std::vector<ActiveFault>& faults) {
    return Memory(req, faults);
  };
  handlers_[cmd::kSaveSettings] = [this](const SimRequest& req, const std::vector<ActiveFault>&)
      -> std::optional<std::vector<uint8_t>> {
    if (!req.payload.empty()) return std::nullopt;
    ++saveCommands_;
    romUnlocked_ = false;
    DeliverStagedModules(*this);
    return std::vector<uint8_t>{};
  };
}

void SimUnit::SetHandler(uint8_t cmdCode, Handler handler) {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  handlers_[cmdCode] = std::move(handler);
}

void SimUnit::SetMemoryHandler(uint8_t sub, Handler handler) {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  memoryHandlers_[sub] = std::move(handler);
}

std::vector<uint8_t> SimUnit::FrameReply(uint8_t cmdCode, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> pkt;
  pkt.reserve(data.size() + 3);
  pkt.push_back(cmdCode);
  pkt.push_back(static_cast<uint8_t>(data.size() + 2));
  pkt.insert(pkt.end(), data.begin(), data.end());
  pkt.push_back(Crc8(pkt.data(), static_cast<uint16_t>(pkt.size())));
  return pkt;
}

SimResponse SimUnit::Handle(const std::vector<uint8_t>& packet) {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  SimResponse resp;
  // A request the unit cannot parse or whose checksum is wrong gets no reply.
  if (packet.size() < 4) return resp;
  const size_t len = (size_t{packet[1]} << 8) | packet[2];
  if (len < 3 || len + 1 != packet.size()) return resp;
  if (Crc8(packet.data(), static_cast<uint16_t>(len)) != packet[len]) return resp;

  SimRequest req;
  req.cmd = packet[0];
  req.payload.assign(packet.begin() + 3, packet.begin() + static_cast<std::ptrdiff_t>(len));
  if (requests_.size() < kMaxRequestLog) requests_.push_back(req);

  const std::vector<ActiveFault> faults = faults_.Match(req.cmd, req.Sub());
  if (FindFault(faults, FaultKind::kUnplug)) {
    resp.unplug = true;
    return resp;
  }
  if (auto n = FindFault(faults, FaultKind::kNoise)) {
    std::uniform_int_distribution<int> size(0, 130), byte(0, 255);
    for (int i = 0; i < (*n < 0 ? 3 : *n); ++i) {
      std::vector<uint8_t> report(static_cast<size_t>(size(rng_)));
      for (auto& b : report) b = static_cast<uint8_t>(byte(rng_));
      resp.noise.push_back(std::move(report));
    }
  }

  auto it = handlers_.find(req.cmd);
  std::optional<std::vector<uint8_t>> data;
  if (it != handlers_.end()) data = it->second(req, faults);
  // The unit restarts after it has processed the request, whether or not its
  // reply gets through.
  if (pendingRestartMs_ >= 0) {
    resp.restartMs = std::exchange(pendingRestartMs_, -1);
    resp.restartDelayMs = std::exchange(pendingRestartDelayMs_, 0);
  }
  if (auto ms = FindFault(faults, FaultKind::kRestart)) resp.restartMs = *ms < 0 ? kDefaultRestartMs : *ms;
  if (data && data->size() > kMaxReplyData) data.reset();
  if (!data || FindFault(faults, FaultKind::kDrop)) return resp;

  uint8_t replyCmd = req.cmd;
  if (FindFault(faults, FaultKind::kCode)) {
    if (req.cmd == cmd::kMemory && !data->empty()) (*data)[0] ^= 0xFF;
    else replyCmd ^= 0x80;
  }
  if (FindFault(faults, FaultKind::kLength)) data->push_back(0);
  std::vector<uint8_t> pkt = FrameReply(replyCmd, *data);
  if (FindFault(faults, FaultKind::kCrc)) pkt.back() ^= 0x5A;
  if (auto ms = FindFault(faults, FaultKind::kDelay)) resp.delayMs = static_cast<uint32_t>(*ms < 0 ? kDefaultDelayMs : *ms);
  resp.packets.push_back(std::move(pkt));
  return resp;
}

std::optional<std::vector<uint8_t>> SimUnit::Memory(const SimRequest& req, const std::vector<ActiveFault>& faults) {
  if (req.payload.empty()) return std::nullopt;
  const uint8_t sub = req.payload[0];
  const uint8_t reply = static_cast<uint8_t>(~sub);
  if (auto it = memoryHandlers_.find(sub); it != memoryHandlers_.end()) return it->second(req, faults);
  ByteReader r(req.payload);
  r.Skip(1);
  auto status = [reply](bool ok) { return std::vector<uint8_t>{reply, static_cast<uint8_t>(ok ? 1 : 0)}; };
  try {
    switch (sub) {
      case cmd::kUnLockROM: {
        if (req.payload.size() != 7) return std::nullopt;
        uint8_t key[4];
        r.Bytes(key);
        const uint8_t mode = r.U8();
        if (auto v = FindFault(faults, FaultKind::kRefuseUnlock))
          return std::vector<uint8_t>{reply, static_cast<uint8_t>(*v < 0 ? 0 : *v)};
        if (std::memcmp(key, memlimits::kUnlockKey, 4) != 0) return status(false);
        if (mode == 0) {
          romUnlocked_ = true;
          return status(true);
        }
        if (mode == 100) {
          if (bootLoader_) return status(true);
          enterLoaderOnRestart_ = true;
          pendingRestartMs_ = cfg_.loaderRestartMs;
          return std::vector<uint8_t>{reply, 2};
        }
        return status(false);
      }
      case cmd::kReadROM:
      case cmd::kReadFlash: {
        if (req.payload.size() != 9) return std::nullopt;
        const uint32_t addr = r.U32BE(), size = r.U32BE();
        if (size == 0 || size > kMaxReplyData - 1) return std::nullopt;
        std::vector<uint8_t> out(size + 1);
        out[0] = reply;
        const bool ok = sub == cmd::kReadROM ? ReadRom(addr, out.data() + 1, size) : ReadFlash(addr, out.data() + 1, size);
        if (!ok) return std::vector<uint8_t>{static_cast<uint8_t>(reply ^ 0xFF)};  // wrong code and length
        return out;
      }
      case cmd::kWriteROM: {
        const uint32_t addr = r.U32BE();
        const size_t n = r.Remaining();
        if (n == 0 || n > memlimits::kWriteROMChunk) return status(false);
        if (!romUnlocked_ || FindFault(faults, FaultKind::kFailWrite)) return status(false);
        return status(WriteRom(addr, req.payload.data() + 5, static_cast<uint32_t>(n)));
      }
      case cmd::kWriteFlash: {
        const uint32_t addr = r.U32BE();
        const size_t n = r.Remaining();
        if (n == 0 || n > memlimits::kWriteFlashChunk) return status(false);
        uint8_t crc = Crc8(req.payload.data() + 5, static_cast<uint16_t>(n));
        if (!WriteFlash(addr, req.payload.data() + 5, static_cast<uint32_t>(n))) crc ^= 0xFF;
        if (FindFault(faults, FaultKind::kFailWrite)) crc ^= 0x5A;
        return std::vector<uint8_t>{reply, crc};
      }
      case cmd::kEraseFlash: {
        if (req.payload.size() != 5) return std::nullopt;
        const uint32_t addr = r.U32BE();
        if (FindFault(faults, FaultKind::kFailErase)) return status(false);
        return status(flash_.EraseBlock(addr));
      }
      case cmd::kReset: {
        if (req.payload.size() != 3) return std::nullopt;
        // The unit restarts `ticks` ms after the command.
        pendingRestartDelayMs_ = r.U16BE();
        pendingRestartMs_ = kLoaderRestartMs;
        return status(true);
      }
      default: {
        // A firmware replacement command: sub-command, size (4), ticks (2).
        if (req.payload.size() != 7) return std::nullopt;
        const auto code = FindFault(faults, FaultKind::kUpdateCode);
        return std::vector<uint8_t>{reply, static_cast<uint8_t>(code && *code >= 0 ? *code : kUpdateSuccess)};
      }
    }
  } catch (const ByteRangeError&) {
    return std::nullopt;
  }
}

SimIdentity SimUnit::Identity() const {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  return id_;
}

void SimUnit::SetIdentity(const SimIdentity& id) {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  id_ = id;
}

bool SimUnit::ReadRom(uint32_t addr, uint8_t* out, uint32_t size) const {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  if (addr > kRomSpace || size > kRomSpace - addr) return false;
  for (uint32_t i = 0; i < size; ++i) {
    const uint32_t a = addr + i;
    out[i] = (a >= kRomBase && a < kRomEnd) ? rom_[a - kRomBase] : 0xFF;
  }
  return true;
}

bool SimUnit::WriteRom(uint32_t addr, const uint8_t* data, uint32_t size) {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  if (addr < kRomBase || addr > kRomEnd || size > kRomEnd - addr) return false;
  std::memcpy(rom_.data() + (addr - kRomBase), data, size);
  return true;
}

bool SimUnit::ReadFlash(uint32_t addr, uint8_t* out, uint32_t size) const {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  return flash_.Read(addr, out, size);
}

bool SimUnit::WriteFlash(uint32_t addr, const uint8_t* data, uint32_t size) {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  return flash_.Write(addr, data, size);
}

bool SimUnit::InBootLoader() const {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  return bootLoader_;
}

void SimUnit::ScheduleRestart(int restartMs, uint32_t delayMs, bool intoLoader) {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  pendingRestartMs_ = restartMs;
  pendingRestartDelayMs_ = delayMs;
  enterLoaderOnRestart_ = intoLoader;
}

void SimUnit::Restarted() {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  romUnlocked_ = false;
  bootLoader_ = enterLoaderOnRestart_;
  enterLoaderOnRestart_ = false;
}

bool SimUnit::RomUnlocked() const {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  return romUnlocked_;
}

int SimUnit::SaveCommands() const {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  return saveCommands_;
}

std::vector<SimRequest> SimUnit::Requests() const {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  return requests_;
}

size_t SimUnit::CountRequests(int cmdCode, int sub) const {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  return static_cast<size_t>(std::count_if(requests_.begin(), requests_.end(), [&](const SimRequest& r) {
    return (cmdCode < 0 || r.cmd == cmdCode) && (sub < 0 || r.Sub() == sub);
  }));
}

void SimUnit::ClearRequests() {
  std::lock_guard<std::recursive_mutex> g(mutex_);
  requests_.clear();
}

}  // namespace orv::sim
