#pragma once
// The licence agreement shown in the setup window, and its copyright line.
#include <string>
#include <vector>

namespace windows {

extern const char kCopyrightLine[];
// One entry per line, none longer than 84 characters.
const std::vector<std::string>& LicenseLines();

}  // namespace windows
