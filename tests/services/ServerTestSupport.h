#pragma once
// What the service and server-window tests share: the stand-in servers, waits on real
// windows, and a recording progress report (service read-backs are in SuiteState.h).
#include <windows.h>

#include <string>
#include <vector>

#include "RecordingProgress.h"
#include "SuiteState.h"

namespace testing_support {

// The build's bin folder as a Windows path with its trailing backslash (from VORNA_BIN).
// Throws when the variable is missing, so a test cannot pass without its stand-ins.
std::string BinFolder();
// Copies smtp.exe, pop3.exe and control.exe from the bin folder into the folder.
void CopyStandIns(const std::string& folder);
// Makes (and returns) a folder below the parent whose full path with its trailing backslash
// is exactly `length` characters, with a space in its name.
std::string MakeFolderOfLength(const std::string& parent, size_t length);

// Polls for a top-level window of that class and caption; null on timeout.
HWND WaitForWindow(const char* windowClass, const char* caption, DWORD timeoutMs = 15000);
// The stand-in's "Program: " and "Working folder: " lines, read from its window.
struct StandInReport {
    std::string program;
    std::string workingFolder;
};
StandInReport ReadStandInReport(HWND window);

}  // namespace testing_support
