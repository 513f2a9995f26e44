#include "setup/ServiceControl.h"

#include <shellapi.h>

#include <algorithm>

#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"
#include "setup/RunLog.h"

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

StepResult StartServer(const ServerRow& row, const std::string& destinationFolder,
                       const platform::CallRunner& blocking) {
    if (platform::IsWindowsNT()) {
        ScopedServiceHandle manager = OpenManager(kManagerAllAccess);
        if (!manager) return ReportServiceError();
        ScopedServiceHandle service(::OpenServiceA(manager.Get(), row.serviceName, SERVICE_START));
        if (!service) return ReportServiceError();
        // The system waits for the service to report that it runs.
        if (!platform::RunCall(blocking, std::string("StartService ") + row.serviceName, [&] { return ::StartServiceA(service.Get(), 0, nullptr) != 0; }))
            return ReportServiceError();
        Log().Line(std::string("Service started: ") + row.serviceName);
        return Done();
    }
    // The whole path is tested, never a cut one: a cut path could name another file. The
    // shell finds the bare file name in the working folder.
    if (platform::FileExists(destinationFolder + row.executable)) {
        RunProgram(row.executable, SW_SHOW, destinationFolder);
        Log().Line("Server launched: " + destinationFolder + row.executable);
    }
    return Done();
}

StepResult StopServer(const ServerRow& row, const platform::CallRunner& blocking) {
    if (platform::IsWindowsNT()) {
        ScopedServiceHandle manager = OpenManager(kManagerAllAccess);
        if (!manager) return ReportServiceError();
        ScopedServiceHandle service(::OpenServiceA(manager.Get(), row.serviceName, SERVICE_STOP));
        if (!service) return Done();  // gone or not ours to stop: nothing to do
        SERVICE_STATUS status{};
        if (!platform::RunCall(blocking, std::string("ControlService stop ") + row.serviceName,
                               [&] { return ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) != 0; }))
            return ReportServiceError();
        Log().Line(std::string("Service asked to stop: ") + row.serviceName);
        return Done();
    }
    if (HWND window = FindServerWindow(row)) {
        ::SendMessageA(window, WM_CLOSE, 0, 0);
        Log().Line(std::string("Server window asked to close: ") + row.caption);
    }
    return Done();
}

}  // namespace

StepResult ControlServer(ServerIndex index, bool start, const std::string& destinationFolder,
                         const platform::CallRunner& blocking) {
    if (index >= ServerTable.size()) return Done();
    return start ? StartServer(ServerTable[index], destinationFolder, blocking)
                 : StopServer(ServerTable[index], blocking);
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

StepResult ChangeService(const ServerRow& server, bool install, const std::string& destinationFolder) {
    ScopedServiceHandle manager = OpenManager(kManagerAllAccess);
    if (!manager) return ReportServiceError();
    return install ? InstallService(manager.Get(), server, destinationFolder) : RemoveService(manager.Get(), server);
}

std::string QuotedServicePath(const std::string& path) {
    if (path.empty() || path.front() == '"' || path.find(' ') == std::string::npos) return path;
    return '"' + path + '"';
}

std::string ServiceExecutablePath(const std::string& folder, const std::string& file) {
    return QuotedServicePath(folder + file);
}

StepResult InstallService(SC_HANDLE manager, const ServerRow& server, const std::string& destinationFolder) {
    std::string path = ServiceExecutablePath(destinationFolder, server.executable);
    ScopedServiceHandle service(::CreateServiceA(
        manager, server.serviceName, server.displayName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
        SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, path.c_str(), nullptr /*load order group*/, nullptr /*tag*/,
        nullptr /*dependencies*/, nullptr /*LocalSystem*/, nullptr /*password*/));
    if (!service) return ReportServiceError();
    Log().Line(std::string("Service created: ") + server.serviceName + " for " + path);
    return Done();
}

StepResult RemoveService(SC_HANDLE manager, const ServerRow& server) {
    ScopedServiceHandle service(::OpenServiceA(manager, server.serviceName, SERVICE_ALL_ACCESS));
    if (!service) return Done();  // nothing to delete
    if (!::DeleteService(service.Get())) return ReportServiceError();
    Log().Line(std::string("Service deleted: ") + server.serviceName);
    return Done();
}

StepResult StopAndClearServices() {
    NoProgress none;
    return StopAndClearServices(none);
}

StepResult StopAndClearServices(ProgressReport& progress) {
    for (ServerIndex index = 0; index < ServerTable.size(); ++index) {
        DWORD state = 0;
        if (!IsServerRunning(index, state)) continue;
        // Pending or paused services are left alone; on 95/98 a found window is a running server.
        if (platform::IsWindowsNT() && state != kServiceRunning) continue;
        if (StepResult result = ControlServer(index, false, {}, progress.Runner()); !result.done) return result;
    }
    // The pause in short steps, so that the windows answer all through it.
    for (DWORD start = ::GetTickCount(), waited = 0; waited < kStopPauseMs; waited = ::GetTickCount() - start) {
        progress.KeepAlive();
        ::Sleep(std::min<DWORD>(kStopPauseMs - waited, 20));
    }
    if (!platform::IsWindowsNT()) return Done();
    for (ServerIndex index = 0; index < ServerTable.size(); ++index) {
        DWORD state = 0;
        if (!IsServerRunning(index, state) || state != kServiceStopped) continue;
        if (StepResult result = ChangeService(ServerTable[index], false, {}); !result.done) return result;
    }
    return Done();
}

StepResult CheckRunningServices(ProgressReport& progress) {
    progress.ShowProgress("Checking For Running Services...");
    return StopAndClearServices(progress);
}

StepResult InstallAndStartServices(ProgressReport& progress, const InstallContext& context) {
    if (platform::IsWindowsNT()) {
        progress.ShowProgress("Installing Services...");
        for (const ServerRow& server : ServerTable) {
            if (StepResult result = ChangeService(server, true, context.DestinationFolder); !result.done) return result;
            progress.KeepAlive();
        }
    }
    progress.ShowProgress("Starting Services...");
    for (ServerIndex index = 0; index < ServerTable.size(); ++index) {
        if (StepResult result = ControlServer(index, true, context.DestinationFolder, progress.Runner());
            !result.done)
            return result;
        progress.KeepAlive();
    }
    progress.ShowProgress("Installation Complete");
    return Done();
}

StepResult ReportServiceError() {
    std::string systemText = platform::LastErrorMessage();  // the failed call's code, first
    return Failed(kServiceErrorPrefix + systemText + "\r\n" + kAdministratorAdvice);
}

void RunProgram(const std::string& file, int show, const std::string& folder) {
    // The texts go to the shell whole: a cut folder or file name would launch the wrong
    // program or start it in the wrong place.
    ::ShellExecuteA(nullptr, nullptr, file.c_str(), "", folder.c_str(), show);
}

}  // namespace setup
