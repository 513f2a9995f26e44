// Installs and uninstalls under the code pages of other languages: under Japanese (932) into
// folders whose names hold characters whose second byte is the backslash's (予, 表, ソ), and
// under Western (1252) from a medium, with a TEMP, in folders named in Cyrillic, which that code
// page cannot write. The Japanese cases run with LC_CTYPE=ja_JP.UTF-8 (tests/e2e/CMakeLists.txt):
// Wine gives each process the code page of its locale, and the setup inherits this one's.
#include <windows.h>

#include <algorithm>
#include <set>

#include "InstallSupport.h"
#include "SetupDriver.h"

namespace e2e {
namespace {

class JapaneseCodePage : public CleanMachine {
protected:
    void SetUp() override {
        ASSERT_EQ(::GetACP(), 932u) << "run under LC_CTYPE=ja_JP.UTF-8 (with the locale installed: tools/deps.sh)";
        CleanMachine::SetUp();
    }
};

class WesternCodePage : public CleanMachine {
protected:
    void SetUp() override {
        ASSERT_EQ(::GetACP(), 1252u) << "run under a Western locale";
        CleanMachine::SetUp();
    }
};

std::string InAnsiCodePage(const std::wstring& text) {
    const int count = static_cast<int>(text.size());
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), count, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), count, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

// What stands directly in C:\, so that a file or folder made beside the destination shows.
std::set<std::string> RootEntries() {
    std::set<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE find = ::FindFirstFileA("C:\\*", &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.insert(found.cFileName);
    while (::FindNextFileA(find, &found));
    ::FindClose(find);
    return names;
}

std::optional<DWORD> RunToTheEnd(const std::string& program, const std::string& arguments) {
    automation::Process setup;
    if (!setup.Start("\"" + program + "\" " + arguments)) return std::nullopt;
    return setup.WaitForExit(kInstallTimeout);
}

void ExpectInstalledIn(const std::string& folder, bool windowsNT) {
    for (const char* name : kProgramFiles) EXPECT_TRUE(FileExists(folder + name)) << folder << name;
    for (const char* name : kHtmlFiles) EXPECT_TRUE(FileExists(folder + "html\\" + name)) << folder << name;
    EXPECT_TRUE(FileExists(folder + "Setup.exe"));
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
              "\"" + folder + "Setup.exe\" /UNINSTALL");
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kVornaKey, "InstallDir"), folder);
    if (!windowsNT) return;
    std::optional<ServiceConfig> smtp = ReadServiceConfig("VORNASMTP");
    ASSERT_TRUE(smtp) << "no SMTP service";
    EXPECT_NE(smtp->binaryPath.find(folder + "smtp.exe"), std::string::npos) << smtp->binaryPath;
}

void ExpectRemovedFrom(const std::string& folder) {
    for (const char* name : kProgramFiles) EXPECT_FALSE(FileExists(folder + name)) << folder << name;
    for (const char* name : kHtmlFiles) EXPECT_FALSE(FileExists(folder + "html\\" + name)) << folder << name;
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(ServiceExists("VORNASMTP"));
}

}  // namespace

TEST_F(JapaneseCodePage, SilentAndAPersonsInstallsIntoFoldersCutInsideACharacterStayThereAndUninstall) {
    MakeMedium(kMediumFolder, Payload::Full());
    const std::string medium = std::string(kMediumFolder) + "Setup.exe";
    const std::string schedule = InAnsiCodePage(L"予定表"), software = InAnsiCodePage(L"ソフト");
    ASSERT_EQ(schedule.back(), '\\') << "予定表 ends in the backslash's byte in 932";
    const std::string silentFolder = Managed("C:\\" + schedule + "\\");
    Managed("C:\\" + software + "\\");
    const std::string personsFolder = "C:\\" + software + "\\Vorna\\";
    std::set<std::string> expectedRoot = RootEntries();

    // Silent, the folder given without its trailing backslash.
    EXPECT_EQ(RunToTheEnd(medium, "/SILENT /DIR=C:\\" + schedule), 0u);
    ExpectInstalledIn(silentFolder, true);
    expectedRoot.insert(schedule);
    EXPECT_EQ(RootEntries(), expectedRoot) << "a file or folder was made beside the destination";
    const std::optional<DWORD> removed = RunToTheEnd(silentFolder + "Setup.exe", "/UNINSTALL /SILENT");
    EXPECT_TRUE(removed == 0u || removed == 3010u) << removed.value_or(999);
    ExpectRemovedFrom(silentFolder);

    // A person's, the folder typed into the chooser, its parent missing too.
    {
        SetupDriver setup;
        automation::Window window = setup.StartInstallWindow(medium);
        ASSERT_TRUE(window);
        ASSERT_NO_FATAL_FAILURE(setup.ChooseFolder(window, personsFolder));
        ASSERT_NO_FATAL_FAILURE(setup.StartInstall(window));
        automation::Window done = setup.ExpectBox("Information", kSetupComplete, IDI_INFORMATION, {"OK"});
        setup.Press(done, "OK");
        setup.ExpectEndsWithCodeZero();
    }
    ExpectInstalledIn(personsFolder, true);
    expectedRoot.insert(software);
    EXPECT_EQ(RootEntries(), expectedRoot) << "a file or folder was made beside the destination";
    {
        SetupDriver setup;
        setup.Start("/UNINSTALL", personsFolder + "Setup.exe");
        setup.Press(setup.ExpectBox(kSetupCaption, kUninstallQuestion, IDI_QUESTION, {"Yes", "No"}), "Yes");
        setup.Press(setup.ExpectBox("Information", kRemoved, IDI_INFORMATION, {"OK"}), "OK");
        setup.ExpectEndsWithCodeZero();
    }
    ExpectRemovedFrom(personsFolder);
}

TEST_F(JapaneseCodePage, On98TheInstallStaysInTheFolderAndWininitNamesItsSetup) {
    UseWin98Mode();
    MakeMedium(kMediumFolder, Payload::Full());
    const std::string schedule = InAnsiCodePage(L"予定表");
    const std::string folder = Managed("C:\\" + schedule + "\\");
    std::set<std::string> expectedRoot = RootEntries();
    EXPECT_EQ(RunToTheEnd(std::string(kMediumFolder) + "Setup.exe", "/SILENT /DIR=C:\\" + schedule), 0u);
    ExpectInstalledIn(folder, false);
    expectedRoot.insert(schedule);
    EXPECT_EQ(RootEntries(), expectedRoot);
    const std::optional<DWORD> removed = RunToTheEnd(folder + "Setup.exe", "/UNINSTALL /SILENT");
    EXPECT_TRUE(removed == 0u || removed == 3010u) << removed.value_or(999);
    // A server still closing its window holds its program: that one goes at the restart.
    const std::vector<std::string> rename = IniSectionLines(ReadFileBytes(WindowsFolder() + "wininit.ini"), "Rename");
    auto pending = [&](const std::string& path) {
        return std::find(rename.begin(), rename.end(), "NUL=" + path) != rename.end();
    };
    EXPECT_TRUE(pending(folder + "Setup.exe"));
    for (const char* name : kProgramFiles)
        EXPECT_TRUE(!FileExists(folder + name) || pending(folder + name)) << folder << name;
    for (const char* name : kHtmlFiles) EXPECT_FALSE(FileExists(folder + "html\\" + name)) << folder << name;
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(WesternCodePage, MediumAndTempInFoldersNamedInCyrillicInstallAndUninstall) {
    // C:\users\Иван\Downloads\vorna\ and C:\users\Иван\Temp, which the "A" calls give as "????".
    const std::wstring profile = L"C:\\users\\Иван";
    const std::wstring medium = profile + L"\\Downloads\\vorna";
    const std::wstring temp = profile + L"\\Temp";
    MakeMedium(kMediumFolder, Payload::Full());
    ASSERT_TRUE(::CreateDirectoryW(profile.c_str(), nullptr));
    struct RemoveProfile {
        std::wstring path;
        ~RemoveProfile() {
            if (::MoveFileW(path.c_str(), L"C:\\users\\vorna-cyrillic-gone")) testing_support::DeleteTree("C:\\users\\vorna-cyrillic-gone\\");
        }
    } removeProfile{profile};
    ASSERT_TRUE(::CreateDirectoryW((profile + L"\\Downloads").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(temp.c_str(), nullptr));
    ASSERT_TRUE(::MoveFileW(L"C:\\VornaMedia", medium.c_str()));
    Managed(kDefaultFolder);
    const std::string log = Managed("C:\\VornaLog\\");
    ASSERT_TRUE(::CreateDirectoryA(log.c_str(), nullptr));

    // TEMP for the setup only: the process's environment goes to what it starts.
    wchar_t previousTemp[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"TEMP", previousTemp, MAX_PATH);
    ASSERT_TRUE(::SetEnvironmentVariableW(L"TEMP", temp.c_str()));
    auto run = [](const std::wstring& commandLine) -> std::optional<DWORD> {
        std::wstring line = commandLine;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return std::nullopt;
        ::CloseHandle(info.hThread);
        automation::Process setup;
        const bool attached = setup.Attach(info.dwProcessId);
        ::CloseHandle(info.hProcess);
        return attached ? setup.WaitForExit(kInstallTimeout) : std::nullopt;
    };
    const std::optional<DWORD> installed =
        run(L"\"" + medium + L"\\Setup.exe\" /SILENT /LOG=C:\\VornaLog\\install.log");
    const std::wstring unpacked = temp + L"\\VORNAInstall";
    EXPECT_EQ(::GetFileAttributesW(unpacked.c_str()), INVALID_FILE_ATTRIBUTES) << "the payload stays unpacked in TEMP";
    ExpectInstalledIn(kDefaultFolder, true);
    const std::optional<DWORD> removed =
        run(L"\"C:\\Program Files\\Vorna\\Setup.exe\" /UNINSTALL /SILENT /LOG=C:\\VornaLog\\uninstall.log");
    // A destination the code page cannot write reaches the setup as "C:\????": a bad folder.
    const std::optional<DWORD> refused = run(L"\"" + medium + L"\\Setup.exe\" /SILENT /DIR=C:\\Иван");
    ::SetEnvironmentVariableW(L"TEMP", previousTemp);
    EXPECT_EQ(refused, 1639u);

    const std::string installLog = ReadFileBytes(log + "install.log");
    EXPECT_EQ(installed, 0u) << installLog;
    // The log names the short forms it used, and no path with a "?".
    for (const char* line : {"Program folder: C:\\users\\", "TEMP: C:\\users\\"}) {
        const size_t at = installLog.find(line);
        ASSERT_NE(at, std::string::npos) << line << "\n" << installLog;
        const std::string logged = installLog.substr(at, installLog.find('\n', at) - at);
        EXPECT_EQ(logged.find('?'), std::string::npos) << logged;
        EXPECT_NE(logged.find("short 8.3 form"), std::string::npos) << logged;
    }
    EXPECT_TRUE(removed == 0u || removed == 3010u) << ReadFileBytes(log + "uninstall.log");
    ExpectRemovedFrom(kDefaultFolder);
}

}  // namespace e2e
