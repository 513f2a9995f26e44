// Start-up time of Setup.exe against a minimal one-window Win32 program, in the same run:
// the time from starting the process to its first visible window (Setup's install question),
// and for Setup also from the answer Yes to the visible setup window. Then a child run makes
// the setup's windows in its own process as Setup.exe does and times each part of the way to
// the question and on to the visible setup window, with the DLLs loaded by then.
//   bench_startup [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Automation.h"
#include "BenchCommon.h"
#include "platform/SystemUi.h"
#include "setup/Main.h"
#include "windows/LicenseText.h"

#include <psapi.h>

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::string Folder() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// Starts the program and waits for a visible window with the caption; milliseconds, or -1.
double TimeToWindow(automation::Process& process, const std::string& commandLine, const std::string& caption,
                    const std::string& className) {
    Clock::time_point start = Clock::now();
    if (!process.Start(commandLine)) return -1;
    automation::Window window = automation::WaitForWindow(caption, 30000, process.Id(), className);
    return window ? Milliseconds(start, Clock::now()) : -1;
}

double SecondsSinceProcessStart() {
    FILETIME created, exited, kernel, user, now;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    ::GetSystemTimeAsFileTime(&now);
    auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(created)) / 1e7;
}

int LoadedModules() {
    HMODULE modules[512];
    DWORD bytes = 0;
    ::EnumProcessModules(::GetCurrentProcess(), modules, sizeof(modules), &bytes);
    return static_cast<int>(bytes / sizeof(HMODULE));
}

// Answers Yes, noting when the first question came and how many DLLs were loaded then.
class QuestionClock final : public platform::SystemUi {
public:
    int MessageBox(const std::string&, const std::string&, UINT flags) override {
        if (askedAt < 0) {
            askedAt = Clock::now().time_since_epoch().count();
            modulesAtQuestion = LoadedModules();
        }
        return (flags & MB_YESNO) ? IDYES : IDOK;
    }
    [[noreturn]] void EndProgram(UINT exitCode) override { ::ExitProcess(exitCode); }
    long long askedAt = -1;
    int modulesAtQuestion = 0;
};

// The way to the question and to the visible setup window, part by part, as Setup.exe goes it
// (in this process, which links the same code): each part's milliseconds.
void TimeParts(bool warm) {
    double loaded = SecondsSinceProcessStart() * 1000;
    int modulesAtStart = LoadedModules();
    QuestionClock ui;
    platform::SetUi(&ui);
    platform::Application& application = platform::Application::Instance();
    std::vector<std::pair<const char*, double>> parts;
    Clock::time_point mark = Clock::now();
    auto part = [&](const char* name) {
        Clock::time_point now = Clock::now();
        parts.emplace_back(name, Milliseconds(mark, now));
        mark = now;
    };
    application.Initialize();
    part("application (common controls)");
    if (warm) {
        {
            HFONT font = ::CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
            HDC dc = ::GetDC(nullptr);
            HGDIOBJ old = ::SelectObject(dc, font);
            TEXTMETRICA metrics;
            ::GetTextMetricsA(dc, &metrics);
            SIZE size;
            ::GetTextExtentPoint32A(dc, "Abc", 3, &size);
            ::SelectObject(dc, old);
            ::ReleaseDC(nullptr, dc);
            ::DeleteObject(font);
        }
        part("warm-up: first font");
        {
            HWND button = ::CreateWindowExA(0, "BUTTON", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
            ::DestroyWindow(button);
        }
        part("warm-up: first button");
        {
            HWND window = ::CreateWindowExA(0, "STATIC", "x", WS_POPUP | WS_CAPTION, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
            ::DestroyWindow(window);
        }
        part("warm-up: a top-level window");
        ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_QUESTION));
        part("warm-up: the question icon");
        {
            platform::Form scratch("BenchScratch");
            scratch.Create();
            platform::Memo memo(&scratch);
            memo.SetBounds(7, 19, 437, 155);
            memo.SetLines(windows::LicenseLines());
        }
        part("warm-up: a licence text box in a hidden window");
    }
    setup::BackgroundForm = application.CreateForm<windows::TBackgroundForm>();
    part("backdrop window made, hidden");
    setup::MainForm = application.CreateForm<setup::TMainForm>(std::vector<std::string>{});
    Clock::time_point made = Clock::now();
    Clock::time_point asked{Clock::duration(ui.askedAt)};
    parts.emplace_back("setup window made, to the question", Milliseconds(mark, asked));
    parts.emplace_back("after Yes: folder read, controls made, shown", Milliseconds(asked, made));
    mark = made;
    int modulesAtQuestion = ui.modulesAtQuestion;
    setup::RunForm = application.CreateForm<windows::TRunForm>();
    part("progress window made");
    setup::BrowseFolder = application.CreateForm<windows::TBrowseFolder>();
    part("folder chooser made");
    setup::BackgroundForm->SetupWindow = setup::MainForm;
    setup::BackgroundForm->Show();
    ::UpdateWindow(setup::BackgroundForm->Handle());
    part("backdrop shown and painted");
    application.ProcessMessages();
    ::UpdateWindow(setup::MainForm->Handle());
    part("setup window to the front, painted");
    std::printf("\nthe way there, part by part (one run of the same code in this process%s):\n",
                warm ? ", after warming up what Wine does once per process" : "");
    std::printf("  process start to main (loader, %d DLLs)          %7.1f ms\n", modulesAtStart, loaded);
    for (auto& [name, ms] : parts) std::printf("  %-48s %7.1f ms\n", name, ms);
    std::printf("  DLLs loaded at the question: %d; at the end: %d\n", modulesAtQuestion, LoadedModules());
    std::fflush(stdout);
    ::ExitProcess(0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--parts") TimeParts(argc > 2 && std::string(argv[2]) == "warm");
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    std::string folder = Folder();
    std::vector<double> minimal, styled, box, question, setupWindow;
    struct Baseline {
        const char* program;
        const char* windowClass;
        std::vector<double>* times;
    };
    const Baseline baselines[] = {{"minimal_window.exe", "MinimalWindow", &minimal},
                                  {"minimal_styled.exe", "MinimalWindow", &styled},
                                  {"minimal_question.exe", "#32770", &box}};
    for (int round = 0; round < rounds; ++round) {
        for (const Baseline& baseline : baselines) {
            automation::Process process;
            double ms = TimeToWindow(process, "\"" + folder + baseline.program + "\"", "Minimal", baseline.windowClass);
            if (ms < 0) return std::fprintf(stderr, "%s showed no window\n", baseline.program), 1;
            baseline.times->push_back(ms);
        }
        {
            automation::Process process;
            double ms = TimeToWindow(process, "\"" + folder + "Setup.exe\"", "VORNA Mail Server Setup", "#32770");
            if (ms < 0) return std::fprintf(stderr, "Setup.exe asked no question\n"), 1;
            question.push_back(ms);
            automation::Window box = automation::WaitForMessageBox("VORNA Mail Server Setup", 5000, process.Id());
            Clock::time_point yes = Clock::now();
            automation::PressButton(box.handle, "Yes");
            automation::Window window =
                automation::WaitForWindow("VORNA Mail Server Setup", 30000, process.Id(), "TMainForm");
            if (!window) return std::fprintf(stderr, "the setup window did not show\n"), 1;
            setupWindow.push_back(Milliseconds(yes, Clock::now()));
        }
    }
    double baseline = Median(minimal);
    std::printf("rounds: %d (medians)\n", rounds);
    std::printf("minimal Win32 program, start to its window:   %8.1f ms\n", baseline);
    std::printf("the same with the setup's manifest (styles):   %8.1f ms\n", Median(styled));
    std::printf("a question box as first window, with styles:   %8.1f ms\n", Median(box));
    std::printf("Setup.exe, start to the install question:      %8.1f ms  (%.2f x the minimal program, %.2f x the "
                "styled one, %.2f x the question box)\n",
                Median(question), Median(question) / baseline, Median(question) / Median(styled),
                Median(question) / Median(box));
    std::printf("Setup.exe, Yes to the visible setup window:    %8.1f ms\n", Median(setupWindow));
    std::printf("Setup.exe, start to the setup window in all:   %8.1f ms  (%.2f x, not counting the answer)\n",
                Median(question) + Median(setupWindow), (Median(question) + Median(setupWindow)) / baseline);
    bench::RunChild("--parts");
    bench::RunChild("--parts warm");
    return 0;
}
