#pragma once

#include <cstdint>

#include "comm/registry_host.h"
#include "comm/registry_resources.h"

// Reading the texts of the registry into buffers that grow on demand, and
// the comparisons the walks make on them.
namespace comm::registry {

// Enumerates subkey index of parent and opens it by its name with the access
// asked for. name receives the subkey's name: a buffer of 128 characters
// first, then twice the size the call left plus 2 while the name does not
// fit.
ErrorCode OpenSubKeyByIndex(RegistryHost& host, Key parent, std::uint32_t index, AccessMask access,
                            HostBuffer& name, OpenKey& subkey);

// Reads a text value into text, NUL-terminated. text keeps its buffer from
// call to call: 128 bytes at first, then the size that a call which did not
// fit reported as needed.
ErrorCode QueryTextValue(RegistryHost& host, Key key, const char* value_name, HostBuffer& text);

// Enumerates value index of key and reads its data as text into data. Each
// call starts with 32-byte buffers for the value's name and data; while they
// do not fit, the name buffer becomes twice the size the call left plus 2
// and the data buffer the size the call reported.
ErrorCode EnumValueText(RegistryHost& host, Key key, std::uint32_t index, HostBuffer& name,
                        HostBuffer& data);

// Whether the value, read into a buffer of buffer_size bytes (at most 64),
// equals expected ignoring case. A value that is missing, cannot be read or
// does not fit the buffer does not equal anything.
bool ValueEqualsIgnoringCase(RegistryHost& host, Key key, const char* value_name,
                             std::uint32_t buffer_size, const char* expected);

// Whether the first characters of text are prefix, ignoring case.
bool BeginsWithIgnoringCase(const char* text, const char* prefix);

}  // namespace comm::registry
