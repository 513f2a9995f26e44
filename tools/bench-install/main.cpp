// bench_install <work folder> [--quick] [--rounds N] [--large MB]
//
// Times a whole install by the real Setup.exe (beside this program, with the stand-in servers)
// against a baseline taken in the same run:
//  - the install: Setup.exe started from a medium with a Setup.Dat of about 100 MB (the
//    manifest files, a few thousand small .gif images, a few large files), driven as a person
//    would (Yes, Install, Yes to the licence); the time runs from the licence's Yes to the
//    moment the closing "Information" box is on the screen. Between rounds the installation
//    is removed again through its own uninstall (not timed).
//  - the baseline: the same files copied file by file with CopyFileA into a temporary folder,
//    then from there into an installation tree (with the setup program and the applet), then
//    the 500 ms pause the install makes while servers stop.
// A third contender each round is the same install from a medium whose Setup.exe carries the
// SHA-256 of its Setup.Dat, as a release does: the archive is checked before it is unpacked.
// The order of the contenders turns each round. A last install, not compared, asks the setup window's
// status bar for its text all the time, which shows how long each step of the sequence took;
// then a child run (--per-file) makes the setup's windows in its own process and times the
// per-file work of the install against the baseline's, part by part (unpacking, the copy step,
// the progress report), and the progress report's own parts.
// The work folder must not exist or be empty; everything made in it is deleted at the end.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "Automation.h"
#include "BenchCommon.h"
#include "archive/DataUnit.h"
#include "archive/PayloadDigest.h"
#include "platform/FileSearch.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"
#include "platform/Forms.h"
#include "platform/SystemUi.h"
#include "setup/FileManifest.h"
#include "setup/Main.h"
#include "setup/InstallContext.h"
#include "setup/Upgrade.h"

namespace {

using bench::Check;
using bench::kMB;
using bench::Now;
using bench::RunChild;

constexpr char kCaption[] = "VORNA Mail Server Setup";
constexpr char kDoneText[] = "The setup is complete. You may run the installed program now.";
constexpr DWORD kInstallTimeoutMs = 20 * 60 * 1000;

void MakeFolder(const std::string& folder) {
    if (!platform::FolderExists(folder)) Check(::CreateDirectoryA(folder.c_str(), nullptr), "create " + folder);
}

void DeleteTree(const std::string& folder) {
    platform::ForEachEntry(folder, "*", [&](const WIN32_FIND_DATAA& entry) {
        const std::string path = folder + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteTree(path + "\\");
        } else {
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(path.c_str());
        }
    });
    ::RemoveDirectoryA(folder.c_str());
}

void FillBlock(std::vector<char>& block, size_t size, uint64_t& state) {
    for (size_t i = 0; i + 8 <= size; i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::memcpy(&block[i], &state, 8);
    }
}

void WriteWhole(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        DWORD written = 0;
        Check(::WriteFile(file, data, static_cast<DWORD>(std::min<size_t>(size, 1 << 30)), &written, nullptr) &&
                  written > 0,
              "write");
        data += written;
        size -= written;
    }
}

void WriteRandomFile(const std::string& path, uint64_t size, uint64_t& state, std::vector<char>& block) {
    platform::ScopedFile out(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    Check(out.IsValid(), "create " + path);
    for (uint64_t left = size; left > 0;) {
        size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
        FillBlock(block, chunk, state);
        WriteWhole(out.Get(), block.data(), chunk);
        left -= chunk;
    }
}

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    Check(::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data), "size of " + path);
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

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

Place PlaceOf(const std::string& name) {
    for (const char* program : setup::ProgramFiles)
        if (name == program) return Place::Program;
    for (const char* html : setup::HtmlFiles)
        if (name == html) return Place::Html;
    return name == setup::kAppletName ? Place::Applet : Place::Image;
}

// The payload as packed, listed again from its folder (in a child run).
Payload ListPayload(const std::string& folder) {
    Payload payload;
    payload.folder = folder;
    platform::ForEachFile(folder, "*", platform::kAnyFileMask, [&](const std::string& name) {
        payload.files.push_back({name, PlaceOf(name)});
        payload.bytes += FileSize(folder + name);
    });
    return payload;
}

// The manifest's files (the servers are the stand-ins beside this program), the applet, the
// small images and a few large files: vorna.hlp, vorna.rtf and users.exe, which the setup
// never runs, and one large image.
Payload MakePayload(const std::string& folder, int smallImages, uint64_t largeTotal) {
    Payload payload;
    payload.folder = folder;
    MakeFolder(folder);
    std::vector<char> block(1 << 20);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    const std::map<std::string, uint64_t> largeShare = {
        {"vorna.hlp", 40}, {"vorna.rtf", 25}, {"users.exe", 20}, {"backdrop.gif", 15}};
    std::string bin = platform::ModuleFolder();
    for (const char* name : setup::ProgramFiles) {
        std::string target = folder + name;
        std::string server = bin + name;
        bool isServer = std::strcmp(name, "smtp.exe") == 0 || std::strcmp(name, "pop3.exe") == 0 ||
                        std::strcmp(name, "control.exe") == 0;
        if (isServer) {
            Check(::CopyFileA(server.c_str(), target.c_str(), FALSE), "copy the stand-in " + server);
        } else if (largeShare.count(name)) {
            WriteRandomFile(target, largeTotal * largeShare.at(name) / 100, state, block);
            ++payload.large;
        } else {
            WriteRandomFile(target, 2048 + state % 30000, state, block);
        }
        payload.files.push_back({name, Place::Program});
    }
    for (const char* name : setup::HtmlFiles) {
        WriteRandomFile(folder + name, 1024 + state % 8192, state, block);
        payload.files.push_back({name, Place::Html});
    }
    for (int i = 0; i < smallImages; ++i) {
        std::string name = "image" + std::to_string(i) + ".gif";
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        WriteRandomFile(folder + name, 1024 + state % (31 * 1024), state, block);
        payload.files.push_back({name, Place::Image});
        ++payload.images;
    }
    WriteRandomFile(folder + "backdrop.gif", largeTotal * largeShare.at("backdrop.gif") / 100, state, block);
    payload.files.push_back({"backdrop.gif", Place::Image});
    ++payload.images;
    ++payload.large;
    WriteRandomFile(folder + setup::kAppletName, 40000, state, block);
    payload.files.push_back({setup::kAppletName, Place::Applet});
    for (const PayloadFile& file : payload.files) payload.bytes += FileSize(folder + file.name);
    return payload;
}

// Setup.Dat: each member a 260-byte header (name length, name field, 32-bit size) and its bytes.
void PackArchive(const Payload& payload, const std::string& archivePath) {
    platform::ScopedFile out(
        ::CreateFileA(archivePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    Check(out.IsValid(), "create " + archivePath);
    std::vector<char> buffer(1 << 20);
    for (const PayloadFile& file : payload.files) {
        uint64_t size = FileSize(payload.folder + file.name);
        char header[archive::kHeaderSize] = {};
        header[0] = static_cast<char>(file.name.size());
        std::memcpy(header + 1, file.name.data(), file.name.size());
        for (int i = 0; i < 4; ++i) header[256 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
        WriteWhole(out.Get(), header, sizeof(header));
        platform::ScopedFile in(::CreateFileA((payload.folder + file.name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
        Check(in.IsValid(), "open " + file.name);
        for (;;) {
            DWORD read = 0;
            Check(::ReadFile(in.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr), "read");
            if (read == 0) break;
            WriteWhole(out.Get(), buffer.data(), read);
        }
    }
}

// The baseline: every payload file copied into a temporary folder, then from there into an
// installation tree, the setup program too, then the pause while servers stop.
struct BaselineRun {
    double seconds = 0;
    double intoTemp = 0;   // the first pass
    double intoPlace = 0;  // the second pass and the setup program
};

void CopyIntoTemp(const Payload& payload, const std::string& temp) {
    MakeFolder(temp);
    for (const PayloadFile& file : payload.files)
        Check(::CopyFileA((payload.folder + file.name).c_str(), (temp + file.name).c_str(), FALSE), "copy");
}

void CopyIntoPlace(const Payload& payload, const std::string& temp, const std::string& destination,
                   const std::string& setupProgram) {
    std::string html = destination + "html\\", images = html + "images\\", system = destination + "system\\";
    MakeFolder(destination);
    MakeFolder(html);
    MakeFolder(images);
    MakeFolder(system);
    for (const PayloadFile& file : payload.files) {
        const std::string& into = file.place == Place::Program ? destination
                                  : file.place == Place::Html  ? html
                                  : file.place == Place::Image ? images
                                                               : system;
        Check(::CopyFileA((temp + file.name).c_str(), (into + file.name).c_str(), FALSE), "copy");
    }
    Check(::CopyFileA(setupProgram.c_str(), (destination + "Setup.exe").c_str(), FALSE), "copy Setup.exe");
}

BaselineRun Baseline(const Payload& payload, const std::string& temp, const std::string& destination,
                     const std::string& setupProgram) {
    BaselineRun run;
    double start = Now();
    CopyIntoTemp(payload, temp);
    run.intoTemp = Now() - start;
    CopyIntoPlace(payload, temp, destination, setupProgram);
    run.intoPlace = Now() - start - run.intoTemp;
    ::Sleep(500);
    run.seconds = Now() - start;
    DeleteTree(temp);
    DeleteTree(destination);
    return run;
}

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

int LocalMsOfDay() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return ((now.wHour * 60 + now.wMinute) * 60 + now.wSecond) * 1000 + now.wMilliseconds;
}

// The time of day (ms) a /LOG line starts with ("hh:mm:ss.mmm  "), or -1.
int LogLineMs(const std::string& line) {
    unsigned h = 0, m = 0, sec = 0, ms = 0;
    if (std::sscanf(line.c_str(), "%2u:%2u:%2u.%3u", &h, &m, &sec, &ms) != 4) return -1;
    return static_cast<int>(((h * 60 + m) * 60 + sec) * 1000 + ms);
}

// Which step of the setup's /LOG ran during the wait [from, to] (time of day, ms), and which
// call run beside the windows overlapped it; also the longest such call of the run.
void NameTheWait(const std::string& logPath, int from, int to) {
    std::string text;
    {
        platform::ScopedFile file(::CreateFileA(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
        char buffer[4096];
        DWORD got = 0;
        while (file && ::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    }
    std::string step = "(before the first step)", overlapping = "none", longest = "none";
    int longestMs = -1;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r')) line.pop_back();
        int at = LogLineMs(line);
        if (at < 0 || line.size() < 14) continue;
        std::string event = line.substr(14);
        const std::string started = ": started", beside = "Beside the windows: ";
        if (event.size() > started.size() && event.ends_with(started) && at <= to)
            step = event.substr(0, event.size() - started.size());
        if (event.rfind(beside, 0) == 0) {
            size_t colon = event.rfind(": ");
            int took = std::atoi(event.c_str() + colon + 2);
            std::string call = event.substr(beside.size(), colon - beside.size());
            if (at - took <= to && at >= from) overlapping = call + " (" + std::to_string(took) + " ms)";
            if (took > longestMs) {
                longestMs = took;
                longest = call + " (" + std::to_string(took) + " ms)";
            }
        }
    }
    std::printf("  the longest wait came in the step %s; call run beside the windows meanwhile: %s\n", step.c_str(),
                overlapping.c_str());
    std::printf("  the longest call run beside the windows: %s\n", longest.c_str());
}

struct FindContext {
    DWORD processId;
    const char* caption;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM context) {
    auto* find = reinterpret_cast<FindContext*>(context);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId != find->processId || !::IsWindowVisible(window)) return TRUE;
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof(className));
    if (std::strcmp(className, find->className) != 0) return TRUE;
    wchar_t wide[256] = {};
    int length = ::InternalGetWindowText(window, wide, 256);
    char caption[512] = {};
    if (length > 0)
        ::WideCharToMultiByte(CP_ACP, 0, wide, length, caption, sizeof(caption) - 1, nullptr, nullptr);
    if (std::strcmp(caption, find->caption) != 0) return TRUE;
    find->found = window;
    return FALSE;
}

// A visible top-level window of the process, found without sending it any message: a busy
// setup is not held up, and the answer does not wait for it.
HWND FindTopLevel(DWORD processId, const char* caption, const char* className) {
    FindContext context{processId, caption, className, nullptr};
    ::EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&context));
    return context.found;
}

// Asks for the status bar's text and waits for the answer. The setup answers only when it lets
// window messages run, which it does at the start of every progress report: the answer is the
// text of the step that has just ended.
std::string AskStatusText(HWND statusBar) {
    char text[1024] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutA(statusBar, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                               60000, &copied))
        return {};
    return std::string(text, std::min<size_t>(copied, sizeof(text) - 1));
}

// One install. Timed runs only look for the closing box, without messages; a sampled run also
// asks the status bar for its text all the time, to see how long each step takes; a probed run
// sends the setup window an empty message every 20 ms and keeps the longest wait for its answer
// (how long a click would wait; Windows calls a window that answers nothing for 5 s hung).
// A probed run sends the progress window its message while it is shown, else the setup window,
// up to the closing box, and writes the setup's /LOG to logPath.
enum class Watch { Timed, Sampled, Probed };
InstallRun Install(const std::string& media, Watch watch, const std::string& logPath = "") {
    const bool sampled = watch == Watch::Sampled;
    automation::Process setup;
    const std::string log = logPath.empty() ? std::string() : " /LOG=\"" + logPath + "\"";
    Check(setup.Start("\"" + media + "Setup.exe\"" + log, media), "start Setup.exe");
    automation::Window question = automation::WaitForMessageBox(kCaption, 60000, setup.Id());
    if (!question || !automation::PressButton(question.handle, "Yes")) throw std::runtime_error("no install question");
    automation::Window window = automation::WaitForWindow(kCaption, 60000, setup.Id(), "TMainForm");
    if (!window) throw std::runtime_error("the setup window did not show");
    std::vector<HWND> bars = automation::Children(window.handle, STATUSCLASSNAMEA);
    if (sampled && bars.empty()) throw std::runtime_error("no status bar in the setup window");
    ::Sleep(1000);  // let it settle: the measured part starts later anyway
    if (!automation::PressButton(window.handle, "Install")) throw std::runtime_error("no Install button");
    automation::Window licence = automation::WaitForMessageBox(kCaption, 60000, setup.Id());
    if (!licence) throw std::runtime_error("no licence question");

    InstallRun run;
    std::fill(std::begin(run.stepEnd), std::end(run.stepEnd), -1.0);
    double start = Now();
    if (!automation::PressButton(licence.handle, "Yes")) throw std::runtime_error("no Yes on the licence question");
    HWND done = nullptr;
    for (;;) {
        if ((done = FindTopLevel(setup.Id(), "Information", "#32770"))) {
            run.seconds = Now() - start;
            break;
        }
        if (HWND error = FindTopLevel(setup.Id(), "Error", "#32770"))
            throw std::runtime_error("the install failed: " + automation::MessageBoxText(error));
        if (!setup.Running()) throw std::runtime_error("Setup.exe ended without its closing box");
        if ((Now() - start) * 1000 > kInstallTimeoutMs) throw std::runtime_error("the install did not finish in time");
        if (sampled) {
            std::string text = AskStatusText(bars.front());
            double now = Now() - start;
            ++run.samples;
            for (size_t i = 0; i < kStepCount; ++i)
                if (text.rfind(kSteps[i], 0) == 0) run.stepEnd[i] = now;
        } else {
            if (watch == Watch::Probed) {
                DWORD_PTR answer = 0;
                HWND progress = FindTopLevel(setup.Id(), "Processing...", "TRunForm");
                double asked = Now();
                ::SendMessageTimeoutA(progress ? progress : window.handle, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer);
                double waited = (Now() - asked) * 1000;
                if (waited > run.longestAnswerMs) {
                    run.longestAnswerMs = waited;
                    run.longestAnswerAt = LocalMsOfDay();
                    run.longestAnswerDuring = bars.empty() ? std::string() : AskStatusText(bars.front());
                }
            }
            // Coarse enough to leave the processor to the setup and the wine server: a busy
            // poll slowed the install it measured.
            ::Sleep(20);
        }
    }
    // The box can be on the screen a moment before its text is.
    std::string text;
    automation::WaitUntil([&] { return !(text = automation::MessageBoxText(done)).empty(); }, 10000);
    if (text != kDoneText) throw std::runtime_error("unexpected closing text: " + text);
    automation::PressButton(done, "OK");
    if (!setup.WaitForExit(60000)) throw std::runtime_error("Setup.exe did not end after its closing box");
    return run;
}

// Puts the machine back as it was before the install, through the installation's own uninstall.
void Uninstall(const std::string& installed) {
    automation::Process setup;
    Check(setup.Start("\"" + installed + "Setup.exe\" /UNINSTALL", installed), "start the uninstall");
    automation::Window question = automation::WaitForMessageBox(kCaption, 60000, setup.Id());
    if (!question || !automation::PressButton(question.handle, "Yes"))
        throw std::runtime_error("no uninstall question");
    automation::Window done = automation::WaitForMessageBox("Information", 120000, setup.Id());
    if (!done) throw std::runtime_error("the uninstall did not finish");
    automation::PressButton(done.handle, "OK");
    setup.WaitForExit(60000);
    DeleteTree(installed);
}

int CountFiles(const std::string& folder) {
    int count = 0;
    platform::ForEachFile(folder, "*", platform::kAnyFileMask, [&](const std::string&) { ++count; });
    return count;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Answers every question Yes, so that the setup window can be made without a person.
class AnswerYes final : public platform::SystemUi {
public:
    int MessageBox(const std::string&, const std::string&, UINT flags) override {
        return (flags & MB_YESNO) ? IDYES : IDOK;
    }
    [[noreturn]] void EndProgram(UINT exitCode) override { ::ExitProcess(exitCode); }
};

double PerCallMs(int count, const std::function<void(int)>& call) {
    double start = Now();
    for (int i = 0; i < count; ++i) call(i);
    return (Now() - start) * 1000 / count;
}

// The setup's own windows, made in this process as the setup makes them, shown as the install
// shows them.
void MakeSetupWindows(platform::SystemUi& ui) {
    platform::SetUi(&ui);
    platform::Application& application = platform::Application::Instance();
    application.Initialize();
    setup::BackgroundForm = application.CreateForm<windows::TBackgroundForm>();
    setup::MainForm = application.CreateForm<setup::TMainForm>(std::vector<std::string>{});
    setup::RunForm = application.CreateForm<windows::TRunForm>();
    setup::BrowseFolder = application.CreateForm<windows::TBrowseFolder>();
    setup::BackgroundForm->SetupWindow = setup::MainForm;
    setup::BackgroundForm->Show();
    setup::MainForm->Show();
    setup::MainForm->ShowProgress("Extracting Files...");
    for (int i = 0; i < 20; ++i) application.ProcessMessages();
}

// The per-file work of the install, step by step, against the baseline's, in the setup's own
// windows (this process), each part timed alone and the order turning each round:
//  - unpacking Setup.Dat (ExtractArchive) against CopyFileA of each file into TEMP;
//  - the install's copy step (CopyAllFiles) without its report against CopyFileA into place;
//  - the same copy step with the real report (the setup window's ShowProgress);
//  - removing the unpacked files at the end (the baseline leaves its copies).
// installExtra: the whole runs' (median install - median baseline) per file, which the parts
// should account for together with the steps that run once.
void ProfileFileSteps(const std::string& payloadFolder, const std::string& archivePath, const std::string& scratch,
                      int rounds, double installExtra) {
    Payload payload = ListPayload(payloadFolder);
    const double files = static_cast<double>(payload.files.size() + 1);  // and the setup program
    const std::string temp = scratch + "temp\\", extracted = scratch + "extract\\";
    const std::string place = scratch + "place\\", bare = scratch + "bare\\", reported = scratch + "reported\\";
    const std::string journaled = scratch + "journaled\\";
    const std::string self = platform::ModulePath();
    // The copy step with a report that shows nothing: the step's own cost without the report.
    setup::NoProgress noReport;
    archive::ExtractedFiles held;
    std::vector<double> intoTemp, extract, intoPlace, copyBare, copyReported, copyJournaled, removal;
    auto copyStep = [&](setup::ProgressReport& progress, const std::string& destination, bool journaled = false) {
        setup::InstallContext context;
        // As in the install: every file the copy makes or replaces gets its line in the upgrade's
        // journal first.
        setup::UpgradeKeeper keeper(context);
        if (journaled) context.Keeper = &keeper;
        context.DestinationFolder = destination;
        context.SystemFolder = destination + "system\\";
        context.ExtractFolder = extracted;
        context.Unpacked = &held;
        MakeFolder(destination);
        MakeFolder(context.SystemFolder);
        double start = Now();
        if (journaled && !keeper.RecordPrevious().done) throw std::runtime_error("journal");
        if (!setup::CreateFolders(context).done || !setup::CopyAllFiles(progress, context).done)
            throw std::runtime_error("copy step");
        double seconds = Now() - start;
        keeper.Discard();
        return seconds;
    };
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn + round) % 2 == 0) {
                double start = Now();
                CopyIntoTemp(payload, temp);
                intoTemp.push_back(Now() - start);
            } else {
                double start = Now();
                // As in the install, the unpacked files stay held until the copy step is done.
                if (!archive::ExtractArchive(archivePath, extracted, held)) throw std::runtime_error("extract");
                extract.push_back(Now() - start);
            }
        }
        for (int turn = 0; turn < 4; ++turn) {
            switch ((turn + round) % 4) {
            case 0: {
                double start = Now();
                CopyIntoPlace(payload, temp, place, self);
                intoPlace.push_back(Now() - start);
                DeleteTree(place);
                break;
            }
            case 1:
                copyBare.push_back(copyStep(noReport, bare));
                DeleteTree(bare);
                break;
            case 2:
                copyReported.push_back(copyStep(*setup::MainForm, reported));
                DeleteTree(reported);
                break;
            default:
                copyJournaled.push_back(copyStep(noReport, journaled, true));
                DeleteTree(journaled);
                break;
            }
        }
        DeleteTree(temp);
        double start = Now();
        held.Release();
        archive::RemoveFolder(extracted);
        removal.push_back(Now() - start);
        DeleteTree(extracted);
    }
    auto ms = [&](const std::vector<double>& seconds) { return Median(seconds) * 1000 / files; };
    double unpack = ms(extract) - ms(intoTemp), copy = ms(copyBare) - ms(intoPlace);
    double report = ms(copyReported) - ms(copyBare), remove = ms(removal);
    double journal = ms(copyJournaled) - ms(copyBare);
    std::printf("per-file work, %.0f files, in the setup's own windows (this process), median of %d rounds:\n",
                files, rounds);
    std::printf("                                                install   baseline   difference\n");
    std::printf("  unpacking: ExtractArchive / CopyFileA into TEMP %6.3f ms  %6.3f ms  %+7.3f ms\n", ms(extract),
                ms(intoTemp), unpack);
    std::printf("  copy step without its report / CopyFileA       %6.3f ms  %6.3f ms  %+7.3f ms\n", ms(copyBare),
                ms(intoPlace), copy);
    std::printf("  progress report (copy step with - without it)  %6.3f ms         -   %+7.3f ms\n", report, report);
    std::printf("  upgrade journal (copy step with - without it)  %6.3f ms         -   %+7.3f ms\n", journal, journal);
    std::printf("  releasing, removing the unpacked files         %6.3f ms         -   %+7.3f ms\n", remove, remove);
    std::printf("  sum of the per-file parts                                            %+7.3f ms\n",
                unpack + copy + report + journal + remove);
    std::printf("  whole runs: (median install - median baseline) / files               %+7.3f ms\n", installExtra);
    std::printf("    (the rest is the steps that run once: services, icons, the pause is in both)\n");
    std::fflush(stdout);
}

// The per-file progress report taken apart: what one report costs, and each of its parts alone.
void ProfileProgressReport(int count) {
    platform::Application& application = platform::Application::Instance();
    auto text = [](int i) {
        return "Copying File 'C:\\Program Files\\Vorna\\html\\images\\image" + std::to_string(i) + ".gif'...";
    };
    double report = PerCallMs(count, [&](int i) { setup::MainForm->ShowProgress(text(i)); });
    double messages = PerCallMs(count, [&](int) { application.ProcessMessages(); });
    double show = PerCallMs(count, [&](int) { setup::RunForm->Show(); });
    double panel = PerCallMs(count, [&](int i) {
        setup::RunForm->BackPanel->SetCaption(text(i));
        setup::RunForm->Update();
    });
    double status = PerCallMs(count, [&](int i) {
        setup::MainForm->StatusBar->SetPanelText(0, text(i));
        setup::MainForm->StatusBar->Update();
    });
    double statusText = PerCallMs(count, [&](int i) { setup::MainForm->StatusBar->SetPanelText(0, text(i)); });
    std::printf("\nprogress report per file, %d reports in the setup's own windows (this process):\n", count);
    std::printf("  ShowProgress as a whole                      %6.3f ms\n", report);
    std::printf("  letting waiting messages run alone           %6.3f ms\n", messages);
    std::printf("  progress window: Show alone (already shown)  %6.3f ms\n", show);
    std::printf("  progress window: new caption on screen       %6.3f ms\n", panel);
    std::printf("  status bar: new panel text on screen         %6.3f ms\n", status);
    std::printf("    of which the panel text alone (SB_SETTEXT) %6.3f ms\n", statusText);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 7 && std::string(argv[1]) == "--per-file") {
            AnswerYes ui;
            MakeSetupWindows(ui);
            ProfileFileSteps(platform::WithTrailingBackslash(argv[2]), argv[3], platform::WithTrailingBackslash(argv[4]), std::max(1, std::atoi(argv[5])), std::atof(argv[6]));
            ProfileProgressReport(1000);
            ::ExitProcess(0);  // the forms stay up to the end, as in the setup
        }
        if (argc < 2) {
            std::fprintf(stderr, "usage: bench_install <work folder> [--quick] [--rounds N] [--large MB]\n");
            return 2;
        }
        bool quick = false;
        int rounds = 3;
        uint64_t largeMember = 0;  // the size of the member the answer times are taken with
        for (int i = 2; i < argc; ++i) {
            std::string option = argv[i];
            if (option == "--quick") {
                quick = true;
                rounds = 1;
            } else if (option == "--rounds" && i + 1 < argc) {
                rounds = std::max(1, std::atoi(argv[++i]));
            } else if (option == "--large" && i + 1 < argc) {
                largeMember = static_cast<uint64_t>(std::max(1, std::atoi(argv[++i]))) << 20;
            }
        }
        std::string work = platform::WithTrailingBackslash(argv[1]);
        MakeFolder(work);
        std::string media = work + "media\\";
        MakeFolder(media);
        std::string bin = platform::ModuleFolder();
        Check(::CopyFileA((bin + "Setup.exe").c_str(), (media + "Setup.exe").c_str(), FALSE), "copy Setup.exe");

        int smallImages = quick ? 500 : 3000;
        uint64_t largeTotal = quick ? (8ull << 20) : (50ull << 20);
        Payload payload = MakePayload(work + "payload\\", smallImages, largeTotal);
        PackArchive(payload, media + "Setup.Dat");
        // The release's medium: the same archive, and a Setup.exe bound to it.
        std::string boundMedia = work + "bound\\";
        MakeFolder(boundMedia);
        Check(::CopyFileA((bin + "Setup.exe").c_str(), (boundMedia + "Setup.exe").c_str(), FALSE), "copy Setup.exe");
        Check(::CopyFileA((media + "Setup.Dat").c_str(), (boundMedia + "Setup.Dat").c_str(), FALSE), "copy Setup.Dat");
        archive::Digest digest{};
        std::string failure = archive::EmbedArchiveDigest(boundMedia + "Setup.exe", boundMedia + "Setup.Dat", digest);
        if (!failure.empty()) throw std::runtime_error(failure);
        std::printf("bench_install: a whole install by Setup.exe against copying its files twice, same run\n");
        std::printf("payload: %zu files (%d .gif images; %d large files, one of them an image), %.1f MB;"
                    " Setup.Dat %.1f MB\n",
                    payload.files.size(), payload.images, payload.large, payload.bytes / kMB,
                    FileSize(media + "Setup.Dat") / kMB);
        std::fflush(stdout);

        char tempPath[MAX_PATH] = {};
        DWORD tempLength = ::GetTempPathA(MAX_PATH, tempPath);
        Check(tempLength > 0 && tempLength < MAX_PATH, "TEMP");
        std::string baselineTemp = std::string(tempPath, tempLength) + "VORNABaseline\\";
        std::string baselineDestination = work + "baseline\\";
        const std::string installed = "C:\\Program Files\\Vorna\\";
        if (platform::FolderExists(installed)) throw std::runtime_error(installed + " exists already");

        auto installAndCheck = [&](Watch watch, const std::string& from, const std::string& log = "") {
            InstallRun run = Install(from, watch, log);
            int images = CountFiles(installed + "html\\images\\");
            if (images != payload.images)
                throw std::runtime_error("installed " + std::to_string(images) + " images, not " +
                                         std::to_string(payload.images));
            Uninstall(installed);
            return run;
        };

        std::vector<double> installs, baselines, ratios, checkedRatios;
        BaselineRun bestBaseline;
        for (int round = 0; round < rounds; ++round) {
            BaselineRun baseline;
            InstallRun run, checked;
            for (int turn = 0; turn < 3; ++turn) {
                int who = (turn + round) % 3;
                if (who == 0) {
                    baseline = Baseline(payload, baselineTemp, baselineDestination, media + "Setup.exe");
                } else if (who == 1) {
                    run = installAndCheck(Watch::Timed, media);
                } else {
                    checked = installAndCheck(Watch::Timed, boundMedia);
                }
            }
            if (baselines.empty() || baseline.seconds < bestBaseline.seconds) bestBaseline = baseline;
            installs.push_back(run.seconds);
            baselines.push_back(baseline.seconds);
            ratios.push_back(run.seconds / baseline.seconds);
            checkedRatios.push_back(checked.seconds / run.seconds);
            std::printf("round %d: install %7.2f s   baseline %7.2f s   ratio %.2f   bound to its archive %7.2f s\n",
                        round + 1, run.seconds, baseline.seconds, run.seconds / baseline.seconds, checked.seconds);
            std::fflush(stdout);
        }
        double bestInstall = *std::min_element(installs.begin(), installs.end());
        std::printf("\nbaseline (CopyFileA into TEMP, then into place, + 500 ms pause), best: %7.2f s"
                    "  (into TEMP %.2f s, into place %.2f s)\n",
                    bestBaseline.seconds, bestBaseline.intoTemp, bestBaseline.intoPlace);
        std::printf("install (licence Yes -> closing Information box), best:            %7.2f s\n", bestInstall);
        std::printf("install / baseline: %.2f (median of the rounds' ratios; best rounds: %.2f); target 1.20\n",
                    Median(ratios), bestInstall / bestBaseline.seconds);
        std::printf("install bound to its archive (SHA-256 checked first) / install: %.3f (median); at most 1.05\n",
                    Median(checkedRatios));
        double hashStart = Now();
        Check(archive::FileDigest(boundMedia + "Setup.Dat", digest, archive::kCopyBufferSize), "SHA-256");
        double hashSeconds = Now() - hashStart;
        std::printf("  the check alone (SHA-256 of Setup.Dat): %.2f s, %.1f%% of the best install\n", hashSeconds,
                    100 * hashSeconds / bestInstall);
        std::fflush(stdout);

        // Where the time goes: one more install whose status bar is asked for its text all the
        // time. Each answer comes when the setup next lets messages run, at the start of its
        // next progress report; so the last answer naming a step marks that step's end.
        InstallRun sampled = installAndCheck(Watch::Sampled, media);
        std::printf("\nsteps of a separate, sampled install (%.2f s in all, %d answers; not compared):\n",
                    sampled.seconds, sampled.samples);
        // The box's own message loop gives the last answer, so the last step runs to the box and
        // holds the closing of the progress window and the removal of the temporary folder.
        double previousEnd = 0;
        for (size_t i = 0; i < kStepCount; ++i) {
            if (sampled.stepEnd[i] < 0) {
                std::printf("  %-31s not seen\n", kSteps[i]);
                continue;
            }
            std::printf("  %-31s until %6.2f s  %6.2f s\n", kSteps[i], sampled.stepEnd[i],
                        sampled.stepEnd[i] - previousEnd);
            previousEnd = sampled.stepEnd[i];
        }
        std::printf("  (the last step runs to the closing box: progress window closed, temporary folder removed)\n");
        int copyStep = 2;
        if (sampled.stepEnd[copyStep] >= 0 && sampled.stepEnd[copyStep - 1] >= 0) {
            double files = static_cast<double>(payload.files.size() + 1);  // and the setup program
            std::printf("copying into place: %.2f ms per file in the install, %.2f ms per file in the baseline\n",
                        (sampled.stepEnd[copyStep] - sampled.stepEnd[copyStep - 1]) * 1000 / files,
                        bestBaseline.intoPlace * 1000 / files);
        }
        std::printf("\n");
        double files = static_cast<double>(payload.files.size() + 1);
        double extraPerFile = (Median(installs) - Median(baselines)) * 1000 / files;
        std::string scratch = work + "per-file\\";
        MakeFolder(scratch);
        // Folders go without their trailing backslash: before a closing quote it would escape it.
        auto bare = [](const std::string& folder) { return folder.substr(0, folder.size() - 1); };
        RunChild("--per-file \"" + bare(payload.folder) + "\" \"" + media + "Setup.Dat\" \"" + bare(scratch) + "\" " +
                 std::to_string(quick ? 1 : 3) + " " + std::to_string(extraPerFile));

        // Whether the windows answer through one large file: the payload again with vorna.hlp
        // grown to 1 GB (64 MB with --quick; --large sets it), on a release's medium, so that the archive's check,
        // the member's unpacking and its copy each take one long stretch.
        if (largeMember == 0) largeMember = quick ? (64ull << 20) : (1ull << 30);
        {
            std::vector<char> block(1 << 20);
            uint64_t state = 0x2545F4914F6CDD1Dull;
            WriteRandomFile(payload.folder + "vorna.hlp", largeMember, state, block);
        }
        std::string largeMedia = work + "large\\";
        MakeFolder(largeMedia);
        Check(::CopyFileA((bin + "Setup.exe").c_str(), (largeMedia + "Setup.exe").c_str(), FALSE), "copy Setup.exe");
        PackArchive(payload, largeMedia + "Setup.Dat");
        failure = archive::EmbedArchiveDigest(largeMedia + "Setup.exe", largeMedia + "Setup.Dat", digest);
        if (!failure.empty()) throw std::runtime_error(failure);
        const std::string largeLog = work + "large.log";
        InstallRun probed = installAndCheck(Watch::Probed, largeMedia, largeLog);
        std::printf("\nwith a member of %.0f MB: the install took %.2f s; the longest the setup's windows took to "
                    "answer a message, up to the closing box: %.0f ms (target at most 250 ms), at \"%s\"\n",
                    largeMember / kMB, probed.seconds, probed.longestAnswerMs, probed.longestAnswerDuring.c_str());
        NameTheWait(largeLog, probed.longestAnswerAt - static_cast<int>(probed.longestAnswerMs), probed.longestAnswerAt);
        DeleteTree(work);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_install: %s\n", error.what());
        return 1;
    }
}
