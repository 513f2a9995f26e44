#include "InstallSupport.h"

#include <commctrl.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "ScratchFolder.h"
#include "TestPaths.h"
#include "platform/ScopedHandle.h"

namespace e2e {

using platform::ScopedKernelHandle;
using platform::ScopedRegKey;

namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";
const char kWin98Setting[] = "Software\\Wine\\AppDefaults\\Setup.exe";

std::string Gif(unsigned char r, unsigned char g, unsigned char b) {
    std::string bytes("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13);
    bytes += static_cast<char>(r);
    bytes += static_cast<char>(g);
    bytes += static_cast<char>(b);
    bytes += std::string("\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b", 22);
    return bytes;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && _strnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

std::string WininitPath() { return WindowsFolder() + "wininit.ini"; }

std::optional<std::string> RawValue(HKEY root, const std::string& key, const std::string& name) {
    std::optional<testing_support::RegistryValue> value = testing_support::GetRegistryValue(root, key, name);
    if (!value) return std::nullopt;
    return value->data;
}

void SetPendingValue(const std::optional<std::string>& data) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &raw) != ERROR_SUCCESS)
        throw std::runtime_error("cannot open the Session Manager key");
    ScopedRegKey key(raw);
    if (!data) {
        ::RegDeleteValueA(key.Get(), kPendingValue);
        return;
    }
    if (::RegSetValueExA(key.Get(), kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data->data()),
                         static_cast<DWORD>(data->size())) != ERROR_SUCCESS)
        throw std::runtime_error("cannot restore PendingFileRenameOperations");
}

// The value's strings in pairs: source, target (empty for a deletion).
std::vector<std::pair<std::string, std::string>> PendingPairs(const std::string& data) {
    std::vector<std::string> strings;
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\0', start);
        if (end == std::string::npos) end = data.size();
        strings.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (size_t i = 0; i + 1 < strings.size() && !strings[i].empty(); i += 2) pairs.emplace_back(strings[i], strings[i + 1]);
    return pairs;
}

}  // namespace

// ---- Payload ----

Payload Payload::Full() {
    Payload payload;
    const std::string bin = testing_support::BinFolder();
    for (const char* name : kProgramFiles) {
        std::string file = name;
        if (file == "smtp.exe" || file == "pop3.exe" || file == "control.exe") {
            std::string bytes = ReadFileBytes(bin + file);
            if (bytes.empty()) throw std::runtime_error("no stand-in " + bin + file);
            payload.Set(file, bytes);
        } else {
            payload.Set(file, "VORNA Mail Server 2.10.255 test content of " + file + "\r\n");
        }
    }
    for (const char* name : kHtmlFiles) payload.Set(name, std::string("<html><body>") + name + "</body></html>\r\n");
    payload.Set("logo.gif", Gif(0, 0x33, 0x99));
    payload.Set("back.gif", Gif(0, 0, 0));
    payload.Set("title.gif", Gif(0xff, 0xff, 0xff));
    payload.Set("bullet.gif", Gif(0xcc, 0, 0));
    payload.Set("VORNA.CPL", "MZ VORNA Control Panel applet test content\r\n");
    return payload;
}

std::vector<std::string> Payload::Images() const {
    std::vector<std::string> images;
    for (const auto& [name, data] : members_)
        if (name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".gif") == 0) images.push_back(name);
    return images;
}

void Payload::WriteTo(const std::string& archivePath) const {
    std::ofstream out(archivePath, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + archivePath);
    auto header = [&out](const std::string& name, size_t size) {
        char field[1 + 255 + 4] = {};
        field[0] = static_cast<char>(name.size());
        std::copy(name.begin(), name.end(), field + 1);
        auto length = static_cast<uint32_t>(size);
        for (int i = 0; i < 4; ++i) field[256 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
        out.write(field, sizeof(field));
    };
    for (const auto& [name, data] : members_) {
        header(name, data.size());
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    if (!out) throw std::runtime_error("cannot write " + archivePath);
}

void MakeMedium(const std::string& folder, const std::optional<Payload>& payload) {
    ::CreateDirectoryA(folder.c_str(), nullptr);
    std::string from = testing_support::BinFolder() + "Setup.exe";
    if (!::CopyFileA(from.c_str(), (folder + "Setup.exe").c_str(), FALSE))
        throw std::runtime_error("cannot copy " + from + " to " + folder);
    if (payload) payload->WriteTo(folder + "Setup.Dat");
}

// ---- CleanMachine ----

void CleanMachine::SetUp() {
    folders_ = {kDefaultFolder, kMediumFolder};
    Clean();
    // A pending deletion of some Setup.exe can only be a left-over of an earlier test.
    std::optional<std::string> pending = RawValue(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue);
    if (pending) {
        std::string kept;
        for (const auto& [source, target] : PendingPairs(*pending)) {
            if (target.empty() && source.size() >= 10 && _stricmp(source.c_str() + source.size() - 10, "\\Setup.exe") == 0)
                continue;
            kept += source + '\0' + target + '\0';
        }
        if (kept.empty()) {
            SetPendingValue(std::nullopt);
        } else {
            SetPendingValue(kept + '\0');
        }
    }
    pendingBefore_ = RawValue(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue);
    if (FileExists(WininitPath())) wininitBefore_ = ReadFileBytes(WininitPath());
}

void CleanMachine::TearDown() {
    Clean();
    SetPendingValue(pendingBefore_);
    if (wininitBefore_) {
        WriteFileBytes(WininitPath(), *wininitBefore_);
    } else {
        ::DeleteFileA(WininitPath().c_str());
    }
}

std::string CleanMachine::Managed(const std::string& folder) {
    folders_.push_back(folder);
    return folder;
}

void CleanMachine::UseWin98Mode() {
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kWin98Setting, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    ScopedRegKey key(raw);
    const char version[] = "win98";
    ASSERT_EQ(::RegSetValueExA(key.Get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), sizeof(version)),
              ERROR_SUCCESS);
}

void CleanMachine::Clean() {
    std::string problems = RemoveSuiteServices();
    EXPECT_EQ(problems, "") << "the suite's services could not be cleaned";
    for (const std::string& folder : folders_) {
        EndProgramsIn(folder);
        testing_support::DeleteTree(folder);
        EXPECT_FALSE(FolderExists(folder)) << folder << " could not be removed";
    }
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kVornaKey) + "\\Upgrade").c_str());
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kVornaKey);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kWin98Setting);
    testing_support::DeleteTree(GroupFolder());
    ::DeleteFileA((SystemFolder() + "VORNA.CPL").c_str());
    testing_support::DeleteTree(ExtractFolder());
}

// ---- read-backs ----

std::string SystemFolder() {
    char buffer[MAX_PATH] = {};
    UINT length = ::GetSystemDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("no system folder");
    return std::string(buffer, length) + "\\";
}

std::string WindowsFolder() {
    char buffer[MAX_PATH] = {};
    UINT length = ::GetWindowsDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("no Windows folder");
    return std::string(buffer, length) + "\\";
}

std::string ExtractFolder() {
    char buffer[MAX_PATH] = {};
    DWORD length = ::GetEnvironmentVariableA("TEMP", buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("TEMP is not set");
    return std::string(buffer, length) + "\\VORNAInstall\\";
}

std::string ProgramsFolder() {
    std::optional<std::string> programs = RegistryString(
        HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Programs");
    if (!programs || programs->empty()) throw std::runtime_error("no \"Programs\" shell folder");
    return *programs;
}

std::string GroupFolder() { return ProgramsFolder() + "\\VORNA Mail Server\\"; }

std::string LinkTarget(const std::string& linkFile) {
    HRESULT initialised = ::CoInitialize(nullptr);
    std::string target;
    {
        platform::ComPtr<IShellLinkA> link;
        platform::ComPtr<IPersistFile> file;
        wchar_t wide[MAX_PATH] = {};
        char path[MAX_PATH] = {};
        if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         link.ReceiveVoid())) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) &&
            ::MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide, MAX_PATH) != 0 &&
            SUCCEEDED(file->Load(wide, STGM_READ)) && link->GetPath(path, MAX_PATH, nullptr, 0) == S_OK)
            target = path;
    }
    if (SUCCEEDED(initialised)) ::CoUninitialize();
    return target;
}

bool ProcessRunning(DWORD processId) {
    ScopedKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    return process && ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

std::vector<std::string> PendingDeletions() {
    std::vector<std::string> sources;
    std::optional<std::string> data = RawValue(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue);
    if (!data) return sources;
    for (const auto& [source, target] : PendingPairs(*data))
        if (target.empty()) sources.push_back(source);
    return sources;
}

std::vector<std::string> IniSectionLines(const std::string& text, const std::string& section) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inside = _stricmp(line.c_str(), ("[" + section + "]").c_str()) == 0;
            continue;
        }
        if (inside && !line.empty()) lines.push_back(line);
    }
    return lines;
}

// ---- driving ----

namespace {

struct ProcessWindows {
    DWORD processId;
    HWND box = nullptr;
    bool progressVisible = false;
};

BOOL CALLBACK LookAtWindow(HWND window, LPARAM parameter) {
    auto* seen = reinterpret_cast<ProcessWindows*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != seen->processId || !::IsWindowVisible(window)) return TRUE;
    // Class names and dialog items are read without a message to the busy program.
    std::string className = automation::ClassName(window);
    if (className == "#32770" && ::GetDlgItem(window, 0xFFFF)) seen->box = window;
    if (className == "TRunForm") seen->progressVisible = true;
    return TRUE;
}

}  // namespace

std::string StatusText(const automation::Window& setupWindow) {
    for (HWND child : automation::Children(setupWindow.handle)) {
        if (_stricmp(automation::ClassName(child).c_str(), STATUSCLASSNAMEA) != 0) continue;
        // One request with room to spare: the text may change between asking for its length
        // and asking for the text.
        char text[1024] = {};
        DWORD_PTR copied = 0;
        if (!::SendMessageTimeoutA(child, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                                   2000, &copied))
            return {};
        return std::string(text, std::min<size_t>(copied, sizeof(text) - 1));
    }
    return {};
}

Watched WatchUntilBox(const automation::Window& setupWindow, DWORD processId, DWORD timeoutMs) {
    Watched watched;
    DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        ProcessWindows seen{processId};
        ::EnumWindows(LookAtWindow, reinterpret_cast<LPARAM>(&seen));
        if (seen.box) {
            watched.box = {seen.box, automation::WindowText(seen.box), "#32770", processId, true};
            watched.progressWindowShownAtBox = seen.progressVisible;
            return watched;
        }
        if (!::IsWindow(setupWindow.handle)) return watched;
        // Served only when the program lets messages run, that is at its next progress report.
        std::string text = StatusText(setupWindow);
        if (!text.empty() && (watched.statusTexts.empty() || watched.statusTexts.back() != text))
            watched.statusTexts.push_back(text);
        ::Sleep(2);
    }
    return watched;
}

std::vector<std::string> ExpectedProgress(const std::string& destination, bool windowsNT) {
    std::vector<std::string> texts = {"Extracting Files...", "Checking For Running Services..."};
    for (const char* name : kProgramFiles) texts.push_back("Copying File '" + destination + name + "'...");
    for (const char* name : kHtmlFiles) texts.push_back("Copying File '" + destination + "html\\" + name + "'...");
    texts.push_back(kImageCopy);
    texts.push_back("Copying File '" + destination + "Setup.exe'...");
    texts.push_back("Copying File '" + SystemFolder() + "VORNA.CPL'...");
    texts.push_back("Creating Icons...");
    if (windowsNT) texts.push_back("Installing Services...");
    texts.push_back("Starting Services...");
    texts.push_back("Installation Complete");
    return texts;
}

void ExpectInOrder(const std::vector<std::string>& seen, const std::vector<std::string>& expected,
                   const std::string& destination) {
    const std::string imagePrefix = "Copying File '" + destination + "html\\images\\";
    std::vector<std::string> folded;
    for (const std::string& text : seen) {
        std::string entry = StartsWithNoCase(text, imagePrefix) ? std::string(kImageCopy) : text;
        if (folded.empty() || folded.back() != entry) folded.push_back(entry);
    }
    std::string all;
    for (const std::string& text : seen) all += "\n  " + text;
    EXPECT_GE(folded.size(), 3u) << "too few progress texts seen to judge their order:" << all;
    size_t at = 0;
    for (const std::string& text : folded) {
        auto found = std::find(expected.begin() + static_cast<std::ptrdiff_t>(at), expected.end(), text);
        if (found == expected.end()) {
            ADD_FAILURE() << "progress text \"" << text << "\" unexpected or out of order; seen:" << all;
            return;
        }
        at = static_cast<size_t>(found - expected.begin());
    }
}

}  // namespace e2e
