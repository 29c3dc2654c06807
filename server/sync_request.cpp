#include "server/sync_request.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>

#include "server/api.h"
#include "server/http_client.h"
#include "settings/json_writer.h"

namespace orv {

namespace {

namespace fs = std::filesystem;

constexpr const char* kBoundaryLine = "------------ThIs_Is_tHe_bouNdaRY_$\r\n";
constexpr const char* kJsonHeader =
    "Content-Disposition: form-data; name=\"json\"; filename=\"json\"\r\nContent-Type: application/json\r\n\r\n";
constexpr const char* kClosing = "\r\n------------ThIs_Is_tHe_bouNdaRY_$--\r\n";
constexpr const char* kAppFolder = "OrvantisConfigurator";
// A reply page can be large; the message box shows its beginning.
constexpr size_t kMaxShownReply = 4000;

std::string Field(const char* name, const std::string& value) {
  return std::string("Content-Disposition: form-data; name=\"") + name + "\"\r\n\r\n" + value + "\r\n" + kBoundaryLine;
}

// The beginning of `text`, cut at a character boundary of UTF-8.
std::string Shown(const std::string& text) {
  if (text.empty()) return sync_text::kEmptyReply;
  if (text.size() <= kMaxShownReply) return text;
  size_t n = kMaxShownReply;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n) + "…";
}

std::string Home() {
  if (const char* h = std::getenv("HOME"); h && *h == '/') return h;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && *pw->pw_dir == '/') return pw->pw_dir;
  return {};
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string SyncFormPart(uint32_t serial) {
  return std::string(kBoundaryLine) + Field("passwd", server::kPasswd) + Field("login", server::kLogin) +
         Field("serial", server::SerialField(serial));
}

std::string SyncBody(uint32_t serial, const std::string& json) {
  return SyncFormPart(serial) + kJsonHeader + json + kClosing;
}

SyncReply ParseSyncReply(const std::string& body) {
  json::Value v;
  try {
    v = json::Parse(body);
  } catch (const std::exception&) {
    return SyncReply::kUnreadable;
  }
  if (!v.is_object() || !v.contains("ok")) return SyncReply::kUnreadable;
  const json::Value& ok = v["ok"];
  // The number one only: "1", true and 1.5 are refusals.
  const bool one = (ok.is_number_integer() && ok.get<long long>() == 1) ||
                   (ok.is_number_unsigned() && ok.get<unsigned long long>() == 1) ||
                   (ok.is_number_float() && ok.get<double>() == 1.0);
  return one ? SyncReply::kAccepted : SyncReply::kRefused;
}

std::string SyncRequestCopyPath() {
  std::string base;
  if (const char* x = std::getenv("XDG_CACHE_HOME"); x && *x == '/') base = x;
  else if (const std::string home = Home(); !home.empty()) base = home + "/.cache";
  else return {};
  return base + "/" + kAppFolder + "/" + kSyncRequestCopyName;
}

bool WriteRequestCopy(const std::string& path, const std::string& body, std::string& error) {
  if (path.empty()) {
    error = "папка кэша не найдена";
    return false;
  }
  const fs::path file(path);
  const fs::path dir = file.parent_path();
  std::error_code ec;
  if (!dir.parent_path().empty()) fs::create_directories(dir.parent_path(), ec);
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    error = dir.string() + ": " + std::strerror(errno);
    return false;
  }
  std::string tmp = (dir / (std::string(".") + kSyncRequestCopyName + ".XXXXXX")).string();
  const int fd = ::mkstemp(tmp.data());  // mode 0600
  if (fd < 0) {
    error = dir.string() + ": " + std::strerror(errno);
    return false;
  }
  const bool written = WriteAll(fd, body) && ::fchmod(fd, 0600) == 0;
  const int writeErrno = errno;
  if (::close(fd) != 0 || !written) {
    error = path + ": " + std::strerror(written ? errno : writeErrno);
    ::unlink(tmp.c_str());
    return false;
  }
  // Replaces the old copy, or a link planted in its place, never its target.
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    error = path + ": " + std::strerror(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

SyncResult HttpSendOptions(const SyncHost& h) {
  Status& status = *h.status;
  auto end = [&](SyncResult r) {
    if (h.next) h.next();
    return r;
  };
  if (h.proxyUpdate) h.proxyUpdate();
  if (h.clearCfgSaved) h.clearCfgSaved();
  if (!h.online || !h.online()) {
    status.Log(sync_text::kNoUnit);
    return end(SyncResult::kNotSent);
  }
  if (!h.imageComplete || !h.imageComplete()) {
    status.Log(sync_text::kIncomplete);
    return end(SyncResult::kNotSent);
  }
  std::string json;
  try {
    json = h.json();
  } catch (const std::exception& e) {
    status.Log(sync_text::kNotComposed + std::string(e.what()));
    h.prompts->MessageBox(sync_text::kNotComposed + std::string(e.what()));
    return end(SyncResult::kNotSent);
  }
  const std::string body = SyncBody(h.serial ? h.serial() : 0, json);
  std::string error;
  if (!WriteRequestCopy(h.copyPath.empty() ? SyncRequestCopyPath() : h.copyPath, body, error))
    status.Log(sync_text::kCopyNotSaved + error);

  const server::HttpResult r =
      h.http->PostBody(server::ApiUrl(h.http->Options().baseUrl, server::kCfgSet), body, kSyncContentType);
  if (!r.ok) {
    server::ReportFailure(r, false, status, *h.prompts);
    return end(SyncResult::kFailed);
  }
  switch (ParseSyncReply(r.body)) {
    case SyncReply::kAccepted:
      status.Replace(sync_text::kProgress, sync_text::kSynced, true);
      return end(SyncResult::kAccepted);
    case SyncReply::kRefused:
      if (h.removeWrite) h.removeWrite();
      status.Log(sync_text::kRefused);
      status.FinishAction(kResError, sync_text::kNotSynced);
      return end(SyncResult::kRefused);
    case SyncReply::kUnreadable:
      break;
  }
  h.prompts->MessageBox(Shown(r.body));
  return end(SyncResult::kUnreadable);
}

}  // namespace orv
