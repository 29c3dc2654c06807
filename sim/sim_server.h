// The simulated maker's server: HTTPS on 127.0.0.1 with a certificate made at
// start (subjectAltName IP:127.0.0.1) and signed by a CA also made at start;
// the CA is written as a PEM file so clients can trust exactly it.
//
// Data folder, one file per endpoint (bodies are sent as they are, apart from
// "{{BASE}}", which becomes the server's own URL, e.g. "https://127.0.0.1:PORT",
// so a body can link to further files of the folder):
//   POST conf/v1/orv/core/get/     core-get.json
//   POST conf/v1/orv/core/set/     core-set.json
//   GET  conf/v1/orv/can/list/     can-list.json
//   POST conf/v1/orv/can/set/      can-set/<id>.txt   (id: the form field)
//   POST conf/v1/orv/cfg/set/      the reply of ServerConfig (--cfg-reply, --cfg-status),
//                                  else cfg-set.json, else {"ok":1}; the multipart body
//                                  must hold passwd, login, a ten-digit serial and a
//                                  JSON object "json", or the answer is 400
//   GET  conf/v1/orv/configurator/get/  configurator-get.json
//   GET  files/<path>              <path> inside the folder (any file a body
//                                  links to; no "..", no hidden names)
// A scenario folder <data>/<scenario>/ with the same layout, when present,
// is searched before the data folder itself.
//
// Scenarios: up-to-date, error-package, bad-json, http-404, http-500, slow
// (answers after 5 s), redirect-https (one 307 to another https path),
// redirect-http (a redirect to plain http), redirect-loop (redirects for
// ever).
//
// --record DIR writes every request received as DIR/NNNN-<endpoint>.meta
// (method, target as sent, headers) and DIR/NNNN-<endpoint>.body (raw body),
// NNNN counting from 0001, <endpoint> like "core-get". Multipart bodies are
// recorded as they came, byte for byte.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace orv::sim {

struct ServerConfig {
  int port = 0;             // 0: a free port
  std::string dataDir;      // default: the folder built into the program
  std::string scenario;     // empty: normal answers
  std::string recordDir;    // empty: no recording
  std::string workDir;      // where the CA and key files go; empty: a temporary folder
  int slowSeconds = 5;      // the answer delay of "slow"
  std::optional<std::string> cfgReply;  // the body of every cfg/set answer
  int cfgStatus = 200;      // and its status
};

// The names accepted by ServerConfig::scenario.
const char* const* ServerScenarios();  // null-terminated
bool IsServerScenario(const std::string& name);

class SimServer {
 public:
  explicit SimServer(ServerConfig config);
  ~SimServer();
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  // Makes the certificates, binds and starts serving on a thread of its own.
  bool Start(std::string& error);
  void Stop();

  int Port() const;
  std::string Url() const;     // "https://127.0.0.1:PORT"
  std::string CaFile() const;  // PEM of the CA that signed the server certificate
  int Requests() const;        // requests answered so far

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The default data folder (the source tree's sim/server_data).
std::string DefaultServerDataDir();

}  // namespace orv::sim
