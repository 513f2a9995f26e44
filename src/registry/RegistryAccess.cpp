#include "registry/RegistryAccess.h"

#include <algorithm>
#include <vector>

namespace registry {

namespace {

// The registry takes names as counted 16-bit strings of at most 32767 characters. A longer
// ANSI name does not always fail on its own: it can be cut to a different, valid name, so
// such names are refused before they reach the registry.
constexpr size_t kLongestName = 32767;

bool FitsRegistry(const std::string& name) { return name.size() <= kLongestName; }

}  // namespace

void RegistryAccess::SetRootKey(HKEY root) {
    if (root == root_) return;
    CloseKey();
    root_ = root;
}

RegistryAccess::Resolved RegistryAccess::Resolve(const std::string& path) const {
    if (!path.empty() && path[0] == '\\') return {root_, path.substr(1)};
    return {current_ ? current_.Get() : root_, path};
}

LONG RegistryAccess::OpenKey(const std::string& path, bool canCreate) {
    Resolved target = Resolve(path);
    if (!FitsRegistry(target.relative)) return ERROR_FILENAME_EXCED_RANGE;
    HKEY key = nullptr;
    LONG result;
    if (canCreate && target.relative.empty()) {
        // The base key itself: the root (never closed) or the key that is open already.
        if (target.base == current_.Get()) return ERROR_SUCCESS;
        key = target.base;
        result = ERROR_SUCCESS;
    } else if (canCreate) {
        DWORD disposition = 0;
        result = ::RegCreateKeyExA(target.base, target.relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, nullptr, &key, &disposition);
    } else {
        result = ::RegOpenKeyExA(target.base, target.relative.c_str(), 0, KEY_ALL_ACCESS, &key);
    }
    if (result == ERROR_SUCCESS) current_.Reset(key);
    return result;
}

bool RegistryAccess::KeyExists(const std::string& path) const {
    Resolved target = Resolve(path);
    if (!FitsRegistry(target.relative)) return false;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(target.base, target.relative.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return false;
    }
    platform::ScopedRegKey opened(key);
    return true;
}

LONG RegistryAccess::QueryValueInfo(const std::string& name, DWORD* size, DWORD* type) const {
    if (!current_) return ERROR_INVALID_HANDLE;
    if (!FitsRegistry(name)) return ERROR_FILENAME_EXCED_RANGE;
    DWORD valueType = REG_NONE;
    DWORD valueSize = 0;
    LONG result = ::RegQueryValueExA(current_.Get(), name.c_str(), nullptr, &valueType, nullptr, &valueSize);
    if (result != ERROR_SUCCESS) return result;
    if (size) *size = valueSize;
    if (type) *type = valueType;
    return ERROR_SUCCESS;
}

LONG RegistryAccess::ReadValue(const std::string& name, DWORD maxSize, DWORD* type, std::string* data) const {
    if (!current_) return ERROR_INVALID_HANDLE;
    if (!FitsRegistry(name)) return ERROR_FILENAME_EXCED_RANGE;
    std::string buffer(maxSize, '\0');
    DWORD valueType = REG_NONE;
    DWORD valueSize = maxSize;
    LONG result = ::RegQueryValueExA(current_.Get(), name.c_str(), nullptr, &valueType,
                                     reinterpret_cast<BYTE*>(buffer.data()), &valueSize);
    if (result != ERROR_SUCCESS) return result;
    buffer.resize(std::min(valueSize, maxSize));
    if (type) *type = valueType;
    if (data) *data = std::move(buffer);
    return ERROR_SUCCESS;
}

LONG RegistryAccess::WriteStringValue(const std::string& name, const std::string& text) const {
    if (!current_) return ERROR_INVALID_HANDLE;
    if (!FitsRegistry(name)) return ERROR_FILENAME_EXCED_RANGE;
    if (text.size() >= MAXDWORD) return ERROR_INVALID_PARAMETER;
    return ::RegSetValueExA(current_.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
}

LONG RegistryAccess::WriteDwordValue(const std::string& name, DWORD number) const {
    if (!current_) return ERROR_INVALID_HANDLE;
    if (!FitsRegistry(name)) return ERROR_FILENAME_EXCED_RANGE;
    return ::RegSetValueExA(current_.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                            sizeof number);
}

LONG RegistryAccess::DeleteKey(const std::string& path) {
    Resolved target = Resolve(path);
    if (!FitsRegistry(target.relative)) return ERROR_FILENAME_EXCED_RANGE;
    // A path that names no key below its base would open the base itself and empty it
    // before the final delete fails: refuse it before anything is touched.
    if (target.relative.find_first_not_of('\\') == std::string::npos) return ERROR_INVALID_PARAMETER;
    return DeleteTree(target.base, target.relative);
}

LONG RegistryAccess::DeleteTree(HKEY base, const std::string& relative) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExA(base, relative.c_str(), 0, KEY_ALL_ACCESS, &raw) == ERROR_SUCCESS) {
        platform::ScopedRegKey key(raw);
        DWORD count = 0;
        DWORD longest = 0;
        if (::RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            count = 0;
        }
        // From the last index down, so that deleting does not shift the keys still to come.
        std::vector<char> name(static_cast<size_t>(longest) + 1);
        for (DWORD index = count; index-- > 0;) {
            DWORD length = static_cast<DWORD>(name.size());
            if (::RegEnumKeyExA(key.Get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                continue;  // renamed or grown since the count was taken
            }
            DeleteTree(key.Get(), std::string(name.data(), std::min<size_t>(length, name.size() - 1)));
        }
    }
    return ::RegDeleteKeyA(base, relative.c_str());
}

}  // namespace registry
