#include "app/qt_settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <cstdio>
#include <limits>

namespace app {

QtSettingsStore::QtSettingsStore() : settings_("Halvery", "TarvoLoader") {}

QtSettingsStore::~QtSettingsStore() {
  WritePending();
}

// Closing the key writes what was set; QSettings replaces the file as a
// whole, so a failed write never leaves half a file behind.
void QtSettingsStore::WritePending() {
  if (pending_.empty()) return;
  // QSettings takes this same lock for its write. Taking it here first, with
  // a short stale time, removes a lock that no write holds; it is given back
  // at once, so that QSettings finds the way clear.
  //
  // On a fresh account the folder does not exist yet; the lock (and
  // QSettings' own) cannot be made in it until it does.
  const QString file = settings_.fileName();
  QDir().mkpath(QFileInfo(file).absolutePath());
  QLockFile lock(file + ".lock");
  lock.setStaleLockTime(kStaleLockTime);
  if (!lock.tryLock(kLockWait)) {
    // The window has no place to say it: standard error does.
    ReportNotWritten(file, lock.error() == QLockFile::LockFailedError
                               ? "another write holds its lock"
                               : "its lock file cannot be made");
    return;
  }
  lock.unlock();
  for (const auto& [path, value] : pending_) settings_.setValue(path, value);
  pending_.clear();
  settings_.sync();
  if (settings_.status() == QSettings::AccessError) ReportNotWritten(file, "it cannot be written");
}

void QtSettingsStore::ReportNotWritten(const QString& file, const char* why) {
  std::fprintf(stderr, "tarvo-loader: settings not saved to %s: %s\n", qPrintable(file), why);
  std::fflush(stderr);
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

// What a read finds: the last value written through this store, else the file's.
QVariant QtSettingsStore::Value(const QString& path) const {
  for (auto it = pending_.rbegin(); it != pending_.rend(); ++it) {
    if (it->first == path) return it->second;
  }
  return settings_.value(path);
}

std::int32_t QtSettingsStore::ReadInteger(const std::string& name) {
  CheckReadable();
  const QVariant value = Value(Path(name));
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
  const QVariant value = Value(Path(name));
  if (!value.isValid()) return {};
  if (value.typeId() != QMetaType::QString) throw SettingsError(name + " is not a text");
  return value.toString().toStdString();
}

void QtSettingsStore::WriteInteger(const std::string& name, std::int32_t value) {
  pending_.emplace_back(Path(name), value);
}

void QtSettingsStore::WriteString(const std::string& name, const std::string& value) {
  pending_.emplace_back(Path(name), QString::fromStdString(value));
}

SettingsStoreFactory& SettingsStoreMaker() {
  static SettingsStoreFactory maker = [] { return std::make_unique<QtSettingsStore>(); };
  return maker;
}

}  // namespace app
