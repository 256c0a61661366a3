#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "comm/registry_host.h"

namespace testing_support {

// A registry under HKEY_LOCAL_MACHINE held in memory, with the Win32 rules
// the discovery walks rely on: key and value names compared ignoring case,
// subkeys and values enumerated in the order they were added, the size
// rules of each call on ERROR_MORE_DATA, access rights checked on open and
// on use. It counts open keys and live buffers, notes every misuse of a
// handle or buffer, and can refuse keys, fail value reads and run out of
// memory on demand.
class InMemoryRegistry : public comm::registry::RegistryHost {
 public:
  using AccessMask = comm::registry::AccessMask;
  using ErrorCode = comm::registry::ErrorCode;
  using Key = comm::registry::Key;

  InMemoryRegistry();
  ~InMemoryRegistry() override;

  // --- the machine ---------------------------------------------------------
  void SetVersion(std::uint32_t platform_id, std::uint32_t major_version);
  // Creates the key at a backslash path, with the keys above it.
  void AddKey(const std::string& path);
  // A text value as REG_SZ holds it: the text and its NUL.
  void SetText(const std::string& key_path, const std::string& name, const std::string& text);
  // A value of exactly these bytes (a text stored without its NUL).
  void SetBytes(const std::string& key_path, const std::string& name, const std::string& bytes);
  // Opening the key asking for more than allowed fails with access denied.
  void LimitAccess(const std::string& key_path, AccessMask allowed);
  // Reading the value fails with code.
  void FailValue(const std::string& key_path, const std::string& name, ErrorCode code);
  // Allocation number count (from 0) and every later one fail.
  void FailAllocationsFrom(int count) { fail_allocations_from_ = count; }

  // --- what the walk did ---------------------------------------------------
  int OpenKeys() const { return static_cast<int>(handles_.size()); }
  int LiveBuffers() const { return static_cast<int>(buffers_.size()); }
  int Allocations() const { return allocations_; }
  // Uses of handles that are not open and releases of unknown blocks.
  int Misuses() const { return misuses_; }
  // The sizes each call was offered, in call order.
  const std::vector<std::uint32_t>& KeyNameSizesOffered() const { return key_name_sizes_; }
  const std::vector<std::uint32_t>& ValueNameSizesOffered() const { return value_name_sizes_; }
  const std::vector<std::uint32_t>& DataSizesOffered() const { return data_sizes_; }

  // --- RegistryHost --------------------------------------------------------
  void GetVersionExA(comm::registry::VersionInfo& version) override;
  ErrorCode RegOpenKeyExA(Key parent, const char* sub_key, AccessMask access, Key* opened) override;
  ErrorCode RegEnumKeyExA(Key key, std::uint32_t index, char* name,
                          std::uint32_t* name_size) override;
  ErrorCode RegEnumValueA(Key key, std::uint32_t index, char* name, std::uint32_t* name_size,
                          std::uint8_t* data, std::uint32_t* data_size) override;
  ErrorCode RegQueryValueExA(Key key, const char* value_name, std::uint8_t* data,
                             std::uint32_t* data_size) override;
  ErrorCode RegCloseKey(Key key) override;
  void SetLastError(ErrorCode code) override { last_error_ = code; }
  ErrorCode GetLastError() const override { return last_error_; }
  void* Allocate(std::size_t size) override;
  void Release(void* block) override;

 private:
  struct Value {
    std::string name;
    std::string data;
    ErrorCode failure = comm::registry::kErrorSuccess;
  };
  struct Node {
    std::string name;
    std::vector<std::unique_ptr<Node>> subkeys;
    std::vector<Value> values;
    AccessMask allowed = ~AccessMask{0};
  };
  struct Handle {
    Node* node;
    AccessMask access;
  };

  Node* Find(Node* from, const std::string& path) const;
  Node& Make(const std::string& path);
  Value& MakeValue(const std::string& key_path, const std::string& name);
  // The open key behind a handle that was opened with the right needed;
  // nullptr with the code to return otherwise.
  Node* Use(Key key, AccessMask needed, ErrorCode* refusal);

  comm::registry::VersionInfo version_;
  Node root_;
  std::map<Key, Handle> handles_;
  std::uintptr_t next_handle_ = 0x1000;
  std::set<void*> buffers_;
  int allocations_ = 0;
  int fail_allocations_from_ = -1;
  int misuses_ = 0;
  ErrorCode last_error_ = comm::registry::kErrorSuccess;
  std::vector<std::uint32_t> key_name_sizes_;
  std::vector<std::uint32_t> value_name_sizes_;
  std::vector<std::uint32_t> data_sizes_;
};

}  // namespace testing_support
