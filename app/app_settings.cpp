#include "app/app_settings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <exception>

#include "app/password_codec.h"

namespace orv {

namespace {

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::string ReadString(SettingsStore& store, const char* name) {
  const auto v = store.Read(name);
  if (!v) return {};
  if (const auto* s = std::get_if<std::string>(&*v)) return *s;
  return std::to_string(std::get<long long>(*v));
}

bool ReadBool(SettingsStore& store, const char* name, bool def) {
  const auto v = store.Read(name);
  if (!v) return def;
  return ParseStoredBool(*v).value_or(def);
}

int ReadInt(SettingsStore& store, const char* name, int def) {
  const auto v = store.Read(name);
  if (!v) return def;
  const auto n = ParseStoredInteger(*v);
  if (!n || *n < INT_MIN || *n > INT_MAX) return def;
  return static_cast<int>(*n);
}

void WriteBool(SettingsStore& store, const char* name, bool value) { store.WriteString(name, value ? "TRUE" : "FALSE"); }

}  // namespace

std::optional<long long> ParseStoredInteger(const SettingsStore::Value& value) {
  if (const auto* n = std::get_if<long long>(&value)) return *n;
  const std::string text = Trim(std::get<std::string>(value));
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long n = std::strtoll(text.c_str(), &end, 10);
  if (errno || end != text.c_str() + text.size()) return std::nullopt;
  return n;
}

std::optional<bool> ParseStoredBool(const SettingsStore::Value& value) {
  if (const auto* s = std::get_if<std::string>(&value)) {
    const std::string u = Upper(Trim(*s));
    if (u == "TRUE" || u == "YES" || u == "Y") return true;
    if (u == "FALSE" || u == "NO" || u == "N") return false;
  }
  const auto n = ParseStoredInteger(value);
  if (!n) return std::nullopt;
  return *n != 0;
}

void LoadAppSettings(SettingsStore& store, AppSettings& s) {
  if (const std::string stored = ReadString(store, "ProxyPassword"); !stored.empty()) {
    try {
      s.ProxyPassword = DecryptProxyPassword(stored);
    } catch (const std::exception&) {
      s.ProxyPassword.clear();  // no cipher available: the field stays empty
    }
  }
  s.ProxyAddr = ReadString(store, "ProxyAddr");
  s.ProxyPort = ReadString(store, "ProxyPort");
  s.ProxyLogin = ReadString(store, "ProxyLogin");
  s.ExpertMode = ReadBool(store, "ExpertMode", false);
  s.InstancesAllowed = ReadInt(store, "InstancesAllowed", 1);
  s.CheckForUpdates = ReadBool(store, "CheckForUpdates", true);
  s.PDFOpen = ReadBool(store, "PDFOpen", true);
}

void SaveAppSettings(SettingsStore& store, const AppSettings& s) {
  store.WriteString("ProxyPassword", EncryptProxyPassword(s.ProxyPassword));
  store.WriteString("ProxyAddr", s.ProxyAddr);
  store.WriteString("ProxyLogin", s.ProxyLogin);
  store.WriteString("ProxyPort", s.ProxyPort);
  WriteBool(store, "ExpertMode", s.ExpertMode);
  WriteBool(store, "CheckForUpdates", s.CheckForUpdates);
  store.WriteInteger("InstancesAllowed", s.InstancesAllowed);
  WriteBool(store, "PDFOpen", s.PDFOpen);
}

}  // namespace orv
