#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace app {

// The window's settings live in this key, reached in two steps.
inline constexpr const char* kApplicationKey = "\\Software\\Halvery\\TarvoLoader";
inline constexpr const char* kSettingsKey = "Settings";

// Any failure of the settings store (a missing or mistyped integer, a store
// that cannot be read).
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The per-user settings store: typed values under keys. Every operation
// may throw SettingsError.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Opens a key for reading and writing, creating it when can_create is set
  // and it is missing. A key beginning with "\" is a path from the root of
  // the user's store; any other key lies below the key open now. False when
  // the key can be neither opened nor created.
  virtual bool OpenKey(const std::string& key, bool can_create) = 0;
  // A missing value, or one that is not a 32-bit integer, is an error.
  virtual std::int32_t ReadInteger(const std::string& name) = 0;
  // A missing value reads as the empty text; one of another type is an error.
  virtual std::string ReadString(const std::string& name) = 0;
  virtual void WriteInteger(const std::string& name, std::int32_t value) = 0;
  virtual void WriteString(const std::string& name, const std::string& value) = 0;
};

// Makes the store object that the window opens at start-up and at close.
// Production uses the QSettings store; tests put an in-memory one here.
using SettingsStoreFactory = std::function<std::unique_ptr<SettingsStore>()>;
SettingsStoreFactory& SettingsStoreMaker();

}  // namespace app
