#include "diag/diag_record.h"

#include <algorithm>
#include <cstring>

namespace orv {

namespace {
int8_t S8(ByteReader& r) { return static_cast<int8_t>(r.U8()); }
void S8(ByteWriter& w, int8_t v) { w.U8(static_cast<uint8_t>(v)); }

constexpr size_t kInActiveOffset = 34;
constexpr size_t kCanStateOffset = 2;
constexpr size_t kFlagsOffset = 96;  // Flags0..Flags3; Flags4 follows StateID and TahoPercent
constexpr size_t kFlags4Offset = 102;
}  // namespace

TCANData TCANData::Parse(ByteReader& r) {
  TCANData d;
  d.State = r.U32BE();
  d.Odometer = r.U32BE();
  d.RPM = r.U8();
  d.Speed = r.U8();
  d.CoolantTemp = r.U8();
  d.AcceleratorValue = r.U8();
  d.WheelAngle = static_cast<int16_t>(r.U16BE());
  d.Reseved = r.U8();
  d.FuelLevel = r.U8();
  d.FuelConsumption = r.U16BE();
  d.BrakeForce = r.U8();
  d.PAD1 = r.U8();
  d.CANCTL1 = r.U8();
  d.CANRFLG = r.U8();
  d.CANRXERR = r.U8();
  d.CANTXERR = r.U8();
  return d;
}

void TCANData::Write(ByteWriter& w) const {
  w.U32BE(State);
  w.U32BE(Odometer);
  w.U8(RPM);
  w.U8(Speed);
  w.U8(CoolantTemp);
  w.U8(AcceleratorValue);
  w.U16BE(static_cast<uint16_t>(WheelAngle));
  w.U8(Reseved);
  w.U8(FuelLevel);
  w.U16BE(FuelConsumption);
  w.U8(BrakeForce);
  w.U8(PAD1);
  w.U8(CANCTL1);
  w.U8(CANRFLG);
  w.U8(CANRXERR);
  w.U8(CANTXERR);
}

TMainData TMainData::Parse(ByteReader& r) {
  TMainData d;
  d.outActive = r.U32BE();
  d.outChanged = r.U32BE();
  d.inActive = r.U32BE();
  d.inChanged = r.U32BE();
  d.State = r.U16BE();
  d.ChangedState = r.U16BE();
  d.PAD = r.U32BE();
  return d;
}

void TMainData::Write(ByteWriter& w) const {
  w.U32BE(outActive);
  w.U32BE(outChanged);
  w.U32BE(inActive);
  w.U32BE(inChanged);
  w.U16BE(State);
  w.U16BE(ChangedState);
  w.U32BE(PAD);
}

TADC TADC::Parse(ByteReader& r) {
  TADC a;
  a.Iouts = r.U16BE();
  a.dUout8 = r.U16BE();
  a.Input7 = r.U8();
  a.Input8 = r.U8();
  a.Power = r.U8();
  a.Supply = r.U8();
  a.Temperature = S8(r);
  return a;
}

void TADC::Write(ByteWriter& w) const {
  w.U16BE(Iouts);
  w.U16BE(dUout8);
  w.U8(Input7);
  w.U8(Input8);
  w.U8(Power);
  w.U8(Supply);
  S8(w, Temperature);
}

TDiagRec TDiagRec::Parse(ByteReader& r) {
  TDiagRec d;
  d.CanFlags = r.U8();
  d.OBDFlag = r.U8();
  d.CANData = TCANData::Parse(r);
  d.MainData = TMainData::Parse(r);
  d.HILO = r.U32BE();
  d.ModemMd = r.U8();
  d.InThrdStep = r.U8();
  d.HILOrssi = r.U8();
  for (auto& word : d.SysBits) word = r.U32BE();
  d.TCPResultCode = r.U16BE();
  d.TmWakeUp = r.U16BE();
  d.GPSSVN = r.U8();
  d.GPSHDOP = r.U8();
  d.ADC = TADC::Parse(r);
  d.AccTemp = S8(r);
  return d;
}

void TDiagRec::Write(ByteWriter& w) const {
  w.U8(CanFlags);
  w.U8(OBDFlag);
  CANData.Write(w);
  MainData.Write(w);
  w.U32BE(HILO);
  w.U8(ModemMd);
  w.U8(InThrdStep);
  w.U8(HILOrssi);
  for (auto word : SysBits) w.U32BE(word);
  w.U16BE(TCPResultCode);
  w.U16BE(TmWakeUp);
  w.U8(GPSSVN);
  w.U8(GPSHDOP);
  ADC.Write(w);
  S8(w, AccTemp);
}

TAutoStartRec TAutoStartRec::Parse(ByteReader& r) {
  TAutoStartRec a;
  a.Tcab = S8(r);
  a.Tengine = S8(r);
  a.Flags0 = r.U8();
  a.Flags1 = r.U8();
  a.Flags2 = r.U8();
  a.Flags3 = r.U8();
  a.StateID = r.U8();
  a.TahoPercent = r.U8();
  a.Flags4 = r.U8();
  return a;
}

void TAutoStartRec::Write(ByteWriter& w) const {
  S8(w, Tcab);
  S8(w, Tengine);
  w.U8(Flags0);
  w.U8(Flags1);
  w.U8(Flags2);
  w.U8(Flags3);
  w.U8(StateID);
  w.U8(TahoPercent);
  w.U8(Flags4);
}

TAutoStartLastMsgRec TAutoStartLastMsgRec::Parse(ByteReader& r) {
  TAutoStartLastMsgRec m;
  m.msgIdHi = r.U8();
  m.msgIdLo = r.U8();
  m.msgParamHi = r.U8();
  m.msgParamLo = r.U8();
  return m;
}

void TAutoStartLastMsgRec::Write(ByteWriter& w) const {
  w.U8(msgIdHi);
  w.U8(msgIdLo);
  w.U8(msgParamHi);
  w.U8(msgParamLo);
}

TStateDevicesRec TStateDevicesRec::Parse(ByteReader& r) {
  TStateDevicesRec s;
  s.Active = r.U8();
  s.ImmZone = r.U8();
  s.NearZone = r.U8();
  s.LowBattery = r.U8();
  s.NoBattery = r.U8();
  s.ImmLinked = r.U8();
  return s;
}

void TStateDevicesRec::Write(ByteWriter& w) const {
  w.U8(Active);
  w.U8(ImmZone);
  w.U8(NearZone);
  w.U8(LowBattery);
  w.U8(NoBattery);
  w.U8(ImmLinked);
}

TExtendDiagRec TExtendDiagRec::Parse(ByteReader& r) {
  TExtendDiagRec e;
  e.Diag = TDiagRec::Parse(r);
  e.Kind = r.U8();
  e.AutoStart = TAutoStartRec::Parse(r);
  e.LastMsg = TAutoStartLastMsgRec::Parse(r);
  e.StateDevices = TStateDevicesRec::Parse(r);
  return e;
}

void TExtendDiagRec::Write(ByteWriter& w) const {
  Diag.Write(w);
  w.U8(Kind);
  AutoStart.Write(w);
  LastMsg.Write(w);
  StateDevices.Write(w);
}

TExtendDiagRec ParseDiag(const TDiagBytes& bytes) {
  ByteReader r(bytes.data(), bytes.size());
  return TExtendDiagRec::Parse(r);
}

TDiagBytes DiagBytes(const TExtendDiagRec& rec) {
  ByteWriter w(TExtendDiagRec::kSize);
  rec.Write(w);
  TDiagBytes out{};
  std::copy(w.Data().begin(), w.Data().end(), out.begin());
  return out;
}

TDiagKind DiagKindOf(uint8_t kindByte) { return kindByte > 3 ? dkFuture : static_cast<TDiagKind>(kindByte); }

void ApplyDiagReply(TDiagBytes& record, std::span<const uint8_t> reply) {
  const size_t n = std::min(reply.size(), record.size());
  if (n) std::memcpy(record.data(), reply.data(), n);
  if (reply.size() <= TDiagRec::kSize) record[TExtendDiagRec::kKindOffset] = 0;
}

bool DiagInState(const TDiagBytes& record, int location, int index) {
  if (index < 0 || index >= 255) return false;
  ByteReader r(record.data(), record.size());
  switch (location) {
    case 0:
    case 1: {
      if (index > 31) return false;
      r.Seek(location == 0 ? kInActiveOffset : kCanStateOffset);
      return (r.U32LE() >> index) & 1u;
    }
    case 2: {
      if (index > 39) return false;
      const int byte = index / 8;
      r.Seek(byte < 4 ? kFlagsOffset + static_cast<size_t>(byte) : kFlags4Offset);
      return (r.U8() >> (index % 8)) & 1u;
    }
    default:
      return false;
  }
}

}  // namespace orv
