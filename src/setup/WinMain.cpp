#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "setup/Main.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i) arguments.emplace_back(__argv[i]);
    setup::RunSetup(std::move(arguments));
    return 0;  // the program always ends with exit code 0
}
