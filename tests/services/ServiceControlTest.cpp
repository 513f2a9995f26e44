// The servers as services, against Wine's real service control manager and the stand-in
// servers. Each test starts and ends with none of the suite's services registered.
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

const std::string kAdvice = "\r\nMake sure you have the administrator privileges to install this software.";

std::string ServiceErrorText(DWORD code) { return "Service error: " + platform::SystemErrorMessage(code) + kAdvice; }

class ServiceControlNT : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(platform::IsWindowsNT()) << "this program must run as NT (platform 2)";
        std::string leftOver = RemoveSuiteServices();
        ASSERT_EQ(leftOver, "") << "services left by an earlier run";
        // A space in the folder name: the registered path must be quoted.
        scratch_ = std::make_unique<ScratchFolder>("svc dest");
        CopyStandIns(scratch_->Path());
        context.DestinationFolder = scratch_->Path();
    }

    void TearDown() override {
        for (const auto& row : ServerTable) ::DeleteFileA((context.DestinationFolder + row.executable + ".nostop").c_str());
        EXPECT_EQ(RemoveSuiteServices(), "");
        if (scratch_) EndProgramsIn(scratch_->Path());
        scratch_.reset();
    }

    void SetSlowStop(const char* executable, int milliseconds) {
        WriteFileBytes(context.DestinationFolder + executable + ".slowstop", std::to_string(milliseconds));
    }

    void InstallAndWaitUntilRunning() {
        RecordingProgress progress;
        setup::StepResult result = setup::InstallAndStartServices(progress, context);
        ASSERT_TRUE(result.done) << result.box.text;
        for (const auto& row : ServerTable) {
            ASSERT_TRUE(WaitForServiceState(row.serviceName, SERVICE_RUNNING).has_value()) << row.serviceName << " did not start";
        }
    }

    void ExpectRegisteredExactly(const std::string& folder) {
        for (const auto& row : ServerTable) {
            SCOPED_TRACE(row.serviceName);
            std::optional<ServiceConfig> read = ReadServiceConfig(row.serviceName);
            ASSERT_TRUE(read.has_value());
            const ServiceConfig& config = *read;
            EXPECT_EQ(config.serviceType, 0x10u);  // own process, not interactive
            EXPECT_EQ(config.startType, 2u);       // automatic
            EXPECT_EQ(config.errorControl, 1u);    // normal
            EXPECT_EQ(config.binaryPath, '"' + folder + row.executable + '"');
            EXPECT_EQ(config.displayName, row.displayName);
            EXPECT_EQ(config.account, "LocalSystem");
            EXPECT_EQ(config.loadOrderGroup, "");
            EXPECT_EQ(config.dependencies, "");
        }
    }

    std::unique_ptr<ScratchFolder> scratch_;
    setup::InstallContext context;
    RecordingUi ui;  // a step shows no box itself
};

TEST_F(ServiceControlNT, WithoutTheSuitesServicesNothingIsStoppedOrDeletedAndNothingShown) {
    RecordingProgress progress;
    ExpectDone(setup::CheckRunningServices(progress));
    EXPECT_EQ(progress.texts, std::vector<std::string>{"Checking For Running Services..."});

    // A stop or a delete of a service that does not exist is skipped without a word.
    ExpectDone(setup::ControlServer(0, false, {}));
    ExpectDone(setup::ChangeService(ServerTable[0], false, {}));
    DWORD state = 77;
    EXPECT_FALSE(setup::IsServerRunning(0, state));
    EXPECT_EQ(state, 77u);
    EXPECT_TRUE(ui.Boxes().empty());
}

TEST_F(ServiceControlNT, RunningServicesAreStoppedDeletedAndCreatedAnewWithTheQuotedPath) {
    ASSERT_NO_FATAL_FAILURE(InstallAndWaitUntilRunning());

    RecordingProgress progress;
    ExpectDone(setup::CheckRunningServices(progress));
    for (const auto& row : ServerTable) EXPECT_FALSE(ServiceExists(row.serviceName)) << row.serviceName;

    progress.texts.clear();
    ExpectDone(setup::InstallAndStartServices(progress, context));
    EXPECT_EQ(progress.texts,
              (std::vector<std::string>{"Installing Services...", "Starting Services...", "Installation Complete"}));
    ExpectRegisteredExactly(context.DestinationFolder);
    // The quoted path starts the program it names.
    for (const auto& row : ServerTable) EXPECT_TRUE(WaitForServiceState(row.serviceName, SERVICE_RUNNING).has_value());
    // Without a space nothing needs quoting.
    EXPECT_EQ(setup::ServiceExecutablePath("C:\\Vorna\\", "smtp.exe"), "C:\\Vorna\\smtp.exe");
}

TEST_F(ServiceControlNT, StoppedServicesAreDeletedWithoutAStopControl) {
    for (const auto& row : ServerTable) ExpectDone(setup::ChangeService(row, true, context.DestinationFolder));
    ASSERT_TRUE(ServiceExists("VORNAPOP3"));
    // A stop control sent to a stopped service would be refused and fail the step.
    ExpectDone(setup::StopAndClearServices());
    for (const auto& row : ServerTable) EXPECT_FALSE(ServiceExists(row.serviceName)) << row.serviceName;
}

TEST_F(ServiceControlNT, OnlyServicesStoppedWithinThePauseAreDeletedAndTheRestBlocksCreation) {
    SetSlowStop("smtp.exe", 4000);  // longer than the pause
    SetSlowStop("pop3.exe", 150);   // shorter: only the pause lets it be seen as stopped
    ASSERT_NO_FATAL_FAILURE(InstallAndWaitUntilRunning());

    ExpectDone(setup::StopAndClearServices());
    DWORD state = 0;
    ASSERT_TRUE(setup::QueryServiceState("VORNASMTP", state));
    EXPECT_EQ(state, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_FALSE(ServiceExists("VORNAPOP3"));
    EXPECT_FALSE(ServiceExists("VORNAControl"));

    RecordingProgress progress;
    ExpectErrorBox(setup::InstallAndStartServices(progress, context), ServiceErrorText(ERROR_SERVICE_EXISTS));
    // The first failure ends the chain: the later servers are not created.
    EXPECT_FALSE(ServiceExists("VORNAPOP3"));
    EXPECT_EQ(progress.texts, std::vector<std::string>{"Installing Services..."});
}

TEST_F(ServiceControlNT, StartingARunningServiceFailsWithTheServiceError) {
    ASSERT_NO_FATAL_FAILURE(InstallAndWaitUntilRunning());
    ExpectErrorBox(setup::ControlServer(0, true, context.DestinationFolder),
                   ServiceErrorText(ERROR_SERVICE_ALREADY_RUNNING));
    EXPECT_TRUE(ui.Boxes().empty());
}

TEST_F(ServiceControlNT, ARefusedStopOfTheFirstServerLeavesTheOthersUntouched) {
    WriteFileBytes(context.DestinationFolder + "smtp.exe.nostop", "");
    ASSERT_NO_FATAL_FAILURE(InstallAndWaitUntilRunning());
    ExpectErrorBox(setup::StopAndClearServices(), ServiceErrorText(ERROR_INVALID_SERVICE_CONTROL));
    for (const char* name : {"VORNAPOP3", "VORNAControl"}) {
        DWORD state = 0;
        ASSERT_TRUE(setup::QueryServiceState(name, state)) << name;
        EXPECT_EQ(state, static_cast<DWORD>(SERVICE_RUNNING)) << name;
    }
}

}  // namespace
