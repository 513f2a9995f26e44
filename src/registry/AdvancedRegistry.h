#pragma once
// TAdvancedRegistry: names one registry key (a root plus RegistryArea "\" RegistrySection)
// and reads, writes and deletes under it. Failures to reach a key go to OnError (which may be
// unbound); only a failed value write reaches the caller, as ERegistryException.
//
// A new component reads RegistryRootKey as hkCLASSES_ROOT, but acts under HKEY_CURRENT_USER
// until RegistryRootKey is first assigned: owners always assign it before use.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace registry {

enum TRegistryKey : std::uint8_t {
    hkCLASSES_ROOT,
    hkCURRENT_USER,
    hkLOCAL_MACHINE,
    hkUSERS,
    hkPERFORMANCE_DATA,
    hkCURRENT_CONFIG,
    hkDYN_DATA,
};

class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class RegistryAccess;

class TAdvancedRegistry {
public:
    TAdvancedRegistry();
    ~TAdvancedRegistry();
    TAdvancedRegistry(const TAdvancedRegistry&) = delete;
    TAdvancedRegistry& operator=(const TAdvancedRegistry&) = delete;

    TRegistryKey RegistryRootKey() const;
    void SetRegistryRootKey(TRegistryKey key);

    std::string RegistryArea;
    std::string RegistrySection;
    std::function<void(TAdvancedRegistry* sender)> OnError;

    std::string ReadString(const std::string& name);
    void WriteString(const std::string& name, const std::string& value);
    // A REG_DWORD value; fails as WriteString does.
    void WriteInteger(const std::string& name, DWORD value);
    void DeleteKey(const std::string& keyPath);

private:
    std::string KeyPath() const;
    void DoError();
    // Opens (creating) the key, runs write on the open key and closes it; a write that fails
    // raises ERegistryException naming the value.
    void WriteValue(const std::string& name, const std::function<LONG()>& write);

    std::unique_ptr<RegistryAccess> access_;
    TRegistryKey rootKey_ = hkCLASSES_ROOT;
};

}  // namespace registry
