// An install over an installation whose uninstall entry names a newer version: refused before
// anything changes, with 1638 when silent and an error box for a person; over an older one it
// upgrades.
#include <windows.h>

#include "InstallSupport.h"
#include "SetupDriver.h"

namespace e2e {
namespace {

class DowngradeTest : public CleanMachine {};

std::optional<DWORD> RunToTheEnd(const std::string& arguments) {
    automation::Process setup;
    if (!setup.Start("\"" + std::string(kMediumFolder) + "Setup.exe\" " + arguments)) return std::nullopt;
    return setup.WaitForExit(kInstallTimeout);
}

// What an install would change, as it stands.
struct Installed {
    std::string smtp, readme, version;
    std::optional<DWORD> smtpProcess;
    bool journal = false, unpacked = false;
    bool operator==(const Installed&) const = default;
};

Installed Look() {
    return {ReadFileBytes(std::string(kDefaultFolder) + "smtp.exe"),
            ReadFileBytes(std::string(kDefaultFolder) + "readme.txt"),
            RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion").value_or("(none)"),
            WaitForServiceState("VORNASMTP", SERVICE_RUNNING, 0),
            RegistryKeyExists(HKEY_LOCAL_MACHINE, std::string(kVornaKey) + "\\Upgrade"),
            FolderExists(ExtractFolder())};
}

TEST_F(DowngradeTest, ANewerInstallationStaysSilentlyAndForAPersonAnOlderOneIsUpgraded) {
    Payload first = Payload::Full();
    MakeMedium(kMediumFolder, first);
    ASSERT_EQ(RunToTheEnd("/SILENT"), 0u);
    // The medium now carries other files, so an install that went ahead would show.
    Payload next = Payload::Full();
    next.Set("readme.txt", "the next medium's readme\r\n");
    MakeMedium(kMediumFolder, next);
    testing_support::SetRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", "2.10.1000");
    const Installed before = Look();
    ASSERT_TRUE(before.smtpProcess) << "the first install's SMTP server does not run";
    ASSERT_EQ(before.readme, first.Data("readme.txt"));
    const std::string refusal =
        "A newer version of VORNA Mail Server is installed: 2.10.1000. This setup installs version 2.10.255. "
        "Nothing was changed.";

    const std::string log = std::string(kMediumFolder) + "downgrade.log";
    EXPECT_EQ(RunToTheEnd("/SILENT /LOG=" + log), 1638u);
    EXPECT_TRUE(Look() == before) << "the silent run changed the installation";
    const std::string logged = ReadFileBytes(log);
    EXPECT_NE(logged.find("Message box \"Error\": " + refusal), std::string::npos) << logged;
    EXPECT_NE(logged.find("Exit code: 1638\r\n", logged.size() - 20), std::string::npos) << logged;

    {
        SetupDriver setup;
        automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
        ASSERT_TRUE(window);
        setup.StartInstall(window);
        automation::Window box = setup.ExpectBox("Error", refusal, IDI_ERROR, {"OK"});
        setup.Press(box, "OK");
        EXPECT_EQ(setup.Process().WaitForExit(kWait), 1638u);
    }
    EXPECT_TRUE(Look() == before) << "the run with a person changed the installation";

    // Older by number, though not by its text: an upgrade.
    testing_support::SetRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", "2.9.300");
    EXPECT_EQ(RunToTheEnd("/SILENT"), 0u);
    const Installed after = Look();
    EXPECT_EQ(after.readme, next.Data("readme.txt"));
    EXPECT_EQ(after.version, "2.10.255");
    EXPECT_TRUE(after.smtpProcess) << "the upgraded SMTP server does not run";
}

}  // namespace
}  // namespace e2e
