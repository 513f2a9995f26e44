#include "setup/ProgramEnd.h"

#include <string>

#include "platform/SystemUi.h"
#include "setup/RunLog.h"

namespace setup {

RunOutcome& Outcome() {
    static RunOutcome outcome;
    return outcome;
}

void EndRun(UINT exitCode) {
    if (Outcome().unattended && exitCode == kExitDone)
        exitCode = Outcome().errorShown ? kExitFailed : Log().RestartNeeded() ? kExitRestartNeeded : kExitDone;
    Log().Line("Exit code: " + std::to_string(exitCode));
    platform::EndProgram(exitCode);
}

}  // namespace setup
