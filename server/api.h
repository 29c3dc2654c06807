// The maker's API as the requests see it: addresses, the fields that identify
// the unit, the error report line and the download progress texts. Pure
// functions; the transport is server/http_client.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/seams.h"
#include "server/http_client.h"

namespace orv::server {

// The configurator's own server.
inline constexpr const char* kDefaultBaseUrl = "https://api.orvantis.ru";
inline constexpr const char* kURLPrefix = "conf/v1/orv";
inline constexpr const char* kURLSuffix = "?format=json";

// Endpoints (between prefix and suffix).
inline constexpr const char* kCoreGet = "core/get";
inline constexpr const char* kCoreSet = "core/set";
inline constexpr const char* kCanList = "can/list";
inline constexpr const char* kCanSet = "can/set";
inline constexpr const char* kCfgSet = "cfg/set";
inline constexpr const char* kConfiguratorGet = "configurator/get";

// The installer identity sent with every form and multipart request.
inline constexpr const char* kPasswd = "417";
inline constexpr const char* kLogin = "orvinst1";

using FormFields = std::vector<std::pair<std::string, std::string>>;

// base + "/" + prefix + "/" + endpoint + "/" + suffix, e.g.
// "https://h/conf/v1/orv/core/get/?format=json". A trailing "/" of the base
// is not doubled.
std::string ApiUrl(const std::string& base, const std::string& endpoint);
// The one CAN firmware: ".../conf/v1/orv/can/set/" without the suffix.
std::string CanFirmwareUrl(const std::string& base);

// The unit's serial as exactly ten digits with leading zeros ("0000001234").
std::string SerialField(uint32_t serial);
// passwd, login, serial in this order, then the extra fields.
FormFields UnitFields(uint32_t serial, const FormFields& extra = {});

// "Ошибка при выполнении запроса #N: " + text.
std::string ErrorReportLine(int number, const std::string& text);

namespace api_text {
inline constexpr const char* kProxy = "proxy";
inline constexpr const char* kDownloadPercent = "Загрузка обновления: %d%%";
inline constexpr const char* kDownloadKiB = "Загрузка обновления: %d кБ";
}  // namespace api_text

// Download progress: "Загрузка обновления: N%" (N lowered to a multiple of 5)
// when the total is known, "Загрузка обновления: N кБ" otherwise. Returns a
// text only when the shown number differs from `oldPercent`, which it updates
// (start with -1).
std::optional<std::string> DownloadProgressText(uint64_t received, int64_t total, int& oldPercent);

// Reports a failed request as the configurator does: the error report line
// in the log; a "proxy" message box when the proxy refused the credentials;
// for GET requests with an HTTP error status also a message box with the
// status and its reason.
void ReportFailure(const HttpResult& result, bool isGet, Status& status, Prompts& prompts);

}  // namespace orv::server
