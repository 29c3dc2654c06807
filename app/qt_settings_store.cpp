#include "app/qt_settings_store.h"

namespace orv {

QtSettingsStore::QtSettingsStore() : settings_("OrvantisConfigurator", "OrvantisConfigurator") {}

std::optional<SettingsStore::Value> QtSettingsStore::Read(const std::string& name) {
  const QString key = QString::fromStdString(name);
  if (!settings_.contains(key)) return std::nullopt;
  const QVariant v = settings_.value(key);
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      return Value{static_cast<long long>(v.toLongLong())};
    case QMetaType::Bool:
      return Value{static_cast<long long>(v.toBool() ? 1 : 0)};
    default:
      return Value{v.toString().toStdString()};
  }
}

void QtSettingsStore::WriteString(const std::string& name, const std::string& value) {
  settings_.setValue(QString::fromStdString(name), QString::fromStdString(value));
}

void QtSettingsStore::WriteInteger(const std::string& name, long long value) {
  settings_.setValue(QString::fromStdString(name), static_cast<qlonglong>(value));
}

}  // namespace orv
