#include "SuiteState.h"

#include <tlhelp32.h>

#include <stdexcept>
#include <vector>

#include "platform/ScopedHandle.h"

namespace testing_support {

using platform::ScopedKernelHandle;
using platform::ScopedServiceHandle;

namespace {

// Written out rather than taken from the program, so that cleaning does not depend on the
// table under test.
const char* const kServiceNames[] = {"VORNASMTP", "VORNAPOP3", "VORNAControl"};

std::string ProcessImage(HANDLE process) {
    char path[1024] = {};
    DWORD size = sizeof(path);
    if (!::QueryFullProcessImageNameA(process, 0, path, &size)) return {};
    return std::string(path, size);
}

BOOL CALLBACK CloseWindowsOf(HWND window, LPARAM processId) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId)) ::PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && _strnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

}  // namespace

bool ServiceExists(const std::string& name) {
    ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) throw std::runtime_error("cannot open the service control manager");
    ScopedServiceHandle service(::OpenServiceA(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS));
    return service.IsValid();
}

std::optional<DWORD> WaitForServiceState(const std::string& name, DWORD state, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        {
            ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
            ScopedServiceHandle service(
                manager ? ::OpenServiceA(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS) : nullptr);
            SERVICE_STATUS_PROCESS status{};
            DWORD needed = 0;
            if (service &&
                ::QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                       sizeof(status), &needed) &&
                status.dwCurrentState == state)
                return status.dwProcessId;
        }
        if (::GetTickCount() - start > timeoutMs) return std::nullopt;
        ::Sleep(50);
    }
}

std::string RemoveSuiteServices() {
    std::string problems;
    ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return "cannot open the service control manager";
    for (const char* name : kServiceNames) {
        {
            ScopedServiceHandle service(::OpenServiceA(manager.Get(), name, SERVICE_ALL_ACCESS));
            if (!service) continue;
            SERVICE_STATUS status{};
            DWORD start = ::GetTickCount();
            // A stand-in may be slow to stop or refuse the stop for a moment: ask until stopped.
            while (::QueryServiceStatus(service.Get(), &status) && status.dwCurrentState != SERVICE_STOPPED) {
                if (status.dwCurrentState == SERVICE_RUNNING) ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
                if (::GetTickCount() - start > 20000) {
                    problems += std::string(name) + " does not stop; ";
                    break;
                }
                ::Sleep(50);
            }
            if (!::DeleteService(service.Get()) && ::GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE)
                problems += std::string(name) + " cannot be deleted; ";
        }
        DWORD start = ::GetTickCount();
        while (ServiceExists(name)) {
            if (::GetTickCount() - start > 10000) {
                problems += std::string(name) + " stays registered; ";
                break;
            }
            ::Sleep(50);
        }
    }
    return problems;
}

std::optional<ServiceConfig> ReadServiceConfig(const std::string& name) {
    ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return std::nullopt;
    ScopedServiceHandle service(::OpenServiceA(manager.Get(), name.c_str(), SERVICE_QUERY_CONFIG));
    if (!service) return std::nullopt;
    DWORD needed = 0;
    ::QueryServiceConfigA(service.Get(), nullptr, 0, &needed);
    if (needed == 0) return std::nullopt;
    std::vector<char> buffer(needed);
    auto* raw = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!::QueryServiceConfigA(service.Get(), raw, needed, &needed)) return std::nullopt;
    auto text = [](const char* value) { return value ? std::string(value) : std::string(); };
    ServiceConfig config;
    config.serviceType = raw->dwServiceType;
    config.startType = raw->dwStartType;
    config.errorControl = raw->dwErrorControl;
    config.binaryPath = text(raw->lpBinaryPathName);
    config.displayName = text(raw->lpDisplayName);
    config.account = text(raw->lpServiceStartName);
    config.loadOrderGroup = text(raw->lpLoadOrderGroup);
    config.dependencies = text(raw->lpDependencies);
    return config;
}

void EndProgramsIn(const std::string& folder) {
    ScopedKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32First(snapshot.Get(), &entry); more; more = ::Process32Next(snapshot.Get(), &entry)) {
        ScopedKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE,
                                                 FALSE, entry.th32ProcessID));
        if (!process || !StartsWithNoCase(ProcessImage(process.Get()), folder)) continue;
        ::EnumWindows(CloseWindowsOf, static_cast<LPARAM>(entry.th32ProcessID));
        if (::WaitForSingleObject(process.Get(), 5000) != WAIT_OBJECT_0) {
            ::TerminateProcess(process.Get(), 1);
            ::WaitForSingleObject(process.Get(), 5000);
        }
    }
}

}  // namespace testing_support
