#pragma once
// Lines of text fitted to a width in the font they are drawn in.
#include <windows.h>

#include <string>
#include <vector>

namespace platform {

// Each line that is wider than width in the font selected into dc is broken after its last
// blank that fits, or between characters where a word is wider by itself; a line that fits
// stays as it is. Double-byte characters are never cut.
std::vector<std::string> WrapToWidth(HDC dc, const std::vector<std::string>& lines, int width);

}  // namespace platform
