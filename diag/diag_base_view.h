// How the base part of a diagnostic record is shown: the lamp tables (one name
// per bit) and the formatting of the measurements, modem and GPS values. Shared
// by the live view of the connections page and the command-line tool.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "diag/diag_record.h"

namespace orv {

struct TDiagLamp {
  int word;  // which 32-bit word of its group (SysBits index for the GPS lamps, else 0)
  int bit;   // bit number from the least significant bit
  const char* name;
};

// "Логические статусы": MainData.inActive bits 0..23.
std::span<const TDiagLamp> InputLamps();
// "Статусы CAN": CANData.State bits 0..23.
std::span<const TDiagLamp> CanLamps();
// Modem lamps from HILO.
std::span<const TDiagLamp> ModemLamps();
// GPS lamps from SysBits.
std::span<const TDiagLamp> GpsLamps();
// Tag lamps: the same bit of each StateDevices byte, bit 0 = tag 1, bit 1 = tag 2.
std::span<const char* const> TagLampNames();

// Names of the lamps of `table` that are lit in `words` (indexed by TDiagLamp::word).
std::vector<std::string> LitLamps(std::span<const TDiagLamp> table, std::span<const uint32_t> words);
std::vector<std::string> LitInputLamps(const TDiagRec& d);
std::vector<std::string> LitCanLamps(const TDiagRec& d);
std::vector<std::string> LitModemLamps(const TDiagRec& d);
std::vector<std::string> LitGpsLamps(const TDiagRec& d);
// Lit tag lamps of tag 1 or 2, and the linked wireless relays ("1 на связи").
std::vector<std::string> LitTagLamps(const TStateDevicesRec& s, int tag);
std::vector<std::string> LinkedRelays(const TStateDevicesRec& s);

// Nearest integer to num/den, halves to even (den > 0).
long long RoundHalfEven(long long num, long long den);

// Values as the live view formats them.
std::string OdometerText(uint32_t tenths);      // "%0.1f" of tenths / 10
std::string RpmText(uint8_t rpm);               // "%.5d" of RPM × 32
std::string Padded(long long value, int digits);  // "%.<digits>d"
std::string CoolantText(uint8_t coolant);       // "%.3d" of value − 40
std::string VoltageText(uint8_t tenths);        // "%3.1f В"
// "<!>" when the overload bit (SysBits word 3 bit 9) is set, else "%d мА".
std::string OutputCurrentText(const TDiagRec& d);
// "<!>" on SysBits word 3 bit 6, "%d%%" of the output load while an output
// is on, "---" otherwise.
std::string OutputLoadText(const TDiagRec& d);
// "Слабый", "Удовл.", "Хороший", "Отличный" with the percentage, or "Нет сигнала".
std::string GsmSignalText(uint8_t rssi);
// "%d м": the horizontal dilution of precision in metres.
std::string HdopText(uint8_t hdop);

}  // namespace orv
