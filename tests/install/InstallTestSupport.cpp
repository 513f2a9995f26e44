#include "InstallTestSupport.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <algorithm>
#include <stdexcept>

#include "ScratchFolder.h"
#include "platform/FileSearch.h"
#include "platform/SystemInfo.h"

namespace install_tests {
namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenames[] = "PendingFileRenameOperations";

}  // namespace

PendingRenamesGuard::PendingRenamesGuard() {
    HKEY key = nullptr;
    LONG result = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) throw std::runtime_error("cannot open the Session Manager key");
    key_.Reset(key);
    saved_ = Current();
}

PendingRenamesGuard::~PendingRenamesGuard() {
    if (saved_) {
        ::RegSetValueExA(key_.Get(), kPendingRenames, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(saved_->data()),
                         static_cast<DWORD>(saved_->size()));
    } else {
        ::RegDeleteValueA(key_.Get(), kPendingRenames);
    }
}

std::optional<std::string> PendingRenamesGuard::Current() const {
    DWORD size = 0;
    if (::RegQueryValueExA(key_.Get(), kPendingRenames, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::string data(size, '\0');
    if (::RegQueryValueExA(key_.Get(), kPendingRenames, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                           &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(std::min<size_t>(size, data.size()));
    return data;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    platform::ForEachEntry(platform::WithTrailingBackslash(folder), "*",
                           [&](const WIN32_FIND_DATAA& entry) { names.push_back(entry.cFileName); });
    std::sort(names.begin(), names.end());
    return names;
}

FileRestorer::FileRestorer(std::string path) : path_(std::move(path)) {
    if (platform::FileExists(path_)) saved_ = testing_support::ReadFileBytes(path_);
}

FileRestorer::~FileRestorer() {
    if (saved_) {
        testing_support::WriteFileBytes(path_, *saved_);
    } else {
        ::DeleteFileA(path_.c_str());
    }
}

std::optional<LinkInfo> ReadShortcut(const std::string& linkFile) {
    ::CoInitialize(nullptr);
    platform::ComPtr<IShellLinkA> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.ReceiveVoid())))
        return std::nullopt;
    platform::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid()))) return std::nullopt;
    wchar_t wide[MAX_PATH] = {};
    if (::MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide, MAX_PATH) == 0) return std::nullopt;
    if (FAILED(file->Load(wide, STGM_READ))) return std::nullopt;
    char target[MAX_PATH] = {};
    char description[INFOTIPSIZE] = {};
    if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) return std::nullopt;
    if (FAILED(link->GetDescription(description, INFOTIPSIZE))) return std::nullopt;
    return LinkInfo{target, description};
}

}  // namespace install_tests
