// Brings the unit's voice prompts up to date from the container the
// configurator carries (update/voice_container.h): for every prompt, two
// 4-byte reads of its slot (size at the start, CRC at the end) decide whether
// the unit already holds it; only the prompts that differ are erased and
// written, so a second run writes nothing.
//
// Slot image, at SlotAddress(i): S big-endian, the samples with the two bytes
// of every 16-bit sample swapped, the container's CRC little-endian. It is
// assembled in one buffer of a slot's size, reused for every prompt.
//
// Reports through Status: the action "Проверка звуковых файлов", a progress
// line per file (which keeps a window alive), one status line per file, the
// failures in the log. Beyond the plain sequence it guarantees:
// - the action is "OK" only when every prompt is in the unit: a checksum
//   failure of the container stays a failed action, and so does a prompt
//   that could not be erased or written;
// - a unit that is not connected, or that goes away during the run, ends the
//   run at once instead of failing each of the remaining prompts in turn;
// - the container is read as untrusted input (see ContainerReader).
// Runs on the link's owner thread.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

#include "core/seams.h"

namespace orv {

class TOrvantis;

namespace voice_text {
inline constexpr const char* kTitle = "Проверка звуковых файлов";
inline constexpr const char* kProgress = "Проверка звуковых файлов: %d%%";
inline constexpr const char* kChecking = "Проверка файла ";
inline constexpr const char* kEmpty = "Файл \"%s\" пустой";
inline constexpr const char* kBadSize = "Неверный размер файла \"%s\"";
inline constexpr const char* kBadCrc = "Неверная контрольная сумма. Обновите конфигуратор";
inline constexpr const char* kUnchanged = "Файл \"%s\" не изменился";
inline constexpr const char* kEraseFailed = "Ошибка стирания файла: \"%s\"";
inline constexpr const char* kUpdated = "Файл \"%s\" обновлен";
inline constexpr const char* kWriteFailed = "Ошибка записи файла: \"%s\"";
inline constexpr const char* kProgressDone = "Проверка звуковых файлов закончена";
inline constexpr const char* kNothingToDo = "Звуковые файлы не требуют обновления";
inline constexpr const char* kUpdatedCount = "Обновлено файлов: %d";
inline constexpr const char* kFinished = "Проверка закончена";
// Ours: the container is missing, or the unit is not there.
inline constexpr const char* kNoContainer = "Не найден файл звуковых подсказок. Переустановите конфигуратор";
inline constexpr const char* kNoUnit = "Нет соединения с Orvantis.";
inline constexpr const char* kNoUnitResult = "Orvantis не подключен";
}  // namespace voice_text

struct SoundsResult {
  int updated = 0;    // prompts erased and written
  int unchanged = 0;  // prompts the unit already held
  int failed = 0;     // prompts rejected or not written
  bool checksumFailed = false;
  bool ok = false;    // the action finished as "OK"
};

// The run of the vehicle page's button "Проверка и обновление звуковых файлов".
SoundsResult WriteSounds(TOrvantis& link, std::istream& container, Status& status);
// The same with the container the configurator carries (FindDataFile).
SoundsResult WriteSounds(TOrvantis& link, Status& status);

}  // namespace orv
