#pragma once
// The program from its command line to its end: a run with a person (windows, questions,
// boxes, exit code 0 unless it refuses a downgrade), or a run without one (/SILENT) that shows nothing at
// all and ends with the exit code of the Windows installer, which deployment tools know. Either
// may write a log (/LOG); each box's text then goes into it.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/SystemUi.h"

namespace setup {

inline constexpr UINT kExitFailed = 1603;          // a failure a person would see in an error box
inline constexpr UINT kExitAnotherSetup = 1618;    // another setup holds the one-run lock
inline constexpr UINT kExitNewerInstalled = 1638;  // a newer version is installed; nothing was changed
inline constexpr UINT kExitBadCommandLine = 1639;  // an unknown switch, a bad /DIR, a /LOG not made
inline constexpr UINT kExitRestartNeeded = 3010;   // done, but a suite file waits for the restart

// The message-box seam of a run with a log, or without a person, over the system's own. Every
// box's text goes into the log; with a person the box is shown as well. Without one nothing
// shows: an OK box is taken as read and a question as answered No, and the end of the program
// gets the exit code the run earned: 1603 after an error box, 3010 when a file of the suite
// waits for the restart.
class LoggingUi final : public platform::SystemUi {
public:
    LoggingUi(platform::SystemUi& system, bool silent) : system_(system), silent_(silent) {}
    int MessageBox(const std::string& text, const std::string& caption, UINT flags) override;
    [[noreturn]] void EndProgram(UINT exitCode) override;

private:
    platform::SystemUi& system_;
    bool silent_;
    bool errorShown_ = false;
};

// Runs the setup as its arguments say and ends the program.
[[noreturn]] void StartSetup(const std::vector<std::string>& arguments);

}  // namespace setup
