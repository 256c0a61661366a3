#include "tests/app/memory_settings.h"

namespace app_test {
namespace {

class MemorySettingsStore : public app::SettingsStore {
 public:
  explicit MemorySettingsStore(MemorySettings& data) : data_(data) {}

  bool OpenKey(const std::string& key, bool can_create) override {
    data_.log.push_back("open " + key);
    const std::string path = key.starts_with("\\") ? key : current_ + "\\" + key;
    if (data_.refuse_keys) return false;
    if (!data_.keys.contains(path) && !can_create) return false;
    data_.keys[path];
    current_ = path;
    return true;
  }
  std::int32_t ReadInteger(const std::string& name) override {
    data_.log.push_back("read " + name);
    const auto* value = Find(name);
    if (value == nullptr || !std::holds_alternative<std::int32_t>(*value)) {
      throw app::SettingsError(name + " is not an integer");
    }
    return std::get<std::int32_t>(*value);
  }
  std::string ReadString(const std::string& name) override {
    data_.log.push_back("read " + name);
    const auto* value = Find(name);
    if (value == nullptr) return {};
    if (!std::holds_alternative<std::string>(*value))
      throw app::SettingsError(name + " is not a text");
    return std::get<std::string>(*value);
  }
  void WriteInteger(const std::string& name, std::int32_t value) override {
    data_.log.push_back("write " + name + "=" + std::to_string(value));
    if (name == data_.broken_value) throw app::SettingsError(name + " cannot be written");
    data_.keys.at(current_)[name] = value;
  }
  void WriteString(const std::string& name, const std::string& value) override {
    data_.log.push_back("write " + name + "=" + value);
    if (name == data_.broken_value) throw app::SettingsError(name + " cannot be written");
    data_.keys.at(current_)[name] = value;
  }

 private:
  const MemorySettings::Value* Find(const std::string& name) const {
    const auto& values = data_.keys.at(current_);
    const auto found = values.find(name);
    return found == values.end() ? nullptr : &found->second;
  }

  MemorySettings& data_;
  std::string current_;
};

}  // namespace

app::SettingsStoreFactory MemorySettings::Maker() {
  return [this] { return std::make_unique<MemorySettingsStore>(*this); };
}

}  // namespace app_test
