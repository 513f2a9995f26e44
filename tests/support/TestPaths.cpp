#include "TestPaths.h"

#include <cstdlib>
#include <stdexcept>

namespace testing_support {

std::string WindowsPathOf(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string BinFolder() {
    const char* bin = std::getenv("VORNA_BIN");
    if (!bin || !*bin) throw std::runtime_error("VORNA_BIN is not set: run the tests through ctest");
    std::string folder = bin[0] == '/' ? WindowsPathOf(bin) : std::string(bin);
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

}  // namespace testing_support
