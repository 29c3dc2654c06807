// The one HTTP client of the configurator (libcurl underneath).
//
// What every request does:
// - Headers Accept "text/plain,application/json", Accept-Charset "UTF-8",
//   Accept-Encoding "UTF-8", User-Agent "OrvantisConfigurator"; HTTP/1.1; no
//   cookies, no authentication towards the server; form bodies in UTF-8.
// - TLS 1.2 or newer, certificate and host name always verified: against the
//   system store, or only against the CA file of ServerOptions when one is
//   given.
// - Redirects are followed here, not inside curl: at most 35 in a row (the
//   36th is refused), and a redirect away from https to anything but https is
//   refused with a clear error text.
// - A proxy, when set, is asked with CONNECT also for plain HTTP; a proxy that
//   does not accept the credentials marks the result `proxyAuthFailed`.
//
// Threads: each request runs on a worker thread while the calling thread
// waits on a condition variable in short slices and runs the Pump between
// them, so a window stays responsive. Progress callbacks are called on the
// calling thread. A request started while another is running (re-entered
// from the pump) is refused at once, never run nested.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/seams.h"

namespace orv::server {

// Where the server is and how it is trusted.
struct ServerOptions {
  std::string baseUrl;  // e.g. "https://127.0.0.1:8443", no trailing "/"
  std::string caFile;   // PEM file; empty = the system store
};

// The configurator's own server unless `--server` / ORVANTIS_SERVER and
// `--ca` / ORVANTIS_CA_FILE say otherwise (an option wins over the variable).
ServerOptions ResolveServerOptions(const std::string& serverOption, const std::string& caOption);

struct ProxySettings {
  std::string host;  // empty = no proxy
  int port = 8080;
  std::string login;
  std::string password;

  // From the text fields of the settings: a port that is not a whole number
  // in 1..65535 gives 8080; surrounding blanks are ignored.
  static ProxySettings FromFields(const std::string& addr, const std::string& portText,
                                  const std::string& login, const std::string& password);
  bool operator==(const ProxySettings&) const = default;
};

struct HttpResult {
  bool ok = false;       // transport succeeded and the status is not an error
  long status = 0;       // HTTP status of the last response, 0 without one
  std::string reason;    // reason phrase of the last response
  std::string body;      // response body (raw bytes; text requests are UTF-8)
  // For the error report line: the HTTP status for HTTP errors, the socket
  // error number when the connection failed, otherwise curl's error code
  // (always below 100); 407 when the proxy refused the credentials.
  int errorNumber = 0;
  std::string errorText;  // readable description of the failure (Russian)
  bool proxyAuthFailed = false;
  int redirects = 0;          // redirects followed
  std::string effectiveUrl;   // address of the last response
};

struct MultipartPart {
  std::string name;
  std::string data;
  std::string fileName;     // empty: a plain field
  std::string contentType;  // empty: curl's default
};

// Received bytes and the announced total (-1 when the server gave none).
using ProgressFn = std::function<void(uint64_t received, int64_t total)>;

class HttpClient {
 public:
  explicit HttpClient(ServerOptions options);
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  const ServerOptions& Options() const;
  void SetOptions(ServerOptions options);
  void SetProxy(const ProxySettings& proxy);
  ProxySettings Proxy() const;
  // The pump to run while a request is under way; nullptr = plain blocking wait.
  void SetPump(Pump* pump);
  // Seconds without progress after which a request is given up (default 60).
  void SetStallTimeout(int seconds);

  HttpResult Get(const std::string& url);
  HttpResult GetBinary(const std::string& url, const ProgressFn& progress);
  // application/x-www-form-urlencoded, fields in the given order.
  HttpResult PostForm(const std::string& url, const std::vector<std::pair<std::string, std::string>>& fields);
  HttpResult PostBody(const std::string& url, const std::string& body, const std::string& contentType);
  HttpResult PostMultipart(const std::string& url, const std::vector<MultipartPart>& parts);

  // True while a request runs (the pump may call back into the program).
  bool Busy() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orv::server
