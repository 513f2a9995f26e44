#include "platform/Security.h"

#include <aclapi.h>
#include <sddl.h>

#include "platform/SystemInfo.h"

namespace platform {

SecurityAttributes::SecurityAttributes(const char* descriptorText) {
    if (IsWindowsNT() && ::ConvertStringSecurityDescriptorToSecurityDescriptorA(descriptorText, SDDL_REVISION_1,
                                                                              &descriptor_, nullptr))
        attributes_ = {sizeof attributes_, descriptor_, FALSE};
}

SecurityAttributes::~SecurityAttributes() { ::LocalFree(descriptor_); }

bool OwnedByAdministrators(HANDLE kernelObject) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(kernelObject, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                          nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    bool administrators =
        owner && (::IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || ::IsWellKnownSid(owner, WinLocalSystemSid));
    ::LocalFree(descriptor);
    return administrators;
}

}  // namespace platform
