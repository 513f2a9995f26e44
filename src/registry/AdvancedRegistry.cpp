#include "registry/AdvancedRegistry.h"

#include "platform/ScopeExit.h"
#include "registry/RegistryAccess.h"

namespace registry {

namespace {

// Indexed by TRegistryKey.
const HKEY kRootHandles[] = {
    HKEY_CLASSES_ROOT,      HKEY_CURRENT_USER,   HKEY_LOCAL_MACHINE, HKEY_USERS,
    HKEY_PERFORMANCE_DATA,  HKEY_CURRENT_CONFIG, HKEY_DYN_DATA,
};
constexpr size_t kRootCount = sizeof(kRootHandles) / sizeof(kRootHandles[0]);

std::string Quoted(const std::string& name) { return "'" + name + "'"; }

// One string value of the open key. A missing or empty value is the empty string; unreadable
// data or a non-string type raise ERegistryException. REG_EXPAND_SZ is returned as stored.
std::string ReadStringValue(const RegistryAccess& access, const std::string& name) {
    DWORD size = 0;
    if (access.QueryValueInfo(name, &size, nullptr) != ERROR_SUCCESS || size == 0) return {};
    DWORD type = REG_NONE;
    std::string data;
    if (access.ReadValue(name, size, &type, &data) != ERROR_SUCCESS) {
        throw ERegistryException("Failed to get data for " + Quoted(name));
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        throw ERegistryException("Invalid data type for " + Quoted(name));
    }
    return data.substr(0, data.find('\0'));
}

}  // namespace

TAdvancedRegistry::TAdvancedRegistry() : access_(std::make_unique<RegistryAccess>(HKEY_CURRENT_USER)) {}

TAdvancedRegistry::~TAdvancedRegistry() = default;

TRegistryKey TAdvancedRegistry::RegistryRootKey() const { return rootKey_; }

void TAdvancedRegistry::SetRegistryRootKey(TRegistryKey key) {
    if (static_cast<size_t>(key) >= kRootCount) return;  // not a root this component knows
    rootKey_ = key;
    access_->SetRootKey(kRootHandles[key]);
}

std::string TAdvancedRegistry::KeyPath() const { return RegistryArea + "\\" + RegistrySection; }

void TAdvancedRegistry::DoError() {
    if (OnError) OnError(this);
}

std::string TAdvancedRegistry::ReadString(const std::string& name) {
    std::string result;
    const std::string path = KeyPath();
    // A key that exists but cannot be opened with full access counts as missing.
    if (!access_->KeyExists(path)) {
        DoError();
        return result;
    }
    // The key is closed however the read ends, so that no key stays open between operations
    // and later relative paths never resolve from a stale key.
    platform::ScopeExit closer([this] { access_->CloseKey(); });
    // Should the key vanish in between, nothing is open and the read finds no value.
    access_->OpenKey(path, false);
    bool failed = false;
    try {
        result = ReadStringValue(*access_, name);
    } catch (const std::exception&) {
        result.clear();
        failed = true;
    }
    if (failed) DoError();
    return result;
}

void TAdvancedRegistry::WriteValue(const std::string& name, const std::function<LONG()>& write) {
    if (access_->OpenKey(KeyPath(), true) != ERROR_SUCCESS) {
        DoError();
        return;
    }
    platform::ScopeExit closer([this] { access_->CloseKey(); });  // as in ReadString
    if (write() != ERROR_SUCCESS) {
        throw ERegistryException("Failed to set data for " + Quoted(name));
    }
}

void TAdvancedRegistry::WriteString(const std::string& name, const std::string& value) {
    WriteValue(name, [&] { return access_->WriteStringValue(name, value); });
}

void TAdvancedRegistry::WriteInteger(const std::string& name, DWORD value) {
    WriteValue(name, [&] { return access_->WriteDwordValue(name, value); });
}

void TAdvancedRegistry::DeleteKey(const std::string& keyPath) {
    if (access_->DeleteKey(keyPath) != ERROR_SUCCESS) DoError();
}

}  // namespace registry
