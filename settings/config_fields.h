// Layout of TConfigData, the unit's main settings block at the start of
// region 5: one row per field with its offset, kind and width. Multi-byte
// numbers are big-endian in the region. Header-only so that the factory image
// generator can name fields without linking the core.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orv {

enum class ConfigFieldKind : uint8_t {
  kU8,
  kI8,
  kU16,   // big-endian
  kU32,   // big-endian
  kText,  // 8-bit text, zero-padded
  kBytes, // raw bytes (PIN digits, reserved, flags)
};

struct ConfigField {
  std::string_view name;
  uint16_t offset;
  ConfigFieldKind kind;
  uint16_t size;
};

inline constexpr size_t kConfigDataSize = 257;

inline constexpr std::array<ConfigField, 46> kConfigFields = {{
    {"Bits", 0, ConfigFieldKind::kBytes, 32},
    {"Pad1", 32, ConfigFieldKind::kBytes, 4},
    {"devID", 36, ConfigFieldKind::kU32, 4},
    {"SelfArmTime", 40, ConfigFieldKind::kU16, 2},
    {"SelfArmRemindTime", 42, ConfigFieldKind::kU16, 2},
    {"InRoadTimeout", 44, ConfigFieldKind::kU16, 2},
    {"RES3", 46, ConfigFieldKind::kU16, 2},
    {"RES4", 48, ConfigFieldKind::kU16, 2},
    {"gpsNavType", 50, ConfigFieldKind::kU8, 1},
    {"alarmTime", 51, ConfigFieldKind::kU8, 1},
    {"RES1", 52, ConfigFieldKind::kU16, 2},
    {"RES2", 54, ConfigFieldKind::kU16, 2},
    {"gsmWaitAnswerTimeout", 56, ConfigFieldKind::kU16, 2},
    {"gsmHangUpTimeout", 58, ConfigFieldKind::kU16, 2},
    {"commonSensivity", 60, ConfigFieldKind::kU8, 1},
    {"shockNSensivity", 61, ConfigFieldKind::kU8, 1},
    {"shockASensivity", 62, ConfigFieldKind::kU8, 1},
    {"motionSensivity", 63, ConfigFieldKind::kU8, 1},
    {"Speaker", 64, ConfigFieldKind::kU8, 1},
    {"DAC", 65, ConfigFieldKind::kU8, 1},
    {"ToGSM", 66, ConfigFieldKind::kU8, 1},
    {"Mic", 67, ConfigFieldKind::kU8, 1},
    {"FromGSM", 68, ConfigFieldKind::kU8, 1},
    {"Phone1", 69, ConfigFieldKind::kText, 16},
    {"Phone2", 85, ConfigFieldKind::kText, 16},
    {"Phone3", 101, ConfigFieldKind::kText, 16},
    {"Phone4", 117, ConfigFieldKind::kText, 16},
    {"phoneSC", 133, ConfigFieldKind::kText, 16},
    {"phoneERA", 149, ConfigFieldKind::kText, 16},
    {"phoneSelf", 165, ConfigFieldKind::kText, 16},
    {"skipFirstDigits", 181, ConfigFieldKind::kU8, 1},
    {"AlarmPowerLevel", 182, ConfigFieldKind::kU8, 1},
    {"ShockDisableTime", 183, ConfigFieldKind::kU8, 1},
    {"diagTime", 184, ConfigFieldKind::kU16, 2},
    {"gpsResolution", 186, ConfigFieldKind::kU8, 1},
    {"Button2Cmd", 187, ConfigFieldKind::kU8, 1},
    {"PIN", 188, ConfigFieldKind::kBytes, 4},
    {"USSD", 192, ConfigFieldKind::kText, 16},
    {"Singature", 208, ConfigFieldKind::kU8, 1},
    {"timeRStart", 209, ConfigFieldKind::kU8, 1},
    {"timePit", 210, ConfigFieldKind::kU8, 1},
    {"TempEngine", 211, ConfigFieldKind::kI8, 1},
    {"TempCabinLow", 212, ConfigFieldKind::kI8, 1},
    {"TempCabinHigh", 213, ConfigFieldKind::kI8, 1},
    {"BatteryCharge", 214, ConfigFieldKind::kU8, 1},
    {"RSTimers", 215, ConfigFieldKind::kBytes, 42},
}};

constexpr const ConfigField* FindConfigField(std::string_view name) {
  for (const auto& f : kConfigFields)
    if (f.name == name) return &f;
  return nullptr;
}

// Option flag n lives in bit (n mod 32) of the big-endian word n div 32: byte
// offset and bit within the region.
constexpr size_t FlagByte(int n) { return static_cast<size_t>((n / 32) * 4 + 3 - (n % 32) / 8); }
constexpr uint8_t FlagMask(int n) { return static_cast<uint8_t>(1u << (n % 8)); }

}  // namespace orv
