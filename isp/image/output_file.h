#pragma once

#include <cstdio>
#include <string>

namespace isp {

// Creates the file for writing, or empties it if it exists: "commlog.txt"
// and "block.bin" in the working directory, which may be a folder that other
// users share. The file is never reached through a symbolic link, neither
// its own name nor a folder on its path (on Windows: its own name), and only a
// regular file with no other hard link is emptied, so a run (perhaps as root)
// never overwrites a file that someone pointed the name at; the open does not
// block on a FIFO. Mode 0644 before the umask. nullptr when the file cannot
// be written, with why saying why (e.g. "it is a symbolic link").
std::FILE* CreateOutputFile(const char* name, std::string& why);

}  // namespace isp
