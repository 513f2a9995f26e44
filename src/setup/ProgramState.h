#pragma once
// Texts that live for the whole process and that several setup steps share.
#include <string>

namespace setup {

// The installation folder, always with its trailing backslash once the install has started.
inline std::string DestinationFolder;
// The Windows system folder with its trailing backslash, or empty when the lookup failed.
inline std::string SystemFolder;

}  // namespace setup
