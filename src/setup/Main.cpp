#include "setup/Main.h"

#include "platform/BlockingCall.h"
#include "platform/Paths.h"
#include "platform/SystemInfo.h"
#include "platform/SystemPaths.h"
#include "platform/SystemUi.h"
#include "setup/CommandLine.h"
#include "setup/RunLog.h"
#include "setup/Steps.h"
#include "setup/Uninstall.h"

namespace setup {

std::string LookUpSystemFolder() {
    // A folder that is no short text, or whose name the code page cannot write, is none.
    const platform::AnsiPath folder = platform::SystemFolderPath();
    if (folder.path.empty() || folder.path.size() >= 254 || folder.form == platform::PathForm::Lost) return {};
    return platform::WithTrailingBackslash(folder.path);
}

TMainForm::TMainForm(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {
    OnCreate = [this] { FormCreate(); };
    // The first question comes before the window's controls are made: nothing of them shows
    // before it, and a No or an uninstall ends the program without making them.
    CreateHandlerFirst = true;
}

void TMainForm::BuildControls() {
    TSetupWindow::BuildControls();
    InstallButon->OnClick = [this] { InstallButonClick(); };
    CloseButton->OnClick = [this] { CloseButtonClick(); };
    BrowseButton->OnClick = [this] { BrowseButtonClick(); };

    VersionLabel->SetCaption(kVersion);
    try {
        if (!proposedFolder_.empty()) PathEdit->SetCaption(proposedFolder_);
    } catch (...) {
        // The designed default stays.
    }
}

void TMainForm::FormCreate() {
    platform::Application::Instance().OnException = [this](std::exception_ptr) { AppException(); };
    Context.SystemFolder = LookUpSystemFolder();

    // An unknown first argument or a No ends the program silently, before any step.
    const CommandLine command = ParseCommandLine(arguments_);
    if (command.unknownFirst) EndSetup();
    if (command.uninstall) {
        if (platform::ShowMessage(kUninstallQuestion, kSetupCaption, platform::kQuestionBox) != IDYES) EndSetup();
        Uninstall(Context);
    }

    if (platform::ShowMessage(kInstallQuestion, kSetupCaption, platform::kQuestionBox) != IDYES) EndSetup();
    // Shown once the controls are made; a /DIR that is no full path, or that the code page
    // cannot write, is passed over.
    proposedFolder_ = command.folder && IsDestinationPath(*command.folder) ? *command.folder
                                                                               : StoredInstallFolder(Context);
}

std::string StoredInstallFolder(InstallContext& context) {
    try {
        return context.PathRegistry.ReadString("InstallDir");
    } catch (...) {
        return {};  // the designed default stays
    }
}

bool TMainForm::HandleMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != windows::WM_SHOWSETUPWINDOW) return false;
    Show();
    result = 0;
    return true;
}

// Often enough that a click or a repaint never waits long, seldom enough to cost nothing
// against a 1 MB block's copy.
constexpr DWORD kAnswerIntervalMs = 50;

void TMainForm::AnswerWaitingMessages() {
    platform::Application::Instance().ProcessMessages();
    lastAnswered_ = ::GetTickCount();
    if (cancelled_) throw SetupCancelled{};
}

void TMainForm::KeepAlive() {
    // A Cancel confirmed during a blocking call is taken at the first pause after it.
    if (cancelled_ || ::GetTickCount() - lastAnswered_ >= kAnswerIntervalMs) AnswerWaitingMessages();
}

// Calls that take at least this long are logged.
constexpr DWORD kLoggedCallMs = 20;

bool TMainForm::RunBlocking(const std::string& what, const std::function<bool()>& call) {
    const DWORD start = ::GetTickCount();
    bool result = platform::CallBeside(call, [this] {
        platform::Application::Instance().ProcessMessages();
        lastAnswered_ = ::GetTickCount();
    });
    const DWORD error = ::GetLastError();
    if (DWORD took = ::GetTickCount() - start; took >= kLoggedCallMs)
        Log().Line("Beside the windows: " + what + ": " + std::to_string(took) + " ms");
    ::SetLastError(error);
    return result;
}

void TMainForm::ShowProgress(const std::string& text) {
    AnswerWaitingMessages();
    RunForm->Show();
    // Each text change invalidates just what shows the text; painting that at once puts the
    // new text on screen before this returns, without drawing the rest again (once per file).
    RunForm->BackPanel->SetCaption(text);
    RunForm->Update();
    StatusBar->SetPanelText(0, text);
    StatusBar->Update();
}

int RunSetup(std::vector<std::string> arguments) {
    platform::Application& application = platform::Application::Instance();
    application.Initialize();
    BackgroundForm = application.CreateForm<windows::TBackgroundForm>();
    MainForm = application.CreateForm<TMainForm>(std::move(arguments));
    RunForm = application.CreateForm<windows::TRunForm>();
    BrowseFolder = application.CreateForm<windows::TBrowseFolder>();
    BackgroundForm->SetupWindow = MainForm;
    return application.Run();
}

}  // namespace setup
