// Start-up time of Setup.exe against a minimal one-window Win32 program, in the same run:
// the time from starting the process to its first visible window (Setup's install question),
// and for Setup also from the answer Yes to the visible setup window.
//   bench_startup [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Automation.h"

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

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    std::string folder = Folder();
    std::vector<double> minimal, question, setupWindow;
    for (int round = 0; round < rounds; ++round) {
        {
            automation::Process process;
            double ms = TimeToWindow(process, "\"" + folder + "minimal_window.exe\"", "Minimal", "MinimalWindow");
            if (ms < 0) return std::fprintf(stderr, "the minimal program showed no window\n"), 1;
            minimal.push_back(ms);
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
    std::printf("Setup.exe, start to the install question:      %8.1f ms  (%.2f x the minimal program)\n",
                Median(question), Median(question) / baseline);
    std::printf("Setup.exe, Yes to the visible setup window:    %8.1f ms\n", Median(setupWindow));
    std::printf("Setup.exe, start to the setup window in all:   %8.1f ms  (%.2f x, not counting the answer)\n",
                Median(question) + Median(setupWindow), (Median(question) + Median(setupWindow)) / baseline);
    return 0;
}
