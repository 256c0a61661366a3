#pragma once

#include <string>

namespace isp {

// The folder that holds the file at path, opened (O_DIRECTORY) one folder
// at a time from the root or the working directory without following a
// symbolic link on the way, so that a link planted in a folder of the path
// cannot send an output elsewhere. leaf gets the file's own name. -1 with
// why set when a folder is a link, is missing or cannot be opened. POSIX
// only: Windows opens the path as given.
int OpenOutputFolder(const std::string& path, std::string& leaf, std::string& why);

}  // namespace isp
