// Identity records the unit reports about itself, the texts of their status
// codes and the firmware name shown to the user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "device/byte_io.h"

namespace orv {

// Records are little-endian and packed; each knows its wire size and is read
// and written field by field.
struct TVersion {
  static constexpr size_t kSize = 4;
  uint8_t Day = 0, Month = 0, Year = 0, Version = 0;  // BCD date, plain version
  static TVersion Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

struct TDeviceInfo {
  static constexpr size_t kSize = 8;
  uint8_t RES0 = 0, RES1 = 0, RES2 = 0;
  uint8_t Kind = 0;  // 0x21..0x24: model 1..4
  uint8_t RES4 = 0, RES5 = 0;
  uint8_t MPU = 0;
  uint8_t PCB = 0;
  static TDeviceInfo Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

struct TFreescaleProcessorID {
  static constexpr size_t kSize = 8;
  uint32_t ID0 = 0, ID1 = 0;
  static TFreescaleProcessorID Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

struct TFirmwareInfo {
  static constexpr size_t kSize = 32;
  TFreescaleProcessorID ProcessorID;
  TDeviceInfo DeviceInfo;
  TVersion VersionInfo;
  uint32_t pCRC32 = 0, SerialNumber = 0, RES = 0;
  static TFirmwareInfo Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

struct TBootInfo {
  static constexpr size_t kSize = 32;
  TVersion VersionInfo;
  TFreescaleProcessorID ProcessorInfo;
  uint32_t pCoreInfo = 0, pCanFwInfo = 0;
  TDeviceInfo DeviceInfo;
  uint32_t SerialNumber = 0;
  static TBootInfo Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

struct TBootState {
  static constexpr size_t kSize = 26;
  TVersion VersionInfo;
  TFreescaleProcessorID ProcessorInfo;
  TDeviceInfo DeviceInfo;
  uint32_t SerialNumber = 0;  // as read little-endian from big-endian bytes: swap before display
  uint8_t CoreFwState = 0, CanFwState = 0;
  static TBootState Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

struct TOrvantisState {
  static constexpr size_t kSize = 6;
  uint8_t DeviceType = 0, WorkMode = 0;
  TVersion BootID;
  bool InBootLoader() const { return WorkMode > 15; }
  static TOrvantisState Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

struct TCoreInfo {
  static constexpr size_t kSize = 64;
  uint32_t CSUM2 = 0;
  TVersion CoreID;
  uint32_t pCRC32 = 0;
  TVersion BootID;
  TFreescaleProcessorID ProcessorID;
  TDeviceInfo DeviceInfo;
  uint8_t TextInfo[32] = {};
  static TCoreInfo Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

struct TCanFwInfo {
  static constexpr size_t kSize = 128;
  uint32_t Param0 = 0, Param1 = 0, pCodeEnd = 0, pCRC32 = 0;
  uint16_t Empty = 0;
  uint8_t TextInfo[110] = {};
  static TCanFwInfo Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

struct TBoot2Rec {
  static constexpr size_t kSize = 64;
  TBootInfo BootInfo;
  uint8_t FwError = 0;
  uint8_t Reseved[31] = {};
  // Version byte 0xFF: the unit has no auxiliary processor.
  bool HasAuxiliary() const { return BootInfo.VersionInfo.Version != 0xFF; }
  static TBoot2Rec Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

// Layout shared by the auxiliary core record and the auxiliary CAN record.
struct TCore2Info {
  static constexpr size_t kSize = 64;
  TFirmwareInfo FirmwareInfo;
  uint8_t TextInfo[32] = {};
  static TCore2Info Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};
using TCanFw2Info = TCore2Info;

struct TVersionDevices {
  static constexpr size_t kSize = 64;
  uint8_t Hestor = 0, noname = 0, RStart = 0, reseved = 0;
  uint8_t Imm[4] = {};
  uint8_t Tag[8] = {};
  uint8_t FW[5] = {};
  uint8_t Empty[42] = {};
  uint8_t FwError = 0;
  static TVersionDevices Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

// Parses a record from an exact-size reply; nullopt when the size differs.
template <typename T>
std::optional<T> ParseRecord(std::span<const uint8_t> data) {
  if (data.size() != T::kSize) return std::nullopt;
  ByteReader r(data);
  return T::Parse(r);
}
template <typename T>
std::vector<uint8_t> RecordBytes(const T& rec) {
  ByteWriter w(T::kSize);
  rec.Write(w);
  return w.Take();
}

// "ORVANTIS 1".."ORVANTIS 4" for Kind 0x21..0x24, else "ORVANTIS ?".
std::string ModelName(uint8_t kind);
// 1..4 for Kind 0x21..0x24, else 0.
int ModelNumber(uint8_t kind);

// Messages of the core and CAN firmware state codes; nullopt for "no message".
std::optional<std::string> CoreFwStateText(uint8_t code);
std::optional<std::string> CanFwStateText(uint8_t code);
// Codes 3 and 0x23 mean a finished update has been applied.
bool FwStateUpdateApplied(uint8_t code);
// Message of the auxiliary processor's error byte; nullopt for 0.
std::optional<std::string> Mpu2ErrorText(uint8_t fwError);

std::string CreateCoreName(const TDeviceInfo& di, const TVersion& vi, const std::string& ti);
uint32_t ExtractRevision(const TVersion& vi);
uint32_t ExtractVersionID(const TVersion& vi);

// "SN 0000001234" for the byte-swapped serial number of the boot record.
std::string FormatSerial(uint32_t serial);
// "Boot v3: 12.01.21": version and the BCD date as day.month.year.
std::string FormatBootInfo(const TVersion& boot);
// The serial number as shown, from the boot record's big-endian field.
uint32_t DisplaySerial(const TBootState& state);

// Decoded text fields of the records.
std::string TextOf(const uint8_t* field, size_t n);

}  // namespace orv
