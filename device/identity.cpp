#include "device/identity.h"

#include <cstdio>

#include "device/checksums.h"
#include "device/text_codec.h"

namespace orv {

TVersion TVersion::Parse(ByteReader& r) {
  TVersion v;
  v.Day = r.U8();
  v.Month = r.U8();
  v.Year = r.U8();
  v.Version = r.U8();
  return v;
}
void TVersion::Write(ByteWriter& w) const {
  w.U8(Day); w.U8(Month); w.U8(Year); w.U8(Version);
}

TDeviceInfo TDeviceInfo::Parse(ByteReader& r) {
  TDeviceInfo d;
  d.RES0 = r.U8(); d.RES1 = r.U8(); d.RES2 = r.U8(); d.Kind = r.U8();
  d.RES4 = r.U8(); d.RES5 = r.U8(); d.MPU = r.U8(); d.PCB = r.U8();
  return d;
}
void TDeviceInfo::Write(ByteWriter& w) const {
  for (uint8_t b : {RES0, RES1, RES2, Kind, RES4, RES5, MPU, PCB}) w.U8(b);
}

TFreescaleProcessorID TFreescaleProcessorID::Parse(ByteReader& r) {
  TFreescaleProcessorID p;
  p.ID0 = r.U32LE();
  p.ID1 = r.U32LE();
  return p;
}
void TFreescaleProcessorID::Write(ByteWriter& w) const { w.U32LE(ID0); w.U32LE(ID1); }

TFirmwareInfo TFirmwareInfo::Parse(ByteReader& r) {
  TFirmwareInfo f;
  f.ProcessorID = TFreescaleProcessorID::Parse(r);
  f.DeviceInfo = TDeviceInfo::Parse(r);
  f.VersionInfo = TVersion::Parse(r);
  f.pCRC32 = r.U32LE();
  f.SerialNumber = r.U32LE();
  f.RES = r.U32LE();
  return f;
}
void TFirmwareInfo::Write(ByteWriter& w) const {
  ProcessorID.Write(w); DeviceInfo.Write(w); VersionInfo.Write(w);
  w.U32LE(pCRC32); w.U32LE(SerialNumber); w.U32LE(RES);
}

TBootInfo TBootInfo::Parse(ByteReader& r) {
  TBootInfo b;
  b.VersionInfo = TVersion::Parse(r);
  b.ProcessorInfo = TFreescaleProcessorID::Parse(r);
  b.pCoreInfo = r.U32LE();
  b.pCanFwInfo = r.U32LE();
  b.DeviceInfo = TDeviceInfo::Parse(r);
  b.SerialNumber = r.U32LE();
  return b;
}
void TBootInfo::Write(ByteWriter& w) const {
  VersionInfo.Write(w); ProcessorInfo.Write(w); w.U32LE(pCoreInfo); w.U32LE(pCanFwInfo);
  DeviceInfo.Write(w); w.U32LE(SerialNumber);
}

TBootState TBootState::Parse(ByteReader& r) {
  TBootState s;
  s.VersionInfo = TVersion::Parse(r);
  s.ProcessorInfo = TFreescaleProcessorID::Parse(r);
  s.DeviceInfo = TDeviceInfo::Parse(r);
  s.SerialNumber = r.U32LE();
  s.CoreFwState = r.U8();
  s.CanFwState = r.U8();
  return s;
}
void TBootState::Write(ByteWriter& w) const {
  VersionInfo.Write(w); ProcessorInfo.Write(w); DeviceInfo.Write(w); w.U32LE(SerialNumber);
  w.U8(CoreFwState); w.U8(CanFwState);
}

TOrvantisState TOrvantisState::Parse(ByteReader& r) {
  TOrvantisState s;
  s.DeviceType = r.U8();
  s.WorkMode = r.U8();
  s.BootID = TVersion::Parse(r);
  return s;
}
void TOrvantisState::Write(ByteWriter& w) const { w.U8(DeviceType); w.U8(WorkMode); BootID.Write(w); }

TCoreInfo TCoreInfo::Parse(ByteReader& r) {
  TCoreInfo c;
  c.CSUM2 = r.U32LE();
  c.CoreID = TVersion::Parse(r);
  c.pCRC32 = r.U32LE();
  c.BootID = TVersion::Parse(r);
  c.ProcessorID = TFreescaleProcessorID::Parse(r);
  c.DeviceInfo = TDeviceInfo::Parse(r);
  r.Bytes(c.TextInfo);
  return c;
}
void TCoreInfo::Write(ByteWriter& w) const {
  w.U32LE(CSUM2); CoreID.Write(w); w.U32LE(pCRC32); BootID.Write(w); ProcessorID.Write(w);
  DeviceInfo.Write(w); w.Bytes(TextInfo, sizeof TextInfo);
}

TCanFwInfo TCanFwInfo::Parse(ByteReader& r) {
  TCanFwInfo c;
  c.Param0 = r.U32LE(); c.Param1 = r.U32LE(); c.pCodeEnd = r.U32LE(); c.pCRC32 = r.U32LE();
  c.Empty = r.U16LE();
  r.Bytes(c.TextInfo);
  return c;
}
void TCanFwInfo::Write(ByteWriter& w) const {
  w.U32LE(Param0); w.U32LE(Param1); w.U32LE(pCodeEnd); w.U32LE(pCRC32); w.U16LE(Empty);
  w.Bytes(TextInfo, sizeof TextInfo);
}

TBoot2Rec TBoot2Rec::Parse(ByteReader& r) {
  TBoot2Rec b;
  b.BootInfo = TBootInfo::Parse(r);
  b.FwError = r.U8();
  r.Bytes(b.Reseved);
  return b;
}
void TBoot2Rec::Write(ByteWriter& w) const {
  BootInfo.Write(w); w.U8(FwError); w.Bytes(Reseved, sizeof Reseved);
}

TCore2Info TCore2Info::Parse(ByteReader& r) {
  TCore2Info c;
  c.FirmwareInfo = TFirmwareInfo::Parse(r);
  r.Bytes(c.TextInfo);
  return c;
}
void TCore2Info::Write(ByteWriter& w) const { FirmwareInfo.Write(w); w.Bytes(TextInfo, sizeof TextInfo); }

TVersionDevices TVersionDevices::Parse(ByteReader& r) {
  TVersionDevices v;
  v.Hestor = r.U8(); v.noname = r.U8(); v.RStart = r.U8(); v.reseved = r.U8();
  r.Bytes(v.Imm); r.Bytes(v.Tag); r.Bytes(v.FW); r.Bytes(v.Empty);
  v.FwError = r.U8();
  return v;
}
void TVersionDevices::Write(ByteWriter& w) const {
  w.U8(Hestor); w.U8(noname); w.U8(RStart); w.U8(reseved);
  w.Bytes(Imm, sizeof Imm); w.Bytes(Tag, sizeof Tag); w.Bytes(FW, sizeof FW); w.Bytes(Empty, sizeof Empty);
  w.U8(FwError);
}

int ModelNumber(uint8_t kind) { return kind >= 0x21 && kind <= 0x24 ? kind - 0x20 : 0; }

std::string ModelName(uint8_t kind) {
  const int n = ModelNumber(kind);
  return n ? "ORVANTIS " + std::to_string(n) : std::string("ORVANTIS ?");
}

namespace {

std::optional<std::string> FwStateText(uint8_t code, bool core) {
  if (code == 0x80) return core ? "Ошибка целостности Core прошивки" : "Ошибка целостности CanFw прошивки";
  if (code >= 0x20 && code <= 0x26) code = static_cast<uint8_t>(code - 0x20);
  switch (code) {
    case 0: return std::nullopt;
    case 1: return core ? "Ошибка сохранения исходного Core" : "Ошибка сохранения исходной CanFw прошивки";
    case 2: return core ? "Ошибка записи Core, исходную прошивку восстановить не удалось"
                        : "Ошибка записи CanFw, исходную прошивку восстановить не удалось";
    case 3: return core ? "Обновление Core прошло успешно" : "Обновление CAN-прошивки прошло успешно";
    case 4: return core ? "Ошибка записи Core, исходная прошивка восстановлена"
                        : "Ошибка записи CanFw, исходная прошивка восстановлена";
    case 5: return core ? "Ошибка CRC32 Core, исходную прошивку восстановить не удалось"
                        : "Ошибка CRC32 CanFw, исходную прошивку восстановить не удалось";
    case 6: return core ? "Ошибка CRC32 Core, исходная прошивка восстановлена"
                        : "Ошибка CRC32 CanFw, исходная прошивка восстановлена";
    default: return "Неизвестный код ответа";
  }
}

}  // namespace

std::optional<std::string> CoreFwStateText(uint8_t code) { return FwStateText(code, true); }
std::optional<std::string> CanFwStateText(uint8_t code) { return FwStateText(code, false); }
bool FwStateUpdateApplied(uint8_t code) { return code == 0x03 || code == 0x23; }

std::optional<std::string> Mpu2ErrorText(uint8_t fwError) {
  switch (fwError) {
    case 0: return std::nullopt;
    case 1:
    case 2: return "Ошибка прошивки MPU2";
    case 3: return "Ошибка целостности прошивки MPU2";
    case 0xFF: return "Информация о прошивке MPU2 не доступна";
    default: return "Неизвестный код ответа MPU2";
  }
}

std::string CreateCoreName(const TDeviceInfo& di, const TVersion& vi, const std::string& ti) {
  const unsigned proc = di.MPU <= 1 ? di.MPU + 1u : 0u;
  // Each BCD byte becomes a zero-based component; a non-BCD byte leaves it at 0.
  auto bcd = [](uint8_t b, uint8_t bias) -> uint8_t {
    const unsigned hi = b >> 4, lo = b & 0x0F;
    if (hi >= 10 || lo >= 10) return 0;
    return static_cast<uint8_t>(10 * hi + lo - bias);
  };
  const uint8_t year = bcd(vi.Year, 13), month = bcd(vi.Month, 1), day = bcd(vi.Day, 1);
  const unsigned build = (year > 86 && month > 11 && day > 30) ? 0u : (year * 12u + month) * 31u + day;
  // A stamp of zero bytes wraps; shown as 00.00.2000 rather than three-digit fields.
  const int dDay = static_cast<uint8_t>(day + 1), dMonth = static_cast<uint8_t>(month + 1);
  const int dYear = static_cast<uint8_t>(year + 13) + 2000;
  char buf[256];
  if (ti.empty()) {
    std::snprintf(buf, sizeof buf, "Core%u.%u P%u %u (%.2d.%.2d.%.4d)", proc, unsigned{vi.Version},
                  unsigned{di.PCB}, build, dDay, dMonth, dYear);
    return buf;
  }
  std::string text = ti;
  if (const auto pos = text.find("Release"); pos != std::string::npos) text.erase(pos + 1, 6);
  std::snprintf(buf, sizeof buf, "core%u.%u p%u.", proc, unsigned{vi.Version}, unsigned{di.PCB});
  std::string out = buf;
  out += text;
  std::snprintf(buf, sizeof buf, ".%u (%.2d.%.2d.%.4d)", build, dDay, dMonth, dYear);
  return out + buf;
}

uint32_t ExtractRevision(const TVersion& vi) { return ExtractVersionID(vi) & 0x00FFFFFFu; }
uint32_t ExtractVersionID(const TVersion& vi) {
  return uint32_t{vi.Day} | (uint32_t{vi.Month} << 8) | (uint32_t{vi.Year} << 16) | (uint32_t{vi.Version} << 24);
}

std::string FormatSerial(uint32_t serial) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "SN %.10u", serial);
  return buf;
}

std::string FormatBootInfo(const TVersion& boot) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "Boot v%d: %.2x.%.2x.%.2x", boot.Version, boot.Day, boot.Month, boot.Year);
  return buf;
}

uint32_t DisplaySerial(const TBootState& state) { return SwapBytes32(state.SerialNumber); }

std::string TextOf(const uint8_t* field, size_t n) { return BytesToLatinText(field, n); }

}  // namespace orv
