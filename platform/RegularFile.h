#pragma once

#include <cstdio>
#include <string>

namespace veltrane {

// Opens path for binary reading only when it names a regular file (a link to one is fine). A FIFO,
// device or folder is refused at once with null instead of blocking the caller until a writer comes.
std::FILE* OpenRegularFile(const std::string& path);

// The same test, with the file closed again: for readers that open the file themselves.
bool IsRegularFile(const std::string& path);

} // namespace veltrane
