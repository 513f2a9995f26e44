// CreateIcons and CreateShortcut under Wine's real shell link object and registry (machine and
// user roots redirected into a scratch key).
#include <gtest/gtest.h>

#include <algorithm>

#include "InstallTestSupport.h"
#include "RecordingUi.h"
#include "ScratchFolder.h"
#include "ScratchRegistry.h"
#include "StepCheck.h"
#include "platform/SystemInfo.h"
#include "setup/Shortcuts.h"
#include "setup/Uninstall.h"

namespace {

using namespace install_tests;
using namespace testing_support;

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorna";
const char kPathKey[] = "Software\\VORNA";

std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

std::vector<std::string> SixLinkNames() {
    std::vector<std::string> names;
    for (const char* name : setup::ShortcutNames) names.push_back(std::string(name) + ".lnk");
    std::sort(names.begin(), names.end());
    return names;
}

DWORD ValueCount(HKEY root, const std::string& keyPath) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return 0;
    platform::ScopedRegKey key(raw);
    DWORD values = 0;
    ::RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
    return values;
}

class CreateIconsTest : public ::testing::Test {
protected:
    CreateIconsTest() {
        // A folder with a space, as the default "Program Files" one has; the targets exist,
        // as they do after the copying step.
        context.DestinationFolder = destination.Path();
        for (const char* target : setup::ShortcutTargets) WriteFileBytes(destination.Path() + target, "x");
    }

    void SetPrograms(const std::string& folder) { registry.SetCurrentUserString(kShellFolders, "Programs", folder); }
    // The Start menu's "Programs" folder of this test, without its trailing backslash.
    std::string Programs() const { return startMenu.Path().substr(0, startMenu.Path().size() - 1); }
    setup::StepResult Run() { return setup::CreateIcons(progress, context); }

    void ExpectSixShortcutsIn(const std::string& group) {
        EXPECT_EQ(FolderEntries(group), SixLinkNames());
        ExpectShortcutsReadBack(group);
    }
    void ExpectShortcutsReadBack(const std::string& group) {
        for (size_t i = 0; i < setup::ShortcutNames.size(); ++i) {
            auto link = ReadShortcut(group + setup::ShortcutNames[i] + ".lnk");
            ASSERT_TRUE(link) << setup::ShortcutNames[i];
            EXPECT_EQ(link->target, destination.Path() + setup::ShortcutTargets[i]);
            EXPECT_EQ(link->description, "VORNA");
        }
    }
    void ExpectValuesWritten() {
        auto name = GetRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName");
        auto command = GetRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
        auto folder = GetRegistryValue(HKEY_LOCAL_MACHINE, kPathKey, "InstallDir");
        ASSERT_TRUE(name && command && folder);
        EXPECT_EQ(name->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(name->data, Sz("VORNA Mail Server"));
        EXPECT_EQ(command->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(command->data, Sz("\"" + destination.Path() + "install_tests.exe\" /UNINSTALL"));
        EXPECT_EQ(folder->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(folder->data, Sz(destination.Path()));
        EXPECT_EQ(folder->data[folder->data.size() - 2], '\\');
        // What deployment tools read: the six shortcut targets are the installed files here.
        const std::string quiet = "\"" + destination.Path() + "install_tests.exe\" /UNINSTALL /SILENT";
        EXPECT_EQ(GetRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString")->data, Sz(quiet));
        EXPECT_EQ(GetRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion")->data, Sz("2.10.255"));
        EXPECT_EQ(GetRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher")->data, Sz("VORNA"));
        EXPECT_EQ(GetRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation")->data, Sz(destination.Path()));
        EXPECT_EQ(GetRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon")->data,
                  Sz(destination.Path() + "install_tests.exe"));
        auto dword = [](DWORD number) { return std::string(reinterpret_cast<const char*>(&number), sizeof number); };
        for (auto [value, number] : {std::pair{"EstimatedSize", 1u}, {"NoModify", 1u}, {"NoRepair", 1u}}) {
            auto read = GetRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, value);
            ASSERT_TRUE(read) << value;
            EXPECT_EQ(read->type, static_cast<DWORD>(REG_DWORD)) << value;
            EXPECT_EQ(read->data, dword(number)) << value;
        }
        EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, kUninstallKey), 10u);
        EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, kPathKey), 1u);
    }

    testing_support::ScratchRegistry registry;
    testing_support::RecordingUi ui;
    testing_support::ScratchFolder destination{"Program Files"};
    testing_support::ScratchFolder startMenu{"menu"};
    install_tests::RecordingProgress progress;
    setup::InstallContext context;
};

TEST_F(CreateIconsTest, MakesTheGroupWithSixShortcutsAndWritesTheRegistryValues) {
    SetPrograms(Programs());
    ExpectDone(Run());
    EXPECT_EQ(progress.texts, std::vector<std::string>{"Creating Icons..."});
    ExpectSixShortcutsIn(startMenu.Path() + "VORNA Mail Server\\");
    ExpectValuesWritten();
    EXPECT_TRUE(ui.Boxes().empty());
}

TEST_F(CreateIconsTest, AnExistingGroupGetsItsShortcutsReplacedAndKeepsTheUsersFiles) {
    SetPrograms(Programs());
    std::string group = startMenu.Path() + "VORNA Mail Server\\";
    ASSERT_TRUE(::CreateDirectoryA(group.c_str(), nullptr));
    // Older shortcuts of a previous install: one a link to elsewhere, one not a link at all.
    setup::CreateShortcut("C:\\Old\\config.exe", group + "VORNA Configuration.lnk", "old");
    ASSERT_EQ(ReadShortcut(group + "VORNA Configuration.lnk")->target, "C:\\Old\\config.exe");
    WriteFileBytes(group + "VORNA Readme.lnk", "not a link");
    WriteFileBytes(group + "My notes.txt", "mine");

    ExpectDone(Run());

    std::vector<std::string> expected = SixLinkNames();
    expected.push_back("My notes.txt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(group), expected);
    ExpectShortcutsReadBack(group);
    EXPECT_EQ(ReadFileBytes(group + "My notes.txt"), "mine");
    ExpectValuesWritten();
}

TEST_F(CreateIconsTest, WithoutAProgramsValueTheShellsProgramsFolderHoldsTheGroupForInstallAndUninstall) {
    // The shell reads its own folders from "User Shell Folders", where this test's menu folder
    // stands, and copies what it reports into "Shell Folders": the value is taken away after.
    registry.SetCurrentUserString(kUserShellFolders, "Programs", Programs());
    ASSERT_EQ(platform::ShellProgramsFolder(), Programs()) << "the shell does not read the redirected registry";
    auto removeProgramsValue = [] { ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kShellFolders, "Programs"); };
    removeProgramsValue();

    ExpectDone(Run());
    const std::string group = startMenu.Path() + "VORNA Mail Server\\";
    ExpectSixShortcutsIn(group);
    ExpectValuesWritten();
    EXPECT_TRUE(ui.Boxes().empty());

    removeProgramsValue();
    setup::DeleteShortcuts(context.AdvancedRegistry);
    EXPECT_FALSE(platform::FolderExists(group));
}

// A machine root that this process may read but not write, as a user without administrator
// rights holds it: the redirected root now points at a fresh key of its own through a handle
// opened for reading. The uninstall component is pointed at the root itself, so its value
// write is what fails (keys below a root are still created through any handle of it).
// ScratchRegistry puts the writable redirection back at its end.
class ReadOnlyMachineRoot {
public:
    ReadOnlyMachineRoot() {
        testing_support::CreateRegistryKey(HKEY_LOCAL_MACHINE, "ReadOnly");
        HKEY raw = nullptr;
        result_ = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "ReadOnly", 0, KEY_READ, &raw);
        if (result_ != ERROR_SUCCESS) return;
        platform::ScopedRegKey readOnly(raw);  // the redirection holds a duplicate
        result_ = ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, readOnly.Get());
    }
    LONG Result() const { return result_; }

private:
    LONG result_ = ERROR_INVALID_FUNCTION;
};

TEST_F(CreateIconsTest, AFailingValueWriteFailsWithTheRegistryErrorBeforeTheOtherValues) {
    SetPrograms(Programs());
    context.AdvancedRegistryInstall.RegistryArea.clear();
    context.AdvancedRegistryInstall.RegistrySection.clear();
    ReadOnlyMachineRoot readOnly;
    ASSERT_EQ(readOnly.Result(), ERROR_SUCCESS);

    testing_support::ExpectErrorBox(Run(),
                                    "Registry error: Failed to set data for 'DisplayName'\r\n"
                                    "Make sure you have the administrator privileges to install this software.");
    EXPECT_TRUE(ui.Boxes().empty());
    // The shortcuts came first and stay.
    EXPECT_EQ(FolderEntries(startMenu.Path() + "VORNA Mail Server\\"), SixLinkNames());
    EXPECT_FALSE(GetRegistryValue(HKEY_LOCAL_MACHINE, "", "DisplayName"));
    EXPECT_FALSE(GetRegistryValue(HKEY_LOCAL_MACHINE, "", "UninstallString"));
    EXPECT_FALSE(GetRegistryValue(HKEY_LOCAL_MACHINE, kPathKey, "InstallDir"));
    // "InstallDir" was skipped, not refused: the same component writes it through this root.
    context.PathRegistry.WriteString("InstallDir", context.DestinationFolder);
    EXPECT_TRUE(GetRegistryValue(HKEY_LOCAL_MACHINE, kPathKey, "InstallDir"));
}

// A Programs folder of exactly the given length (no trailing backslash), made of nested
// folders below base (which ends in a backslash).
std::string MakeFolderOfLength(const std::string& base, size_t length) {
    std::string folder = base;
    while (folder.size() < length) {
        // The last part takes the rest; never leave a rest of one character, which would be a
        // part without a name.
        size_t room = length - folder.size();
        size_t part = room <= 60 ? room : (room - 60 == 1 ? 58 : 60);
        folder.append(part, 'p');
        if (!::CreateDirectoryA(folder.c_str(), nullptr)) return {};
        if (folder.size() < length) folder += '\\';
    }
    return folder;
}

TEST_F(CreateIconsTest, AShortcutPathOverTwoHundredFiftyNineCharactersIsSkippedAndTheOthersAreMade) {
    // The group folder is Programs + "\VORNA Mail Server\" (19 more); the longest shortcut file
    // name, "VORNA Mail Notification.lnk", has 27 characters, the next longest 23.
    for (size_t longest : {259u, 260u}) {
        SCOPED_TRACE(longest);
        testing_support::ScratchFolder menu("long");
        std::string programs = MakeFolderOfLength(menu.Path(), longest - 27 - 19);
        ASSERT_EQ(programs.size(), longest - 46);
        SetPrograms(programs);
        ExpectDone(Run());
        std::string group = programs + "\\VORNA Mail Server\\";
        std::vector<std::string> expected = SixLinkNames();
        if (longest > 259) expected.erase(std::find(expected.begin(), expected.end(), "VORNA Mail Notification.lnk"));
        // Exactly these: no shortcut under a cut name either.
        EXPECT_EQ(FolderEntries(group), expected);
        EXPECT_EQ((group + "VORNA Mail Notification.lnk").size(), longest);
        for (const std::string& name : expected) EXPECT_TRUE(ReadShortcut(group + name)) << name;
        ExpectValuesWritten();
    }
}

}  // namespace
