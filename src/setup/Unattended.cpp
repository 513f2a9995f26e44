#include "setup/Unattended.h"

#include <cstdio>

#include "platform/ScopeExit.h"
#include "platform/SystemInfo.h"
#include "platform/SystemPaths.h"
#include "setup/CommandLine.h"
#include "setup/Main.h"
#include "setup/RunLog.h"
#include "setup/SetupLock.h"
#include "setup/Uninstall.h"

namespace setup {

int LoggingUi::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
    Log().Line("Message box \"" + caption + "\": " + text);
    if ((flags & MB_ICONMASK) == MB_ICONERROR) Outcome().errorShown = true;
    const bool question = (flags & MB_TYPEMASK) == MB_YESNO;
    if (Outcome().unattended) return question ? IDNO : IDOK;
    const int answer = system_.MessageBox(text, caption, flags);
    if (question) Log().Line(answer == IDYES ? "Answered Yes" : "Answered No");
    return answer;
}

namespace {

std::string PlatformText() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!::GetVersionExA(&info)) return "unknown";
    char text[96];
    std::snprintf(text, sizeof text, "%s %lu.%lu build %lu", platform::IsWindowsNT() ? "Windows NT" : "Windows 95/98",
                  info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber & 0xFFFF);
    return text;
}

void LogStart(const CommandLine& command) {
    Log().Line(std::string(kSetupCaption) + " " + kVersion);
    Log().Line(std::string("Command line: ") + ::GetCommandLineA());
    Log().Line(std::string(command.silent ? "Silent " : "") + (command.uninstall ? "uninstall" : "install") +
               " on " + PlatformText());
    const platform::AnsiPath program = platform::OwnProgramPath();
    Log().Line("Program folder: " + platform::FolderOf(program.path) + platform::PathFormNote(program.form));
}

// A run without a person, once it holds the lock. Its steps end the program; what comes back
// is a bad command line or an unexpected error.
UINT RunSilently(const CommandLine& command, const std::string& logError) {
    if (!command.error.empty() || !logError.empty()) {
        Log().Line("Bad command line: " + (command.error.empty() ? logError : command.error));
        return kExitBadCommandLine;
    }
    try {
        InstallContext context;
        context.SystemFolder = LookUpSystemFolder();
        context.RemoveStayingFilesAtRestart = true;
        Log().Line("System folder: " + context.SystemFolder);
        if (command.uninstall) Uninstall(context);
        InstallUnattended(context, command.folder);
    } catch (const std::exception& error) {
        Log().Line(std::string("Unexpected error: ") + error.what());
    } catch (...) {
        Log().Line("Unexpected error");
    }
    return kExitFailed;
}

}  // namespace

UINT StartSetup(const std::vector<std::string>& arguments) {
    const CommandLine command = ParseCommandLine(arguments);
    Outcome().unattended = command.silent;
    // A run with a person whose first argument is unknown ends at once: it writes no log either.
    const bool endsAtOnce = !command.silent && command.unknownFirst;
    std::string logError;
    if (command.log && !endsAtOnce) {
        if (Log().Open(*command.log)) {
            LogStart(command);
        } else {
            logError = "the log " + *command.log + " cannot be made: " + platform::LastErrorMessage();
        }
    }
    // Until the exit code is back with WinMain: the seam then is the one the run began with.
    platform::SystemUi& system = platform::Ui();
    LoggingUi ui(system);
    if (command.silent || Log().IsOpen()) platform::SetUi(&ui);
    platform::ScopeExit restoreUi([&system] { platform::SetUi(&system); });

    SetupLock lock;
    if (!lock.Acquire()) {
        Log().Line("Another setup is running");
        if (!command.silent) BringRunningSetupToFront();
        return command.silent ? kExitAnotherSetup : kExitDone;
    }
    if (command.silent) return RunSilently(command, logError);
    RunSetup(arguments);
    return kExitDone;  // a run with a person always ends with exit code 0
}

}  // namespace setup
