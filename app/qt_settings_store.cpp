#include "app/qt_settings_store.h"

#include <limits>

namespace app {

QtSettingsStore::QtSettingsStore() : settings_("Halvery", "TarvoLoader") {}

// Closing the key writes what was set; QSettings replaces the file as a
// whole, so a failed write never leaves half a file behind.
QtSettingsStore::~QtSettingsStore() {
  settings_.sync();
}

// A file that does not parse fails every read; writing replaces it whole.
void QtSettingsStore::CheckReadable() const {
  if (settings_.status() != QSettings::NoError) throw SettingsError("settings cannot be read");
}

bool QtSettingsStore::OpenKey(const std::string& key, bool /*can_create*/) {
  // Keys exist as soon as a value is written to them, so opening always
  // succeeds within the application's own settings.
  if (!key.empty() && key[0] == '\\') {
    open_ = key == kApplicationKey;
    group_.clear();
    return open_;
  }
  if (!open_ || key.empty() || key.find('\\') != std::string::npos) return false;
  group_ += QString::fromStdString(key) + "/";
  return true;
}

QString QtSettingsStore::Path(const std::string& name) const {
  if (!open_) throw SettingsError("no settings key open");
  return group_ + QString::fromStdString(name);
}

std::int32_t QtSettingsStore::ReadInteger(const std::string& name) {
  CheckReadable();
  const QVariant value = settings_.value(Path(name));
  if (!value.isValid()) throw SettingsError(name + " is missing");
  bool ok = false;
  const qlonglong number = value.toString().trimmed().toLongLong(&ok);
  if (!ok || number < std::numeric_limits<std::int32_t>::min() ||
      number > std::numeric_limits<std::int32_t>::max()) {
    throw SettingsError(name + " is not a 32-bit integer");
  }
  return static_cast<std::int32_t>(number);
}

std::string QtSettingsStore::ReadString(const std::string& name) {
  CheckReadable();
  const QVariant value = settings_.value(Path(name));
  if (!value.isValid()) return {};
  if (value.typeId() != QMetaType::QString) throw SettingsError(name + " is not a text");
  return value.toString().toStdString();
}

void QtSettingsStore::WriteInteger(const std::string& name, std::int32_t value) {
  settings_.setValue(Path(name), value);
}

void QtSettingsStore::WriteString(const std::string& name, const std::string& value) {
  settings_.setValue(Path(name), QString::fromStdString(value));
}

SettingsStoreFactory& SettingsStoreMaker() {
  static SettingsStoreFactory maker = [] { return std::make_unique<QtSettingsStore>(); };
  return maker;
}

}  // namespace app
