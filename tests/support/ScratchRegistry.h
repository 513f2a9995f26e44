#pragma once
// A throw-away registry for one test. While a ScratchRegistry lives, HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER of THIS process point into a fresh key of its own (under the real
// HKEY_CURRENT_USER\Software\VornaTests\<pid>-<n>), so code under test can write and delete
// "machine-wide" keys freely. The destructor puts the real roots back and deletes the scratch
// tree. Other processes (a launched Setup.exe, reg.exe) still see the real registry; give
// them ScratchPath() if they need to look.
//
//     testing_support::ScratchRegistry reg;
//     reg.SetLocalMachineString("Software\\VORNA", "InstallDir", "C:\\Program Files\\Vorna\\");
//     ... run the code under test ...
//     EXPECT_FALSE(testing_support::RegistryKeyExists(HKEY_LOCAL_MACHINE, "Software\\VORNA"));
//
// Only one may exist at a time in a process (the redirection is process-wide).
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ScopedHandle.h"

namespace testing_support {

class ScratchRegistry {
public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    // Redirects one more predefined root (HKEY_CLASSES_ROOT, HKEY_USERS, HKEY_CURRENT_CONFIG,
    // HKEY_DYN_DATA) into its own empty subkey of the scratch key.
    void Redirect(HKEY root);

    // The scratch key as a path under the real HKEY_CURRENT_USER, and the stand-in of one
    // redirected root below it.
    const std::string& ScratchPath() const { return path_; }
    std::string StandInPath(HKEY root) const;

    void SetLocalMachineString(const std::string& keyPath, const std::string& name, const std::string& value);
    void SetCurrentUserString(const std::string& keyPath, const std::string& name, const std::string& value);

private:
    void Restore() noexcept;

    std::string path_;
    platform::ScopedRegKey scratch_;
    std::vector<std::pair<HKEY, platform::ScopedRegKey>> redirected_;
};

// Small helpers on any root (redirected or not); key paths are relative to the root.
struct RegistryValue {
    DWORD type = REG_NONE;
    std::string data;  // raw bytes as stored
};

// Creates the key and its parents; throws std::runtime_error on failure.
void CreateRegistryKey(HKEY root, const std::string& keyPath);
// Writes raw bytes with the given type (creating the key); throws on failure.
void SetRegistryValue(HKEY root, const std::string& keyPath, const std::string& name, DWORD type,
                      const std::string& data);
// REG_SZ: the text's bytes and one terminating NUL.
void SetRegistryString(HKEY root, const std::string& keyPath, const std::string& name, const std::string& value);
// Nothing when the key or the value is missing. view: 0 (this program's own registry view),
// KEY_WOW64_32KEY or KEY_WOW64_64KEY.
std::optional<RegistryValue> GetRegistryValue(HKEY root, const std::string& keyPath, const std::string& name,
                                              REGSAM view = 0);
// A string value's text without its terminating NULs; nothing when the key or value is missing.
std::optional<std::string> RegistryString(HKEY root, const std::string& keyPath, const std::string& name,
                                          REGSAM view = 0);
bool RegistryKeyExists(HKEY root, const std::string& keyPath, REGSAM view = 0);
// Names of the direct subkeys, sorted.
std::vector<std::string> RegistrySubkeys(HKEY root, const std::string& keyPath);

}  // namespace testing_support
