// The impulses page without its window: the 48 on/off pulse patterns of
// region 4 (one 32-byte record each: a header word with the pulse count in
// bits 0..3 and cyclic repeat in bit 7, then up to 15 pulse words, all
// big-endian). A pulse word holds the level in bit 15 and the duration in ms
// in bits 0..14, 0 meaning "until cancelled".
//
// Guarantees beyond the plain copy: header bits 4..6 are written back as read;
// the words after a pattern's count keep the region's bytes (a read followed by
// a write is byte-identical), except the word of a deleted pulse, which
// becomes 0. Patterns the stored settings lack can be restored from the
// standard table after a question. No Qt.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/seams.h"
#include "settings/mem_items.h"

namespace orv {

class TConnectionsModel;

struct TImpSeq {
  std::string Caption;
  uint16_t Header = 0;
  std::array<uint16_t, 15> Data{};

  int Count() const { return Header & 0x0F; }
  bool Cyclic() const { return (Header & 0x80) != 0; }
};

namespace imp_text {
inline constexpr const char* kMissingQuestion =
    "Конфигуратор Orvantis обнаружил,\r\nчто в выбранной CAN-прошивке отсутствуют некоторые настройки импульсов.\r\n"
    "Восстановить стандартные настройки для отсутствующих импульсов?";
inline constexpr const char* kPageItem = "Циклограммы";
inline constexpr const char* kCyclicHint = "Циклический повтор импульсов";
inline constexpr const char* kHintOnFor = "Всего импульсов: %d. Импульс #%d: включить на %d мс";
// The three texts below keep their missing letter: they are the page's own.
inline constexpr const char* kHintOnUntil = "Всего мпульсов: %d. Импульс #%d: включить до отмены";
inline constexpr const char* kHintOffFor = "Всего мпульсов: %d. Импульс #%d: выключить на %d мс";
inline constexpr const char* kHintOffUntil = "Всего мпульсов: %d. Импульс #%d: выключить до отмены";
inline constexpr const char* kAdd = "Добавить";
inline constexpr const char* kDelete = "Удалить";
inline constexpr const char* kClose = "Закрыть";
inline constexpr const char* kOn = "Включено";
inline constexpr const char* kOff = "Выключено";
inline constexpr const char* kTimed = "Импульс";
inline constexpr const char* kPermanent = "Постоянно";
inline constexpr const char* kDuration = "Длительность, с:";
// Ours: edits the page offers no control for, refused by the CLI.
inline constexpr const char* kAddRefused = "Импульс можно добавить только после последнего";
inline constexpr const char* kDeleteRefused = "Удалить можно только последний импульс";
inline constexpr const char* kNoPulse = "Импульс #%d отсутствует";
inline constexpr const char* kTooMany = "Не более 15 импульсов";
}  // namespace imp_text

class TImpulsesModel {
 public:
  static constexpr int kPatterns = 48;
  static constexpr int kMaxPulses = 15;
  static constexpr int kRecordSize = 32;
  static constexpr double kMaxSeconds = 30.0;

  TImpulsesModel();

  // The built-in tables: the working table's start values and the standard
  // patterns restored for missing ones.
  static const std::array<TImpSeq, kPatterns>& BuiltIn();
  static const std::array<TImpSeq, kPatterns>& Standard();

  // Reads region 4; asks about missing patterns and, on "Да", sets
  // `forceSave`, gives the horn its default wire on `conn` (when it has none
  // and the wire is free) and restores the missing patterns. Clears
  // CANFWChanged.
  void LoadData(const TMemItems& items, Prompts& prompts, bool& forceSave, TConnectionsModel* conn);
  void StoreData(TMemItems& items) const;
  // Patterns with no pulses whose standard pattern has some.
  int MissingCount() const;

  const TImpSeq& Seq(int k) const { return seqs_.at(static_cast<size_t>(k)); }

  bool CANFWChanged = false;

  // Edits of the grid and the pulse editor. Each returns false when the page
  // does not allow it (nothing changes).
  void ToggleCyclic(int k);
  bool CanAdd(int k, int p) const { return p == Seq(k).Count() && p < kMaxPulses; }
  bool CanDelete(int k, int p) const { return Seq(k).Count() > 0 && p == Seq(k).Count() - 1; }
  bool AddPulse(int k, int p);
  bool DeletePulse(int k, int p);
  // Writes a pulse word; a word beyond the count is neither shown nor stored.
  void SetPulse(int k, int p, uint16_t word);

  // The editor's word: level, "Постоянно" (0) or the typed seconds × 1000
  // rounded. `text` is the duration field; a comma counts as a point, above
  // 30 it becomes "30" (written back into `text`); nullopt when it does not
  // convert.
  static std::optional<uint16_t> EditorWord(bool on, bool permanent, std::string& text);
  // The duration as the grid and the report show it.
  static std::string DurationText(uint16_t ms);
  // The report's text of a pattern ("" without pulses).
  std::string SeqToString(int k) const;
  // The grid hint over pulse p (0-based) of pattern k; "" beyond the count.
  std::string PulseHint(int k, int p) const;

  // Export: an array of 48 {"seq<k>": {...}} objects.
  std::string ToJSON() const;

 private:
  std::array<TImpSeq, kPatterns> seqs_;
  // Words (1..15) of deleted pulses since the last load: stored as 0.
  std::array<uint16_t, kPatterns> zeroed_{};
};

}  // namespace orv
