// The configurator's self-update (tasks 24 and 25) and the download of a CAN
// firmware's installation manual, Qt-free: the window and the CLI give them
// the HTTP client, Status, Prompts and the hooks of ReleaseHost.
//
// Replacing the program on Linux: when the folder of the running executable
// is writable, the download is written beside it, made executable, the
// running file keeps its old content as "<path>.old" (a hard link, so a
// program is at the path at every moment) and the new one is renamed into
// place in one step; "InstancesAllowed" 2 is stored and the new copy started.
// When the folder is not writable (an installed package), the user is asked
// whether to save the file elsewhere.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/seams.h"
#include "server/release_list.h"

namespace orv {
namespace server {
class HttpClient;
}

namespace selftask {
constexpr uint8_t kCheck = 24;
constexpr uint8_t kDownload = 25;
constexpr int kReqReadSettings = 3;
constexpr int kReqDone = 17;
}  // namespace selftask

namespace release_text {
inline constexpr const char* kTitle = "Проверка обновлений";
inline constexpr const char* kCheckProgress = "Проверка обновлений конфигуратора...";
inline constexpr const char* kDownloadProgress = "Загрузка обновления конфигуратора...";
inline constexpr const char* kAvailable = "Доступно обновление конфигуратора.";
inline constexpr const char* kDeclined = "Отказ от обновления";
inline constexpr const char* kNotUpdated = "Конфигуратор не обновлен.";
inline constexpr const char* kNewest = "Используется самый новый конфигуратор.";
inline constexpr const char* kListFailed = "Не удалось найти обновления конфигуратора.";
inline constexpr const char* kCheckFailed = "Сбой при проверке обновлений конфигуратора";
inline constexpr const char* kDownloaded = "Обновление конфигуратора загружено.";
inline constexpr const char* kCannotSave = "Невозможно сохранить файл\r\n";
inline constexpr const char* kSaveManually = "Хотите сохранить файл вручную?";
inline constexpr const char* kDialogTitle = "Обновление программы";
inline constexpr const char* kDialogHeading = "Доступно обновление программы Конфигуратор Orvantis";
inline constexpr const char* kDialogFrom = "от";
inline constexpr const char* kDialogChanges = "Список изменений";
inline constexpr const char* kDialogCheck = "Проверять обновления при запуcке программы";
inline constexpr const char* kInstall = "Установить";
inline constexpr const char* kCancel = "Отмена";
inline constexpr const char* kManualName = "tech_manual_add";
inline constexpr const char* kManualPrefix = "Техкарта ";
}  // namespace release_text

struct ReleaseHost {
  server::HttpClient* http = nullptr;
  Status* status = nullptr;
  Prompts* prompts = nullptr;
  uint16_t v1 = 0, v2 = 0, v3 = 0;  // the running version
  // TUpdateMsg: true when the user chose "Установить". Empty: the check
  // only reports a newer release.
  std::function<bool(const selfupdate::TSelfVersion&)> askForUpdate;
  std::function<void(uint8_t task)> queueHead;
  std::function<void()> next;  // releases the task queue
  // Task 25 without an update: the settings are read (which releases the queue).
  std::function<void()> readSettings;
  std::string exePath;  // the running executable
  std::function<void(int)> storeInstancesAllowed;
  // Starts the saved program and asks this one to end; false when it could not start.
  std::function<bool(const std::string& path)> startAndQuit;
};

class SelfUpdate {
 public:
  explicit SelfUpdate(ReleaseHost host) : host_(std::move(host)) {}
  const selfupdate::TSelfVersion& FSelfFW() const { return fw_; }
  bool FUpdateConfirmed = false;
  bool Newer() const { return newer_; }

  // Task 24 (HttpGetSelfVersions); releases the queue. True when the list was read.
  bool CheckTask();
  // Task 25 (HttpGetEXE): true when the program was replaced and restarted.
  bool DownloadTask();
  // UpdateFromStream: replaces the executable (or saves by hand) and starts it.
  bool UpdateFromStream(const std::string& body);

 private:
  ReleaseHost host_;
  selfupdate::TSelfVersion fw_;
  bool newer_ = false;
};

// HttpGetPDF: the installation manual at `link` saved where the user
// chooses (proposed ManualFileName), and opened with `openFile` when `open`.
// False when nothing was saved (empty body, failed request, no file chosen).
bool HttpGetPDF(server::HttpClient& http, Status& status, Prompts& prompts, const std::string& link, bool makeChosen,
                const std::string& caption, bool open, const std::function<void(const std::string&)>& openFile);

// A proposed file name made safe for the file system: no "/" or "\", no
// control characters, no leading dots, not empty ("_" instead).
std::string SafeFileName(const std::string& name);
// "tech_manual_add.pdf", or "Техкарта <caption>.pdf", made safe.
std::string ManualFileName(bool makeChosen, const std::string& caption);
// Writes `data` to `path` atomically (a temporary file beside it, then
// rename); false when it could not.
bool WriteFileAtomically(const std::string& path, const std::string& data, bool executable);

}  // namespace orv
