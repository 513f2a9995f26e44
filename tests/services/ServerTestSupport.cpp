#include "ServerTestSupport.h"

#include <tlhelp32.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "platform/ScopedHandle.h"
#include "setup/ServiceControl.h"

namespace testing_support {

using platform::ScopedKernelHandle;
using platform::ScopedServiceHandle;

std::string BinFolder() {
    const char* bin = std::getenv("VORNA_BIN");
    if (!bin || !*bin) throw std::runtime_error("VORNA_BIN is not set: the stand-in servers cannot be found");
    std::string folder = std::string("Z:") + bin;
    for (char& c : folder) {
        if (c == '/') c = '\\';
    }
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

void CopyStandIns(const std::string& folder) {
    for (const auto& row : setup::ServerTable) {
        std::string from = BinFolder() + row.executable;
        std::string to = folder + row.executable;
        if (!::CopyFileA(from.c_str(), to.c_str(), FALSE)) throw std::runtime_error("cannot copy " + from + " to " + to);
    }
}

std::string MakeFolderOfLength(const std::string& parent, size_t length) {
    std::string name = "long folder ";
    if (parent.size() + name.size() + 1 > length) throw std::runtime_error("parent folder too long");
    name.append(length - parent.size() - name.size() - 1, 'x');
    std::string folder = parent + name + '\\';
    if (!::CreateDirectoryA(folder.c_str(), nullptr)) throw std::runtime_error("cannot create " + folder);
    return folder;
}

bool WaitForServiceState(const std::string& name, DWORD state, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        DWORD current = 0;
        if (setup::QueryServiceState(name, current) && current == state) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(50);
    }
}

bool ServiceExists(const std::string& name) {
    ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) throw std::runtime_error("cannot open the service control manager");
    ScopedServiceHandle service(::OpenServiceA(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS));
    return service.IsValid();
}

std::string RemoveSuiteServices() {
    std::string problems;
    ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return "cannot open the service control manager";
    for (const auto& row : setup::ServerTable) {
        {
            ScopedServiceHandle service(::OpenServiceA(manager.Get(), row.serviceName, SERVICE_ALL_ACCESS));
            if (!service) continue;
            SERVICE_STATUS status{};
            DWORD start = ::GetTickCount();
            // A stand-in may be slow to stop or refuse the stop for a moment: ask until stopped.
            while (::QueryServiceStatus(service.Get(), &status) && status.dwCurrentState != SERVICE_STOPPED) {
                if (status.dwCurrentState == SERVICE_RUNNING) ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
                if (::GetTickCount() - start > 20000) {
                    problems += std::string(row.serviceName) + " does not stop; ";
                    break;
                }
                ::Sleep(50);
            }
            if (!::DeleteService(service.Get()) && ::GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) {
                problems += std::string(row.serviceName) + " cannot be deleted; ";
            }
        }
        DWORD start = ::GetTickCount();
        while (ServiceExists(row.serviceName)) {
            if (::GetTickCount() - start > 10000) {
                problems += std::string(row.serviceName) + " stays registered; ";
                break;
            }
            ::Sleep(50);
        }
    }
    return problems;
}

bool ReadServiceConfig(const std::string& name, ServiceConfig& config) {
    ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return false;
    ScopedServiceHandle service(::OpenServiceA(manager.Get(), name.c_str(), SERVICE_QUERY_CONFIG));
    if (!service) return false;
    DWORD needed = 0;
    ::QueryServiceConfigA(service.Get(), nullptr, 0, &needed);
    if (needed == 0) return false;
    std::vector<char> buffer(needed);
    auto* raw = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!::QueryServiceConfigA(service.Get(), raw, needed, &needed)) return false;
    auto text = [](const char* value) { return value ? std::string(value) : std::string(); };
    config.serviceType = raw->dwServiceType;
    config.startType = raw->dwStartType;
    config.errorControl = raw->dwErrorControl;
    config.binaryPath = text(raw->lpBinaryPathName);
    config.displayName = text(raw->lpDisplayName);
    config.account = text(raw->lpServiceStartName);
    config.loadOrderGroup = text(raw->lpLoadOrderGroup);
    config.dependencies = text(raw->lpDependencies);
    return true;
}

HWND WaitForWindow(const char* windowClass, const char* caption, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        if (HWND window = ::FindWindowA(windowClass, caption)) return window;
        if (::GetTickCount() - start > timeoutMs) return nullptr;
        ::Sleep(50);
    }
}

StandInReport ReadStandInReport(HWND window) {
    StandInReport report;
    // The window can be found before the stand-in has made its label: wait for the text.
    std::string text;
    DWORD start = ::GetTickCount();
    while (text.empty() && ::GetTickCount() - start < 10000) {
        if (HWND label = ::FindWindowExA(window, nullptr, "Static", nullptr)) {
            char buffer[2048] = {};
            ::GetWindowTextA(label, buffer, sizeof(buffer));
            text = buffer;
        }
        if (text.empty()) ::Sleep(50);
    }
    auto line = [&text](const std::string& key) {
        size_t at = text.find(key);
        if (at == std::string::npos) return std::string();
        at += key.size();
        return text.substr(at, text.find("\r\n", at) - at);
    };
    report.program = line("\r\nProgram: ");
    report.workingFolder = line("\r\nWorking folder: ");
    return report;
}

namespace {

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

}  // namespace

void EndProgramsIn(const std::string& folder) {
    ScopedKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32First(snapshot.Get(), &entry); more; more = ::Process32Next(snapshot.Get(), &entry)) {
        ScopedKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE,
                                                 FALSE, entry.th32ProcessID));
        if (!process) continue;
        std::string image = ProcessImage(process.Get());
        if (image.size() < folder.size() || ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, image.c_str(),
                                                             static_cast<int>(folder.size()), folder.c_str(),
                                                             static_cast<int>(folder.size())) != CSTR_EQUAL) {
            continue;
        }
        ::EnumWindows(CloseWindowsOf, static_cast<LPARAM>(entry.th32ProcessID));
        if (::WaitForSingleObject(process.Get(), 5000) != WAIT_OBJECT_0) {
            ::TerminateProcess(process.Get(), 1);
            ::WaitForSingleObject(process.Get(), 5000);
        }
    }
}

}  // namespace testing_support
