#include "sim/sim_diag.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <vector>

#include "diag/diag_values.h"

namespace orv::sim {

namespace {

constexpr uint8_t kDiagCommand = 0x91;

// Phases of the simulated day, in milliseconds within the cycle.
enum Phase {
  kArmed,        // parked and armed
  kPrepare,      // remote start requested: stage 1
  kPrepareIgn,   // stage 2, ignition on
  kCranking,     // stage 3, starter
  kRunning,      // stage 4, engine runs on the module
  kStopping,     // stage 5
  kIgnitionOff,  // stage 6
  kDisarmed,     // owner disarms, driver door open
  kDriving,      // owner drives
  kParking,      // parked, doors open and close
  kRearming,     // armed again
};

struct PhaseSpan {
  Phase phase;
  uint32_t from, to;
};

constexpr PhaseSpan kPhases[] = {
    {kArmed, 0, 8000},          {kPrepare, 8000, 9000},     {kPrepareIgn, 9000, 10000},
    {kCranking, 10000, 12000},  {kRunning, 12000, 30000},   {kStopping, 30000, 32000},
    {kIgnitionOff, 32000, 34000}, {kDisarmed, 34000, 36000}, {kDriving, 36000, 48000},
    {kParking, 48000, 54000},   {kRearming, 54000, kSimDiagCycleMs},
};

uint8_t U8(long v) { return static_cast<uint8_t>(std::clamp<long>(v, 0, 255)); }
int8_t S8(long v) { return static_cast<int8_t>(std::clamp<long>(v, -128, 127)); }
uint16_t U16(long v) { return static_cast<uint16_t>(std::clamp<long>(v, 0, 65535)); }

// Small deterministic jitter in [-range, range] for a given slot of time.
long Jitter(uint32_t seed, uint32_t slot, uint32_t salt, long range) {
  uint32_t x = seed * 0x9E3779B1u ^ slot * 0x85EBCA6Bu ^ salt * 0xC2B2AE35u;
  x ^= x >> 15;
  x *= 0x2C1B3C6Du;
  x ^= x >> 12;
  return range ? static_cast<long>(x % static_cast<uint32_t>(2 * range + 1)) - range : 0;
}

// Linear ramp from a to b while pos goes from 0 to len.
long Ramp(long a, long b, uint32_t pos, uint32_t len) {
  if (pos >= len) return b;
  return a + (b - a) * static_cast<long>(pos) / static_cast<long>(len);
}

void SetBit(uint32_t& word, int bit, bool on = true) {
  if (on) word |= 1u << bit;
}

// Remote-start state bit n of the flag bytes Flags0..Flags3, Flags4.
void SetFlag(TAutoStartRec& a, int n, bool on = true) {
  if (!on) return;
  uint8_t* bytes[] = {&a.Flags0, &a.Flags1, &a.Flags2, &a.Flags3, &a.Flags4};
  *bytes[n / 8] = static_cast<uint8_t>(*bytes[n / 8] | (1u << (n % 8)));
}

// Message parameters the module reports in turn: every value of every range,
// entries without a text included.
std::vector<int> RangeValues(int first, int last) {
  std::vector<int> v;
  for (int i = first; i <= last; ++i) v.push_back(i);
  return v;
}

int Pick(const std::vector<int>& values, uint32_t index) { return values[index % values.size()]; }

}  // namespace

int SimDiagKind(const SimConfig& cfg) {
  if (cfg.diagKind >= 0) return std::min(cfg.diagKind, 4);
  switch (cfg.model) {
    case 1: return 0;
    case 2: return 2;
    case 4: return 3;
    default: return 1;
  }
}

size_t SimDiagReplyLength(int kind) {
  switch (kind) {
    case 0: return TDiagRec::kSize;
    case 1: return TExtendDiagRec::kLastMsgOffset;
    case 2: return TExtendDiagRec::kStateDevicesOffset;
    default: return TExtendDiagRec::kSize;
  }
}

TExtendDiagRec SimDiagRecord(const SimConfig& cfg, int kind, uint32_t ms) {
  static const std::vector<int> kStartParams = RangeValues(64, 95);
  static const std::vector<int> kStopParams = RangeValues(128, 169);
  static const std::vector<int> kRefusalParams = RangeValues(256, 271);
  static const std::vector<int> kBanParams = RangeValues(512, 516);

  const uint32_t cycle = ms / kSimDiagCycleMs;
  const uint32_t t = ms % kSimDiagCycleMs;
  const uint32_t slot = ms / 250;  // values wobble four times a second
  const uint32_t seed = cfg.seed + static_cast<uint32_t>(cfg.model) * 7919u;
  Phase phase = kArmed;
  uint32_t from = 0, len = 1;
  for (const auto& p : kPhases)
    if (t >= p.from && t < p.to) {
      phase = p.phase;
      from = p.from;
      len = p.to - p.from;
    }
  const uint32_t pos = t - from;

  const bool armed = phase == kArmed || phase == kRearming || (phase >= kPrepare && phase <= kIgnitionOff);
  const bool remote = phase >= kPrepareIgn && phase <= kStopping;
  const bool ignition = remote || phase == kDriving;
  const bool cranking = phase == kCranking;
  const bool engine = phase == kRunning || phase == kStopping || phase == kDriving;
  const bool driving = phase == kDriving;
  const bool doorOpen = (phase == kDisarmed) || (phase == kParking && pos < 2500);
  const bool parked = !driving;
  const bool moduleOnline = kind >= 1 && cfg.model != 3;

  // Temperatures: the engine warms while it runs and cools slowly otherwise.
  const long ambient = -8 + static_cast<long>(cfg.seed % 5);
  long engineTemp = ambient + 4;
  if (phase == kRunning) engineTemp = Ramp(ambient + 4, 62, pos, len);
  else if (phase >= kStopping && phase <= kDisarmed) engineTemp = 62 - static_cast<long>(t - 30000) / 1000;
  else if (phase == kDriving) engineTemp = Ramp(56, 88, pos, len);
  else if (phase == kParking || phase == kRearming) engineTemp = 88 - static_cast<long>(t - 48000) / 400;
  const long cabinTemp = ambient + (engine ? Ramp(0, 26, t % 20000, 20000) : 3) + Jitter(seed, slot, 1, 1);

  long rpm = 0;
  if (cranking) rpm = 180 + Jitter(seed, slot, 2, 40);
  else if (phase == kRunning || phase == kStopping) rpm = (phase == kStopping ? Ramp(850, 0, pos, len) : 900 - Ramp(0, 150, pos, len)) + Jitter(seed, slot, 3, 25);
  else if (driving) rpm = 1400 + static_cast<long>(Ramp(0, 1400, pos < len / 2 ? pos : len - pos, len / 2)) + Jitter(seed, slot, 4, 60);

  long speed = 0;
  if (driving) speed = Ramp(0, 64, pos < len / 2 ? pos : len - pos, len / 2);

  TExtendDiagRec rec;
  TDiagRec& d = rec.Diag;
  d.CanFlags = 0x01;
  d.OBDFlag = cfg.model >= 3 ? 1 : 0;

  // CAN data.
  TCANData& c = d.CANData;
  SetBit(c.State, 0, parked);          // park
  SetBit(c.State, 2, armed);           // factory alarm armed
  SetBit(c.State, 3, armed);           // door locks
  SetBit(c.State, 4, driving);         // key in the lock
  SetBit(c.State, 5, driving);         // lights
  SetBit(c.State, 6, phase == kParking && pos >= 2500 && pos < 4000);  // trunk
  SetBit(c.State, 11, doorOpen);       // front left door
  SetBit(c.State, 12, driving && speed < 10);  // brake pedal
  SetBit(c.State, 13, parked && !remote);      // handbrake
  SetBit(c.State, 14, ignition);       // accessories
  SetBit(c.State, 15, ignition || cranking);
  SetBit(c.State, 16, parked);         // neutral
  SetBit(c.State, 18, driving && pos > 2000 && pos < 3000);  // left indicator
  SetBit(c.State, 19, driving && pos > 8000 && pos < 9000);  // right indicator
  SetBit(c.State, 20, (cycle % 4) == 3);  // low fuel
  SetBit(c.State, 21, engine);
  SetBit(c.State, 22, phase == kRunning && engineTemp < 40);  // pre-heater
  SetBit(c.State, 23, driving);        // driver belted
  const uint32_t distance = cycle * 70 + (driving ? pos * 70 / len : (phase > kDriving ? 70 : 0));
  c.Odometer = 1234567u + static_cast<uint32_t>(cfg.serial % 1000) * 100u + distance;
  c.RPM = U8(rpm / 32);
  c.Speed = U8(speed);
  c.CoolantTemp = U8(engineTemp + 40);
  c.AcceleratorValue = U8(driving ? 12 + Jitter(seed, slot, 5, 10) + speed / 3 : 0);
  c.WheelAngle = static_cast<int16_t>(driving ? Jitter(seed, slot / 4, 6, 90) : 0);
  c.FuelLevel = U8(62 - static_cast<long>(cycle % 40));
  c.FuelConsumption = U16(engine ? (driving ? 85 + Jitter(seed, slot, 7, 20) : 9 + Jitter(seed, slot, 8, 2)) : 0);
  c.BrakeForce = U8(driving && speed < 10 ? 40 + Jitter(seed, slot, 9, 20) : 0);
  c.CANCTL1 = 0x80;
  c.CANRXERR = U8(Jitter(seed, slot / 40, 10, 2) + 2);

  // Main module inputs and outputs.
  TMainData& m = d.MainData;
  SetBit(m.inActive, 0, parked && !remote);  // handbrake
  SetBit(m.inActive, 1, parked);             // park
  SetBit(m.inActive, 2, doorOpen);           // doors
  SetBit(m.inActive, 3, armed);              // arm/disarm
  SetBit(m.inActive, 4, (c.State >> 6) & 1u);  // trunk
  SetBit(m.inActive, 5, (c.State >> 12) & 1u);  // brake pedal
  SetBit(m.inActive, 7, ignition || cranking);
  SetBit(m.inActive, 9, driving);            // lights
  SetBit(m.inActive, 12, doorOpen);          // front left door
  SetBit(m.inActive, 16, engine);            // input #1: engine running wire
  SetBit(m.inActive, 19, (cycle % 2) == 1 && phase == kParking);  // input #4
  m.inChanged = m.inActive ^ (t % 2000 < 250 ? 0x4u : 0u);
  SetBit(m.outActive, 0, remote || cranking);  // ignition relay
  SetBit(m.outActive, 1, cranking);            // starter
  SetBit(m.outActive, 3, armed && (t % 1000) < 100);  // status LED blinking
  SetBit(m.outActive, 6, phase == kRearming && pos < 600);  // siren chirp
  m.outChanged = m.outActive;
  m.State = static_cast<uint16_t>(armed ? 0x0001 : 0x0002);
  m.ChangedState = 0;

  // Modem and GPS: the modem registers a few seconds after start-up; the
  // server link drops for a while in every third cycle; the signal is lost in
  // an underground car park once in a while.
  SetBit(d.HILO, 2, ms >= 3000);
  SetBit(d.HILO, 4, ms >= 6000);
  SetBit(d.HILO, 6, ms >= 10000 && !((cycle % 3) == 2 && phase == kParking));
  d.ModemMd = 3;
  d.InThrdStep = static_cast<uint8_t>(slot % 16);
  const bool noSignal = (cycle % 3) == 1 && phase == kRearming;
  d.HILOrssi = noSignal ? 99 : U8(17 + Jitter(seed, slot / 8, 11, 12));
  const long sats = ms < 40000 ? Ramp(0, 9, ms, 40000) : 9 + Jitter(seed, slot / 20, 12, 3);
  d.GPSSVN = U8(sats);
  d.GPSHDOP = U8(sats < 4 ? 99 : 8 + Jitter(seed, slot / 20, 13, 4));
  SetBit(d.SysBits[1], 10, ms >= 2000);  // GPS on
  SetBit(d.SysBits[1], 13, sats >= 4);   // position fix
  SetBit(d.SysBits[3], 9, cranking && (cycle % 4) == 3);  // output overload during cranking
  d.TCPResultCode = U16(d.HILO & (1u << 6) ? 0 : 3);
  d.TmWakeUp = 300;

  // Measurements.
  TADC& a = d.ADC;
  a.Iouts = U16(m.outActive ? 420 + Jitter(seed, slot, 14, 60) : 35 + Jitter(seed, slot, 15, 5));
  a.dUout8 = U16(m.outActive ? 800 + 380 + Jitter(seed, slot, 16, 40) : 800);
  a.Input7 = U8(ignition ? 118 + Jitter(seed, slot, 17, 4) : 2);
  a.Input8 = U8(doorOpen ? 0 : 121 + Jitter(seed, slot, 18, 3));
  long power = engine ? 142 : 124;
  if (cranking) power = 104;
  a.Power = U8(power + Jitter(seed, slot, 19, 1));
  a.Supply = U8(41 + Jitter(seed, slot / 40, 20, 1));
  a.Temperature = S8(ambient + 18 + (engine ? 6 : 0));
  d.AccTemp = S8(ambient + 10);

  rec.Kind = static_cast<uint8_t>(kind);
  if (kind < 1) return rec;

  // Remote-start module.
  TAutoStartRec& s = rec.AutoStart;
  if (!moduleOnline) {
    s.Tcab = S8(TRStartValues::kNoReading);
    s.Tengine = S8(TRStartValues::kNoReading);
  } else {
    s.Tcab = S8(cabinTemp);
    s.Tengine = S8(cycle % 5 == 4 && phase == kArmed ? TRStartValues::kNoReading : engineTemp);
    int stage = 0;
    switch (phase) {
      case kPrepare: stage = 1; break;
      case kPrepareIgn: stage = 2; break;
      case kCranking: stage = 3; break;
      case kRunning: stage = 4; break;
      case kStopping: stage = 5; break;
      case kIgnitionOff: stage = pos < 1500 ? 6 : 7; break;
      default: stage = 0;
    }
    int state = 0;
    switch (phase) {
      case kArmed: state = ms < 4000 ? 62 : 16; break;
      case kPrepare: state = (cycle % 2) ? 0 : 34; break;  // "нет резервирования" on even cycles
      case kPrepareIgn: state = 9; break;
      case kCranking: state = pos < 1000 ? 45 : 1; break;
      case kRunning: state = pos < 3000 ? 8 : 11; break;
      case kStopping: state = 19; break;
      case kIgnitionOff: state = 2; break;
      case kDisarmed: state = 21; break;
      case kDriving: state = pos < 2000 ? 50 : 35; break;
      case kParking: state = 49; break;
      case kRearming: state = static_cast<int>(13 + cycle % 3);  // states without a text
    }
    s.StateID = static_cast<uint8_t>(state);
    s.TahoPercent = U8(engine || cranking ? (rpm * 10 + 450) / 900 : 0);
    SetFlag(s, 1, engine);
    SetFlag(s, 2, ignition || cranking);
    SetFlag(s, 3, (c.State >> 12) & 1u);
    SetFlag(s, 4, parked && !remote);
    SetFlag(s, 5, parked);
    SetFlag(s, 6, phase == kPrepareIgn);  // glow plugs
    SetFlag(s, 7, doorOpen);
    SetFlag(s, 8, doorOpen);
    SetFlag(s, 10, (c.State >> 6) & 1u);
    SetFlag(s, 11, ignition);
    SetFlag(s, 12, remote || cranking);  // immobiliser bypass
    SetFlag(s, 14, remote || cranking);  // key emulation
    SetFlag(s, 15, remote);
    SetFlag(s, 16, remote || cranking);
    SetFlag(s, 17, remote && cfg.model == 4);
    SetFlag(s, 18, cranking);
    SetFlag(s, 19, phase == kDriving && speed > 5);  // starter lock while moving
    SetFlag(s, 22, (cycle % 5) != 3);                // brake pedal monitored
    SetFlag(s, 23, phase == kParking);               // start banned until the owner starts the engine
    SetFlag(s, 24, phase == kDisarmed && (cycle % 2) == 1);  // pit stop
    SetFlag(s, 25, engine);
    SetFlag(s, 26, armed);                           // reserved for remote start
    SetFlag(s, 27, phase == kRunning);               // support timer
    SetFlag(s, 28, phase == kStopping);              // turbo timer
    s.Flags3 = static_cast<uint8_t>((s.Flags3 & 0x1F) | (stage << 5));
    // Radio link: better while the engine runs close to the module.
    const int rssi = static_cast<int>(std::clamp<long>(11 + Jitter(seed, slot / 4, 21, 4), 0, 15));
    const int quality = static_cast<int>(std::clamp<long>(5 + Jitter(seed, slot / 4, 22, 2), 0, 7));
    s.Flags4 = static_cast<uint8_t>(0x01 | (quality << 1) | (rssi << 4));
  }
  if (kind < 2) return rec;

  // Last system message: a start, a stop, a refusal and a ban in every cycle,
  // each time with the next parameter of its range; now and then a message
  // the sentence does not know and a parameter outside every range.
  int msgId = 0xFFFF, param = 0xFFFF;
  if (moduleOnline) {
    if (phase >= kRunning && phase < kStopping) {
      msgId = 46;
      param = Pick(kStartParams, cycle * 3 + pos / 6000);
    } else if (phase >= kStopping && phase < kDriving) {
      msgId = 47;
      param = Pick(kStopParams, cycle * 2 + (phase == kDisarmed ? 1 : 0));
    } else if (phase == kDriving) {
      msgId = 48;
      param = (cycle % 5) == 4 && pos > len / 2 ? 300 : Pick(kRefusalParams, cycle);
    } else if (phase == kParking) {
      msgId = 49;
      param = Pick(kBanParams, cycle);
    } else if (phase == kRearming && (cycle % 4) == 2) {
      msgId = 50;
      param = 7;
    } else if (phase == kRearming || (phase == kArmed && cycle > 0)) {
      msgId = 49;
      param = Pick(kBanParams, cycle);
    } else if (phase >= kPrepare) {
      msgId = 48;
      param = (cycle % 3) == 1 ? 40 : Pick(kRefusalParams, cycle + 7);  // 40: below every range
    }
  }
  rec.LastMsg.msgIdHi = static_cast<uint8_t>(msgId >> 8);
  rec.LastMsg.msgIdLo = static_cast<uint8_t>(msgId);
  rec.LastMsg.msgParamHi = static_cast<uint8_t>(param >> 8);
  rec.LastMsg.msgParamLo = static_cast<uint8_t>(param);
  if (kind < 3) return rec;

  // Tags and wireless relays: the owner's tag comes into range when the owner
  // walks up; the spare tag stays in the house with a weak battery.
  TStateDevicesRec& dev = rec.StateDevices;
  const bool ownerNear = phase >= kDisarmed && phase <= kParking;
  dev.Active = static_cast<uint8_t>((ownerNear ? 0x01 : 0x00) | ((cycle % 3) == 0 ? 0x02 : 0x00));
  dev.ImmZone = static_cast<uint8_t>(phase == kDriving ? 0x01 : 0x00);
  dev.NearZone = static_cast<uint8_t>(phase == kDisarmed || phase == kParking ? 0x01 : 0x00);
  dev.LowBattery = static_cast<uint8_t>((cycle % 2) == 1 ? 0x02 : 0x00);
  dev.NoBattery = static_cast<uint8_t>((cycle % 6) == 5 ? 0x02 : 0x00);
  dev.ImmLinked = static_cast<uint8_t>(0x05 | (engine ? 0x02 : 0x00) | (driving ? 0x08 : 0x00));
  return rec;
}

void InstallDiagHandler(SimUnit& unit, SimDiagOptions options) {
  const SimConfig cfg = unit.Config();
  const int kind = options.kind >= 0 ? std::min(options.kind, 4) : SimDiagKind(cfg);
  std::function<uint32_t()> now = options.nowMs;
  if (!now) {
    const auto start = std::chrono::steady_clock::now();
    now = [start] {
      return static_cast<uint32_t>(
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    };
  }
  unit.SetHandler(kDiagCommand, [cfg, kind, now](const SimRequest& req, const std::vector<ActiveFault>&)
                                    -> std::optional<std::vector<uint8_t>> {
    if (!req.payload.empty()) return std::nullopt;
    if (!cfg.diagReply.empty()) return cfg.diagReply;  // a recorded unit
    const TDiagBytes bytes = DiagBytes(SimDiagRecord(cfg, kind, now()));
    return std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(SimDiagReplyLength(kind)));
  });
}

}  // namespace orv::sim
