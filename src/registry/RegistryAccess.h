#pragma once
// The registry access object behind TAdvancedRegistry: a root key and at most one open key.
// Every call returns the Win32 result code and leaves its out-values untouched on failure.
//
// Paths: one that begins with "\" is taken from the root with that backslash removed; any
// other is taken from the open key, or from the root when none is open.
#include <windows.h>

#include <string>

#include "platform/ScopedHandle.h"

namespace registry {

class RegistryAccess {
public:
    explicit RegistryAccess(HKEY root = HKEY_CURRENT_USER) : root_(root) {}
    RegistryAccess(const RegistryAccess&) = delete;
    RegistryAccess& operator=(const RegistryAccess&) = delete;

    HKEY RootKey() const { return root_; }
    // A root that differs from the current one closes the open key first.
    void SetRootKey(HKEY root);

    // The open key, or nullptr.
    HKEY CurrentKey() const { return current_.Get(); }

    // Opens the key (full access) and makes it the current one, replacing any open key.
    // With canCreate the key and every missing key above it are created (non-volatile); an
    // empty path then stands for the base key itself.
    LONG OpenKey(const std::string& path, bool canCreate);
    void CloseKey() { current_.Close(); }

    // Opens the key with full access and closes it at once; the open key is not changed.
    bool KeyExists(const std::string& path) const;

    // Size in bytes and type of a value of the open key.
    LONG QueryValueInfo(const std::string& name, DWORD* size, DWORD* type) const;
    // Reads at most maxSize bytes of a value of the open key. A value that has grown past
    // maxSize since it was measured fails with ERROR_MORE_DATA; nothing is cut or overrun.
    LONG ReadValue(const std::string& name, DWORD maxSize, DWORD* type, std::string* data) const;
    // Writes text as REG_SZ into the open key: its bytes and one terminating NUL.
    LONG WriteStringValue(const std::string& name, const std::string& text) const;
    // Writes number as REG_DWORD into the open key.
    LONG WriteDwordValue(const std::string& name, DWORD number) const;

    // Deletes the key and everything below it, deepest keys first. The result is that of the
    // final delete of the key itself.
    LONG DeleteKey(const std::string& path);

private:
    struct Resolved {
        HKEY base;
        std::string relative;
    };
    Resolved Resolve(const std::string& path) const;
    static LONG DeleteTree(HKEY base, const std::string& relative);

    HKEY root_;  // predefined, never closed
    platform::ScopedRegKey current_;
};

}  // namespace registry
