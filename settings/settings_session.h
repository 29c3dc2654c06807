// The settings image of the configurator and the workflows that move it
// between the unit, settings files and the factory images: ReadOptions,
// WriteOptions, SetDefaults, WriteSMS, SaveOptions and GetOptions.
//
// The workflows run on the owner thread of the link (the GUI thread or the
// CLI's loop), one at a time. They report through Status (texts, progress,
// results) and Prompts (questions; errors the application shows in its error
// box), call the pages through PagesHook and release the task queue through
// TaskQueueHook exactly where a queued task would. They never throw: an error
// a workflow raises, or one that escapes a page, is shown with
// Prompts::MessageBox and the workflow returns false.
//
// Guarantees beyond the plain command sequence:
// - A region counts as written only when reading it back returns exactly the
//   bytes written; otherwise it is the write error "Ошибка записи данных" and
//   the image in memory keeps the user's data.
// - Settings files are replaced atomically; a failed save keeps the old file.
// - Workflows hold the unit across processes (device/unit_hold.h): reads
//   share it, writes and the factory reset have it alone, so another
//   process's write never mixes into theirs.
// - A factory reset whose SMS texts could not be written is a failure, even
//   though its regions are in place.
// - An image that is not complete (no successful read, factory reset or full
//   file load yet, or a read that stopped part-way) is never written to the
//   unit or saved to a file: it would carry zeros or stale regions.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/seams.h"
#include "settings/mem_items.h"
#include "settings/settings_stream.h"
#include "settings/workflow_hooks.h"

namespace orv {

class TOrvantis;
class UnitHold;

// Texts the workflows show; tests and programs compare against them.
namespace settings_text {
inline constexpr const char* kReadProgress = "Чтение настроек %d%%";
inline constexpr const char* kWriteProgress = "Сохранение настроек %d%%";
inline constexpr const char* kReadFailedLog = "Чтение настроек устройства...Ошибка";
inline constexpr const char* kNotRead = "Настройки не прочитаны";
inline constexpr const char* kRead = "Настройки прочитаны.";
inline constexpr const char* kConnected = "Orvantis подключен.";
inline constexpr const char* kWriteError = "Ошибка записи данных";
inline constexpr const char* kNotWritten = "Настройки не записаны в устройство.";
inline constexpr const char* kNotSynced = "Настройки не синхронизированы";
inline constexpr const char* kSaveCommandError = "Сохранение настроек...Ошибка";
inline constexpr const char* kSaved = "Настройки сохранены.";
inline constexpr const char* kSynced = "Настройки синхронизированы";
inline constexpr const char* kSavedToFile = "Настройки сохранены в файле";
inline constexpr const char* kOffline = "Orvantis не подключен, заводские настройки не восстановлены";
inline constexpr const char* kNoFactoryStream = "Не определена версия Orvantis, заводские настройки не восстановлены";
inline constexpr const char* kSmsNotSaved = "Тексты SMS не сохранены!";
inline constexpr const char* kDefaultsDone = "Заводские настройки установлены";
// Ours: the regions were restored, the SMS texts were not.
inline constexpr const char* kDefaultsSmsFailed = "Заводские настройки %s установлены, но тексты SMS не сохранены.";
inline constexpr const char* kDefaultsQuestion =
    "Заводские значения будут установлены для всех параметров в следующих вкладках:\r\n"
    "\"Настройки\", \"Модуль запуска\" и \"Интернет\".\r\n"
    "Также будут возвращены к заводским значениям:\r\n"
    "голосовые сообщения, SMS-сообщения, позиции меню и настройки подключения к серверу.\r\n"
    "Обратите внимание, что заводские настройки вкладок\r\n"
    "\"Подключение\", \"Импульсы\" и \"CAN\"\r\n"
    "устанавливаются только при загрузке CAN-прошивки.\r\n"
    "Продолжить?";
inline constexpr const char* kDefaultsQuestion3 =
    "Дополнительная информация для устройства Orvantis 3:\r\n"
    "Все настройки модуля запуска,\r\n"
    "включая настройки входов и выходов, длительности и количества импульсов, \r\n"
    "будут установлены в заводские значения.\r\n"
    "Продолжить?";
// Ours: the write refused for an incomplete image, a PIN that cannot be kept.
inline constexpr const char* kImageIncomplete =
    "Настройки устройства прочитаны не полностью. Прочитайте настройки из устройства или загрузите их из "
    "файла, затем повторите запись.";
inline constexpr const char* kPinNotRead = "ПИН устройства не прочитан, заводские настройки не восстановлены";
}  // namespace settings_text

class TSettingsSession {
 public:
  TSettingsSession(TOrvantis& link, Status& status, Prompts& prompts, PagesHook& pages, TaskQueueHook& tasks);
  TSettingsSession(const TSettingsSession&) = delete;
  TSettingsSession& operator=(const TSettingsSession&) = delete;

  // Reads every readable region and loads the pages. Calls Next. When a page
  // restored factory values while loading, writes at once (WriteOptions).
  // Returns whether the read succeeded (FOptionsRead).
  bool ReadOptions();
  // Stores the pages, writes regions 0..6 and 14 with read-backs, ends with
  // command 149. Calls Next on every path. False after any failure (shown).
  bool WriteOptions();
  // Restores the factory settings of the connected model (scope unused). Asks
  // first; false when declined, offline or failed. On success queues tasks 3
  // and 8 (read back, then sent to the online account). Calls Next on every path.
  bool SetDefaults(uint32_t scope = 4095);
  // Writes the 61 SMS texts into the unit's SMS flash area.
  bool WriteSMS(const std::vector<std::string>& st);
  // Stores the pages and writes a version-4 settings file (3692 bytes). Calls
  // Next on every path.
  bool SaveOptions(const std::string& fileName);
  // Reads a settings file into the regions and loads the pages. Nothing is
  // written to the unit. False when the file cannot be read or is unsupported.
  bool GetOptions(const std::string& fileName);

  // The image holds a complete set of the regions that are written and saved.
  bool ImageComplete() const { return FImageComplete; }
  // The mask of the last ReadOptionsFromStream of GetOptions or SetDefaults.
  uint32_t LastStreamMask() const { return FLastStreamMask; }

  TMemItems MemItems;
  bool FOptionsRead = false;
  bool FForceSaveSettings = false;
  bool FCFGsaved = false;  // set by task 9 before WriteOptions
  std::vector<std::string> SMSList;

 private:
  struct WriteError {
    std::string text;
  };
  void ShowProgress(const char* format, int i);
  void HideProgress();
  // Writes region k and reads it back; throws WriteError.
  void WriteRegion(int k);
  void SendSaveCommand();
  bool ReadPinFromUnit(TPIN& pin);
  // Raises the write error with the hold's message when it was not granted.
  void RequireHeld(const UnitHold& hold);
  // Runs the body of a write or save with the request state, the busy button,
  // progress, the queue release and the error box around it; true when the
  // body finished without raising an error.
  bool RunWrite(bool logError, const std::function<void()>& body);

  TOrvantis& link_;
  Status& status_;
  Prompts& prompts_;
  PagesHook& pages_;
  TaskQueueHook& tasks_;
  bool FImageComplete = false;
  uint32_t FUnitRegions = 0;  // regions whose bytes in MemItems are the unit's
  uint32_t FLastStreamMask = 0;
};

}  // namespace orv
