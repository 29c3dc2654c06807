// TRSConfig, the remote-start module block at the start of region 14 (448
// bytes, little-endian), and the fixed tables that give it its meaning:
// logical inputs, input wires, output functions, output wires, the twenty
// start and stop steps with their default pulses, and the Start/Stop
// templates. The record is read and written only through Parse and Serialize,
// field by field; nothing here trusts the bytes it is given.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "settings/hestor_header.h"

namespace orv {

// A pulse word: bit 15 the level (1 = on), bits 0..14 the duration in ms
// (0 = for an unlimited time).
namespace pulse {
constexpr uint16_t kOn = 0x8000;
constexpr uint16_t kDurationMask = 0x7FFF;
constexpr bool On(uint16_t w) { return (w & kOn) != 0; }
constexpr uint16_t Duration(uint16_t w) { return static_cast<uint16_t>(w & kDurationMask); }
constexpr uint16_t Make(bool on, uint32_t ms) {
  return static_cast<uint16_t>((on ? kOn : 0) | (ms & kDurationMask));
}
}  // namespace pulse

constexpr int kRSMaxPulses = 7;
constexpr int kRSSeqSlots = 24;
constexpr int kRSSteps = 20;
constexpr int kRSInputs = 16;
constexpr int kRSOutputs = 10;     // physical outputs in use (the record has 16 codes)
constexpr int kRSInputWires = 5;
constexpr int kRSFunctions = 10;

// TRSSeq: Count, a reserved byte and seven pulse words.
struct TRSSeq {
  uint8_t Count = 0;
  uint8_t Res = 0;
  std::array<uint16_t, kRSMaxPulses> Pulses{};

  // Total duration of the first Count pulses (at most seven) as the unit's
  // 16-bit sum.
  uint16_t TotalTime() const;
  // The meaningful pulses (Count limited to seven).
  int Len() const { return Count > kRSMaxPulses ? kRSMaxPulses : Count; }
  bool SamePulses(const TRSSeq& o) const;
};

struct TRSConfig {
  static constexpr size_t kSize = kRSConfigSize;  // 448

  std::array<uint8_t, kHestorHeaderSize> Header{};  // Key, hash, Len, Status, Res
  std::array<uint8_t, 16> Ins{};
  std::array<uint8_t, 16> Outs{};
  std::array<TRSSeq, kRSSeqSlots> Seqs{};
  std::array<uint8_t, 2> Bits{};
  uint16_t StarterDelay = 0;    // ms
  uint16_t IgnSupportTime = 0;  // s
  uint16_t TurboTime = 0;       // s
  uint8_t EngineStartRPM = 0, EngineRunRPM = 0, TurboRPM = 0;  // tens of percent of idle
  std::array<uint8_t, 5> filling{};

  // The first 448 bytes of `bytes`; throws ByteRangeError when shorter.
  static TRSConfig Parse(std::span<const uint8_t> bytes);
  std::array<uint8_t, kSize> Serialize() const;

  uint32_t HeaderHash() const;  // the stored hash
  // Sets the header as the configurator writes it: FF bytes, Len 432 and the
  // one-at-a-time hash of the 432 bytes after the header.
  void SealHeader();

  // Every input code at most 16, every output code at most 18, the Count of
  // sequences 0..19 at most 7.
  bool IsConfigValid() const;
};

// Logical inputs (RSInputs).
struct TRSInputDef {
  const char* name;
  const char* hint;
  uint8_t digitalDefault;
  uint8_t analogDefault;
  bool hidden;
};
extern const std::array<TRSInputDef, kRSInputs> RSInputs;
// The eight visible inputs in display order.
extern const std::array<int, 8> RSVisibleInputs;

struct TRSWireDef {
  const char* name;
  uint32_t color;  // 0xRRGGBB of the swatch (the first colour of the wire)
  uint32_t stripe; // 0xRRGGBB of its stripe
};
// The five input wires X2.1..X2.5 of the start module.
extern const std::array<TRSWireDef, kRSInputWires> RSInputWires;
// The ten physical outputs.
extern const std::array<TRSWireDef, kRSOutputs> RSOutputWires;
// Output functions (RSOutputFunctions).
extern const std::array<const char*, kRSFunctions> RSOutputFunctions;

// Function indexes of RSOutputFunctions.
namespace rsfn {
constexpr uint8_t kImmoBypass = 0, kSSB = 1, kKey = 2, kAccessories = 3, kIgn1 = 4, kIgn2 = 5,
                  kStarter = 6, kStarterLock = 7, kBrake = 8, kBrake2 = 9;
constexpr uint8_t kNone = 255;
}  // namespace rsfn

struct TRSStepDef {
  const char* name;
  bool key;  // shown for a car with an ignition key
  bool ssb;  // shown for a car with a Start/Stop button
  uint8_t phase;
  uint8_t function;
  std::vector<uint16_t> pulses;  // default pulse words
};
extern const std::array<TRSStepDef, kRSSteps> RSSteps;

// The default sequence of a step.
TRSSeq DefaultSeq(int step);
TRSSeq MakeSeq(const std::vector<uint16_t>& pulses);

// Start/Stop templates for steps 0 and 9 by wake-up option and switch-on type
// (0 single, 1 double, 2 triple, 3 automatic).
struct TRSSSBTemplate {
  std::vector<uint16_t> step0, step9;
};
extern const std::array<std::array<TRSSSBTemplate, 4>, 2> RSSSBTemplates;
// Step 11 for a double and an automatic switch-off pulse.
extern const std::vector<uint16_t> RSSSBOffDouble;
extern const std::vector<uint16_t> RSSSBOffAuto;

// The step that drives function `f` in phase `p`, scanning from `s` upward;
// on success `s` holds it. Fails for s above 19 and leaves `s` unchanged.
bool FindSeq(uint8_t f, uint8_t p, int& s);

// Texts of input and output assignments.
namespace rstext {
inline constexpr const char* kNotAssigned = "Не назначен";
inline constexpr const char* kMainUnit = "Главный модуль";
inline constexpr const char* kUsedAsInput = "Используется как вход";
inline constexpr const char* kSizeError = "Ошибка размера секции данных автозапуска";
inline constexpr const char* kRelayQuestion =
    "Конфигуратор Orvantis обнаружил,\r\nнекорректное назначение выхода релейного блока желтый/черный модуля "
    "запуска.\r\nРекомендуется не использовать данный выход. Удалить назначение?";
inline constexpr const char* kDefaultsQuestion =
    "Конфигуратор Orvantis обнаружил,\r\nчто настройки входов модуля запуска, не соответствуют выбранной "
    "CAN-прошивке.\r\nУстановить рекомендуемые настройки?";
inline constexpr const char* kRestoredPulses = "Восстановлены стандартные импульсы";
}  // namespace rstext

// "Модуль запуска, <wire>" for a wire code (2..11), the two fixed texts for 0
// and 1, "Не назначен" for anything else.
std::string InputSourceText(uint8_t code);

}  // namespace orv
