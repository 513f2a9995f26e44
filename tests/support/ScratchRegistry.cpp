#include "ScratchRegistry.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace testing_support {

namespace {

constexpr const char* kScratchParent = "Software\\VornaTests";
std::atomic<bool> g_active{false};

const char* StandInName(HKEY root) {
    if (root == HKEY_CLASSES_ROOT) return "HKCR";
    if (root == HKEY_CURRENT_USER) return "HKCU";
    if (root == HKEY_LOCAL_MACHINE) return "HKLM";
    if (root == HKEY_USERS) return "HKU";
    if (root == HKEY_PERFORMANCE_DATA) return "HKPD";
    if (root == HKEY_CURRENT_CONFIG) return "HKCC";
    if (root == HKEY_DYN_DATA) return "HKDD";
    throw std::invalid_argument("not a predefined registry root");
}

HKEY CreateKeyUnder(HKEY base, const std::string& keyPath) {
    HKEY key = nullptr;
    LONG result = ::RegCreateKeyExA(base, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) {
        throw std::runtime_error("cannot create registry key " + keyPath + " (error " + std::to_string(result) + ")");
    }
    return key;
}

}  // namespace

ScratchRegistry::ScratchRegistry() {
    if (g_active.exchange(true)) throw std::logic_error("only one ScratchRegistry at a time");
    static std::atomic<unsigned> counter{0};
    path_ = std::string(kScratchParent) + "\\" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(counter++);
    try {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());  // left over from a crashed run
        // Every stand-in is created through this handle, never through HKEY_CURRENT_USER,
        // which is itself redirected from here on.
        scratch_.Reset(CreateKeyUnder(HKEY_CURRENT_USER, path_));
        Redirect(HKEY_LOCAL_MACHINE);
        Redirect(HKEY_CURRENT_USER);
    } catch (...) {
        Restore();
        throw;
    }
}

ScratchRegistry::~ScratchRegistry() { Restore(); }

void ScratchRegistry::Redirect(HKEY root) {
    for (const auto& entry : redirected_) {
        if (entry.first == root) return;
    }
    platform::ScopedRegKey standIn(CreateKeyUnder(scratch_.Get(), StandInName(root)));
    LONG result = ::RegOverridePredefKey(root, standIn.Get());
    if (result != ERROR_SUCCESS) {
        throw std::runtime_error("RegOverridePredefKey failed (error " + std::to_string(result) + ")");
    }
    redirected_.emplace_back(root, std::move(standIn));
}

std::string ScratchRegistry::StandInPath(HKEY root) const { return path_ + "\\" + StandInName(root); }

void ScratchRegistry::SetLocalMachineString(const std::string& keyPath, const std::string& name,
                                            const std::string& value) {
    SetRegistryString(HKEY_LOCAL_MACHINE, keyPath, name, value);
}

void ScratchRegistry::SetCurrentUserString(const std::string& keyPath, const std::string& name,
                                           const std::string& value) {
    SetRegistryString(HKEY_CURRENT_USER, keyPath, name, value);
}

void ScratchRegistry::Restore() noexcept {
    // Real roots first: the scratch tree lies under the real HKEY_CURRENT_USER.
    for (auto& entry : redirected_) ::RegOverridePredefKey(entry.first, nullptr);
    redirected_.clear();
    scratch_.Close();
    if (!path_.empty()) {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kScratchParent);  // only succeeds once empty
    }
    g_active = false;
}

void CreateRegistryKey(HKEY root, const std::string& keyPath) {
    platform::ScopedRegKey key(CreateKeyUnder(root, keyPath));
}

void SetRegistryValue(HKEY root, const std::string& keyPath, const std::string& name, DWORD type,
                      const std::string& data) {
    platform::ScopedRegKey key(CreateKeyUnder(root, keyPath));
    LONG result = ::RegSetValueExA(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                   static_cast<DWORD>(data.size()));
    if (result != ERROR_SUCCESS) {
        throw std::runtime_error("cannot set registry value " + name + " (error " + std::to_string(result) + ")");
    }
}

void SetRegistryString(HKEY root, const std::string& keyPath, const std::string& name, const std::string& value) {
    SetRegistryValue(root, keyPath, name, REG_SZ, value + '\0');
}

std::optional<RegistryValue> GetRegistryValue(HKEY root, const std::string& keyPath, const std::string& name,
                                              REGSAM view) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ | view, &raw) != ERROR_SUCCESS) return std::nullopt;
    platform::ScopedRegKey key(raw);
    DWORD size = 0;
    if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RegistryValue value;
    value.data.resize(size);
    if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.type, reinterpret_cast<BYTE*>(value.data.data()),
                           &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(std::min<size_t>(size, value.data.size()));
    return value;
}

std::optional<std::string> RegistryString(HKEY root, const std::string& keyPath, const std::string& name,
                                          REGSAM view) {
    std::optional<RegistryValue> value = GetRegistryValue(root, keyPath, name, view);
    if (!value) return std::nullopt;
    while (!value->data.empty() && value->data.back() == '\0') value->data.pop_back();
    return value->data;
}

bool RegistryKeyExists(HKEY root, const std::string& keyPath, REGSAM view) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ | view, &raw) != ERROR_SUCCESS) return false;
    platform::ScopedRegKey key(raw);
    return true;
}

std::vector<std::string> RegistrySubkeys(HKEY root, const std::string& keyPath) {
    std::vector<std::string> names;
    HKEY raw = nullptr;
    if (::RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return names;
    platform::ScopedRegKey key(raw);
    std::vector<char> name(32768);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (::RegEnumKeyExA(key.Get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name.data(), std::min<size_t>(length, name.size()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace testing_support
