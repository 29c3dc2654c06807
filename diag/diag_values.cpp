#include "diag/diag_values.h"

#include <cstdio>

#include "diag/diag_texts.h"

namespace orv {

namespace {
constexpr const char* kNotAvailable = "н/д";
constexpr const char* kUnknown = "?";

std::string Degrees(int value) {
  if (value == TRStartValues::kNoReading) return kUnknown;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d°C", value);
  return buf;
}
}  // namespace

TRStartValues::TRStartValues(const TExtendDiagRec& rec)
    : kind_(DiagKindOf(rec.Kind)), as_(rec.AutoStart), msg_(rec.LastMsg) {}

bool TRStartValues::RStartOnline() const { return HasBlock() && (as_.Flags4 & 0x01); }
int TRStartValues::RSLinkQualityValue() const { return HasBlock() ? (as_.Flags4 >> 1) & 0x07 : 0; }
int TRStartValues::RSRSSIValue() const { return HasBlock() ? (as_.Flags4 >> 4) & 0x0F : 0; }
bool TRStartValues::BrakeControl() const { return HasBlock() && (as_.Flags2 & 0x40); }
int TRStartValues::RStartStageValue() const { return HasBlock() ? (as_.Flags3 >> 5) & 0x07 : 0; }
int TRStartValues::RStartStateValue() const { return HasBlock() ? as_.StateID & 0x3F : 0; }
int TRStartValues::CabinTempValue() const { return HasBlock() ? as_.Tcab : 0; }
int TRStartValues::EngineTempValue() const { return HasBlock() ? as_.Tengine : 0; }
int TRStartValues::TachoPercentValue() const { return HasBlock() ? as_.TahoPercent * 10 : 0; }
int TRStartValues::RStartMsgId() const { return HasMessage() ? msg_.msgIdHi * 256 + msg_.msgIdLo : 0xFFFF; }
int TRStartValues::RStartMsgParam() const {
  return HasMessage() ? msg_.msgParamHi * 256 + msg_.msgParamLo : 0xFFFF;
}

template <typename F>
std::string TRStartValues::Shown(F&& text) const {
  if (!HasBlock()) return kNotAvailable;
  if (!RStartOnline()) return kUnknown;
  return text();
}

std::string TRStartValues::CabinTemp() const { return Shown([this] { return Degrees(CabinTempValue()); }); }
std::string TRStartValues::EngineTemp() const { return Shown([this] { return Degrees(EngineTempValue()); }); }

std::string TRStartValues::TachoPercent() const {
  return Shown([this] {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%3d %%", TachoPercentValue());
    return std::string(buf);
  });
}

// The radio values read "?" for kind 0 as well.
std::string TRStartValues::RSLinkQuality() const {
  return RStartOnline() ? std::to_string(RSLinkQualityValue()) : kUnknown;
}
std::string TRStartValues::RSRSSI() const { return RStartOnline() ? std::to_string(RSRSSIValue()) : kUnknown; }

std::string TRStartValues::RStartStage() const { return Shown([this] { return RStartStageText(RStartStageValue()); }); }
std::string TRStartValues::RStartState() const { return Shown([this] { return RStartStateText(RStartStateValue()); }); }

std::string TRStartValues::RStartSysState() const {
  return RStartSysStateText(kind_, RStartMsgId(), RStartMsgParam());
}

}  // namespace orv
