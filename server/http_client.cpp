#include "server/http_client.h"

#include <curl/curl.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "server/api.h"

namespace orv::server {

namespace {

constexpr int kMaxRedirects = 35;
constexpr long kConnectTimeoutS = 30;
// A hostile or broken server must not exhaust memory: firmware images and
// configurator releases are far smaller.
constexpr size_t kMaxBody = 256u << 20;

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::string Scheme(const std::string& url) {
  size_t p = url.find("://");
  if (p == std::string::npos) return {};
  std::string s = url.substr(0, p);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Our own texts for the transport errors a user meets.
std::string TransportText(CURLcode rc) {
  switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST: return "не удалось найти адрес сервера";
    case CURLE_COULDNT_RESOLVE_PROXY: return "не удалось найти адрес прокси-сервера";
    case CURLE_COULDNT_CONNECT: return "не удалось соединиться с сервером";
    case CURLE_OPERATION_TIMEDOUT: return "превышено время ожидания ответа сервера";
    case CURLE_PEER_FAILED_VERIFICATION: return "сертификат сервера не прошёл проверку";
    case CURLE_SSL_CACERT_BADFILE: return "не удалось прочитать файл сертификатов";
    case CURLE_SSL_CONNECT_ERROR: return "ошибка установки защищённого соединения";
    case CURLE_UNSUPPORTED_PROTOCOL: return "протокол не поддерживается";
    case CURLE_URL_MALFORMAT: return "неверный адрес";
    case CURLE_SEND_ERROR: return "ошибка передачи данных";
    case CURLE_RECV_ERROR: return "ошибка приёма данных";
    case CURLE_GOT_NOTHING: return "сервер не прислал ответ";
    case CURLE_ABORTED_BY_CALLBACK: return "запрос прерван";
    case CURLE_WRITE_ERROR: return "ответ сервера слишком велик";
    default: return "ошибка соединения";
  }
}

enum class Method { kGet, kPostBody, kPostMultipart };

struct Request {
  Method method = Method::kGet;
  std::string url;
  std::string body;
  std::string contentType;
  std::vector<MultipartPart> parts;
};

struct Transfer {
  std::string body;
  std::string reason;
  std::string location;
  bool tooLarge = false;
};

size_t OnBody(char* data, size_t size, size_t n, void* user) {
  auto* t = static_cast<Transfer*>(user);
  size_t len = size * n;
  if (t->body.size() + len > kMaxBody) {
    t->tooLarge = true;
    return 0;
  }
  t->body.append(data, len);
  return len;
}

size_t OnHeader(char* data, size_t size, size_t n, void* user) {
  auto* t = static_cast<Transfer*>(user);
  std::string line(data, size * n);
  if (line.rfind("HTTP/", 0) == 0) {
    // A new response (after a proxy's CONNECT answer or a 100 Continue).
    t->reason.clear();
    size_t sp1 = line.find(' ');
    size_t sp2 = sp1 == std::string::npos ? sp1 : line.find(' ', sp1 + 1);
    if (sp2 != std::string::npos) t->reason = Trim(line.substr(sp2 + 1));
  }
  return size * n;
}

}  // namespace

ServerOptions ResolveServerOptions(const std::string& serverOption, const std::string& caOption) {
  ServerOptions o;
  o.baseUrl = kDefaultBaseUrl;
  if (!serverOption.empty()) o.baseUrl = serverOption;
  else if (const char* e = std::getenv("ORVANTIS_SERVER"); e && *e) o.baseUrl = e;
  while (o.baseUrl.size() > 1 && o.baseUrl.back() == '/') o.baseUrl.pop_back();
  if (!caOption.empty()) o.caFile = caOption;
  else if (const char* e = std::getenv("ORVANTIS_CA_FILE"); e && *e) o.caFile = e;
  return o;
}

ProxySettings ProxySettings::FromFields(const std::string& addr, const std::string& portText,
                                        const std::string& login, const std::string& password) {
  ProxySettings p;
  p.host = Trim(addr);
  p.login = login;
  p.password = password;
  std::string t = Trim(portText);
  bool digits = !t.empty() && t.size() <= 5 && t.find_first_not_of("0123456789") == std::string::npos;
  int v = digits ? std::atoi(t.c_str()) : 0;
  p.port = (v >= 1 && v <= 65535) ? v : 8080;
  return p;
}

struct HttpClient::Impl {
  mutable std::mutex m;
  ServerOptions options;
  ProxySettings proxy;
  Pump* pump = nullptr;
  int stallSeconds = 60;
  std::atomic<bool> busy{false};
  std::atomic<bool> abort{false};

  // Progress of the running transfer, read by the waiting thread.
  std::atomic<uint64_t> received{0};
  std::atomic<int64_t> total{-1};

  // The waiting thread sleeps until the transfer moves or ends.
  std::mutex waitMutex;
  std::condition_variable waitCv;
  bool moved = false;  // progress changed since the waiting thread last looked
  bool done = false;
  Pump* waker = nullptr;  // the pump of the running request, woken with the waiting thread

  void Notify(bool finished) {
    Pump* w = nullptr;
    {
      std::lock_guard lock(waitMutex);
      if (finished) done = true;
      else moved = true;
      w = waker;
    }
    waitCv.notify_all();
    if (w) w->Wake();
  }

  static int OnProgress(void* user, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t) {
    auto* self = static_cast<Impl*>(user);
    const uint64_t rx = static_cast<uint64_t>(dlnow < 0 ? 0 : dlnow);
    const int64_t tot = dltotal > 0 ? static_cast<int64_t>(dltotal) : -1;
    const bool changed = self->received.exchange(rx) != rx || self->total.exchange(tot) != tot;
    if (changed) self->Notify(false);
    return self->abort.load() ? 1 : 0;
  }

  // One hop: sends `req` to `url` and fills `t`.
  CURLcode Send(CURL* h, const Request& req, const ServerOptions& o, const ProxySettings& px, int stall,
                Transfer& t, char* errbuf, curl_slist* headers) {
    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_URL, req.url.c_str());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "OrvantisConfigurator");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!o.caFile.empty()) {
      // Only the given CA, not the system store.
      curl_easy_setopt(h, CURLOPT_CAINFO, o.caFile.c_str());
      curl_easy_setopt(h, CURLOPT_CAPATH, nullptr);
    }
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutS);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stall));
    // The proxy is ours alone: the environment's proxy variables do not apply.
    if (px.host.empty()) {
      curl_easy_setopt(h, CURLOPT_PROXY, "");
    } else {
      curl_easy_setopt(h, CURLOPT_PROXY, px.host.c_str());
      curl_easy_setopt(h, CURLOPT_PROXYPORT, static_cast<long>(px.port));
      curl_easy_setopt(h, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
      curl_easy_setopt(h, CURLOPT_NOPROXY, "");
      curl_easy_setopt(h, CURLOPT_HTTPPROXYTUNNEL, 1L);
      if (!px.login.empty()) {
        curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, px.login.c_str());
        curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, px.password.c_str());
        curl_easy_setopt(h, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
      }
    }
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);

    curl_mime* mime = nullptr;
    if (req.method == Method::kPostBody) {
      curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(req.body.size()));
      curl_easy_setopt(h, CURLOPT_COPYPOSTFIELDS, req.body.c_str());
    } else if (req.method == Method::kPostMultipart) {
      mime = curl_mime_init(h);
      for (const auto& p : req.parts) {
        curl_mimepart* part = curl_mime_addpart(mime);
        curl_mime_name(part, p.name.c_str());
        curl_mime_data(part, p.data.data(), p.data.size());
        if (!p.fileName.empty()) curl_mime_filename(part, p.fileName.c_str());
        if (!p.contentType.empty()) curl_mime_type(part, p.contentType.c_str());
      }
      curl_easy_setopt(h, CURLOPT_MIMEPOST, mime);
    }
    errbuf[0] = 0;
    CURLcode rc = curl_easy_perform(h);
    if (mime) curl_mime_free(mime);
    return rc;
  }

  HttpResult Run(Request req) {
    ServerOptions o;
    ProxySettings px;
    int stall = 60;
    {
      std::lock_guard lock(m);
      o = options;
      px = proxy;
      stall = stallSeconds;
    }
    HttpResult r;
    CURL* h = curl_easy_init();
    if (!h) {
      r.errorNumber = CURLE_FAILED_INIT;
      r.errorText = "не удалось начать запрос";
      return r;
    }
    curl_slist* headers = nullptr;
    char errbuf[CURL_ERROR_SIZE];
    for (;;) {
      // Headers per hop: a POST redirected as a GET loses its content type.
      curl_slist_free_all(headers);
      headers = nullptr;
      for (const char* line : {"Accept: text/plain,application/json", "Accept-Charset: UTF-8",
                               "Accept-Encoding: UTF-8", "Expect:"})
        headers = curl_slist_append(headers, line);
      if (req.method == Method::kPostBody && !req.contentType.empty())
        headers = curl_slist_append(headers, ("Content-Type: " + req.contentType).c_str());
      Transfer t;
      received.store(0);
      total.store(-1);
      CURLcode rc = Send(h, req, o, px, stall, t, errbuf, headers);
      long connectCode = 0;
      curl_easy_getinfo(h, CURLINFO_HTTP_CONNECTCODE, &connectCode);
      long status = 0;
      curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
      r.status = status;
      r.reason = t.reason;
      r.effectiveUrl = req.url;
      // Some proxies answer a wrong password on CONNECT with 401 instead of 407.
      if (connectCode == 407 || connectCode == 401 || status == 407) {
        r.proxyAuthFailed = true;
        r.errorNumber = 407;
        r.errorText = "прокси-сервер не принял имя пользователя и пароль";
        break;
      }
      if (rc != CURLE_OK) {
        // A failed connection carries the socket error number; other
        // failures curl's code (below 100, so never taken for an HTTP status).
        long osErrno = 0;
        curl_easy_getinfo(h, CURLINFO_OS_ERRNO, &osErrno);
        r.errorNumber = osErrno != 0 ? static_cast<int>(osErrno) : static_cast<int>(rc);
        r.errorText = t.tooLarge ? TransportText(CURLE_WRITE_ERROR) : TransportText(rc);
        if (errbuf[0] && !t.tooLarge) r.errorText += std::string(" (") + errbuf + ")";
        break;
      }
      const bool redirect = status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
      char* loc = nullptr;
      curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &loc);
      if (redirect && loc && *loc) {
        std::string next = loc;
        if (r.redirects >= kMaxRedirects) {
          r.errorNumber = static_cast<int>(CURLE_TOO_MANY_REDIRECTS);
          r.errorText = "слишком много перенаправлений подряд (больше " + std::to_string(kMaxRedirects) +
                        "), последнее на " + next + " отклонено";
          break;
        }
        std::string from = Scheme(req.url), to = Scheme(next);
        if (to != "https" && to != "http") {
          r.errorNumber = static_cast<int>(CURLE_UNSUPPORTED_PROTOCOL);
          r.errorText = "перенаправление с " + req.url + " на неподдерживаемый адрес " + next + " отклонено";
          break;
        }
        if (from == "https" && to != "https") {
          r.errorNumber = static_cast<int>(CURLE_UNSUPPORTED_PROTOCOL);
          r.errorText = "перенаправление с " + req.url + " на незащищённый адрес " + next + " отклонено";
          break;
        }
        ++r.redirects;
        // 303 always, and 301/302 after a POST, continue as GET (as browsers
        // do); 307 and 308 repeat the request as it was.
        if (status == 303 || ((status == 301 || status == 302) && req.method != Method::kGet)) {
          req.method = Method::kGet;
          req.body.clear();
          req.parts.clear();
        }
        req.url = next;
        continue;
      }
      r.body = std::move(t.body);
      if (status >= 400) {
        r.errorNumber = static_cast<int>(status);
        r.errorText = r.reason.empty() ? "HTTP " + std::to_string(status) : r.reason;
      } else {
        r.ok = true;
      }
      break;
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(h);
    return r;
  }

  HttpResult Perform(Request req, const ProgressFn& progress) {
    if (busy.exchange(true)) {
      HttpResult r;
      r.errorNumber = static_cast<int>(CURLE_AGAIN);
      r.errorText = "предыдущий запрос ещё выполняется";
      return r;
    }
    Pump* p = nullptr;
    {
      std::lock_guard lock(m);
      p = pump;
    }
    {
      std::lock_guard lock(waitMutex);
      moved = false;
      done = false;
      waker = p;
    }
    HttpResult result;
    std::thread worker([&] {
      result = Run(std::move(req));
      Notify(true);
    });
    uint64_t shownRx = 0;
    int64_t shownTotal = -2;
    auto report = [&] {
      if (!progress) return;
      uint64_t rx = received.load();
      int64_t tot = total.load();
      if (rx == shownRx && tot == shownTotal) return;
      shownRx = rx;
      shownTotal = tot;
      progress(rx, tot);
    };
    // Without a pump the caller's thread sleeps until the transfer moves or
    // ends; with one it handles the window's events until then (the worker
    // wakes the pump, so it never waits on a transfer that has finished).
    for (;;) {
      bool finished = false;
      if (p) {
        {
          std::lock_guard lock(waitMutex);
          finished = done;
          moved = false;
        }
        if (!finished) p->WaitAndRun();
      } else {
        std::unique_lock lock(waitMutex);
        waitCv.wait(lock, [&] { return done || moved; });
        finished = done;
        moved = false;
      }
      report();
      if (finished) break;
    }
    {
      std::lock_guard lock(waitMutex);
      waker = nullptr;
    }
    worker.join();
    if (result.ok) report();
    busy.store(false);
    return result;
  }
};

HttpClient::HttpClient(ServerOptions options) : impl_(std::make_unique<Impl>()) {
  GlobalInit();
  impl_->options = std::move(options);
}

HttpClient::~HttpClient() { impl_->abort.store(true); }

const ServerOptions& HttpClient::Options() const { return impl_->options; }

void HttpClient::SetOptions(ServerOptions options) {
  std::lock_guard lock(impl_->m);
  impl_->options = std::move(options);
}

void HttpClient::SetProxy(const ProxySettings& proxy) {
  std::lock_guard lock(impl_->m);
  impl_->proxy = proxy;
}

ProxySettings HttpClient::Proxy() const {
  std::lock_guard lock(impl_->m);
  return impl_->proxy;
}

void HttpClient::SetPump(Pump* pump) {
  std::lock_guard lock(impl_->m);
  impl_->pump = pump;
}

void HttpClient::SetStallTimeout(int seconds) {
  std::lock_guard lock(impl_->m);
  impl_->stallSeconds = seconds < 1 ? 1 : seconds;
}

bool HttpClient::Busy() const { return impl_->busy.load(); }

HttpResult HttpClient::Get(const std::string& url) { return impl_->Perform({Method::kGet, url, {}, {}, {}}, {}); }

HttpResult HttpClient::GetBinary(const std::string& url, const ProgressFn& progress) {
  return impl_->Perform({Method::kGet, url, {}, {}, {}}, progress);
}

HttpResult HttpClient::PostForm(const std::string& url, const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string body;
  CURL* h = curl_easy_init();
  for (const auto& [name, value] : fields) {
    if (!body.empty()) body += '&';
    char* n = curl_easy_escape(h, name.data(), static_cast<int>(name.size()));
    char* v = curl_easy_escape(h, value.data(), static_cast<int>(value.size()));
    body += n ? n : "";
    body += '=';
    body += v ? v : "";
    curl_free(n);
    curl_free(v);
  }
  curl_easy_cleanup(h);
  return PostBody(url, body, "application/x-www-form-urlencoded; charset=UTF-8");
}

HttpResult HttpClient::PostBody(const std::string& url, const std::string& body, const std::string& contentType) {
  return impl_->Perform({Method::kPostBody, url, body, contentType, {}}, {});
}

HttpResult HttpClient::PostMultipart(const std::string& url, const std::vector<MultipartPart>& parts) {
  return impl_->Perform({Method::kPostMultipart, url, {}, {}, parts}, {});
}

}  // namespace orv::server
