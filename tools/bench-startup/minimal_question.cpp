// A second baseline of the start-up benchmark: a program whose first window is the system's
// question box, as the setup's is, with the setup's manifest.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ::MessageBoxA(nullptr, "Minimal question?", "Minimal", MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL);
    return 0;
}
