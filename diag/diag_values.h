// The remote-start part of a diagnostic record as ready-made values and
// display texts. Which values are valid depends on the record kind: the
// remote-start block from kind 1 on, the last message from kind 2 on.
#pragma once

#include <cstdint>
#include <string>

#include "diag/diag_record.h"

namespace orv {

class TRStartValues {
 public:
  static constexpr int kNoReading = -128;

  explicit TRStartValues(const TExtendDiagRec& rec);
  explicit TRStartValues(const TDiagBytes& bytes) : TRStartValues(ParseDiag(bytes)) {}

  TDiagKind DiagKind() const { return kind_; }

  // Numeric values; 0 (false) for a record of kind 0.
  bool RStartOnline() const;          // Flags4 bit 0: the module is connected
  int RSLinkQualityValue() const;     // Flags4 bits 1..3
  int RSRSSIValue() const;            // Flags4 bits 4..7
  bool BrakeControl() const;          // Flags2 bit 6
  int RStartStageValue() const;       // Flags3 bits 5..7
  int RStartStateValue() const;       // StateID bits 0..5
  int CabinTempValue() const;         // °C, kNoReading = no reading
  int EngineTempValue() const;        // likewise
  int TachoPercentValue() const;      // TahoPercent × 10
  // 0xFFFF for kinds 0 and 1.
  int RStartMsgId() const;
  int RStartMsgParam() const;

  // Display texts.
  std::string CabinTemp() const;
  std::string EngineTemp() const;
  std::string TachoPercent() const;
  std::string RSLinkQuality() const;
  std::string RSRSSI() const;
  std::string RStartStage() const;
  std::string RStartState() const;
  std::string RStartSysState() const;

 private:
  bool HasBlock() const { return kind_ >= dkAutoStart; }
  bool HasMessage() const { return kind_ >= dkAutoStart2; }
  // The text of a value shown only with the module connected: "н/д" for
  // kind 0, "?" without the module.
  template <typename F>
  std::string Shown(F&& text) const;

  TDiagKind kind_;
  TAutoStartRec as_;
  TAutoStartLastMsgRec msg_;
};

}  // namespace orv
