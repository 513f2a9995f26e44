// Whole installs by the real Setup.exe, driven from outside, and their removal.
#include "InstallBench.h"

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


namespace installbench {

using bench::Check;
using bench::kMB;
using bench::Now;
using bench::RunChild;

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
InstallRun Install(const std::string& media, Watch watch, const std::string& logPath) {
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

}  // namespace installbench
