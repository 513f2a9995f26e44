/* launch64 <command line>
 * A 64-bit program that starts the command line it is given, as 64-bit Windows' list of
 * installed programs starts an uninstall entry, and ends at once. Its exit code is the id of
 * the started process, or 0 when nothing could be started. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    (void)instance;
    (void)previous;
    (void)show;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (int)process.dwProcessId;
}
