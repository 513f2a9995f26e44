#include <windows.h>

#include "platform/SystemLibrary.h"
#include "setup/CommandLine.h"
#include "setup/ProgramEnd.h"
#include "setup/Unattended.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before any other DLL is loaded: the delay-imported ones come from the system folder only.
    platform::RestrictDllSearchToSystemFolder();
    setup::EndRun(setup::StartSetup(setup::SplitArguments(::GetCommandLineA())));
}
