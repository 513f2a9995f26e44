#include "setup/Upgrade.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "archive/DataUnit.h"
#include "platform/Paths.h"
#include "platform/ScopedHandle.h"
#include "platform/Security.h"
#include "platform/SystemInfo.h"
#include "setup/Main.h"
#include "setup/RunLog.h"
#include "setup/ServiceControl.h"

namespace setup {
namespace {

using platform::ScopedServiceHandle;

// The uninstall entry's texts that the install writes.
constexpr const char* kEntryTexts[] = {"DisplayName",     "UninstallString", "DisplayVersion", "QuietUninstallString",
                                       "InstallLocation", "DisplayIcon",     "Publisher"};

// Where the journal lies below HKEY_LOCAL_MACHINE.
constexpr char kJournalKey[] = "Software\\VORNA\\Upgrade";

void AimAtJournal(registry::TAdvancedRegistry& component) {
    component.SetRegistryRootKey(registry::hkLOCAL_MACHINE);
    component.RegistryArea = "\\Software\\VORNA";
    component.RegistrySection = "Upgrade";
}

// The journal's lines, one value each, named by their number from 1.
std::vector<std::string> ReadJournal() {
    registry::TAdvancedRegistry journal;
    AimAtJournal(journal);
    std::vector<std::string> lines;
    try {
        for (std::string line; !(line = journal.ReadString(std::to_string(lines.size() + 1))).empty();)
            lines.push_back(line);
    } catch (...) {
        // what was read is what there is
    }
    return lines;
}

void DeleteJournal() {
    registry::TAdvancedRegistry journal;
    AimAtJournal(journal);
    journal.DeleteKey(journal.RegistryArea + "\\" + journal.RegistrySection);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

DWORD Number(const std::string& text) { return std::strtoul(text.c_str(), nullptr, 10); }

// Waits up to timeoutMs for the service to reach state; false when it does not (or is gone).
bool WaitForState(SC_HANDLE service, DWORD state, DWORD timeoutMs) {
    for (DWORD start = ::GetTickCount();; ::Sleep(50)) {
        SERVICE_STATUS status{};
        if (!::QueryServiceStatus(service, &status)) return false;
        if (status.dwCurrentState == state) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
    }
}

// Stops the service if it runs and deletes it, waiting until it is gone, so that one of the
// same name can be made again. The stop and the waits go through blocking; the log stays here.
void StopAndDelete(SC_HANDLE manager, const char* name, const platform::CallRunner& blocking) {
    {
        ScopedServiceHandle service(::OpenServiceA(manager, name, SERVICE_ALL_ACCESS));
        if (!service) return;
        bool deleted = platform::RunCall(blocking, std::string("stop and DeleteService ") + name, [&] {
            SERVICE_STATUS status{};
            ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);  // a stopped one refuses
            WaitForState(service.Get(), SERVICE_STOPPED, 15000);
            return ::DeleteService(service.Get()) != 0;
        });
        if (!deleted) Log().Line(std::string("Not deleted: ") + name + ": " + platform::LastErrorMessage());
    }
    platform::RunCall(blocking, std::string("wait for the deletion of ") + name, [&] {
        for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < 5000; ::Sleep(50)) {
            ScopedServiceHandle gone(::OpenServiceA(manager, name, SERVICE_QUERY_STATUS));
            if (!gone) return true;
        }
        return false;
    });
}

// The recorded service as it was: made again with its configuration, started when it ran.
// Fields: name, running, type, start, error control, display name, account, binary path.
void RecreateService(SC_HANDLE manager, const std::vector<std::string>& fields, const platform::CallRunner& blocking) {
    if (fields.size() != 9) return;
    const std::string& name = fields[1];
    const std::string& account = fields[7];
    std::string binary = QuotedServicePath(fields[8]);
    ScopedServiceHandle service(::CreateServiceA(
        manager, name.c_str(), fields[6].c_str(), SERVICE_ALL_ACCESS, Number(fields[3]), Number(fields[4]),
        Number(fields[5]), binary.c_str(), nullptr, nullptr, nullptr,
        _stricmp(account.c_str(), "LocalSystem") == 0 ? nullptr : account.c_str(), nullptr));
    if (!service) {
        Log().Line("Service not made again: " + name + ": " + platform::LastErrorMessage());
        return;
    }
    Log().Line("Service made again: " + name + " for " + binary);
    if (fields[2] != "1") return;
    // Running before the run goes on: a service still starting could be neither stopped nor deleted.
    if (platform::RunCall(blocking, "StartService " + name, [&] {
            return ::StartServiceA(service.Get(), 0, nullptr) && WaitForState(service.Get(), SERVICE_RUNNING, 15000);
        }))
        Log().Line("Service started again: " + name);
    else
        Log().Line("Service not started again: " + name + ": " + platform::LastErrorMessage());
}

// The previous version back from the journal's lines; nothing after a fresh install.
void PutBack(InstallContext& context, const std::vector<std::string>& journal, const platform::CallRunner& blocking) {
    std::vector<std::vector<std::string>> lines;
    for (const std::string& line : journal) lines.push_back(Split(line, '\t'));
    bool previous = std::any_of(lines.begin(), lines.end(), [](const auto& fields) {
        return !fields.empty() && (fields[0] == "S" || fields[0] == "W" || fields[0] == "F");
    });
    if (!previous) return;
    Log().Line("Putting the previous version back");
    ScopedServiceHandle manager;
    if (platform::IsWindowsNT()) {
        manager.Reset(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        // The new servers hold their programs open: they go before the files return.
        if (manager)
            for (const ServerRow& server : ServerTable) StopAndDelete(manager.Get(), server.serviceName, blocking);
    }
    // Undone in the reverse order of their doing.
    for (auto fields = lines.rbegin(); fields != lines.rend(); ++fields) {
        if (fields->size() < 2) continue;
        const std::string& original = (*fields)[1];
        if ((*fields)[0] == "N") ::DeleteFileA(original.c_str());
        // A line written just before the kill whose file was never moved: the file is where it was.
        if ((*fields)[0] != "F" || fields->size() != 3 || !platform::FileExists((*fields)[2])) continue;
        ::SetFileAttributesA(original.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(original.c_str());
        if (!::MoveFileExA((*fields)[2].c_str(), original.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
            Log().Line("Not put back: " + original + ": " + platform::LastErrorMessage());
    }
    for (const auto& fields : lines) {
        if (fields.size() < 3 || fields[0] != "V") continue;
        registry::TAdvancedRegistry& key = fields[1] == "I" ? context.PathRegistry : context.AdvancedRegistryInstall;
        try {
            if (fields.size() == 4) key.WriteString(fields[2], fields[3]);
        } catch (const registry::ERegistryException& error) {
            Log().Line(std::string("Not written back: ") + error.what());
        }
    }
    // The folder the files returned to: the one that holds the kept folder.
    std::string folder;
    for (const auto& fields : lines)
        if (fields.size() == 2 && fields[0] == "K" &&
            platform::FileNameOf(platform::WithoutTrailingBackslash(fields[1])) + "\\" == kKeptFolderName)
            folder = platform::ParentFolder(fields[1]);
    for (const auto& fields : lines) {
        if (manager && fields.size() == 9 && fields[0] == "S") RecreateService(manager.Get(), fields, blocking);
        if (fields.size() == 2 && fields[0] == "W" && !folder.empty())
            (void)ControlServer(static_cast<ServerIndex>(Number(fields[1])), true, folder, blocking);
    }
}

void RemoveKeptFolder(const std::vector<std::string>& journal, const platform::CallRunner& blocking) {
    for (const std::string& line : journal) {
        std::vector<std::string> fields = Split(line, '\t');
        if (fields.size() == 2 && fields[0] == "K") archive::RemoveFolder(fields[1], {}, blocking);
    }
}

// The previous version back, then the kept files and the record gone. Also run while a cancel
// unwinds the install: nothing may escape.
void PutBackAndForget(InstallContext& context, const std::vector<std::string>& journal,
                      const platform::CallRunner& blocking) {
    try {
        PutBack(context, journal, blocking);
        RemoveKeptFolder(journal, blocking);
        DeleteJournal();
    } catch (const std::exception& error) {
        Log().Line(std::string("The previous version could not be put back whole: ") + error.what());
    }
}

StepResult RegistryFailed(const registry::ERegistryException& error) {
    return Failed(std::string("Registry error: ") + error.what() + "\r\n" + kAdministratorAdvice);
}

}  // namespace

UpgradeKeeper::UpgradeKeeper(InstallContext& context, platform::CallRunner blocking)
    : context_(context), blocking_(std::move(blocking)) {}

void UpgradeKeeper::Append(const std::string& line) {
    const std::string name = std::to_string(journal_.size() + 1);
    if (!journalKey_) {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kJournalKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                              nullptr, &key, nullptr) == ERROR_SUCCESS)
            journalKey_.Reset(key);
    }
    // A line that cannot be written fails the step: what it would describe must not be touched.
    if (!journalKey_ || ::RegSetValueExA(journalKey_.Get(), name.c_str(), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(line.c_str()),
                                         static_cast<DWORD>(line.size() + 1)) != ERROR_SUCCESS)
        throw registry::ERegistryException("Failed to set data for '" + name + "'");
    journal_.push_back(line);
}

StepResult UpgradeKeeper::RecordPrevious() {
    try {
        Append("K\t" + context_.DestinationFolder + kKeptFolderName);
        for (const char* name : kEntryTexts)
            if (std::string text = context_.AdvancedRegistryInstall.ReadString(name); !text.empty())
                Append(std::string("V\tE\t") + name + "\t" + text);
        if (std::string folder = StoredInstallFolder(context_); !folder.empty())
            Append("V\tI\tInstallDir\t" + folder);
        if (!platform::IsWindowsNT()) {
            // 95/98: the servers are programs; those running are launched again from the folder.
            DWORD unused = 0;
            for (ServerIndex index = 0; index < ServerTable.size(); ++index)
                if (IsServerRunning(index, unused)) Append("W\t" + std::to_string(index));
            return Done();
        }
        ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!manager) return Done();
        for (const ServerRow& server : ServerTable) {
            ScopedServiceHandle service(
                ::OpenServiceA(manager.Get(), server.serviceName, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
            if (!service) continue;
            DWORD needed = 0;
            ::QueryServiceConfigA(service.Get(), nullptr, 0, &needed);
            std::vector<char> buffer(std::max<DWORD>(needed, sizeof(QUERY_SERVICE_CONFIGA)));
            auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
            SERVICE_STATUS status{};
            if (!::QueryServiceConfigA(service.Get(), config, static_cast<DWORD>(buffer.size()), &needed) ||
                !::QueryServiceStatus(service.Get(), &status))
                continue;
            auto text = [](const char* value) { return std::string(value ? value : ""); };
            Append(std::string("S\t") + server.serviceName + "\t" +
                   (status.dwCurrentState == SERVICE_STOPPED ? "0" : "1") + "\t" +
                   std::to_string(config->dwServiceType) + "\t" + std::to_string(config->dwStartType) + "\t" +
                   std::to_string(config->dwErrorControl) + "\t" + text(config->lpDisplayName) + "\t" +
                   text(config->lpServiceStartName) + "\t" + text(config->lpBinaryPathName));
        }
    } catch (const registry::ERegistryException& error) {
        return RegistryFailed(error);
    }
    return Done();
}

StepResult UpgradeKeeper::KeepAside(const std::string& path) {
    try {
        if (!platform::FileExists(path)) {
            Append("N\t" + path);
            return Done();
        }
        const std::string folder = context_.DestinationFolder + kKeptFolderName;
        if (!platform::FolderExists(folder)) {
            platform::SecurityAttributes security(platform::kAdministratorsOnlyFolder);
            if (!::CreateDirectoryA(folder.c_str(), security.Get()))
                return Failed("File copy error: " + platform::LastErrorMessage());
        }
        const std::string kept = folder + std::to_string(++kept_) + ".kept";
        ::DeleteFileA(kept.c_str());
        // Recorded first: a run killed between the two finds the line and the file where it was.
        Append("F\t" + path + "\t" + kept);
        if (!::MoveFileExA(path.c_str(), kept.c_str(), MOVEFILE_COPY_ALLOWED)) {
            std::string reason = platform::LastErrorMessage();
            Log().Line("Not kept: " + path + ": " + reason);
            return Failed("File copy error: " + reason);
        }
    } catch (const registry::ERegistryException& error) {
        return RegistryFailed(error);
    }
    return Done();
}

void UpgradeKeeper::RollBack() {
    if (journal_.empty()) return;
    journalKey_.Close();  // the key is deleted with the journal
    PutBackAndForget(context_, journal_, blocking_);
    journal_.clear();
}

void UpgradeKeeper::Discard() {
    if (journal_.empty()) return;
    journalKey_.Close();  // the key is deleted with the journal
    RemoveKeptFolder(journal_, blocking_);
    DeleteJournal();
    journal_.clear();
    Log().Line("The previous version's kept files are removed");
}

void RecoverKilledUpgrade(InstallContext& context, const platform::CallRunner& blocking) {
    const std::vector<std::string> journal = ReadJournal();
    if (journal.empty()) return;
    Log().Line("A run cut short left its journal");
    PutBackAndForget(context, journal, blocking);
}

}  // namespace setup
