#include "InstallFlows.h"

namespace e2e {

bool SetupIs32Bit() {
    DWORD type = 0;
    std::string setup = testing_support::BinFolder() + "Setup.exe";
    EXPECT_TRUE(::GetBinaryTypeA(setup.c_str(), &type)) << setup;
    return type == SCS_32BIT_BINARY;
}

std::string NativeKey(const std::string& softwareKey) {
    if (!SetupIs32Bit()) return softwareKey;
    return "Software\\Wow6432Node" + softwareKey.substr(std::string("Software").size());
}

void ExpectWhere64BitWindowsKeepsIt(const std::string& destination, const Payload& payload) {
    bool setup32 = SetupIs32Bit();
    if (setup32) {
        BOOL wow64 = FALSE;
        ASSERT_TRUE(::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64)
            << "the 32-bit setup must run under WoW64 (a prefix with wine32)";
    }
    const REGSAM own = setup32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const REGSAM other = setup32 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kVornaKey, "InstallDir", own), destination);
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, NativeKey(kVornaKey), "InstallDir", KEY_WOW64_64KEY), destination);
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kVornaKey, other)) << "in the other view";
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, NativeKey(kUninstallKey), "DisplayName", KEY_WOW64_64KEY),
              "VORNA Mail Server");
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, other)) << "in the other view";
    const std::string ownSystem = WindowsFolder() + (setup32 ? "syswow64\\" : "system32\\");
    const std::string otherSystem = WindowsFolder() + (setup32 ? "system32\\" : "syswow64\\");
    NativeFileSystem native;
    EXPECT_EQ(ReadFileBytes(ownSystem + "VORNA.CPL"), payload.Data("VORNA.CPL")) << ownSystem;
    EXPECT_FALSE(FileExists(otherSystem + "VORNA.CPL")) << "the applet in " << otherSystem;
}

void InstallToTheEnd(SetupDriver& setup, const automation::Window& window, const std::string& destination,
                     bool windowsNT) {
    setup.StartInstall(window);
    Watched watched = WatchUntilBox(window, setup.Process().Id());
    ASSERT_TRUE(watched.box) << "the install showed no closing box";
    EXPECT_EQ(StatusText(window), "Installation Complete");
    EXPECT_FALSE(watched.progressWindowShownAtBox) << "the progress window is still showing";
    ExpectInOrder(watched.statusTexts, ExpectedProgress(destination, windowsNT), destination);
    automation::Window done = setup.ExpectBox("Information", kSetupComplete, IDI_INFORMATION, {"OK"});
    setup.Press(done, "OK");
    setup.ExpectEndsWithCodeZero();
}

void InstallFromTheMedium(const std::string& destination, const char* proposed) {
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    if (proposed) {
        ASSERT_TRUE(setup.Label(window, destination)) << proposed;
    }
    InstallToTheEnd(setup, window, destination, true);
}

void ExpectInstalled(const std::string& destination, const Payload& payload) {
    for (const char* name : kProgramFiles)
        EXPECT_EQ(ReadFileBytes(destination + name), payload.Data(name)) << destination << name;
    for (const char* name : kHtmlFiles)
        EXPECT_EQ(ReadFileBytes(destination + "html\\" + name), payload.Data(name)) << destination << "html\\" << name;
    for (const std::string& image : payload.Images())
        EXPECT_EQ(ReadFileBytes(destination + "html\\images\\" + image), payload.Data(image)) << image;
    EXPECT_EQ(ReadFileBytes(destination + "Setup.exe"), ReadFileBytes(testing_support::BinFolder() + "Setup.exe"))
        << "the copy of the setup program";
    EXPECT_EQ(ReadFileBytes(SystemFolder() + "VORNA.CPL"), payload.Data("VORNA.CPL"));

    for (const auto& shortcut : kShortcuts) {
        std::string link = GroupFolder() + shortcut[0] + ".lnk";
        EXPECT_TRUE(FileExists(link)) << link;
        EXPECT_STRCASEEQ(LinkTarget(link).c_str(), (destination + shortcut[1]).c_str()) << link;
    }
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "VORNA Mail Server");
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
              "\"" + destination + "Setup.exe\" /UNINSTALL");
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kVornaKey, "InstallDir"), destination);
    EXPECT_FALSE(FolderExists(ExtractFolder())) << "the temporary folder stays";
    ExpectWhere64BitWindowsKeepsIt(destination, payload);
}

std::vector<DWORD> ExpectServicesRunning(const std::string& destination) {
    std::vector<DWORD> processes;
    for (const Server& server : kServers) {
        SCOPED_TRACE(server.service);
        std::optional<ServiceConfig> config = ReadServiceConfig(server.service);
        if (!config) {
            ADD_FAILURE() << "no service";
            continue;
        }
        std::string path = destination + server.executable;
        if (path.find(' ') != std::string::npos) path = "\"" + path + "\"";
        EXPECT_EQ(config->serviceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
        EXPECT_EQ(config->startType, static_cast<DWORD>(SERVICE_AUTO_START));
        EXPECT_EQ(config->errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
        EXPECT_EQ(config->binaryPath, path);
        EXPECT_EQ(config->displayName, server.displayName);
        EXPECT_EQ(config->account, "LocalSystem");
        std::optional<DWORD> process = WaitForServiceState(server.service, SERVICE_RUNNING);
        EXPECT_TRUE(process) << "not running";
        if (process) processes.push_back(*process);
    }
    return processes;
}

std::vector<HWND> ExpectServerWindows(const std::string& destination) {
    std::vector<HWND> windows;
    for (const Server& server : kServers) {
        SCOPED_TRACE(server.caption);
        EXPECT_FALSE(ServiceExists(server.service)) << "a service on 95/98";
        HWND found = nullptr;
        // The report is a child the server makes just after its window: wait for both.
        EXPECT_TRUE(automation::WaitUntil(
            [&] {
                found = ::FindWindowA(server.windowClass, server.caption);
                return found && ::FindWindowExA(found, nullptr, "Static", nullptr);
            },
            15000))
            << "the server program does not run";
        if (!found) continue;
        windows.push_back(found);
        std::string report = automation::WindowText(::FindWindowExA(found, nullptr, "Static", nullptr));
        EXPECT_NE(report.find("\r\nProgram: " + destination + server.executable + "\r\n"), std::string::npos) << report;
        // The working folder as the system reports it: without its trailing backslash.
        std::string folder = "\r\nWorking folder: " + destination.substr(0, destination.size() - 1);
        EXPECT_TRUE(report.ends_with(folder) || report.find(folder + "\r\n") != std::string::npos) << report;
    }
    return windows;
}

void StartFrom64BitProcess(SetupDriver& setup, const std::string& command) {
    automation::Process launcher;
    std::string line(1, '"');
    line += testing_support::BinFolder();
    line += "launch64.exe\" ";
    line += command;
    ASSERT_TRUE(launcher.Start(line));
    std::optional<DWORD> startedId = launcher.WaitForExit(kWait);
    ASSERT_TRUE(startedId && *startedId != 0) << "launch64 could not start " << command;
    BOOL wow64 = TRUE;
    EXPECT_TRUE(::IsWow64Process(launcher.Handle(), &wow64) && !wow64) << "launch64 ran as a 32-bit program";
    ASSERT_TRUE(setup.Process().Attach(*startedId));
}

void UninstallThroughUninstallString(SetupDriver& setup, const std::string& destination) {
    std::optional<std::string> command =
        RegistryString(HKEY_LOCAL_MACHINE, NativeKey(kUninstallKey), "UninstallString", KEY_WOW64_64KEY);
    ASSERT_TRUE(command);
    // Read as Windows reads a command line: the quoted program, then the argument.
    ASSERT_EQ(command->front(), '"');
    size_t close = command->find('"', 1);
    ASSERT_NE(close, std::string::npos);
    EXPECT_EQ(command->substr(1, close - 1), destination + "Setup.exe");
    EXPECT_EQ(command->substr(close + 1), " /UNINSTALL");
    ASSERT_NO_FATAL_FAILURE(StartFrom64BitProcess(setup, *command));
    automation::Window question = setup.ExpectBox(kSetupCaption, kUninstallQuestion, IDI_QUESTION, {"Yes", "No"});
    setup.Press(question, "Yes");
    automation::Window done = setup.ExpectBox("Information", kRemoved, IDI_INFORMATION, {"OK"});
    // The entry is gone before the closing message.
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    setup.Press(done, "OK");
    setup.ExpectEndsWithCodeZero();
}

void ExpectUninstalled(const std::string& destination, bool groupHoldsOtherFiles) {
    for (const char* name : kProgramFiles) EXPECT_FALSE(FileExists(destination + name)) << name;
    for (const char* name : kHtmlFiles) EXPECT_FALSE(FileExists(destination + "html\\" + name)) << name;
    for (const auto& shortcut : kShortcuts) EXPECT_FALSE(FileExists(GroupFolder() + shortcut[0] + ".lnk"));
    EXPECT_EQ(FolderExists(GroupFolder()), groupHoldsOtherFiles);
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(FileExists(SystemFolder() + "VORNA.CPL"));
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kVornaKey, "InstallDir"), destination);
    EXPECT_TRUE(FileExists(destination + "Setup.exe")) << "the running program's own file waits for the restart";
    EXPECT_TRUE(FolderExists(destination + "html\\images\\"));
}

void ExpectExtractionRefused() {
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    setup.StartInstall(window);
    automation::Window box = setup.ExpectBox("Error", "Extracting files error: data file error", IDI_ERROR, {"OK"});
    EXPECT_EQ(StatusText(window), "Extracting Files...");
    setup.Press(box, "OK");
    setup.ExpectEndsWithCodeZero();
}

DWORD RunUnix(const std::string& command, DWORD timeoutMs) {
    static int runs = 0;
    const std::string status =
        "/tmp/vorna-unix." + std::to_string(::GetCurrentProcessId()) + "." + std::to_string(++runs) + ".status";
    const std::string statusFile = testing_support::WindowsPathOf(status);
    automation::Process shell;
    if (!shell.Start("Z:\\bin\\sh -c \"(" + command + "); echo $? >" + status + ".part; mv " + status + ".part " +
                     status + "\""))
        return ~0u;
    if (!automation::WaitUntil([&] { return FileExists(statusFile); }, timeoutMs)) return ~0u;
    std::string text = ReadFileBytes(statusFile);
    ::DeleteFileA(statusFile.c_str());
    return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
}

std::string UnixPath(const std::string& windowsPath) {
    using Convert = char*(CDECL*)(LPCWSTR);
    auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH] = {};
    if (!convert || !::MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH)) return {};
    char* unix = convert(wide);
    if (!unix) return {};
    std::string path = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return path;
}

std::string Marker(const char* dll) { return std::string("C:\\vorna-planted-") + dll + ".txt"; }

std::vector<std::string> LoadedModules(DWORD processId) {
    std::vector<std::string> modules;
    platform::ScopedKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    if (!snapshot || !::Module32First(snapshot.Get(), &entry)) return modules;
    do {
        std::string path = entry.szExePath;
        for (char& c : path) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        modules.push_back(path);
    } while (::Module32Next(snapshot.Get(), &entry));
    return modules;
}

DWORD ExitWithoutAWindow(automation::Process& process) {
    std::string shown;
    std::optional<DWORD> code;
    automation::WaitUntil(
        [&] {
            for (const automation::Window& window : automation::TopLevelWindows(process.Id()))
                if (shown.empty()) shown = window.className + " \"" + window.caption + "\"";
            return (code = process.WaitForExit(0)).has_value();
        },
        kInstallTimeout);
    EXPECT_EQ(shown, "") << "a window of the silent run showed";
    EXPECT_TRUE(code) << "the run did not end";
    return code.value_or(kNoExit);
}

DWORD RunSilently(const std::string& arguments, const std::string& program) {
    automation::Process setup;
    if (!setup.Start("\"" + program + "\" " + arguments)) {
        ADD_FAILURE() << "cannot start " << program;
        return kNoExit;
    }
    return ExitWithoutAWindow(setup);
}

std::vector<std::string> LogLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFileBytes(path));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        bool stamped = line.size() >= 14 && line[2] == ':' && line[5] == ':' && line[8] == '.';
        lines.push_back(stamped ? line.substr(14) : line);
    }
    return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::optional<DWORD> UninstallDword(const char* name) {
    std::optional<testing_support::RegistryValue> value =
        testing_support::GetRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, name);
    if (!value || value->type != REG_DWORD || value->data.size() != sizeof(DWORD)) return std::nullopt;
    DWORD number = 0;
    std::copy(value->data.begin(), value->data.end(), reinterpret_cast<char*>(&number));
    return number;
}

void ExpectDeploymentValues(const std::string& destination, const Payload& payload) {
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), "2.10.255");
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"), destination);
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon"), destination + "Setup.exe");
    size_t bytes = ReadFileBytes(testing_support::BinFolder() + "Setup.exe").size() + payload.Data("VORNA.CPL").size();
    for (const char* name : kProgramFiles) bytes += payload.Data(name).size();
    for (const char* name : kHtmlFiles) bytes += payload.Data(name).size();
    for (const std::string& image : payload.Images()) bytes += payload.Data(image).size();
    EXPECT_EQ(UninstallDword("EstimatedSize"), static_cast<DWORD>((bytes + 1023) / 1024));
    EXPECT_EQ(UninstallDword("NoModify"), 1u);
    EXPECT_EQ(UninstallDword("NoRepair"), 1u);
}

}  // namespace e2e
