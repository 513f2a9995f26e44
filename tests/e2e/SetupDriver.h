#pragma once
// Starts the real Setup.exe and drives it through its windows and message boxes.
#include <string>

#include "Automation.h"

namespace e2e {

inline constexpr char kSetupCaption[] = "VORNA Mail Server Setup";
inline constexpr DWORD kWait = 20000;  // Wine can be slow to show the first window

class SetupDriver {
public:
    // Starts Setup.exe (the built one unless a path is given) with the given argument text.
    void Start(const std::string& arguments, const std::string& program = "", const std::string& folder = "");
    automation::Process& Process() { return process_; }

    // The next message box with this caption; fails the test if none comes.
    automation::Window ExpectBox(const std::string& caption, const std::string& text, LPCSTR icon,
                                 const std::vector<std::string>& buttons);
    void Press(const automation::Window& window, const std::string& button);
    // Waits for the end of the program; fails unless it ended with exit code 0.
    void ExpectEndsWithCodeZero(DWORD timeoutMs = kWait);
    // The setup window after the install question was answered Yes.
    automation::Window StartInstallWindow(const std::string& program = "");
    // Types a folder into the folder chooser and confirms it; a folder that does not exist
    // is confirmed through the chooser's question. Waits until the setup window shows it.
    void ChooseFolder(const automation::Window& setupWindow, const std::string& folder);
    // Presses Install and accepts the licence question.
    void StartInstall(const automation::Window& setupWindow);
    // The label of the setup window whose text is given, or null.
    HWND Label(const automation::Window& window, const std::string& text);
    // Ends an install-mode run through Cancel and "Exit Setup".
    void CancelInstall(const automation::Window& setupWindow);

private:
    automation::Process process_;
};

}  // namespace e2e
