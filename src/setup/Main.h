#pragma once
// TMainForm: the setup window with what its handlers do — start-up and the choice between
// install and uninstall, the install sequence, the progress report.
#include <functional>
#include <optional>
#include <string>

#include "setup/InstallContext.h"
#include "setup/Progress.h"
#include "setup/Steps.h"
#include "windows/BackgroundFormUnit.h"
#include "windows/BrowseUnit.h"
#include "windows/RunInstFormUnit.h"
#include "windows/SetupWindow.h"

namespace setup {

inline constexpr char kVersion[] = "2.10.255";
inline constexpr char kSetupCaption[] = "VORNA Mail Server Setup";
inline constexpr char kInstallQuestion[] = "This will install VORNA Mail Server 2.10.255. Do you wish to continue?";
inline constexpr char kUninstallQuestion[] =
    "Are you sure to completely remove all files and components of this program?";

class TMainForm : public windows::TSetupWindow, public ProgressReport {
public:
    // The command line's arguments after the program name.
    explicit TMainForm(std::vector<std::string> arguments);

    void CloseButtonClick();
    void FormCreate();
    void InstallButonClick();
    void BrowseButtonClick();

    void ShowProgress(const std::string& text) override;
    void KeepAlive() override;
    // Logs a call that took long, for a reader who wonders where the time went.
    bool RunBlocking(const std::string& what, const std::function<bool()>& call) override;
    // The application-wide handler: unexpected errors are discarded without a word.
    void AppException() {}

    // What the install and the uninstall work on, for the whole process.
    InstallContext Context;

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // The designed controls, then what FormCreate decided for them: the handlers, the version
    // and a previous installation's folder.
    void BuildControls() override;

private:
    // Lets every waiting message run; throws SetupCancelled when Cancel was confirmed meanwhile.
    void AnswerWaitingMessages();
    // The install from the licence question to its end; InstallButonClick ends a cancelled one.
    void RunInstall();

    std::vector<std::string> arguments_;
    std::string proposedFolder_;  // "InstallDir" of a previous installation, or empty
    bool installing_ = false;
    bool cancelled_ = false;  // Cancel confirmed during the install: it stops at its next pause
    DWORD lastAnswered_ = 0;  // when the windows last answered during the install (tick count)
};

// The four windows, created once at start in this order and living until the end.
inline windows::TBackgroundForm* BackgroundForm = nullptr;
inline TMainForm* MainForm = nullptr;
inline windows::TRunForm* RunForm = nullptr;
inline windows::TBrowseFolder* BrowseFolder = nullptr;

// The folder Setup.Dat is unpacked into: TEMP + "\VORNAInstall\", or the setup program's
// folder + "Temp\VORNAInstall\" when TEMP is not set (or does not fit).
std::string ChooseExtractFolder();
// The Windows system folder with a trailing backslash, or empty when it cannot be had.
std::string LookUpSystemFolder();

// The folder of a previous installation ("InstallDir"), or empty when none can be read.
std::string StoredInstallFolder(InstallContext& context);

// The install from the unpacking of Setup.Dat to the removal of the unpacked files, into
// context.DestinationFolder: the same steps whether a person pressed Install or not.
// servicesStarted runs once the servers are started.
StepResult InstallSuite(InstallContext& context, ProgressReport& progress,
                        const std::function<void()>& servicesStarted);

// The install of a run without a person, into folder or else the folder a person would be
// offered; ends the program.
[[noreturn]] void InstallUnattended(InstallContext& context, const std::optional<std::string>& folder);

// Creates the four windows and runs the message loop; returns the exit code.
int RunSetup(std::vector<std::string> arguments);

}  // namespace setup
