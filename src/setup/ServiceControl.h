#pragma once
// The suite's three servers: Windows services on NT, plain programs with a main window on
// 95/98. Which way is taken is asked anew at every operation.
#include <windows.h>

#include <array>
#include <string>

#include "platform/BlockingCall.h"
#include "setup/InstallContext.h"
#include "setup/Progress.h"
#include "setup/Steps.h"

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

// The advice line under service and registry errors.
inline constexpr char kAdministratorAdvice[] =
    "Make sure you have the administrator privileges to install this software.";

// Starts (start = true) or stops one server; a server started on 95/98 is its program in
// destinationFolder. Starting does not wait for the running state, stopping does not wait for
// the stopped state. The start and the stop request, which may take long, go through blocking.
StepResult ControlServer(ServerIndex index, bool start, const std::string& destinationFolder,
                         const platform::CallRunner& blocking = {});

// NT: true when the service exists and its state could be read (state then set).
// 95/98: true when the server's main window exists (state untouched).
bool IsServerRunning(ServerIndex index, DWORD& state);

// Reads a service's current state; false (state untouched) when the manager or the service
// cannot be opened or queried. Never shows a message.
bool QueryServiceState(const std::string& name, DWORD& state);

// Creates (install = true) the server's service for its program in destinationFolder, or
// deletes it (the folder is then not used).
StepResult ChangeService(const ServerRow& server, bool install, const std::string& destinationFolder);
StepResult InstallService(SC_HANDLE manager, const ServerRow& server, const std::string& destinationFolder);
StepResult RemoveService(SC_HANDLE manager, const ServerRow& server);

// The executable path a service is registered with: folder + file, in quotation marks when
// it holds a space, so that the system cannot take a leading part of it for the program.
std::string ServiceExecutablePath(const std::string& folder, const std::string& file);
// The same for a whole path, which may stand in quotation marks already.
std::string QuotedServicePath(const std::string& path);

// Stops the running servers, waits 500 ms, and on NT deletes every service then stopped.
StepResult StopAndClearServices();
// The same, with the windows of progress answering through the pause.
StepResult StopAndClearServices(ProgressReport& progress);
// The install's step before any file is replaced.
StepResult CheckRunningServices(ProgressReport& progress);
// The install's last service steps: on NT create the three services, then start the three
// servers on every system, then report completion. Closing the progress window is the
// caller's.
StepResult InstallAndStartServices(ProgressReport& progress, const InstallContext& context);

// "Service error: " with the system's text for the last error and the advice line.
StepResult ReportServiceError();

// Hands a launch of file, started in folder, to the shell: no owner window, the file's
// default action, no parameters. The outcome is ignored.
void RunProgram(const std::string& file, int show, const std::string& folder);

}  // namespace setup
