#pragma once
// The suite's three servers: Windows services on NT, plain programs with a main window on
// 95/98. Which way is taken is asked anew at every operation.
#include <windows.h>

#include <array>
#include <string>

#include "setup/Progress.h"

namespace setup {

struct ServerRow {
    const char* serviceName;
    const char* displayName;
    const char* executable;
    const char* windowClass;  // 95/98: the server's top-level main window
    const char* caption;
};

// Addressed by a server index of 0, 1 or 2; every pass goes in index order.
using ServerIndex = unsigned char;
inline constexpr std::array<ServerRow, 3> ServerTable{{
    {"VORNASMTP", "VORNA SMTP Server", "smtp.exe", "TSMTPForm", "SMTP"},
    {"VORNAPOP3", "VORNA POP3 Server", "pop3.exe", "TPOP3Form", "POP3"},
    {"VORNAControl", "VORNA Control Server", "control.exe", "TControlForm", "Control"},
}};

// Service states the setup looks at.
constexpr DWORD kServiceStopped = SERVICE_STOPPED;  // 1
constexpr DWORD kServiceRunning = SERVICE_RUNNING;  // 4

// The current service, set by the caller before ChangeService. Creation reads all three,
// deletion reads only the name.
// The advice line under service and registry errors.
inline constexpr char kAdministratorAdvice[] =
    "Make sure you have the administrator privileges to install this software.";

inline std::string CurrentServiceFile;
inline std::string CurrentServiceName;
inline std::string CurrentServiceDisplayName;

// Starts (start = true) or stops one server. Starting does not wait for the running state,
// stopping does not wait for the stopped state. Service failures end the program.
void ControlServer(ServerIndex index, bool start);

// NT: true when the service exists and its state could be read (state then set).
// 95/98: true when the server's main window exists (state untouched).
bool IsServerRunning(ServerIndex index, DWORD& state);

// Reads a service's current state; false (state untouched) when the manager or the service
// cannot be opened or queried. Never shows a message.
bool QueryServiceState(const std::string& name, DWORD& state);

// Creates (install = true) or deletes the current service.
void ChangeService(bool install);
void InstallService(SC_HANDLE manager);
void RemoveService(SC_HANDLE manager);

// The executable path a service is registered with: folder + file, in quotation marks when
// it holds a space, so that the system cannot take a leading part of it for the program.
std::string ServiceExecutablePath(const std::string& folder, const std::string& file);

// Stops the running servers, waits 500 ms, and on NT deletes every service then stopped.
void StopAndClearServices();
// The install's step before any file is replaced.
void CheckRunningServices(ProgressReport& progress);
// The install's last service steps: on NT create the three services, then start the three
// servers on every system, then report completion. Closing the progress window is the
// caller's.
void InstallAndStartServices(ProgressReport& progress);

// "Service error: " box with the system's text for the last error, then the end (code 0).
[[noreturn]] void ReportServiceError();

// Hands a launch of file, started in folder, to the shell: no owner window, the file's
// default action, no parameters. The outcome is ignored.
void RunProgram(const std::string& file, int show, const std::string& folder);

}  // namespace setup
