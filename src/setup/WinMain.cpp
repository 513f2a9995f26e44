#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/SystemLibrary.h"
#include "setup/Main.h"
#include "setup/SetupLock.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before any other DLL is loaded: the delay-imported ones come from the system folder only.
    platform::RestrictDllSearchToSystemFolder();
    setup::SetupLock lock;
    if (!lock.Acquire()) {
        setup::BringRunningSetupToFront();
        return 0;
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i) arguments.emplace_back(__argv[i]);
    setup::RunSetup(std::move(arguments));
    return 0;  // the program always ends with exit code 0
}
