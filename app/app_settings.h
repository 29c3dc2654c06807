// The configurator's own settings (no unit settings): proxy, expert mode,
// update check at start, opening downloaded documents, allowed instances.
// Read once at start, written once when the window closes.
#pragma once

#include <optional>
#include <string>
#include <variant>

namespace orv {

struct AppSettings {
  std::string ProxyAddr;
  std::string ProxyPort;
  std::string ProxyLogin;
  std::string ProxyPassword;  // plain text; stored encrypted
  bool ExpertMode = false;
  bool CheckForUpdates = true;
  int InstancesAllowed = 1;
  bool PDFOpen = true;
};

// The per-user store of named values (texts and integers).
class SettingsStore {
 public:
  using Value = std::variant<std::string, long long>;
  virtual ~SettingsStore() = default;
  virtual std::optional<Value> Read(const std::string& name) = 0;
  virtual void WriteString(const std::string& name, const std::string& value) = 0;
  virtual void WriteInteger(const std::string& name, long long value) = 0;
};

// "TRUE"/"YES"/"Y" and "FALSE"/"NO"/"N" (any letter case); another text is
// read as an integer, non-zero meaning true; nullopt when it is neither.
std::optional<bool> ParseStoredBool(const SettingsStore::Value& value);
std::optional<long long> ParseStoredInteger(const SettingsStore::Value& value);

// Reads every value into `s`; a missing or unreadable value gives its default.
// An empty stored password leaves `s.ProxyPassword` as it was.
void LoadAppSettings(SettingsStore& store, AppSettings& s);
void SaveAppSettings(SettingsStore& store, const AppSettings& s);

}  // namespace orv
