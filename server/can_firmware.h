// The CAN firmware workflows of the window, Qt-free: reading the list (task
// 2), downloading the chosen firmware and writing it with update command 7
// (task 4), and the check of the new firmware's settings after the restart
// (task 29). The window and the CLI give them their link, Status, Prompts,
// HTTP client and hooks through CanHost.
//
// Task 4 ends in one of two ways: failed (the queue is released and the
// request state says why), or with the firmware written and the unit
// restarting (request state 26, the queue still held): the connection
// handling finishes it when the unit is back (FinishAfterRestart).
// Runs on the link's owner thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/seams.h"
#include "server/can_choice.h"
#include "server/can_list.h"
#include "update/fw_update.h"

namespace orv {

class TOrvantis;
struct TCanConfig;
namespace server {
class HttpClient;
}

namespace cantask {
constexpr uint8_t kList = 2;
constexpr uint8_t kWrite = 4;
constexpr uint8_t kCheckOptions = 29;
constexpr int kReqChecking = 4;
constexpr int kReqWriting = 5;
constexpr int kReqRestarting = 26;
constexpr int kReqFailed = 21;
constexpr int kReqDone = 17;
constexpr uint32_t kRestartWaitMs = 9999;
}  // namespace cantask

namespace can_text {
inline constexpr const char* kListTitle = "Проверка обновлений";
inline constexpr const char* kListProgress = "Получение списка CAN-прошивок...";
inline constexpr const char* kListReceived = "Список CAN-прошивок получен.";
inline constexpr const char* kListFailed = "Не удалось получить список CAN-прошивок.";
inline constexpr const char* kBadReply = "Недопустимый ответ сервера";
inline constexpr const char* kWriteTitle = "Загрузка CAN-прошивки";
inline constexpr const char* kWriteProgress = "Получение CAN-прошивки...";
inline constexpr const char* kChooseFirst = "Выберите CAN-прошивку!";
inline constexpr const char* kNoUnit = "Нет соединения с Orvantis.";
inline constexpr const char* kNoUnitResult = "Orvantis не подключен";
inline constexpr const char* kEmptyBody = "Ошибка при получении CAN-прошивки.";
inline constexpr const char* kFetchFailed = "Сбой при получении прошивки";
inline constexpr const char* kReceived = "CAN-прошивка получена.";
inline constexpr const char* kUpdating = "Обновление CAN-прошивки";
inline constexpr const char* kNotWritten = "Прошивка не записана";
inline constexpr const char* kHttpError = "Ошибка %d при получении CAN-прошивки.";
inline constexpr const char* kDone = "Обновление CAN-прошивки завершено";
inline constexpr const char* kOptionsNotice =
    "Загруженная CAN-прошивка содержит дополнительные настройки. \r\nОбратитесь к технологической карте "
    "установки\r\nдля выбора нужных значений";
inline constexpr const char* kClose = "Закрыть";
}  // namespace can_text

struct CanHost {
  TOrvantis* link = nullptr;  // null: no unit
  Status* status = nullptr;
  Prompts* prompts = nullptr;
  server::HttpClient* http = nullptr;
  std::function<uint32_t()> serial;  // the serial number shown for the unit
  bool* FReboot = nullptr;
  bool* FRebootOK = nullptr;
  // Releases the task queue (TTasks::Next).
  std::function<void()> next;
  // The firmware was written: the remote-start page's ChangeDefaults, the
  // impulses page's CANFWChanged, and AnalogConnection = analog.
  std::function<void(bool analog)> firmwareWritten;
  std::function<void(bool enabled)> setWriteEnabled;
  // The list was read again: the vehicle page shows the new makes.
  std::function<void()> listChanged;
  UpdateTiming timing{};
};

class CanFirmware {
 public:
  explicit CanFirmware(CanHost host);

  const can::CanTree& Tree() const { return *tree_; }
  can::CanChoice& Choice() { return choice_; }
  bool FCanListRcvd = false;

  // HttpGetCanList: the list replaces the tree and the makes are shown with
  // the placeholder chosen. Does not release the queue (the list is also
  // read outside the queue). True when the list was read.
  bool HttpGetCanList();
  // Task 2: HttpGetCanList, request state 17, the queue released.
  void Task2();
  // Task 4. Returns true when the unit restarts with the new firmware (state
  // 26, queue held until FinishAfterRestart).
  bool Task4();
  // The connection handling after an identity query succeeded: with request
  // state 26 it finishes task 4 ("Обновление CAN-прошивки завершено") and
  // returns true; the caller queues task 3 and then task 29.
  bool FinishAfterRestart();
  // Task 29: the notice when the CAN settings of the new firmware are not
  // empty. Returns true when it was shown (the caller opens the CAN page).
  bool DoCheckCanOptions(const TCanConfig& can);

 private:
  CanHost host_;
  std::unique_ptr<can::CanTree> tree_;
  can::CanChoice choice_;
};

// The body of "can/set" as the image text: a body that begins and ends with
// a double quote loses those two characters; no other unescaping.
std::string UnquoteFirmwareBody(const std::string& body);

}  // namespace orv
