#include "tests/unit/in_memory_registry.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace testing_support {
namespace {

using namespace comm::registry;

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

std::vector<std::string> PathParts(const std::string& path) {
  std::vector<std::string> parts;
  std::stringstream stream(path);
  for (std::string part; std::getline(stream, part, '\\');) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

std::uint32_t SizeOf(const std::string& text) {
  return static_cast<std::uint32_t>(text.size());
}

}  // namespace

InMemoryRegistry::InMemoryRegistry() = default;

InMemoryRegistry::~InMemoryRegistry() {
  for (void* block : buffers_) std::free(block);
}

void InMemoryRegistry::SetVersion(std::uint32_t platform_id, std::uint32_t major_version) {
  version_.PlatformId = platform_id;
  version_.MajorVersion = major_version;
}

void InMemoryRegistry::AddKey(const std::string& path) {
  Make(path);
}

void InMemoryRegistry::SetText(const std::string& key_path, const std::string& name,
                               const std::string& text) {
  MakeValue(key_path, name).data = text + '\0';
}

void InMemoryRegistry::SetBytes(const std::string& key_path, const std::string& name,
                                const std::string& bytes) {
  MakeValue(key_path, name).data = bytes;
}

void InMemoryRegistry::LimitAccess(const std::string& key_path, AccessMask allowed) {
  Make(key_path).allowed = allowed;
}

void InMemoryRegistry::FailValue(const std::string& key_path, const std::string& name,
                                 ErrorCode code) {
  MakeValue(key_path, name).failure = code;
}

InMemoryRegistry::Node* InMemoryRegistry::Find(Node* from, const std::string& path) const {
  Node* node = from;
  for (const std::string& part : PathParts(path)) {
    const auto it = std::find_if(node->subkeys.begin(), node->subkeys.end(),
                                 [&](const auto& subkey) { return SameName(subkey->name, part); });
    if (it == node->subkeys.end()) return nullptr;
    node = it->get();
  }
  return node;
}

InMemoryRegistry::Node& InMemoryRegistry::Make(const std::string& path) {
  Node* node = &root_;
  for (const std::string& part : PathParts(path)) {
    Node* next = Find(node, part);
    if (next == nullptr) {
      node->subkeys.push_back(std::make_unique<Node>());
      next = node->subkeys.back().get();
      next->name = part;
    }
    node = next;
  }
  return *node;
}

InMemoryRegistry::Value& InMemoryRegistry::MakeValue(const std::string& key_path,
                                                     const std::string& name) {
  Node& node = Make(key_path);
  for (Value& value : node.values) {
    if (SameName(value.name, name)) return value;
  }
  node.values.push_back({name, {}, kErrorSuccess});
  return node.values.back();
}

InMemoryRegistry::Node* InMemoryRegistry::Use(Key key, AccessMask needed, ErrorCode* refusal) {
  const auto it = handles_.find(key);
  if (it == handles_.end()) {
    ++misuses_;
    *refusal = kErrorInvalidHandle;
    return nullptr;
  }
  if ((it->second.access & needed) != needed) {
    *refusal = kErrorAccessDenied;
    return nullptr;
  }
  return it->second.node;
}

void InMemoryRegistry::GetVersionExA(VersionInfo& version) {
  version = version_;
}

ErrorCode InMemoryRegistry::RegOpenKeyExA(Key parent, const char* sub_key, AccessMask access,
                                          Key* opened) {
  Node* from = &root_;
  if (parent != kLocalMachine) {
    ErrorCode refusal = kErrorSuccess;
    from = Use(parent, 0, &refusal);
    if (from == nullptr) return refusal;
  }
  Node* node = Find(from, sub_key);
  if (node == nullptr) return kErrorFileNotFound;
  if ((access & ~node->allowed) != 0) return kErrorAccessDenied;
  const Key handle = static_cast<Key>(next_handle_++);
  handles_[handle] = {node, access};
  *opened = handle;
  return kErrorSuccess;
}

ErrorCode InMemoryRegistry::RegEnumKeyExA(Key key, std::uint32_t index, char* name,
                                          std::uint32_t* name_size) {
  key_name_sizes_.push_back(*name_size);
  ErrorCode refusal = kErrorSuccess;
  Node* node = Use(key, kKeyEnumerateSubKeys, &refusal);
  if (node == nullptr) return refusal;
  if (index >= node->subkeys.size()) return kErrorNoMoreItems;
  const std::string& subkey = node->subkeys[index]->name;
  if (SizeOf(subkey) + 1 > *name_size) return kErrorMoreData;  // the size stays as it was
  std::memcpy(name, subkey.c_str(), subkey.size() + 1);
  *name_size = SizeOf(subkey);
  return kErrorSuccess;
}

ErrorCode InMemoryRegistry::RegEnumValueA(Key key, std::uint32_t index, char* name,
                                          std::uint32_t* name_size, std::uint8_t* data,
                                          std::uint32_t* data_size) {
  value_name_sizes_.push_back(*name_size);
  data_sizes_.push_back(*data_size);
  ErrorCode refusal = kErrorSuccess;
  Node* node = Use(key, kKeyQueryValue, &refusal);
  if (node == nullptr) return refusal;
  if (index >= node->values.size()) return kErrorNoMoreItems;
  const Value& value = node->values[index];
  if (value.failure != kErrorSuccess) return value.failure;
  const bool name_fits = SizeOf(value.name) + 1 <= *name_size;
  const bool data_fits = SizeOf(value.data) <= *data_size;
  if (!data_fits) *data_size = SizeOf(value.data);
  if (!name_fits || !data_fits) return kErrorMoreData;  // the name size stays as it was
  std::memcpy(name, value.name.c_str(), value.name.size() + 1);
  std::memcpy(data, value.data.data(), value.data.size());
  *name_size = SizeOf(value.name);
  *data_size = SizeOf(value.data);
  return kErrorSuccess;
}

ErrorCode InMemoryRegistry::RegQueryValueExA(Key key, const char* value_name, std::uint8_t* data,
                                             std::uint32_t* data_size) {
  data_sizes_.push_back(*data_size);
  ErrorCode refusal = kErrorSuccess;
  Node* node = Use(key, kKeyQueryValue, &refusal);
  if (node == nullptr) return refusal;
  const auto value = std::find_if(node->values.begin(), node->values.end(),
                                  [&](const Value& v) { return SameName(v.name, value_name); });
  if (value == node->values.end()) return kErrorFileNotFound;
  if (value->failure != kErrorSuccess) return value->failure;
  const std::uint32_t needed = SizeOf(value->data);
  const bool fits = data != nullptr && needed <= *data_size;
  *data_size = needed;
  if (data == nullptr) return kErrorSuccess;  // a question for the size only
  if (!fits) return kErrorMoreData;
  std::memcpy(data, value->data.data(), value->data.size());
  return kErrorSuccess;
}

ErrorCode InMemoryRegistry::RegCloseKey(Key key) {
  if (key == kLocalMachine) return kErrorSuccess;
  if (handles_.erase(key) == 0) {
    ++misuses_;
    return kErrorInvalidHandle;
  }
  return kErrorSuccess;
}

void* InMemoryRegistry::Allocate(std::size_t size) {
  const int number = allocations_++;
  if (fail_allocations_from_ >= 0 && number >= fail_allocations_from_) return nullptr;
  void* block = std::malloc(size);
  buffers_.insert(block);
  return block;
}

void InMemoryRegistry::Release(void* block) {
  if (buffers_.erase(block) == 0) {
    ++misuses_;
    return;
  }
  std::free(block);
}

}  // namespace testing_support
