// The vocabulary of the remote-start module as the installer sees it: stage
// and state texts, the reasons carried by its last system message, and the
// sentence built from that message. Every text lives in one table here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orv {

struct TDiagText {
  int value;
  const char* text;
};

// A range of message parameters and its entries; values of the range without
// an entry show the number itself.
struct TDiagParamRange {
  int first, last;
  std::span<const TDiagText> entries;
};

// Stage texts by stage value 0..7.
std::span<const TDiagText> RStartStageTable();
// State texts by state value 0..63; values without an entry show the number.
std::span<const TDiagText> RStartStateTable();
// The four parameter ranges of the system-state sentence, in ascending order.
std::span<const TDiagParamRange> RStartParamRanges();

// Text of a stage value (0..7).
std::string RStartStageText(int stage);
// Text of a state value (0..63); the decimal number where the table has none.
std::string RStartStateText(int state);
// Reason text of a message parameter: the entry of its range, the decimal
// number for an empty entry inside a range, "?" below 64 and
// "неожиданная стадия модуля Автозапуск" outside every range.
std::string RStartParamText(int param);
// Prefix of a system message id 46..49; nullopt for any other id.
std::optional<std::string> RStartMsgPrefix(int msgId);
// The system-state sentence for a record of the given kind (0..4).
std::string RStartSysStateText(int kind, int msgId, int param);

// Radio link quality of the start module: q = level × quality.
struct TRadioLink {
  int q = 0;
  std::string word;  // "плохое", "среднее" or "хорошее"
  std::string pair;  // "level/quality"
};
TRadioLink RadioLink(int rssi, int linkQuality);

}  // namespace orv
