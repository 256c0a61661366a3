#pragma once

#include <cstdio>

namespace isp {

// Opens an existing regular file for reading in binary mode. A FIFO, a
// device or a directory is refused (nullptr) without waiting: opening a FIFO
// would wait for a writer that may never come, and a device such as
// /dev/zero never ends.
std::FILE* OpenRegularFile(const char* path);

}  // namespace isp
