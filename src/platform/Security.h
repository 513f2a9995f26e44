#pragma once
// Security attributes written in the system's descriptor language, for objects that only
// SYSTEM and Administrators may use. On Windows 95/98, which has no security, there are none.
#include <windows.h>

namespace platform {

// Kernel objects: owned by Administrators, full access for SYSTEM and Administrators only.
inline constexpr char kAdministratorsOwnedObject[] = "O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)";
// Folders: full access for SYSTEM and Administrators only, passed on to what is made inside.
inline constexpr char kAdministratorsOnlyFolder[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// An installation folder the setup makes, as Program Files has it: full access for SYSTEM and
// Administrators, read and execute for Users, passed on to everything inside; protected, so
// that nothing the parent allows (Authenticated Users may change what lies under C:\) reaches it.
inline constexpr char kInstallationFolder[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

class SecurityAttributes {
public:
    explicit SecurityAttributes(const char* descriptorText);
    ~SecurityAttributes();
    SecurityAttributes(const SecurityAttributes&) = delete;
    SecurityAttributes& operator=(const SecurityAttributes&) = delete;
    // For CreateMutex, CreateDirectory and the like; nullptr where there is no security.
    SECURITY_ATTRIBUTES* Get() { return descriptor_ ? &attributes_ : nullptr; }
    // The descriptor, nullptr where there is none.
    PSECURITY_DESCRIPTOR Descriptor() const { return descriptor_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

// True when the object's owner is Administrators or SYSTEM, which only a process with
// administrator rights can make it.
bool OwnedByAdministrators(HANDLE kernelObject);

}  // namespace platform
