#pragma once

#include <cstdint>

#include "comm/registry_host.h"

// The two resources of a registry walk, each given back to the host when it
// goes out of scope, so that every way out of a walk closes and releases
// what it holds.
namespace comm::registry {

// A heap buffer of the host's.
class HostBuffer {
 public:
  explicit HostBuffer(RegistryHost& host) : host_(host) {}
  ~HostBuffer() { Release(); }
  HostBuffer(const HostBuffer&) = delete;
  HostBuffer& operator=(const HostBuffer&) = delete;

  // Replaces the buffer by a fresh one of size bytes (at least one). False
  // when the host has no memory; the buffer is empty then.
  bool Renew(std::uint32_t size) {
    Release();
    if (size == 0) size = 1;
    block_ = host_.Allocate(size);
    if (block_ == nullptr) return false;
    size_ = size;
    return true;
  }
  void Release() {
    if (block_ != nullptr) host_.Release(block_);
    block_ = nullptr;
    size_ = 0;
  }

  bool Empty() const { return block_ == nullptr; }
  char* Text() const { return static_cast<char*>(block_); }
  std::uint8_t* Bytes() const { return static_cast<std::uint8_t*>(block_); }
  std::uint32_t Size() const { return size_; }

 private:
  RegistryHost& host_;
  void* block_ = nullptr;
  std::uint32_t size_ = 0;
};

// A key opened through the host.
class OpenKey {
 public:
  explicit OpenKey(RegistryHost& host) : host_(host) {}
  ~OpenKey() { Close(); }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;

  // Opens sub_key of parent, closing the key held before.
  ErrorCode Open(Key parent, const char* sub_key, AccessMask access) {
    Close();
    Key opened{};
    const ErrorCode code = host_.RegOpenKeyExA(parent, sub_key, access, &opened);
    if (code == kErrorSuccess) {
      key_ = opened;
      open_ = true;
    }
    return code;
  }
  void Close() {
    if (open_) host_.RegCloseKey(key_);
    open_ = false;
  }

  Key Get() const { return key_; }

 private:
  RegistryHost& host_;
  Key key_{};
  bool open_ = false;
};

}  // namespace comm::registry
