// The diagnostic record the unit returns for command 0x91: a 93-byte base part
// (CAN data, inputs and outputs, modem, GPS, measurements), the record kind and
// a variant part whose length grows with the kind. Multi-byte numbers are
// big-endian on the wire; the record is kept as the 113 bytes the unit sent
// and read field by field through the checked readers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/byte_io.h"

namespace orv {

enum TDiagMode : uint8_t { dmStop = 0, dmOneShot = 1, dmRepeat = 2 };

enum TDiagKind : uint8_t { dkBase = 0, dkAutoStart = 1, dkAutoStart2 = 2, dkAutoStart3 = 3, dkFuture = 4 };

struct TCANData {
  static constexpr size_t kSize = 24;
  uint32_t State = 0;     // CAN status bits
  uint32_t Odometer = 0;  // tenths of the distance unit
  uint8_t RPM = 0;        // engine speed / 32
  uint8_t Speed = 0;
  uint8_t CoolantTemp = 0;  // degrees + 40
  uint8_t AcceleratorValue = 0;
  int16_t WheelAngle = 0;
  uint8_t Reseved = 0;
  uint8_t FuelLevel = 0;
  uint16_t FuelConsumption = 0;
  uint8_t BrakeForce = 0;
  uint8_t PAD1 = 0;
  uint8_t CANCTL1 = 0, CANRFLG = 0, CANRXERR = 0, CANTXERR = 0;
  static TCANData Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

struct TMainData {
  static constexpr size_t kSize = 24;
  uint32_t outActive = 0, outChanged = 0;
  uint32_t inActive = 0, inChanged = 0;
  uint16_t State = 0, ChangedState = 0;
  uint32_t PAD = 0;
  static TMainData Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

struct TADC {
  static constexpr size_t kSize = 9;
  uint16_t Iouts = 0;  // output current, mA
  uint16_t dUout8 = 0;
  uint8_t Input7 = 0, Input8 = 0, Power = 0, Supply = 0;  // tenths of a volt
  int8_t Temperature = 0;
  static TADC Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

struct TDiagRec {
  static constexpr size_t kSize = 93;
  uint8_t CanFlags = 0;
  uint8_t OBDFlag = 0;
  TCANData CANData;
  TMainData MainData;
  uint32_t HILO = 0;  // modem and server link bits
  uint8_t ModemMd = 0;
  uint8_t InThrdStep = 0;
  uint8_t HILOrssi = 0;  // GSM level 0..31, above 31 = no signal
  uint32_t SysBits[5] = {};
  uint16_t TCPResultCode = 0;
  uint16_t TmWakeUp = 0;
  uint8_t GPSSVN = 0;  // satellites in use
  uint8_t GPSHDOP = 0;
  TADC ADC;
  int8_t AccTemp = 0;
  static TDiagRec Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

// Remote-start block (kinds 1 and up).
struct TAutoStartRec {
  static constexpr size_t kSize = 9;
  int8_t Tcab = 0;     // cabin temperature, °C; -128 = no reading
  int8_t Tengine = 0;  // engine temperature, same coding
  uint8_t Flags0 = 0, Flags1 = 0, Flags2 = 0, Flags3 = 0;
  uint8_t StateID = 0;
  uint8_t TahoPercent = 0;  // tachometer, tens of percent
  uint8_t Flags4 = 0;
  static TAutoStartRec Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

// Last remote-start message (kinds 2 and up).
struct TAutoStartLastMsgRec {
  static constexpr size_t kSize = 4;
  uint8_t msgIdHi = 0, msgIdLo = 0, msgParamHi = 0, msgParamLo = 0;
  static TAutoStartLastMsgRec Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

// Tags and immobilizers (kinds 3 and up); bit 0 = tag 1, bit 1 = tag 2.
struct TStateDevicesRec {
  static constexpr size_t kSize = 6;
  uint8_t Active = 0, ImmZone = 0, NearZone = 0, LowBattery = 0, NoBattery = 0;
  uint8_t ImmLinked = 0;  // wireless relays 1..4 linked, bits 0..3
  static TStateDevicesRec Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

struct TExtendDiagRec {
  static constexpr size_t kSize = 113;
  static constexpr size_t kKindOffset = 93;
  static constexpr size_t kAutoStartOffset = 94;
  static constexpr size_t kLastMsgOffset = 103;
  static constexpr size_t kStateDevicesOffset = 107;

  TDiagRec Diag;
  uint8_t Kind = 0;
  TAutoStartRec AutoStart;
  TAutoStartLastMsgRec LastMsg;
  TStateDevicesRec StateDevices;

  static TExtendDiagRec Parse(ByteReader& r);
  void Write(ByteWriter& w) const;
};

// The record as stored: the bytes the unit sent, big-endian numbers included.
using TDiagBytes = std::array<uint8_t, TExtendDiagRec::kSize>;

TExtendDiagRec ParseDiag(const TDiagBytes& bytes);
TDiagBytes DiagBytes(const TExtendDiagRec& rec);

// The record kind of a Kind byte: 0..3 as they are, anything above 3 dkFuture.
TDiagKind DiagKindOf(uint8_t kindByte);

// Merges one reply of command 0x91 into the stored record: the first
// min(reply length, 113) bytes are replaced and the rest keep their previous
// values; a reply of 93 bytes or fewer carries no kind and is taken as kind 0.
void ApplyDiagReply(TDiagBytes& record, std::span<const uint8_t> reply);

// One bit of the stored record. Location 0: bit `index` (0..31) of the word at
// MainData.inActive, location 1: of the word at CANData.State, both read
// little-endian from the stored bytes; location 2: bit `index` (0..39) of the
// five remote-start flag bytes Flags0..Flags4 taken as one bit array. False
// for any other location or index.
bool DiagInState(const TDiagBytes& record, int location, int index);

}  // namespace orv
