// Task 8 (HttpSendOptions): the unit's settings sent to the owner's online
// account before they are written into the unit.
//
// The request is one POST to "cfg/set" of a body prepared here byte for byte:
// the form part (passwd, login, the serial as ten digits), the header of the
// "json" part, the synchronisation JSON of the pages as they are now (edits
// not yet written included) and the closing boundary, with the content type
// kSyncContentType. The body is never built by the HTTP library, so what the
// server receives is exactly SyncBody().
//
// Outcomes (the task releases the queue on every path):
// - accepted ("ok" is the number 1): "Настройки синхронизированы с ЛК", the
//   write (task 9) follows;
// - refused ("ok" present but not the number 1, the string "1" and true
//   included): the queued write is removed and the action closes with
//   "ОШИБКА" / "Настройки не синхронизированы", without a message box;
// - unreadable (not a JSON object, or no "ok"): the reply text in a message
//   box, then the write follows;
// - failed (network or HTTP error): the error report line, then the write;
// - not sent (no unit online, or an image that is not complete): a log line;
//   the write reports its own failure.
//
// A copy of the body goes to the per-user cache folder (mode 0600, replaced
// atomically); failing to write it is logged and never fails the sync.
// Runs on the owner thread of the HTTP client (the GUI thread or the CLI).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/seams.h"

namespace orv {
namespace server {
class HttpClient;
}

namespace sync_text {
inline constexpr const char* kTitle = "Синхронизация настроек";
inline constexpr const char* kProgress = "Синхронизация настроек с ЛК...";
inline constexpr const char* kSynced = "Настройки синхронизированы с ЛК";
inline constexpr const char* kNotSynced = "Настройки не синхронизированы";
// Ours: why nothing was sent, a refusal in the log, a copy not saved.
inline constexpr const char* kNoUnit = "Orvantis не подключен, настройки не отправлены в ЛК";
inline constexpr const char* kIncomplete =
    "Настройки устройства прочитаны не полностью, настройки не отправлены в ЛК";
inline constexpr const char* kNotComposed = "Настройки для ЛК не составлены: ";
inline constexpr const char* kRefused = "Сервер не принял настройки, запись в устройство отменена";
inline constexpr const char* kCopyNotSaved = "Копия запроса не сохранена: ";
inline constexpr const char* kEmptyReply = "Недопустимый ответ сервера";
}  // namespace sync_text

inline constexpr uint8_t kSyncTask = 8;
inline constexpr int kSyncRequest = 8;
inline constexpr const char* kSyncContentType =
    "multipart/form-data; boundary=----------ThIs_Is_tHe_bouNdaRY_$;charset=utf-8";
inline constexpr const char* kSyncRequestCopyName = "json_req.txt";

// The form part: passwd, login and serial ("%.10d"), each closed by the
// boundary line.
std::string SyncFormPart(uint32_t serial);
// The whole body: form part, the header of the "json" part, `json`, closing boundary.
std::string SyncBody(uint32_t serial, const std::string& json);

enum class SyncReply { kAccepted, kRefused, kUnreadable };
// What a reply body says: accepted only when it is a JSON object whose "ok"
// is the number 1.
SyncReply ParseSyncReply(const std::string& body);

// ${XDG_CACHE_HOME:-~/.cache}/OrvantisConfigurator/json_req.txt (an
// XDG_CACHE_HOME that is not absolute is ignored); empty when no home folder
// is known.
std::string SyncRequestCopyPath();
// Writes `body` to `path` with mode 0600 through a temporary file beside it
// (the folder is made, mode 0700 for the last one). False with `error` set
// when it could not.
bool WriteRequestCopy(const std::string& path, const std::string& body, std::string& error);

enum class SyncResult { kAccepted, kRefused, kUnreadable, kFailed, kNotSent };

struct SyncHost {
  server::HttpClient* http = nullptr;
  Status* status = nullptr;
  Prompts* prompts = nullptr;
  std::function<bool()> online;         // a unit is attached and online
  std::function<bool()> imageComplete;  // the settings image may be written
  std::function<uint32_t()> serial;     // the serial shown for the unit
  // The synchronisation JSON of the pages now; may throw (a page's export
  // that is not JSON).
  std::function<std::string()> json;
  std::function<void()> proxyUpdate;    // refresh the proxy; may be empty
  std::function<void()> clearCfgSaved;  // FCFGsaved := false
  std::function<void()> removeWrite;    // take a queued task 9 out of the queue
  std::function<void()> next;           // release the task queue
  std::string copyPath;                 // where the copy goes; empty: SyncRequestCopyPath()
};

// Task 8. Returns what happened; releases the queue on every path.
SyncResult HttpSendOptions(const SyncHost& host);

}  // namespace orv
