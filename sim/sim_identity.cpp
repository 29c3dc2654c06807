// Identity records of the simulated units: what a unit of each model and board
// revision reports about itself.
#include <cstring>

#include "device/checksums.h"
#include "device/text_codec.h"
#include "sim/sim_unit.h"

namespace orv::sim {

namespace {

template <size_t N>
void PutText(uint8_t (&field)[N], const char* text) {
  TextToBytes(text, field, N);
}

TVersion Stamp(uint8_t day, uint8_t month, uint8_t year, uint8_t version) {
  TVersion v;
  v.Day = day;
  v.Month = month;
  v.Year = year;
  v.Version = version;
  return v;
}

}  // namespace

SimIdentity MakeIdentity(const SimConfig& cfg) {
  SimIdentity id;
  const int model = cfg.model >= 1 && cfg.model <= 4 ? cfg.model : 3;

  TDeviceInfo dev;
  dev.Kind = static_cast<uint8_t>(0x20 + model);
  dev.MPU = 0;
  dev.PCB = cfg.pcb;

  TFreescaleProcessorID cpu;
  cpu.ID0 = 0x4F520000u + cfg.serial;
  cpu.ID1 = 0x00564E54u ^ static_cast<uint32_t>(model);

  id.bootState.VersionInfo = Stamp(0x12, 0x01, 0x21, 3);
  id.bootState.ProcessorInfo = cpu;
  id.bootState.DeviceInfo = dev;
  id.bootState.SerialNumber = SwapBytes32(cfg.serial);  // the unit sends it big-endian
  id.bootState.CoreFwState = 0;
  id.bootState.CanFwState = 0;

  id.state.DeviceType = dev.Kind;
  id.state.WorkMode = 0x01;
  id.state.BootID = id.bootState.VersionInfo;

  id.coreInfo.CSUM2 = 0x5A17C3E1u;
  id.coreInfo.CoreID = Stamp(0x15, 0x03, 0x21, 5);
  if (cfg.coreDate) id.coreInfo.CoreID = Stamp(cfg.coreDate->Day, cfg.coreDate->Month, cfg.coreDate->Year, 5);
  id.coreInfo.pCRC32 = 0x00040000u;
  id.coreInfo.BootID = id.bootState.VersionInfo;
  id.coreInfo.ProcessorID = cpu;
  id.coreInfo.DeviceInfo = dev;
  PutText(id.coreInfo.TextInfo, "Release5");

  id.canFwInfo.Param0 = 0x00000107u;
  id.canFwInfo.Param1 = 0;
  id.canFwInfo.pCodeEnd = 0x0003F000u;
  id.canFwInfo.pCRC32 = 0x1C0FFEE5u;
  id.canFwInfo.Empty = 0;
  PutText(id.canFwInfo.TextInfo, model >= 3 ? "CAN 1.07 Toyota Camry XV70 2018-2021" : "CAN 1.02 Lada Vesta 2015-2022");

  // Models 1 and 2 have no auxiliary processor.
  if (model >= 3) {
    id.boot2Rec.BootInfo.VersionInfo = Stamp(0x20, 0x10, 0x20, 2);
    id.boot2Rec.BootInfo.ProcessorInfo = cpu;
    id.boot2Rec.BootInfo.DeviceInfo = dev;
    id.boot2Rec.BootInfo.DeviceInfo.MPU = 1;
    id.boot2Rec.BootInfo.SerialNumber = SwapBytes32(cfg.serial);
    id.boot2Rec.FwError = 0;

    id.core2Info.FirmwareInfo.ProcessorID = cpu;
    id.core2Info.FirmwareInfo.DeviceInfo = dev;
    id.core2Info.FirmwareInfo.DeviceInfo.MPU = 1;
    id.core2Info.FirmwareInfo.VersionInfo = Stamp(0x02, 0x11, 0x20, 2);
    id.core2Info.FirmwareInfo.pCRC32 = 0x2BADF00Du;
    id.core2Info.FirmwareInfo.SerialNumber = cfg.serial;
    PutText(id.core2Info.TextInfo, "Release2");
  } else {
    id.boot2Rec.BootInfo.VersionInfo = Stamp(0xFF, 0xFF, 0xFF, 0xFF);
    id.boot2Rec.FwError = 0xFF;
  }

  id.canFw2Info.FirmwareInfo.DeviceInfo = dev;
  id.canFw2Info.FirmwareInfo.VersionInfo = Stamp(0x01, 0x06, 0x20, 1);
  PutText(id.canFw2Info.TextInfo, "CAN2 1.01");

  // Accessories: the Hestor remote is paired on every model, the start module
  // exists on models 2 and 4.
  id.versionDevices.Hestor = 12;
  id.versionDevices.RStart = (model == 2 || model == 4) ? 7 : 0;
  return id;
}

}  // namespace orv::sim
