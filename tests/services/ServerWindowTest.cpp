// The servers as plain programs with main windows, as on Windows 95/98. This program runs
// with Wine's version set to Windows 98; every test first makes sure it really does.
#include <gtest/gtest.h>

#include "RecordingUi.h"
#include "ScratchFolder.h"
#include "ServerTestSupport.h"
#include "StepCheck.h"
#include "SuiteState.h"
#include "platform/SystemInfo.h"
#include "setup/ServiceControl.h"

using namespace testing_support;
using setup::ServerTable;

namespace {

DWORD ReportedPlatform() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    return ::GetVersionExA(&info) ? info.dwPlatformId : 0xFFFFFFFFu;
}

std::string WithoutTrailingBackslash(std::string folder) {
    if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    return folder;
}

// A window of this test program, to stand beside the servers' windows.
class OwnWindow {
public:
    OwnWindow(const char* windowClass, const char* caption) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = windowClass;
        ::RegisterClassA(&wc);  // may already be registered by an earlier test
        window_ = ::CreateWindowExA(0, windowClass, caption, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                    wc.hInstance, nullptr);
    }
    ~OwnWindow() {
        if (::IsWindow(window_)) ::DestroyWindow(window_);
    }
    HWND Get() const { return window_; }

private:
    HWND window_ = nullptr;
};

class ServerWindows98 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ReportedPlatform(), static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS))
            << "this program must run with Wine's version set to Windows 98";
        ASSERT_FALSE(platform::IsWindowsNT());
        scratch_ = std::make_unique<ScratchFolder>("srv dest");
        CopyStandIns(scratch_->Path());
        context.DestinationFolder = scratch_->Path();
    }

    void TearDown() override {
        if (scratch_) EndProgramsIn(scratch_->Path());
        scratch_.reset();
    }

    // Each launched server shows its window, runs the destination's copy and has the
    // destination as working folder.
    void ExpectLaunchedFromDestination(const setup::ServerRow& row) {
        SCOPED_TRACE(row.executable);
        HWND window = WaitForWindow(row.windowClass, row.caption);
        ASSERT_NE(window, nullptr) << "no window";
        StandInReport report = ReadStandInReport(window);
        EXPECT_EQ(report.program, context.DestinationFolder + row.executable);
        EXPECT_EQ(report.workingFolder, WithoutTrailingBackslash(context.DestinationFolder));
    }

    std::unique_ptr<ScratchFolder> scratch_;
    setup::InstallContext context;
};

TEST_F(ServerWindows98, InstallLaunchesTheServersAndTheCheckClosesThemByTheirWindows) {
    RecordingUi ui;
    RecordingProgress progress;
    ExpectDone(setup::InstallAndStartServices(progress, context));
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"Starting Services...", "Installation Complete"}));
    for (const auto& row : ServerTable) ASSERT_NO_FATAL_FAILURE(ExpectLaunchedFromDestination(row));
    for (const auto& row : ServerTable) EXPECT_FALSE(ServiceExists(row.serviceName)) << "no services on 95/98";

    DWORD state = 77;
    EXPECT_TRUE(setup::IsServerRunning(1, state));
    EXPECT_EQ(state, 77u);  // 95/98 has no state to report

    progress.texts.clear();
    ExpectDone(setup::CheckRunningServices(progress));
    EXPECT_EQ(progress.texts, std::vector<std::string>{"Checking For Running Services..."});
    // The close message is sent synchronously: the windows are gone when the check returns.
    for (const auto& row : ServerTable) {
        EXPECT_EQ(::FindWindowA(row.windowClass, row.caption), nullptr) << row.caption;
        EXPECT_FALSE(setup::IsServerRunning(0, state));
    }
    EXPECT_TRUE(ui.Boxes().empty());
}

TEST_F(ServerWindows98, WindowsMatchingOnlyTheCaptionOrOnlyTheClassAreLeftAlone) {
    OwnWindow otherClass("TMonitorForm", "SMTP");
    OwnWindow otherCaption("TSMTPForm", "SMTP Monitor");
    ASSERT_TRUE(otherClass.Get() && otherCaption.Get());
    RecordingUi ui;

    DWORD state = 0;
    EXPECT_FALSE(setup::IsServerRunning(0, state));
    ExpectDone(setup::StopAndClearServices());
    EXPECT_TRUE(::IsWindow(otherClass.Get()));
    EXPECT_TRUE(::IsWindow(otherCaption.Get()));
    EXPECT_TRUE(ui.Boxes().empty());
}

TEST_F(ServerWindows98, AMissingServerIsSkippedSilentlyAndTheOthersLaunched) {
    ASSERT_TRUE(::DeleteFileA((context.DestinationFolder + "pop3.exe").c_str()));
    RecordingUi ui;
    RecordingProgress progress;
    ExpectDone(setup::InstallAndStartServices(progress, context));
    ASSERT_NO_FATAL_FAILURE(ExpectLaunchedFromDestination(ServerTable[0]));
    ASSERT_NO_FATAL_FAILURE(ExpectLaunchedFromDestination(ServerTable[2]));
    // Control was launched after POP3 would have been; a POP3 window would be up by now.
    EXPECT_EQ(WaitForWindow("TPOP3Form", "POP3", 1500), nullptr);
    EXPECT_TRUE(ui.Boxes().empty());
    EXPECT_FALSE(ui.Ended());
}

TEST_F(ServerWindows98, ADestinationOf200CharactersIsLaunchedWhole) {
    std::string folder = MakeFolderOfLength(scratch_->Path(), 200);
    CopyStandIns(folder);
    context.DestinationFolder = folder;
    RecordingUi ui;
    RecordingProgress progress;
    ExpectDone(setup::InstallAndStartServices(progress, context));
    for (const auto& row : ServerTable) ASSERT_NO_FATAL_FAILURE(ExpectLaunchedFromDestination(row));
    EXPECT_TRUE(ui.Boxes().empty());
}

}  // namespace
