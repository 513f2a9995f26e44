#pragma once
// What the service and server-window tests share: the stand-in servers, waits on the real
// service control manager and on real windows, and a recording progress report.
#include <windows.h>

#include <string>
#include <vector>

#include "setup/Progress.h"

namespace testing_support {

class RecordingProgress final : public setup::ProgressReport {
public:
    void ShowProgress(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

// The build's bin folder as a Windows path with its trailing backslash (from VORNA_BIN).
// Throws when the variable is missing, so a test cannot pass without its stand-ins.
std::string BinFolder();
// Copies smtp.exe, pop3.exe and control.exe from the bin folder into the folder.
void CopyStandIns(const std::string& folder);
// Makes (and returns) a folder below the parent whose full path with its trailing backslash
// is exactly `length` characters, with a space in its name.
std::string MakeFolderOfLength(const std::string& parent, size_t length);

// Polls until the service reports the state; false on timeout or when it cannot be read.
bool WaitForServiceState(const std::string& name, DWORD state, DWORD timeoutMs = 15000);
bool ServiceExists(const std::string& name);
// Stops (waiting for the stop) and deletes the suite's services, waiting until they are gone.
// Returns a description of what could not be cleaned, empty when all went well.
std::string RemoveSuiteServices();

struct ServiceConfig {
    DWORD serviceType = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    std::string binaryPath;
    std::string displayName;
    std::string account;
    std::string loadOrderGroup;
    std::string dependencies;
};
bool ReadServiceConfig(const std::string& name, ServiceConfig& config);

// Polls for a top-level window of that class and caption; null on timeout.
HWND WaitForWindow(const char* windowClass, const char* caption, DWORD timeoutMs = 15000);
// The stand-in's "Program: " and "Working folder: " lines, read from its window.
struct StandInReport {
    std::string program;
    std::string workingFolder;
};
StandInReport ReadStandInReport(HWND window);
// Ends every process whose program lies in the folder (politely by window first) and waits
// for it, so that the folder can be removed.
void EndProgramsIn(const std::string& folder);

}  // namespace testing_support
