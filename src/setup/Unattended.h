#pragma once
// The program from its command line to its exit code: a run with a person (windows, questions,
// boxes, exit code 0 unless it refuses a downgrade), or a run without one (/SILENT) that shows
// nothing at all and ends with the exit code of the Windows installer, which deployment tools
// know. Either may write a log (/LOG); each box's text then goes into it.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/SystemUi.h"
#include "setup/ProgramEnd.h"

namespace setup {

// The message-box seam of a run with a log, or without a person, over the system's own. Every
// box's text goes into the log; with a person the box is shown as well. Without one nothing
// shows: an OK box is taken as read and a question as answered No, and an error box is noted
// for the exit code (EndRun).
class LoggingUi final : public platform::SystemUi {
public:
    explicit LoggingUi(platform::SystemUi& system) : system_(system) {}
    int MessageBox(const std::string& text, const std::string& caption, UINT flags) override;
    // The program ends through the seam beneath (EndRun has logged the exit code).
    [[noreturn]] void EndProgram(UINT exitCode) override { platform::EndProgram(system_, exitCode); }

private:
    platform::SystemUi& system_;
};

// Runs the setup as its arguments say and returns the exit code to end the program with (see
// EndRun), unless the steps ended it first.
UINT StartSetup(const std::vector<std::string>& arguments);

}  // namespace setup
