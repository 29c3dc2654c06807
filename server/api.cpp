#include "server/api.h"

#include <cstdio>

namespace orv::server {

namespace {

std::string Base(const std::string& base) {
  std::string b = base;
  while (!b.empty() && b.back() == '/') b.pop_back();
  return b;
}

std::string Format(const char* pattern, long long n) {
  char buf[96];
  std::snprintf(buf, sizeof buf, pattern, static_cast<int>(n));
  return buf;
}

}  // namespace

std::string ApiUrl(const std::string& base, const std::string& endpoint) {
  return Base(base) + "/" + kURLPrefix + "/" + endpoint + "/" + kURLSuffix;
}

std::string CanFirmwareUrl(const std::string& base) { return Base(base) + "/" + kURLPrefix + "/" + kCanSet + "/"; }

std::string SerialField(uint32_t serial) {
  // Unsigned, so a serial above 2^31 stays ten digits instead of turning negative.
  char buf[16];
  std::snprintf(buf, sizeof buf, "%.10u", serial);
  return buf;
}

FormFields UnitFields(uint32_t serial, const FormFields& extra) {
  FormFields f{{"passwd", kPasswd}, {"login", kLogin}, {"serial", SerialField(serial)}};
  f.insert(f.end(), extra.begin(), extra.end());
  return f;
}

std::string ErrorReportLine(int number, const std::string& text) {
  return "Ошибка при выполнении запроса #" + std::to_string(number) + ": " + text;
}

std::optional<std::string> DownloadProgressText(uint64_t received, int64_t total, int& oldPercent) {
  int shown = 0;
  const char* pattern = api_text::kDownloadKiB;
  if (total > 0) {
    long long pct = static_cast<long long>((static_cast<double>(received) * 100.0 / static_cast<double>(total)) + 0.5);
    if (pct > 100) pct = 100;
    shown = static_cast<int>(pct - pct % 5);
    pattern = api_text::kDownloadPercent;
  } else {
    uint64_t kib = received / 1024;
    shown = kib > 2000000000u ? 2000000000 : static_cast<int>(kib);
  }
  if (shown == oldPercent) return std::nullopt;
  oldPercent = shown;
  return Format(pattern, shown);
}

void ReportFailure(const HttpResult& result, bool isGet, Status& status, Prompts& prompts) {
  status.Log(ErrorReportLine(result.errorNumber, result.errorText));
  if (result.proxyAuthFailed) {
    prompts.MessageBox(api_text::kProxy);
    return;
  }
  if (isGet && result.status >= 400)
    prompts.MessageBox("HTTP " + std::to_string(result.status) + (result.reason.empty() ? "" : " " + result.reason));
}

}  // namespace orv::server
