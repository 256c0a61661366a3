#pragma once

#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "app/settings_store.h"

namespace app_test {

// The per-user settings in memory: keys by their full path, values typed
// as integers or texts, and a log of every operation in order ("open
// \Software\Halvery\TarvoLoader", "read Top", "write Top=203").
struct MemorySettings {
  using Value = std::variant<std::int32_t, std::string>;
  std::map<std::string, std::map<std::string, Value>> keys;
  bool refuse_keys = false;  // keys can be neither opened nor created
  std::string broken_value;  // writing a value of this name fails
  std::vector<std::string> log;

  std::map<std::string, Value>& Settings() {
    return keys["\\Software\\Halvery\\TarvoLoader\\Settings"];
  }
  // Store objects over these settings, for app::SettingsStoreMaker().
  app::SettingsStoreFactory Maker();
};

}  // namespace app_test
