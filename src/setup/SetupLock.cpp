#include "setup/SetupLock.h"

#include <cstdio>
#include <utility>

#include "platform/Security.h"
#include "setup/Main.h"

namespace setup {

namespace {

constexpr char kLockName[] = "Global\\VORNAMailServerSetup";
// Names tried in turn when another user's object holds the earlier ones.
constexpr int kLockNames = 8;

BOOL CALLBACK FrontmostOfProcess(HWND window, LPARAM parameter) {
    auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != found->first || !::IsWindowVisible(window)) return TRUE;
    found->second = window;  // windows are listed from the top down
    return FALSE;
}

}  // namespace

bool SetupLock::Acquire() {
    platform::SecurityAttributes security(platform::kAdministratorsOwnedObject);
    for (int i = 0; i < kLockNames; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, i > 0 ? "%s.%d" : "%s", kLockName, i);
        platform::ScopedKernelHandle mutex(::CreateMutexA(security.Get(), TRUE, name));
        if (!mutex) continue;  // another user's object that does not admit this program
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            mutex_ = std::move(mutex);
            return true;
        }
        if (security.Get() && !platform::OwnedByAdministrators(mutex.Get())) continue;
        DWORD state = ::WaitForSingleObject(mutex.Get(), 0);
        if (state != WAIT_OBJECT_0 && state != WAIT_ABANDONED) return false;
        // The run that made it has ended; the lock is this run's now.
        mutex_ = std::move(mutex);
        return true;
    }
    // Every name is taken by someone else: better one unguarded install than none at all.
    return true;
}

void BringRunningSetupToFront() {
    HWND setupWindow = ::FindWindowA("TMainForm", kSetupCaption);
    if (!setupWindow) return;
    std::pair<DWORD, HWND> found{0, nullptr};
    ::GetWindowThreadProcessId(setupWindow, &found.first);
    ::EnumWindows(FrontmostOfProcess, reinterpret_cast<LPARAM>(&found));
    HWND front = found.second ? found.second : setupWindow;
    if (::IsIconic(front)) ::ShowWindow(front, SW_RESTORE);
    ::SetForegroundWindow(front);
}

}  // namespace setup
