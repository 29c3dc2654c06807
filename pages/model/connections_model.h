// The connections page without its window: which signal feeds each of the 29
// logical inputs (region 1), which wire each of the 28 output functions drives
// (region 3), and the switching thresholds of the two analog inputs (region 2).
//
// Entries are two bytes: byte 0 holds the source (bits 0..3), inverted logic
// (bit 6, inputs) and "fixed" (bit 7); byte 1 the main-module wire for source
// 2. The unit numbers wires in its own order; the model keeps them in the
// order of the wire tables and converts on load and store. Wire indexes the
// maps do not cover pass through unchanged, and the bytes of the regions the
// page does not own (region 1 from 58, region 2 from 4, region 3 from 56) are
// never touched. Every edit is the operation of one page control: refused
// edits change nothing beyond what the page itself changes and return the
// page's text. No Qt; called on the GUI thread (or the CLI's only thread).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/seams.h"
#include "settings/mem_items.h"

namespace orv {

// The unit as the page sees it: wire names, captions and load questions
// depend on whether it is connected, its model and its board revision.
struct TConnUnit {
  bool connected = false;
  uint8_t kind = 0;  // TDeviceInfo::Kind, 0x21..0x24
  uint8_t pcb = 0;   // TDeviceInfo::PCB
};

// Sources of an entry (byte 0, bits 0..3).
enum TConnSource : uint8_t {
  csNone = 0,
  csCan = 1,
  csMain = 2,
  csStart = 3,
  csOther = 4,  // a source the page can neither choose nor name
  csDoors = 5,  // inputs only
};

struct TConnEntry {
  uint8_t b0 = 0;
  uint8_t b1 = 0;
  uint8_t Source() const { return b0 & 0x0F; }
  bool Inverted() const { return (b0 & 0x40) != 0; }
  bool Fixed() const { return (b0 & 0x80) != 0; }
  bool Zero() const { return b0 == 0 && b1 == 0; }
  bool operator==(const TConnEntry&) const = default;
};

namespace conn_text {
inline constexpr const char* kNotAssigned = "Не назначен";
inline constexpr const char* kCan = "CAN";
inline constexpr const char* kMainFmt = "Главный модуль, %s";
inline constexpr const char* kMainMenu = "Главный модуль";
inline constexpr const char* kStart = "Модуль запуска";
inline constexpr const char* kDoors = "Сумма входов дверей";
inline constexpr const char* kClose = "Закрыть";
inline constexpr const char* kNA = "n/a";
inline constexpr const char* kFixedInputTouched = "Изменение затрагивает фиксированный вход \"%s\" не может быть выполнено";
inline constexpr const char* kFixedInput = "Назначение входа \"%s\" не может быть изменено";
inline constexpr const char* kFixedOutputTouched = "Изменение затрагивает фиксированный выход \"%s\" не может быть выполнено";
inline constexpr const char* kFixedOutput = "Назначение выхода \"%s\" не может быть изменено";
// Ours: menu items the page disables or does not offer, refused by the CLI.
inline constexpr const char* kStartNotOffered = "Источник \"Модуль запуска\" недоступен для \"%s\"";
inline constexpr const char* kWireNotOffered = "Провод %d главного модуля недоступен для \"%s\"";
inline constexpr const char* kDoorsNotOffered = "Источник \"Сумма входов дверей\" недоступен для выходов";
inline constexpr const char* kParkQuestion =
    "Конфигуратор Orvantis обнаружил,\r\nчто настройки входов\r\n\"Датчик парк\" и \"Датчик ручного торомоза\"\r\n"
    "отличаются от заводских.\r\nВосстановить заводские настройки подключения?";
inline constexpr const char* kTurnQuestion =
    "Конфигуратор Orvantis обнаружил,\r\nчто настройки входов\r\n"
    "\"Датчик левого указателя поворота\" и \"Датчик правого указателя поворота\"\r\n"
    "отличаются от заводских.\r\nВосстановить заводские настройки подключения?";
inline constexpr const char* kThresholdCaptionFmt = "Вход %s";
inline constexpr const char* kThresholdEditFmt = "%4.1f В";
inline constexpr const char* kOffLabelFmt = "Выключение, %s";
inline constexpr const char* kOnLabelFmt = "Включение, %s";
inline constexpr const char* kOutputLoadFmt = "Нагрузка выхода %s";
}  // namespace conn_text

// Result of an edit: done, or refused with the page's text.
struct TConnEdit {
  bool ok = true;
  std::string message;  // empty when ok
  static TConnEdit Refused(std::string m) { return {false, std::move(m)}; }
};

class TConnectionsModel {
 public:
  static constexpr int kInputs = 29;
  static constexpr int kOutputs = 28;
  static constexpr int kInputWires = 10;
  static constexpr int kOutputWires = 8;
  static constexpr int kHornOutput = 24;
  static constexpr int kHornWire = 4;
  static constexpr int kFuelInput = 8;

  // Function names (row captions).
  static std::span<const char* const> InputNames();
  static std::span<const char* const> OutputNames();

  // Wire names of the main module: the board-0x12 column only for board 0x12,
  // "n/a" without a unit or beyond the table.
  static std::string InputWireName(int wire, const TConnUnit& unit);
  static std::string OutputWireName(int wire, const TConnUnit& unit);
  // Captions of the measurements, thresholds and output load use the board-0x12
  // names for every board above 0x11; "n/a" without a unit.
  static std::string CaptionInputWireName(int wire, const TConnUnit& unit);
  static std::string CaptionOutputWireName(int wire, const TConnUnit& unit);

  // Wire order of the unit <-> order of the tables.
  static uint8_t InputWireToUnit(uint8_t page);
  static uint8_t InputWireFromUnit(uint8_t stored);
  static uint8_t OutputWireToUnit(uint8_t page);
  static uint8_t OutputWireFromUnit(uint8_t stored) { return OutputWireToUnit(stored); }

  // Wires the "Главный модуль" submenu offers for an input or an output.
  static std::vector<int> InputMenuWires(int input);
  static std::vector<int> OutputMenuWires();
  // "Модуль запуска" is enabled for inputs 0, 1 and 5, never for outputs.
  static bool StartOffered(int input) { return input == 0 || input == 1 || input == 5; }

  void SetUnit(const TConnUnit& unit) { unit_ = unit; }
  const TConnUnit& Unit() const { return unit_; }

  // Copies the three regions in. Asks the load questions through `prompts`;
  // a repair sets `forceSave`.
  void LoadData(const TMemItems& items, Prompts& prompts, bool& forceSave);
  // Writes the entries and thresholds back; other bytes stay as they are.
  void StoreData(TMemItems& items) const;

  const TConnEntry& Input(int i) const { return Ins.at(static_cast<size_t>(i)); }
  const TConnEntry& Output(int o) const { return Outs.at(static_cast<size_t>(o)); }
  // The entries as the unit stores them (wire order converted back).
  TConnEntry StoredInput(int i) const;
  TConnEntry StoredOutput(int o) const;

  // Source texts; empty for a source without text (4 and codes above 5).
  std::string InputSourceText(int i) const;
  std::string OutputSourceText(int o) const;
  // What the grid shows: the source text, or the entry's bytes in hex when
  // the source has no text.
  std::string InputGridText(int i) const;
  std::string OutputGridText(int o) const;

  // The page's controls. Assigning source 2 frees the wire first.
  TConnEdit UnassignInput(int i);
  TConnEdit AssignInput(int i, uint8_t source, int wire = 0);
  TConnEdit UnassignOutput(int o);
  TConnEdit AssignOutput(int o, uint8_t source, int wire = 0);
  // The source menu items as offered: refuses what the menu does not offer.
  TConnEdit ChooseInput(int i, uint8_t source, int wire = 0);
  TConnEdit ChooseOutput(int o, uint8_t source, int wire = 0);
  // Inversion column: refused on a fixed entry.
  TConnEdit ToggleInvert(int i);

  // For the impulses page: output `o` has a non-zero first byte; no output
  // uses main-module wire 4; output 24 ("Клаксон") on wire 4.
  bool OutIsAssigned(int o) const;
  bool HorOutIsFree() const;
  void SetHornDef();

  // Thresholds: analog input a = 0 (input 4) or 1 (input 5); positions in
  // tenths of a volt. Moving one track bar keeps the pair ordered.
  int OffThreshold(int a) const { return thr_.at(static_cast<size_t>(2 * a)); }
  int OnThreshold(int a) const { return thr_.at(static_cast<size_t>(2 * a + 1)); }
  void SetOffThreshold(int a, int pos);
  void SetOnThreshold(int a, int pos);
  // The edit box's text: "%4.1f В".
  static std::string ThresholdText(int pos);
  // A left edit box: the text reduced to digits and points (comma as point),
  // read as volts, × 10 rounded and clamped to 0..255; nullopt when unreadable.
  static std::optional<int> ThresholdFromText(const std::string& text);
  // "Вход %s" with the name of input wire 3 (a = 0) or 4 (a = 1).
  std::string ThresholdCaption(int a) const;

  // Export for the settings synchronisation (double quotes removed from texts).
  std::string ToJSON() const;

 private:
  std::string SourceText(const TConnEntry& e, bool input) const;
  // Keeps bits 6 and 7 of byte 0 and clears byte 1; false for a fixed entry.
  static bool UnassignEntry(TConnEntry& e);

  TConnUnit unit_;
  std::array<TConnEntry, kInputs> Ins{};
  std::array<TConnEntry, kOutputs> Outs{};
  std::array<uint8_t, 4> thr_{};
};

// Formats with one printf argument into a std::string.
std::string ConnFormat(const char* fmt, const std::string& arg);

}  // namespace orv
