#include "sim/sim_server.h"

#include <httplib.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "sim/multipart.h"
#include "sim/server_cert.h"

#ifndef ORVANTIS_SIM_SERVER_DATA
#define ORVANTIS_SIM_SERVER_DATA "server_data"
#endif

namespace fs = std::filesystem;

namespace orv::sim {

namespace {

constexpr const char* kApiPrefix = "/conf/v1/orv/";
constexpr const char* kFilesPrefix = "/files/";
constexpr const char* kMovedPrefix = "/moved";
constexpr const char* kLoopPrefix = "/loop/";

const char* const kScenarios[] = {"up-to-date", "error-package", "bad-json", "http-404", "http-500",
                                  "slow", "redirect-https", "redirect-http", "redirect-loop", nullptr};

bool ReadFile(const fs::path& p, std::string& out) {
  std::error_code ec;
  if (!fs::is_regular_file(p, ec)) return false;
  std::ifstream in(p, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
  for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size())) s.replace(p, from.size(), to);
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string UrlDecode(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '+') out += ' ';
    else if (s[i] == '%' && i + 2 < s.size() && Hex(s[i + 1]) >= 0 && Hex(s[i + 2]) >= 0) {
      out += static_cast<char>(Hex(s[i + 1]) * 16 + Hex(s[i + 2]));
      i += 2;
    } else out += s[i];
  }
  return out;
}

std::string FormField(const std::string& body, const std::string& name) {
  std::istringstream in(body);
  std::string pair;
  while (std::getline(in, pair, '&')) {
    size_t eq = pair.find('=');
    if (eq != std::string::npos && UrlDecode(pair.substr(0, eq)) == name) return UrlDecode(pair.substr(eq + 1));
  }
  return {};
}

// A relative path inside the data folder: no "..", no hidden names, no
// absolute paths.
bool SafeRelative(const std::string& rel) {
  if (rel.empty() || rel.front() == '/') return false;
  std::istringstream in(rel);
  std::string part;
  while (std::getline(in, part, '/'))
    if (part.empty() || part.front() == '.') return false;
  return true;
}

// The server library would take a multipart body apart before the handler
// sees it (and refuses a boundary followed by further parameters): the
// content type is set aside under this name, so the body stays raw.
constexpr const char* kRawContentType = "X-Orvantis-Sim-Content-Type";
// Request bodies are small; a client must not fill the memory.
constexpr size_t kMaxRequestBody = 16u << 20;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string RequestContentType(const httplib::Request& req) {
  return req.get_header_value(req.has_header(kRawContentType) ? kRawContentType : "Content-Type");
}

// The settings synchronisation's form: the unit's identity and its settings.
bool CheckSyncForm(const std::vector<FormPart>& parts, std::string& error) {
  auto find = [&](const char* name) -> const FormPart* {
    for (const auto& p : parts)
      if (p.name == name) return &p;
    return nullptr;
  };
  for (const char* name : {"passwd", "login", "serial", "json"})
    if (!find(name)) {
      error = std::string("no field ") + name;
      return false;
    }
  const std::string& serial = find("serial")->data;
  if (serial.size() != 10 || serial.find_first_not_of("0123456789") != std::string::npos) {
    error = "serial is not ten digits";
    return false;
  }
  const auto json = nlohmann::ordered_json::parse(find("json")->data, nullptr, false);
  if (json.is_discarded() || !json.is_object()) {
    error = "json is not a JSON object";
    return false;
  }
  return true;
}

std::string ContentType(const std::string& name) {
  auto ends = [&](const char* ext) {
    std::string e = ext;
    return name.size() >= e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0;
  };
  if (ends(".json")) return "application/json";
  if (ends(".txt")) return "text/plain; charset=UTF-8";
  if (ends(".pdf")) return "application/pdf";
  return "application/octet-stream";
}

}  // namespace

const char* const* ServerScenarios() { return kScenarios; }

bool IsServerScenario(const std::string& name) {
  for (const char* const* s = kScenarios; *s; ++s)
    if (name == *s) return true;
  return false;
}

std::string DefaultServerDataDir() { return ORVANTIS_SIM_SERVER_DATA; }

struct SimServer::Impl {
  ServerConfig cfg;
  std::unique_ptr<httplib::SSLServer> svr;
  std::thread thread;
  int port = 0;
  std::string workDir;
  bool ownWorkDir = false;
  std::string caFile;
  std::atomic<int> requests{0};
  std::mutex recMutex;
  int recCount = 0;
  std::mutex stopMutex;
  std::condition_variable stopCv;
  bool stopping = false;

  std::string Base() const { return "https://127.0.0.1:" + std::to_string(port); }

  // The endpoint name of an API or file path, "" when it is neither.
  static std::string Endpoint(const std::string& path) {
    if (path.rfind(kApiPrefix, 0) == 0) {
      std::string e = path.substr(std::char_traits<char>::length(kApiPrefix));
      while (!e.empty() && e.back() == '/') e.pop_back();
      for (char& c : e)
        if (c == '/') c = '-';
      return e;
    }
    if (path.rfind(kFilesPrefix, 0) == 0) return "files";
    return {};
  }

  void Record(const httplib::Request& req, const std::string& endpoint) {
    if (cfg.recordDir.empty()) return;
    std::lock_guard lock(recMutex);
    char num[16];
    std::snprintf(num, sizeof num, "%.4d", ++recCount);
    std::string stem = cfg.recordDir + "/" + num + "-" + (endpoint.empty() ? "other" : endpoint);
    std::ostringstream meta;
    meta << req.method << " " << req.target << "\n";
    for (const auto& [name, value] : req.headers) {
      if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT") continue;
      if (name == "Content-Type" && req.has_header(kRawContentType)) continue;
      meta << (name == kRawContentType ? "Content-Type" : name) << ": " << value << "\n";
    }
    std::ofstream(stem + ".meta", std::ios::binary) << meta.str();
    std::ofstream(stem + ".body", std::ios::binary) << req.body;
  }

  // Looks for `rel` in the scenario folder, then in the data folder.
  bool Find(const std::string& rel, std::string& body) {
    if (!SafeRelative(rel)) return false;
    if (!cfg.scenario.empty() && ReadFile(fs::path(cfg.dataDir) / cfg.scenario / rel, body)) return true;
    if (ReadFile(fs::path(cfg.dataDir) / rel, body)) return true;
    // The firmware catalogue generated at build time (sim/sim_catalogue.h).
    return cfg.dataDir == DefaultServerDataDir() && ReadFile(fs::path(ORVANTIS_SIM_CATALOGUE) / rel, body);
  }
  // Once the update package was fetched, the server records the new builds
  // as installed: core-get answers with core-get-updated.json when there is one.
  std::atomic<bool> coreSetServed{false};

  // Waits the delay of the "slow" scenario, less when the server stops.
  void SlowDown() {
    std::unique_lock lock(stopMutex);
    stopCv.wait_for(lock, std::chrono::seconds(cfg.slowSeconds), [&] { return stopping; });
  }

  // cfg/set: the multipart form is checked, then answered as configured.
  void HandleCfgSet(const httplib::Request& req, httplib::Response& res) {
    std::vector<FormPart> parts;
    std::string error;
    if (!ParseMultipart(RequestContentType(req), req.body, parts, error) || !CheckSyncForm(parts, error)) {
      res.status = 400;
      res.set_content("bad settings form: " + error, "text/plain");
      return;
    }
    std::string body;
    if (cfg.cfgReply) body = *cfg.cfgReply;
    else if (!Find("cfg-set.json", body)) body = "{\"ok\":1}";
    ReplaceAll(body, "{{BASE}}", Base());
    res.status = cfg.cfgStatus;
    res.set_content(body, "application/json");
  }

  void Handle(const httplib::Request& req, httplib::Response& res) {
    ++requests;
    std::string path = req.path;
    // Redirect scenarios: the first hop of a request is sent elsewhere.
    if (path.rfind(kMovedPrefix, 0) == 0 && path.size() > std::char_traits<char>::length(kMovedPrefix))
      path = path.substr(std::char_traits<char>::length(kMovedPrefix));
    const std::string endpoint = Endpoint(path);
    Record(req, endpoint);
    std::string query;
    if (size_t q = req.target.find('?'); q != std::string::npos) query = req.target.substr(q);

    const std::string& sc = cfg.scenario;
    if (sc == "redirect-loop") {
      int n = 0;
      std::string rest = req.path;
      if (rest.rfind(kLoopPrefix, 0) == 0) {
        size_t slash = rest.find('/', std::char_traits<char>::length(kLoopPrefix));
        n = std::atoi(rest.substr(std::char_traits<char>::length(kLoopPrefix)).c_str());
        rest = slash == std::string::npos ? "/" : rest.substr(slash);
      }
      res.status = 307;
      res.set_header("Location", Base() + kLoopPrefix + std::to_string(n + 1) + rest + query);
      return;
    }
    if (sc == "redirect-https" && req.path.rfind(kMovedPrefix, 0) != 0) {
      res.status = 307;
      res.set_header("Location", Base() + kMovedPrefix + req.path + query);
      return;
    }
    if (sc == "redirect-http") {
      res.status = 302;
      res.set_header("Location", "http://127.0.0.1:" + std::to_string(port) + req.path + query);
      return;
    }
    if (sc == "slow") SlowDown();
    if (endpoint.empty()) {
      res.status = 404;
      res.set_content("not found", "text/plain");
      return;
    }
    if (sc == "http-404") {
      res.status = 404;
      res.set_content("not found", "text/plain");
      return;
    }
    if (sc == "http-500") {
      res.status = 500;
      res.set_content("internal error", "text/plain");
      return;
    }
    if (endpoint == "files") {
      std::string rel = path.substr(std::char_traits<char>::length(kFilesPrefix)), body;
      if (!Find(rel, body)) {
        res.status = 404;
        res.set_content("not found", "text/plain");
        return;
      }
      res.set_content(body, ContentType(rel));
      return;
    }
    if (sc == "bad-json") {
      res.set_content("<html><body>Service temporarily unavailable</body></html>", "application/json");
      return;
    }
    if (endpoint == "cfg-set") {
      HandleCfgSet(req, res);
      return;
    }
    std::string file;
    if (endpoint == "can-set") {
      std::string id = FormField(req.body, "id");
      if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos) {
        res.status = 404;
        res.set_content("unknown id", "text/plain");
        return;
      }
      file = "can-set/" + id + ".txt";
    } else {
      file = endpoint + ".json";
    }
    std::string body;
    bool catalogue = endpoint == "core-get" || endpoint == "core-set";
    bool overlay = !sc.empty() && SafeRelative(file) && ReadFile(fs::path(cfg.dataDir) / sc / file, body);
    if (!overlay && sc == "error-package" && catalogue) {
      res.set_content("{\"error\":\"Устройство не зарегистрировано на сервере\"}", "application/json");
      return;
    }
    if (endpoint == "core-get" && !overlay && coreSetServed && Find("core-get-updated.json", body)) {
      res.set_content(body, "application/json");
      return;
    }
    if (endpoint == "core-set") coreSetServed = true;
    if (!overlay && !Find(file, body)) {
      res.status = 404;
      res.set_content("not found", "text/plain");
      return;
    }
    ReplaceAll(body, "{{BASE}}", Base());
    res.set_content(body, ContentType(file));
  }
};

SimServer::SimServer(ServerConfig config) : impl_(std::make_unique<Impl>()) {
  impl_->cfg = std::move(config);
  if (impl_->cfg.dataDir.empty()) impl_->cfg.dataDir = DefaultServerDataDir();
}

SimServer::~SimServer() { Stop(); }

bool SimServer::Start(std::string& error) {
  Impl& d = *impl_;
  if (!d.cfg.scenario.empty() && !IsServerScenario(d.cfg.scenario)) {
    error = "unknown scenario " + d.cfg.scenario;
    return false;
  }
  std::error_code ec;
  if (!fs::is_directory(d.cfg.dataDir, ec)) {
    error = "data folder not found: " + d.cfg.dataDir;
    return false;
  }
  if (!d.cfg.recordDir.empty()) {
    fs::create_directories(d.cfg.recordDir, ec);
    if (!fs::is_directory(d.cfg.recordDir, ec)) {
      error = "cannot make the record folder " + d.cfg.recordDir;
      return false;
    }
  }
  d.workDir = d.cfg.workDir;
  if (d.workDir.empty()) {
    std::string tmpl = (std::getenv("TMPDIR") && *std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : "/tmp") +
                       "/orvantis-server.XXXXXX";
    if (!mkdtemp(tmpl.data())) {
      error = "cannot make a temporary folder";
      return false;
    }
    d.workDir = tmpl;
    d.ownWorkDir = true;
  }
  ServerCertificates certs;
  if (!MakeServerCertificates(certs, error)) return false;
  d.caFile = d.workDir + "/ca.pem";
  {
    std::ofstream out(d.caFile, std::ios::binary);
    out << CertificatePem(certs.caCert.get());
    if (!out) {
      error = "cannot write " + d.caFile;
      return false;
    }
  }
  d.svr = std::make_unique<httplib::SSLServer>(certs.cert.get(), certs.key.get());
  if (!d.svr->is_valid()) {
    error = "cannot set up TLS";
    return false;
  }
  auto handler = [&d](const httplib::Request& req, httplib::Response& res) { d.Handle(req, res); };
  d.svr->Get(".*", handler);
  d.svr->Post(".*", handler);
  d.svr->set_payload_max_length(kMaxRequestBody);
  d.svr->set_pre_routing_handler([](const httplib::Request& r, httplib::Response&) {
    // The request object is the server's own, not a constant one: set the
    // multipart content type aside before the body is read.
    auto& req = const_cast<httplib::Request&>(r);
    const std::string ct = req.get_header_value("Content-Type");
    if (Lower(ct).rfind("multipart/", 0) == 0) {
      req.headers.erase("Content-Type");
      req.headers.emplace(kRawContentType, ct);
      req.headers.emplace("Content-Type", "application/octet-stream");
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  d.svr->set_keep_alive_max_count(100);
  if (d.cfg.port == 0) {
    d.port = d.svr->bind_to_any_port("127.0.0.1");
  } else {
    d.port = d.svr->bind_to_port("127.0.0.1", d.cfg.port) ? d.cfg.port : -1;
  }
  if (d.port <= 0) {
    error = "cannot listen on 127.0.0.1:" + std::to_string(d.cfg.port);
    return false;
  }
  d.thread = std::thread([&d] { d.svr->listen_after_bind(); });
  return true;
}

void SimServer::Stop() {
  Impl& d = *impl_;
  {
    std::lock_guard lock(d.stopMutex);
    d.stopping = true;
  }
  d.stopCv.notify_all();
  if (d.thread.joinable()) {
    // stop() only reaches a server that has begun listening; the listening
    // thread starts within moments of Start, so this wait is short.
    for (int i = 0; i < 2000 && !d.svr->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    d.svr->stop();
    d.thread.join();
  }
  d.svr.reset();
  if (d.ownWorkDir) {
    std::error_code ec;
    fs::remove_all(d.workDir, ec);
    d.ownWorkDir = false;
  }
}

int SimServer::Port() const { return impl_->port; }
std::string SimServer::Url() const { return impl_->Base(); }
std::string SimServer::CaFile() const { return impl_->caFile; }
int SimServer::Requests() const { return impl_->requests.load(); }

}  // namespace orv::sim
