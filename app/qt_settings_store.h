// The per-user settings store of the configurator: QSettings of the
// organisation and application "OrvantisConfigurator".
#pragma once

#include <QSettings>

#include "app/app_settings.h"

namespace orv {

class QtSettingsStore final : public SettingsStore {
 public:
  QtSettingsStore();
  std::optional<Value> Read(const std::string& name) override;
  void WriteString(const std::string& name, const std::string& value) override;
  void WriteInteger(const std::string& name, long long value) override;
  QSettings& Settings() { return settings_; }

 private:
  QSettings settings_;
};

}  // namespace orv
