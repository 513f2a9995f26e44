#pragma once
// The parts of the install benchmark (main.cpp says what it measures): the payload, the baseline,
// the installs, the per-file breakdown, and the naming of the longest wait.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/SystemUi.h"

namespace installbench {

inline constexpr char kCaption[] = "VORNA Mail Server Setup";
inline constexpr char kDoneText[] = "The setup is complete. You may run the installed program now.";
inline constexpr DWORD kInstallTimeoutMs = 20 * 60 * 1000;

// ---- the payload (Payload.cpp) ----
void MakeFolder(const std::string& folder);
void DeleteTree(const std::string& folder);
void WriteWhole(HANDLE file, const char* data, size_t size);
void WriteRandomFile(const std::string& path, uint64_t size, uint64_t& state, std::vector<char>& block);
uint64_t FileSize(const std::string& path);
int CountFiles(const std::string& folder);
double Median(std::vector<double> values);

// Where each payload file goes in an installation tree.
enum class Place { Program, Html, Image, Applet };

struct PayloadFile {
    std::string name;
    Place place;
};

struct Payload {
    std::string folder;  // the files, as packed
    std::vector<PayloadFile> files;
    uint64_t bytes = 0;
    int images = 0;
    int large = 0;
};

// The payload as packed, listed again from its folder (in a child run).
Payload ListPayload(const std::string& folder);
// The manifest's files (the servers are the stand-ins beside this program), the applet, the
// small images and a few large files: vorna.hlp, vorna.rtf and users.exe, which the setup
// never runs, and one large image.
Payload MakePayload(const std::string& folder, int smallImages, uint64_t largeTotal);
// Setup.Dat: each member a 260-byte header (name length, name field, 32-bit size) and its bytes.
void PackArchive(const Payload& payload, const std::string& archivePath);

// ---- the baseline (Baseline.cpp) ----
// The baseline: every payload file copied into a temporary folder, then from there into an
// installation tree, the setup program too, then the pause while servers stop.
struct BaselineRun {
    double seconds = 0;
    double intoTemp = 0;   // the first pass
    double intoPlace = 0;  // the second pass and the setup program
};
void CopyIntoTemp(const Payload& payload, const std::string& temp);
void CopyIntoPlace(const Payload& payload, const std::string& temp, const std::string& destination,
                   const std::string& setupProgram);
BaselineRun Baseline(const Payload& payload, const std::string& temp, const std::string& destination,
                     const std::string& setupProgram);

// ---- the installs (InstallRuns.cpp) ----
// The steps of the sequence as the setup window's status bar names them, in order.
const char* const kSteps[] = {"Extracting Files", "Checking For Running Services", "Copying File",
                              "Creating Icons", "Installing Services", "Starting Services",
                              "Installation Complete"};
constexpr size_t kStepCount = sizeof(kSteps) / sizeof(kSteps[0]);

struct InstallRun {
    double seconds = 0;
    // Sampled runs only: seconds after the licence's Yes at which each step was last seen
    // running (< 0: never seen), and how many answers the sampling got.
    double stepEnd[kStepCount] = {};
    int samples = 0;
    double longestAnswerMs = 0;        // probed runs only
    std::string longestAnswerDuring;  // the status text just after that answer
    int longestAnswerAt = 0;          // local time of day (ms) when that answer came
};


// One install. Timed runs only look for the closing box, without messages; a sampled run also
// asks the status bar for its text all the time, to see how long each step takes; a probed run
// sends the setup window an empty message every 20 ms and keeps the longest wait for its answer
// (how long a click would wait; Windows calls a window that answers nothing for 5 s hung).
// A probed run sends the progress window its message while it is shown, else the setup window,
// up to the closing box, and writes the setup's /LOG to logPath.
enum class Watch { Timed, Sampled, Probed };
InstallRun Install(const std::string& media, Watch watch, const std::string& logPath = "");
// Puts the machine back as it was before the install, through the installation's own uninstall.
void Uninstall(const std::string& installed);

// ---- the per-file breakdown (PerFile.cpp), run in a child process ----
// Answers every question Yes, so that the setup window can be made without a person.
class AnswerYes final : public platform::SystemUi {
public:
    int MessageBox(const std::string&, const std::string&, UINT flags) override {
        return (flags & MB_YESNO) ? IDYES : IDOK;
    }
    [[noreturn]] void EndProgram(UINT exitCode) override { ::ExitProcess(exitCode); }
};
// The setup's own windows, made in this process as the setup makes them.
void MakeSetupWindows(platform::SystemUi& ui);
// The per-file work of the install against the baseline's, part by part; installExtra is the
// whole runs' (median install - median baseline) per file.
void ProfileFileSteps(const std::string& payloadFolder, const std::string& archivePath, const std::string& scratch,
                      int rounds, double installExtra);
// The per-file progress report taken apart.
void ProfileProgressReport(int count);
// The upgrade journal's cost once a run and per file, taken apart.
void ProfileJournal(int count, const std::string& scratch);

// ---- the longest wait (Responsiveness.cpp) ----
int LocalMsOfDay();
// Which step of the setup's /LOG ran during the wait [from, to] (time of day, ms), and which
// call run beside the windows overlapped it; also the longest such call of the run.
void NameTheWait(const std::string& logPath, int from, int to);

}  // namespace installbench
