// Stand-in for one of the suite's servers (which one: VORNA_STANDIN_ROW). Not a mail server:
// it does only what Setup relies on.
//  - Started by the service control manager: an own-process service that reports running
//    and stops on the stop control.
//  - Started by hand (how Windows 95/98 runs the servers): a top-level window with the
//    server's class and caption that ends the program when it gets WM_CLOSE.
// Test settings, files beside the program (read when needed, so a test can change them):
//  - "<exe name>.slowstop" holding milliseconds: the stop takes that long.
//  - "<exe name>.nostop": while it exists, the running service does not accept the stop.
#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "platform/ScopedHandle.h"

#ifndef VORNA_STANDIN_ROW
#error "VORNA_STANDIN_ROW (0 SMTP, 1 POP3, 2 Control) must be defined"
#endif

namespace {

struct Server {
    const char* serviceName;
    const char* displayName;
    const char* windowClass;
    const char* caption;
};

constexpr Server kServers[] = {
    {"VORNASMTP", "VORNA SMTP Server", "TSMTPForm", "SMTP"},
    {"VORNAPOP3", "VORNA POP3 Server", "TPOP3Form", "POP3"},
    {"VORNAControl", "VORNA Control Server", "TControlForm", "Control"},
};
constexpr const Server& kServer = kServers[VORNA_STANDIN_ROW];

std::string OwnPath() {
    char buffer[1024] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
    if (length == 0 || length >= sizeof(buffer)) return {};
    return std::string(buffer, length);
}

bool SettingExists(const char* suffix) {
    DWORD attributes = ::GetFileAttributesA((OwnPath() + suffix).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD SlowStopMilliseconds() {
    platform::ScopedFile file(::CreateFileA((OwnPath() + ".slowstop").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return 0;
    char text[32] = {};
    DWORD read = 0;
    ::ReadFile(file.Get(), text, sizeof(text) - 1, &read, nullptr);
    long value = std::strtol(text, nullptr, 10);
    return value > 0 && value < 600000 ? static_cast<DWORD>(value) : 0;
}

// The service control manager starts services as its own children; anything else is a
// start by hand. (Calling the service dispatcher outside a service start does not return.)
bool StartedByServiceManager() {
    platform::ScopedKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    DWORD self = ::GetCurrentProcessId(), parent = 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32First(snapshot.Get(), &entry); more; more = ::Process32Next(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
    }
    bool byManager = false;
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32First(snapshot.Get(), &entry); more && parent;
         more = ::Process32Next(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == parent) byManager = ::lstrcmpiA(entry.szExeFile, "services.exe") == 0;
    }
    return byManager;
}

// ---- service ----

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
platform::ScopedKernelHandle g_stopRequested;
std::atomic<bool> g_acceptsStop{true};

void ReportStatus(DWORD state, DWORD waitHint = 0) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = (state == SERVICE_RUNNING && g_acceptsStop) ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = NO_ERROR;
    status.dwWaitHint = waitHint;
    ::SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI ServiceControlHandler(DWORD control, DWORD, void*, void*) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
        if (!g_acceptsStop) return ERROR_CALL_NOT_IMPLEMENTED;
        ReportStatus(SERVICE_STOP_PENDING, SlowStopMilliseconds() + 1000);
        ::SetEvent(g_stopRequested.Get());
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
    g_statusHandle = ::RegisterServiceCtrlHandlerExA(kServer.serviceName, ServiceControlHandler, nullptr);
    if (!g_statusHandle) return;
    g_acceptsStop = !SettingExists(".nostop");
    ReportStatus(SERVICE_RUNNING);
    for (;;) {
        if (::WaitForSingleObject(g_stopRequested.Get(), 100) == WAIT_OBJECT_0) break;
        if (!g_acceptsStop && !SettingExists(".nostop")) {
            g_acceptsStop = true;
            ReportStatus(SERVICE_RUNNING);
        }
    }
    ::Sleep(SlowStopMilliseconds());
    ReportStatus(SERVICE_STOPPED);
}

int RunAsService() {
    g_stopRequested.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!g_stopRequested) return 1;
    char name[64] = {};
    ::lstrcpynA(name, kServer.serviceName, sizeof(name));
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherA(table) ? 0 : 1;
}

// ---- window ----

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);  // WM_CLOSE destroys the window
}

int RunAsWindow(HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kServer.windowClass;
    if (!::RegisterClassA(&windowClass)) return 1;
    HWND window = ::CreateWindowExA(0, kServer.windowClass, kServer.caption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                    CW_USEDEFAULT, 520, 160, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    // Says what this is, and where it runs from and in (the setup's tests read these lines).
    char folder[1024] = {};
    DWORD length = ::GetCurrentDirectoryA(sizeof(folder), folder);
    if (length >= sizeof(folder)) folder[0] = '\0';
    std::string text = std::string("Stand-in for the ") + kServer.displayName +
                       ": it shows this window and closes on request, nothing more.\r\nProgram: " + OwnPath() +
                       "\r\nWorking folder: " + folder;
    ::CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 8, 8, 496, 110, window, nullptr,
                      instance, nullptr);
    ::ShowWindow(window, SW_SHOW);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return StartedByServiceManager() ? RunAsService() : RunAsWindow(instance);
}
