#pragma once

#include <QSettings>
#include <QVariant>
#include <chrono>
#include <utility>
#include <vector>

#include "app/settings_store.h"

namespace app {

// The settings store on QSettings, organisation "Halvery", application
// "TarvoLoader": the key "\Software\Halvery\TarvoLoader" is the
// application's own settings (the registry key of that name on Windows, the
// per-user configuration file here) and keys below it are groups.
//
// Writes are kept until the store is released and then go to the file in
// one go. QSettings guards that write with a lock file that it takes as
// stale only after 30 s (an empty or garbage lock, one left by another
// host), which would hold the closing window that long; the store clears
// such a lock itself within a fraction of a second, and when it cannot, the
// values are not written and standard error says so. The folder of the file
// is made first: a fresh account has none.
class QtSettingsStore : public SettingsStore {
 public:
  QtSettingsStore();
  ~QtSettingsStore() override;

  bool OpenKey(const std::string& key, bool can_create) override;
  std::int32_t ReadInteger(const std::string& name) override;
  std::string ReadString(const std::string& name) override;
  void WriteInteger(const std::string& name, std::int32_t value) override;
  void WriteString(const std::string& name, const std::string& value) override;

  // A lock file older than this is no live write of another instance: a
  // write holds it for milliseconds.
  static constexpr std::chrono::milliseconds kStaleLockTime{200};
  // How long the store waits for the lock before it gives the write up.
  static constexpr std::chrono::milliseconds kLockWait{500};

 private:
  QString Path(const std::string& name) const;
  QVariant Value(const QString& path) const;
  void CheckReadable() const;
  void WritePending();
  static void ReportNotWritten(const QString& file, const char* why);

  QSettings settings_;
  QString group_;
  bool open_ = false;
  std::vector<std::pair<QString, QVariant>> pending_;  // written, in order
};

}  // namespace app
