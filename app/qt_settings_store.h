#pragma once

#include <QSettings>

#include "app/settings_store.h"

namespace app {

// The settings store on QSettings, organisation "Halvery", application
// "TarvoLoader": the key "\Software\Halvery\TarvoLoader" is the
// application's own settings (the registry key of that name on Windows, the
// per-user configuration file here) and keys below it are groups.
class QtSettingsStore : public SettingsStore {
 public:
  QtSettingsStore();
  ~QtSettingsStore() override;

  bool OpenKey(const std::string& key, bool can_create) override;
  std::int32_t ReadInteger(const std::string& name) override;
  std::string ReadString(const std::string& name) override;
  void WriteInteger(const std::string& name, std::int32_t value) override;
  void WriteString(const std::string& name, const std::string& value) override;

 private:
  QString Path(const std::string& name) const;
  void CheckReadable() const;

  QSettings settings_;
  QString group_;
  bool open_ = false;
};

}  // namespace app
