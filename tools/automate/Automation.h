#pragma once
// Drives another program's windows as a person would: finds top-level windows and message
// boxes by caption, reads their texts, presses their buttons, asks them to close, and
// watches the process end. Used by the end-to-end tests and by automate.exe.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/ScopedHandle.h"

namespace automation {

struct Window {
    HWND handle = nullptr;
    std::string caption;
    std::string className;
    DWORD processId = 0;
    bool visible = false;
    explicit operator bool() const { return handle != nullptr; }
};

// Top-level windows, optionally only those of one process; visible ones only unless asked.
std::vector<Window> TopLevelWindows(DWORD processId = 0, bool includeHidden = false);
// Waits until a visible top-level window with this caption (and class, when given) exists.
Window WaitForWindow(const std::string& caption, DWORD timeoutMs, DWORD processId = 0,
                     const std::string& className = "");
// A message box is a dialog (#32770); its text is the static control 0xFFFF.
Window WaitForMessageBox(const std::string& caption, DWORD timeoutMs, DWORD processId = 0);
bool IsMessageBox(HWND window);
std::string MessageBoxText(HWND box);
// Which standard icon a message box shows (IDI_ERROR, IDI_QUESTION, ...), found by drawing
// each candidate and comparing pixels; nullptr when none matches.
LPCSTR MessageBoxIcon(HWND box);

std::string WindowText(HWND window);
std::string ClassName(HWND window);
// Child windows in z-order (depth first), optionally only of one class.
std::vector<HWND> Children(HWND parent, const std::string& className = "");
// The first child whose text (with '&' removed) equals text.
HWND FindChildByText(HWND parent, const std::string& text, const std::string& className = "");
// Button labels without their '&'.
std::vector<std::string> ButtonTexts(HWND window);
// Presses the button labelled text (ignoring '&') as a click would; false if there is none.
bool PressButton(HWND window, const std::string& text);
// Asks the window to close, as its close button would.
void RequestClose(HWND window);
// The text of a status bar's first panel.
std::string StatusBarText(HWND statusBar);

// Presses keys as a person at the keyboard does: through the X server of the run (DISPLAY),
// with xdotool's key names ("Tab", "shift+Tab", "alt+b", "Return"), one after another. False,
// with the reason in error, when xdotool is missing or could not send them.
bool TypeKeys(const std::string& keys, std::string* error = nullptr);
// The control that has the keyboard focus in the thread of window (null when none has).
HWND FocusedControl(HWND window);

// A program started for a test; killed if still running when this goes.
class Process {
public:
    Process() = default;
    // commandLine: the whole command line; folder: working folder (empty: inherit).
    bool Start(const std::string& commandLine, const std::string& folder = "");
    // Takes on a process that another program started.
    bool Attach(DWORD id);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_.Get(); }
    // The exit code once it has ended within the time; nothing if it still runs.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs);
    bool Running() const;
    void Kill();

private:
    platform::ScopedKernelHandle process_;
    DWORD id_ = 0;
};

// Sleeps in small steps until the condition holds or the time is up.
template <class Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(50);
    }
}

}  // namespace automation
