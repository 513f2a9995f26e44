#include "setup/ServiceControl.h"

#include <shellapi.h>

#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"
#include "platform/SystemUi.h"
#include "setup/ProgramState.h"

namespace setup {
namespace {

using platform::ScopedServiceHandle;

constexpr DWORD kManagerAllAccess = SC_MANAGER_ALL_ACCESS;  // 0xF003F
constexpr DWORD kStopPauseMs = 500;

const char kServiceErrorPrefix[] = "Service error: ";

ScopedServiceHandle OpenManager(DWORD access) {
    return ScopedServiceHandle(::OpenSCManagerA(nullptr, nullptr, access));
}

// The server's main window on 95/98: class and caption must both match.
HWND FindServerWindow(const ServerRow& row) { return ::FindWindowA(row.windowClass, row.caption); }

void StartServer(const ServerRow& row) {
    if (platform::IsWindowsNT()) {
        ScopedServiceHandle manager = OpenManager(kManagerAllAccess);
        if (!manager) ReportServiceError();
        ScopedServiceHandle service(::OpenServiceA(manager.Get(), row.serviceName, SERVICE_START));
        if (!service) ReportServiceError();
        if (!::StartServiceA(service.Get(), 0, nullptr)) ReportServiceError();
        return;
    }
    // The whole path is tested, never a cut one: a cut path could name another file. The
    // shell finds the bare file name in the working folder.
    if (!platform::FileExists(DestinationFolder + row.executable)) return;
    RunProgram(row.executable, SW_SHOW, DestinationFolder);
}

void StopServer(const ServerRow& row) {
    if (platform::IsWindowsNT()) {
        ScopedServiceHandle manager = OpenManager(kManagerAllAccess);
        if (!manager) ReportServiceError();
        ScopedServiceHandle service(::OpenServiceA(manager.Get(), row.serviceName, SERVICE_STOP));
        if (!service) return;  // gone or not ours to stop: nothing to do
        SERVICE_STATUS status{};
        if (!::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) ReportServiceError();
        return;
    }
    if (HWND window = FindServerWindow(row)) ::SendMessageA(window, WM_CLOSE, 0, 0);
}

}  // namespace

void ControlServer(ServerIndex index, bool start) {
    if (index >= ServerTable.size()) return;
    if (start) {
        StartServer(ServerTable[index]);
    } else {
        StopServer(ServerTable[index]);
    }
}

bool IsServerRunning(ServerIndex index, DWORD& state) {
    if (index >= ServerTable.size()) return false;
    const ServerRow& row = ServerTable[index];
    if (!platform::IsWindowsNT()) return FindServerWindow(row) != nullptr;
    return QueryServiceState(row.serviceName, state);
}

bool QueryServiceState(const std::string& name, DWORD& state) {
    ScopedServiceHandle manager = OpenManager(SC_MANAGER_CONNECT);
    if (!manager) return false;
    ScopedServiceHandle service(::OpenServiceA(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS));
    if (!service) return false;
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(service.Get(), &status)) return false;
    state = status.dwCurrentState;
    return true;
}

void ChangeService(bool install) {
    ScopedServiceHandle manager = OpenManager(kManagerAllAccess);
    if (!manager) ReportServiceError();
    if (install) {
        InstallService(manager.Get());
    } else {
        RemoveService(manager.Get());
    }
}

std::string ServiceExecutablePath(const std::string& folder, const std::string& file) {
    std::string path = folder + file;
    if (path.find(' ') != std::string::npos) path = '"' + path + '"';
    return path;
}

void InstallService(SC_HANDLE manager) {
    std::string path = ServiceExecutablePath(DestinationFolder, CurrentServiceFile);
    ScopedServiceHandle service(::CreateServiceA(
        manager, CurrentServiceName.c_str(), CurrentServiceDisplayName.c_str(), SERVICE_ALL_ACCESS,
        SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, path.c_str(),
        nullptr /*load order group*/, nullptr /*tag*/, nullptr /*dependencies*/,
        nullptr /*LocalSystem*/, nullptr /*password*/));
    if (!service) ReportServiceError();
}

void RemoveService(SC_HANDLE manager) {
    ScopedServiceHandle service(::OpenServiceA(manager, CurrentServiceName.c_str(), SERVICE_ALL_ACCESS));
    if (!service) return;  // nothing to delete
    if (!::DeleteService(service.Get())) ReportServiceError();
}

void StopAndClearServices() {
    for (ServerIndex index = 0; index < ServerTable.size(); ++index) {
        DWORD state = 0;
        if (!IsServerRunning(index, state)) continue;
        // Pending or paused services are left alone; on 95/98 a found window is a running server.
        if (!platform::IsWindowsNT() || state == kServiceRunning) ControlServer(index, false);
    }
    ::Sleep(kStopPauseMs);
    if (!platform::IsWindowsNT()) return;
    for (ServerIndex index = 0; index < ServerTable.size(); ++index) {
        DWORD state = 0;
        if (IsServerRunning(index, state) && state == kServiceStopped) {
            CurrentServiceName = ServerTable[index].serviceName;
            ChangeService(false);
        }
    }
}

void CheckRunningServices(ProgressReport& progress) {
    progress.ShowProgress("Checking For Running Services...");
    StopAndClearServices();
}

void InstallAndStartServices(ProgressReport& progress) {
    if (platform::IsWindowsNT()) {
        progress.ShowProgress("Installing Services...");
        for (const ServerRow& row : ServerTable) {
            CurrentServiceFile = row.executable;
            CurrentServiceName = row.serviceName;
            CurrentServiceDisplayName = row.displayName;
            ChangeService(true);
        }
    }
    progress.ShowProgress("Starting Services...");
    for (ServerIndex index = 0; index < ServerTable.size(); ++index) ControlServer(index, true);
    progress.ShowProgress("Installation Complete");
}

void ReportServiceError() {
    std::string systemText = platform::LastErrorMessage();  // the failed call's code, first
    platform::ShowMessage(kServiceErrorPrefix + systemText + "\r\n" + kAdministratorAdvice, "Error",
                          platform::kErrorBox);
    platform::EndProgram(0);
}

void RunProgram(const std::string& file, int show, const std::string& folder) {
    // The texts go to the shell whole: a cut folder or file name would launch the wrong
    // program or start it in the wrong place.
    ::ShellExecuteA(nullptr, nullptr, file.c_str(), "", folder.c_str(), show);
}

}  // namespace setup
