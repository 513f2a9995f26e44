#pragma once
// Where the built programs are, seen from inside Wine.
#include <string>

namespace testing_support {

// The build's program folder (from VORNA_BIN, which ctest sets) as a Windows path with a
// trailing backslash. Fails the calling test loudly when it is not set.
std::string BinFolder();
// A Unix path as Wine shows it (drive Z: is the Unix root).
std::string WindowsPathOf(const std::string& unixPath);

}  // namespace testing_support
