#pragma once
// How the program ends: every exit code it can end with, and the one place where it ends.
// Start-up returns the exit code it decided and WinMain ends the program with it here; the
// steps end here too, through EndSetup, from wherever they ran (inside a window's handler, say).
// A new exit code is a constant below, returned by start-up, carried by a failed step
// (StepResult::exitCode) or decided in EndRun.
#include <windows.h>

namespace setup {

inline constexpr UINT kExitDone = 0;
inline constexpr UINT kExitFailed = 1603;          // a failure a person would see in an error box
inline constexpr UINT kExitAnotherSetup = 1618;    // another setup holds the one-run lock
inline constexpr UINT kExitNewerInstalled = 1638;  // a newer version is installed; nothing was changed
inline constexpr UINT kExitBadCommandLine = 1639;  // an unknown switch, a bad /DIR, a /LOG not made
inline constexpr UINT kExitRestartNeeded = 3010;   // done, but a suite file waits for the restart

// What the exit code of a run without a person says, gathered as the run goes.
struct RunOutcome {
    bool unattended = false;  // /SILENT: no person, the exit code is all a deployment tool sees
    bool errorShown = false;  // an error box came (without a person: taken as read)
};
RunOutcome& Outcome();

// Ends the program with exitCode, the log's last line. A run without a person that ends as done
// ends with what it came to instead: 1603 after an error box, 3010 when a file of the suite waits
// for the restart.
[[noreturn]] void EndRun(UINT exitCode);

}  // namespace setup
