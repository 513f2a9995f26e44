// The access list an installation folder is made with. Wine keeps no access lists on files, so
// the descriptor is checked here, as the system reads it back.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/Security.h"

namespace {

struct Entry {
    WELL_KNOWN_SID_TYPE who;
    ACCESS_MASK mask;
};

TEST(InstallationFolderSecurity, AdministratorsAndSystemMayChangeItUsersOnlyReadAndRunProtectedFromTheParent) {
    platform::SecurityAttributes security(platform::kInstallationFolder);
    PSECURITY_DESCRIPTOR descriptor = security.Descriptor();
    ASSERT_TRUE(descriptor && security.Get()) << "no descriptor on NT";

    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the parent's entries would reach it";

    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted));
    ASSERT_TRUE(present && acl);
    const std::vector<Entry> expected{{WinLocalSystemSid, FILE_ALL_ACCESS},
                                      {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
                                      {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE}};
    ASSERT_EQ(acl->AceCount, expected.size());
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        SCOPED_TRACE(i);
        void* raw = nullptr;
        ASSERT_TRUE(::GetAce(acl, i, &raw));
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << "not passed on to what is inside";
        EXPECT_TRUE(::IsWellKnownSid(&ace->SidStart, expected[i].who));
        EXPECT_EQ(ace->Mask, expected[i].mask);
    }
    auto* users = static_cast<ACCESS_ALLOWED_ACE*>(nullptr);
    ASSERT_TRUE(::GetAce(acl, 2, reinterpret_cast<void**>(&users)));
    const ACCESS_MASK change = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                               FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;
    EXPECT_EQ(users->Mask & change, 0u) << "Users could replace a program that runs as LocalSystem";

    char* text = nullptr;
    ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                                      DACL_SECURITY_INFORMATION, &text, nullptr));
    EXPECT_STREQ(text, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
    ::LocalFree(text);
}

}  // namespace
