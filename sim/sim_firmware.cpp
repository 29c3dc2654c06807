#include "sim/sim_firmware.h"

#include <chrono>
#include <cstring>
#include <memory>

#include "device/byte_io.h"
#include "device/checksums.h"
#include "device/text_codec.h"
#include "sim/sim_unit.h"

namespace orv::sim {

namespace {

constexpr uint8_t kMagic[4] = {'O', 'V', 'F', 'W'};
constexpr uint32_t kCoreStaging = 0x40000;
constexpr uint32_t kAuxStaging = 0x100000;
constexpr uint8_t kAuxStart = 188, kAuxProgress = 186;
constexpr uint8_t kSubCore = 8, kSubCan = 7;
constexpr uint32_t kCanBlockAddr = 0x1D800, kCanBlockSize = 256;  // region 6
constexpr uint32_t kRestartAfterReplyMs = 100;
constexpr uint8_t kAuxImageError = 5;   // start refused: the staged image is not valid
constexpr uint8_t kAuxNotRunning = 11;  // progress asked with no update running

uint32_t ImageCrc(const uint8_t* header, const uint8_t* payload, size_t n) {
  const uint32_t crc = TCRC32::NextCalc(0xFFFFFFFFu, header, 45);
  return TCRC32::NextCalc(crc, payload, n);
}

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }

std::optional<SimImage> ReadImage(SimUnit& unit, uint32_t addr, uint32_t limit) {
  uint8_t header[simfw::kHeaderSize];
  if (!unit.ReadFlash(addr, header, sizeof header)) return std::nullopt;
  const uint32_t len = Le32(header + 41);
  if (len > simfw::kMaxImage || len + simfw::kHeaderSize > limit) return std::nullopt;
  std::vector<uint8_t> all(simfw::kHeaderSize + len);
  if (!unit.ReadFlash(addr, all.data(), static_cast<uint32_t>(all.size()))) return std::nullopt;
  return ParseSimImage(all.data(), all.size());
}

struct AuxState {
  bool running = false;
  std::chrono::steady_clock::time_point until;
  SimImage image;
};

void ApplyCore(SimIdentity& id, const SimImage& img) {
  id.coreInfo.CoreID = img.version;
  TextToBytes(img.text, id.coreInfo.TextInfo, sizeof id.coreInfo.TextInfo);
}

}  // namespace

std::vector<uint8_t> BuildSimImage(const SimImage& image) {
  std::vector<uint8_t> out(simfw::kHeaderSize + image.payload.size(), 0);
  std::memcpy(out.data(), kMagic, 4);
  out[4] = image.kind;
  out[5] = image.version.Day;
  out[6] = image.version.Month;
  out[7] = image.version.Year;
  out[8] = image.version.Version;
  std::memcpy(out.data() + 9, image.text.data(), std::min<size_t>(image.text.size(), 32));
  const auto len = static_cast<uint32_t>(image.payload.size());
  for (int i = 0; i < 4; ++i) out[41 + i] = static_cast<uint8_t>(len >> (8 * i));
  std::memcpy(out.data() + simfw::kHeaderSize, image.payload.data(), image.payload.size());
  const uint32_t crc = ImageCrc(out.data(), image.payload.data(), image.payload.size());
  for (int i = 0; i < 4; ++i) out[45 + i] = static_cast<uint8_t>(crc >> (8 * i));
  return out;
}

std::optional<SimImage> ParseSimImage(const uint8_t* data, size_t size) {
  if (size < simfw::kHeaderSize || std::memcmp(data, kMagic, 4) != 0) return std::nullopt;
  const uint32_t len = Le32(data + 41);
  if (len > size - simfw::kHeaderSize) return std::nullopt;
  if (ImageCrc(data, data + simfw::kHeaderSize, len) != Le32(data + 45)) return std::nullopt;
  SimImage img;
  img.kind = data[4];
  img.version.Day = data[5];
  img.version.Month = data[6];
  img.version.Year = data[7];
  img.version.Version = data[8];
  img.text = TextOf(data + 9, 32);
  img.payload.assign(data + simfw::kHeaderSize, data + simfw::kHeaderSize + len);
  return img;
}

void InstallFirmwareHandlers(SimUnit& unit) {
  SimUnit* u = &unit;
  // Update commands of the boot loader: sub-command, size (4, big-endian), ticks (2).
  auto loaderCommand = [u](uint8_t sub) {
    return [u, sub](const SimRequest& req, const std::vector<ActiveFault>& faults) -> std::optional<std::vector<uint8_t>> {
      if (req.payload.size() != 7) return std::nullopt;
      const uint8_t reply = static_cast<uint8_t>(~sub);
      auto answer = [reply](uint8_t code) { return std::vector<uint8_t>{reply, code}; };
      if (!u->InBootLoader()) return answer(0);
      const uint32_t size = (uint32_t{req.payload[1]} << 24) | (req.payload[2] << 16) | (req.payload[3] << 8) | req.payload[4];
      SimIdentity id = u->Identity();
      uint8_t& state = sub == kSubCore ? id.bootState.CoreFwState : id.bootState.CanFwState;
      auto restartWith = [&](uint8_t newState, uint8_t code) {
        state = newState;
        u->SetIdentity(id);
        u->ScheduleRestart(u->Config().loaderRestartMs, kRestartAfterReplyMs, false);
        return answer(code);
      };
      if (auto code = FindFault(faults, FaultKind::kUpdateCode); code && *code >= 0) {
        if (*code == 1 || *code == 2 || *code == 4) return restartWith(static_cast<uint8_t>(0x20 + *code), static_cast<uint8_t>(*code));
        return answer(static_cast<uint8_t>(*code));
      }
      if (size == 0 || size > simfw::kMaxImage) return answer(255);
      std::vector<uint8_t> bytes(size);
      if (!u->ReadFlash(kCoreStaging, bytes.data(), size)) return answer(255);
      auto img = ParseSimImage(bytes.data(), bytes.size());
      const uint8_t want = sub == kSubCore ? simfw::kCore : simfw::kCan;
      if (!img || img->kind != want) return restartWith(0x26, 4);
      if (sub == kSubCore) ApplyCore(id, *img);
      else {
        TextToBytes(img->text, id.canFwInfo.TextInfo, sizeof id.canFwInfo.TextInfo);
        // A CAN firmware brings its own CAN settings block (region 6): the
        // payload's first 256 bytes, when it has them.
        if (img->payload.size() >= kCanBlockSize) u->WriteRom(kCanBlockAddr, img->payload.data(), kCanBlockSize);
      }
      return restartWith(0x23, 3);
    };
  };
  unit.SetMemoryHandler(kSubCore, loaderCommand(kSubCore));
  unit.SetMemoryHandler(kSubCan, loaderCommand(kSubCan));

  auto aux = std::make_shared<AuxState>();
  unit.SetHandler(kAuxStart, [u, aux](const SimRequest& req, const std::vector<ActiveFault>& faults)
                                 -> std::optional<std::vector<uint8_t>> {
    if (!req.payload.empty() || u->InBootLoader()) return std::nullopt;
    std::vector<uint8_t> r(21, 0);
    if (auto code = FindFault(faults, FaultKind::kUpdateCode); code && *code >= 0) {
      r[9] = static_cast<uint8_t>(*code);
      return r;
    }
    auto img = ReadImage(*u, kAuxStaging, simfw::kMaxImage + simfw::kHeaderSize);
    if (!img || img->kind != simfw::kAux) {
      r[9] = kAuxImageError;
      return r;
    }
    aux->running = true;
    aux->until = std::chrono::steady_clock::now() + std::chrono::milliseconds(u->Config().auxUpdateMs);
    aux->image = std::move(*img);
    r[0] = 1;
    return r;
  });
  unit.SetHandler(kAuxProgress, [u, aux](const SimRequest& req, const std::vector<ActiveFault>& faults)
                                    -> std::optional<std::vector<uint8_t>> {
    if (!req.payload.empty() || u->InBootLoader()) return std::nullopt;
    std::vector<uint8_t> r(20, 0);
    if (!aux->running) {
      r[9] = kAuxNotRunning;
      return r;
    }
    if (std::chrono::steady_clock::now() < aux->until) {
      r[16] = 1;
      return r;
    }
    aux->running = false;
    if (auto code = FindFault(faults, FaultKind::kUpdateCode); code && *code >= 0) {
      r[9] = static_cast<uint8_t>(*code & 0xFF);
      r[8] = static_cast<uint8_t>(*code >> 8);
      return r;
    }
    SimIdentity id = u->Identity();
    id.core2Info.FirmwareInfo.VersionInfo = aux->image.version;
    TextToBytes(aux->image.text, id.core2Info.TextInfo, sizeof id.core2Info.TextInfo);
    id.boot2Rec.FwError = 0;
    u->SetIdentity(id);
    // The system restarts to run the new auxiliary firmware.
    u->ScheduleRestart(u->Config().loaderRestartMs, kRestartAfterReplyMs, false);
    return r;
  });
}

void DeliverStagedModules(SimUnit& unit) {
  struct Module {
    uint32_t addr;
    uint8_t kind;
    uint8_t TVersionDevices::*field;
  };
  static constexpr Module kModules[] = {
      {0x140000, simfw::kHestor, &TVersionDevices::Hestor},
      {0x1A0000, simfw::kRStart, &TVersionDevices::RStart},
  };
  SimIdentity id = unit.Identity();
  bool changed = false;
  for (const Module& m : kModules) {
    auto img = ReadImage(unit, m.addr, 0x20000);
    if (!img || img->kind != m.kind || id.versionDevices.*(m.field) == 0) continue;
    id.versionDevices.*(m.field) = img->version.Version;
    changed = true;
  }
  if (changed) unit.SetIdentity(id);
}

}  // namespace orv::sim
