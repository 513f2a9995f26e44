#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include "ScratchRegistry.h"
#include "registry/AdvancedRegistry.h"

using namespace registry;
using testing_support::GetRegistryValue;
using testing_support::RegistryKeyExists;
using testing_support::RegistrySubkeys;
using testing_support::SetRegistryString;
using testing_support::SetRegistryValue;

namespace {

const HKEY kLM = HKEY_LOCAL_MACHINE;

// The component as the setup window configures PathRegistry, with OnError counted.
class AdvancedRegistryTest : public ::testing::Test {
protected:
    AdvancedRegistryTest() {
        component.SetRegistryRootKey(hkLOCAL_MACHINE);
        component.RegistryArea = "\\Software";
        component.RegistrySection = "VORNA";
        component.OnError = [this](TAdvancedRegistry* sender) {
            ++errors;
            EXPECT_EQ(sender, &component);
        };
    }

    testing_support::ScratchRegistry scratch;  // first in, last out
    TAdvancedRegistry component;
    int errors = 0;
};

std::string Bytes(const char* data, size_t size) { return std::string(data, size); }

// Leaves everyone only read access to a key for the lifetime of the object.
class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY root, const char* path) {
        EXPECT_EQ(::RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key_), ERROR_SUCCESS);
        Apply("D:P(A;;KR;;;WD)");
    }
    ~ReadOnlyKey() {
        Apply("D:(A;;KA;;;WD)");  // through the handle opened before, so it still may
        ::RegCloseKey(key_);
    }

private:
    void Apply(const char* sddl) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr));
        EXPECT_EQ(::RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
        ::LocalFree(descriptor);
    }
    HKEY key_ = nullptr;
};

}  // namespace

// --- ReadString ---

TEST_F(AdvancedRegistryTest, StringTypesComeBackAsStoredUpToTheFirstNul) {
    SetRegistryString(kLM, "Software\\VORNA", "InstallDir", "C:\\Program Files\\Vorna\\");
    SetRegistryValue(kLM, "Software\\VORNA", "Expand", REG_EXPAND_SZ, Bytes("%SystemRoot%\\x\0", 15));
    SetRegistryValue(kLM, "Software\\VORNA", "Embedded", REG_SZ, Bytes("abc\0def\0", 8));
    SetRegistryValue(kLM, "Software\\VORNA", "Unterminated", REG_SZ, "abc");
    const std::string large(1 << 20, 'L');
    SetRegistryString(kLM, "Software\\VORNA", "Large", large);

    EXPECT_EQ(component.ReadString("InstallDir"), "C:\\Program Files\\Vorna\\");
    EXPECT_EQ(component.ReadString("Expand"), "%SystemRoot%\\x");
    EXPECT_EQ(component.ReadString("Embedded"), "abc");
    EXPECT_EQ(component.ReadString("Unterminated"), "abc");
    EXPECT_EQ(component.ReadString("Large"), large);
    EXPECT_EQ(errors, 0);
}

TEST_F(AdvancedRegistryTest, MissingValueIsSilentButMissingKeyRaisesOnErrorOnce) {
    testing_support::CreateRegistryKey(kLM, "Software\\VORNA");
    EXPECT_EQ(component.ReadString("InstallDir"), "");
    EXPECT_EQ(errors, 0);

    component.RegistrySection = "Missing";
    EXPECT_EQ(component.ReadString("InstallDir"), "");
    EXPECT_EQ(errors, 1);
}

TEST_F(AdvancedRegistryTest, NonStringTypesRaiseOnErrorButEmptyDataIsSilent) {
    SetRegistryValue(kLM, "Software\\VORNA", "Dword", REG_DWORD, Bytes("\x01\0\0\0", 4));
    SetRegistryValue(kLM, "Software\\VORNA", "Binary", REG_BINARY, "abc");
    SetRegistryValue(kLM, "Software\\VORNA", "Multi", REG_MULTI_SZ, Bytes("a\0b\0\0", 5));
    EXPECT_EQ(component.ReadString("Dword"), "");
    EXPECT_EQ(component.ReadString("Binary"), "");
    EXPECT_EQ(component.ReadString("Multi"), "");
    EXPECT_EQ(errors, 3);

    SetRegistryValue(kLM, "Software\\VORNA", "EmptyBinary", REG_BINARY, "");
    SetRegistryValue(kLM, "Software\\VORNA", "EmptyString", REG_SZ, "");
    EXPECT_EQ(component.ReadString("EmptyBinary"), "");
    EXPECT_EQ(component.ReadString("EmptyString"), "");
    EXPECT_EQ(errors, 3);
}

TEST_F(AdvancedRegistryTest, KeyWithoutFullAccessIsNeitherReadNorWritten) {
    SetRegistryString(kLM, "Software\\VORNA", "InstallDir", "C:\\Old\\");
    {
        ReadOnlyKey readOnly(kLM, "Software\\VORNA");
        EXPECT_EQ(component.ReadString("InstallDir"), "");
        EXPECT_EQ(errors, 1);
        EXPECT_NO_THROW(component.WriteString("InstallDir", "C:\\New\\"));
        EXPECT_EQ(errors, 2);
    }
    EXPECT_EQ(GetRegistryValue(kLM, "Software\\VORNA", "InstallDir")->data, Bytes("C:\\Old\\\0", 8));
}

// --- WriteString ---

TEST_F(AdvancedRegistryTest, WriteCreatesEveryParentAndStoresRegSzWithItsNul) {
    component.RegistryArea = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    component.RegistrySection = "Vorna";
    component.WriteString("DisplayName", "VORNA Mail Server");
    component.WriteString("Empty", "");

    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorna";
    auto written = GetRegistryValue(kLM, key, "DisplayName");
    ASSERT_TRUE(written);
    EXPECT_EQ(written->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(written->data, Bytes("VORNA Mail Server\0", 18));
    auto empty = GetRegistryValue(kLM, key, "Empty");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(empty->data, Bytes("\0", 1));
    EXPECT_EQ(component.ReadString("DisplayName"), "VORNA Mail Server");
    EXPECT_EQ(errors, 0);
}

TEST_F(AdvancedRegistryTest, FailedValueWriteThrowsItsTextAndLeavesNoKeyOpen) {
    // The registry takes value names of at most 16383 characters.
    const std::string name(16384, 'n');
    try {
        component.WriteString(name, "x");
        FAIL() << "no ERegistryException";
    } catch (const ERegistryException& error) {
        EXPECT_EQ(std::string(error.what()), "Failed to set data for '" + name + "'");
    }
    EXPECT_EQ(errors, 0);

    // A relative path must now start from the root, not from the key the write had open.
    testing_support::CreateRegistryKey(kLM, "Sub");
    testing_support::CreateRegistryKey(kLM, "Software\\VORNA\\Sub");
    component.DeleteKey("Sub");
    EXPECT_FALSE(RegistryKeyExists(kLM, "Sub"));
    EXPECT_TRUE(RegistryKeyExists(kLM, "Software\\VORNA\\Sub"));
}

TEST_F(AdvancedRegistryTest, EmptyHalvesWriteIntoTheRootItself) {
    component.RegistryArea = "";
    component.RegistrySection = "";
    component.WriteString("AtRoot", "yes");
    EXPECT_EQ(GetRegistryValue(kLM, "", "AtRoot")->data, Bytes("yes\0", 4));
    EXPECT_EQ(component.ReadString("AtRoot"), "yes");
    EXPECT_EQ(errors, 0);
}

// --- Paths and roots ---

TEST_F(AdvancedRegistryTest, HalvesAreJoinedByOneBackslashAndNeverTrimmed) {
    // (A doubled backslash is not repaired either, but Wine's registry reads "a\\b" as
    // "a\b", so only the spaces show it here.)
    component.RegistryArea = "\\Software ";
    component.RegistrySection = " VORNA";
    component.WriteString("InstallDir", "x");
    EXPECT_TRUE(GetRegistryValue(kLM, "Software \\ VORNA", "InstallDir"));
    EXPECT_FALSE(RegistryKeyExists(kLM, "Software\\VORNA"));
    EXPECT_EQ(errors, 0);
}

TEST_F(AdvancedRegistryTest, AreaWithoutLeadingBackslashIsTakenFromTheRoot) {
    component.RegistryArea = "Software";
    component.WriteString("InstallDir", "x");
    EXPECT_EQ(GetRegistryValue(kLM, "Software\\VORNA", "InstallDir")->data, Bytes("x\0", 2));
}

TEST_F(AdvancedRegistryTest, EachRootKeyMapsToItsPredefinedKey) {
    const std::pair<TRegistryKey, HKEY> roots[] = {
        {hkCLASSES_ROOT, HKEY_CLASSES_ROOT},     {hkCURRENT_USER, HKEY_CURRENT_USER},
        {hkLOCAL_MACHINE, HKEY_LOCAL_MACHINE},   {hkUSERS, HKEY_USERS},
        {hkCURRENT_CONFIG, HKEY_CURRENT_CONFIG}, {hkDYN_DATA, HKEY_DYN_DATA},
    };
    for (const auto& [ordinal, handle] : roots) scratch.Redirect(handle);
    for (const auto& [ordinal, handle] : roots) {
        component.SetRegistryRootKey(ordinal);
        EXPECT_EQ(component.RegistryRootKey(), ordinal);
        component.WriteString("Root", std::to_string(ordinal));
    }
    for (const auto& [ordinal, handle] : roots) {
        auto value = GetRegistryValue(handle, "Software\\VORNA", "Root");
        ASSERT_TRUE(value) << "root " << int(ordinal);
        EXPECT_EQ(value->data, std::to_string(ordinal) + '\0');
    }
    EXPECT_EQ(errors, 0);
}

TEST(AdvancedRegistryConstruction, ReadsClassesRootButWorksUnderCurrentUserUntilAssigned) {
    testing_support::ScratchRegistry scratch;
    TAdvancedRegistry component;
    EXPECT_EQ(component.RegistryRootKey(), hkCLASSES_ROOT);
    EXPECT_EQ(component.RegistryArea, "");
    EXPECT_EQ(component.RegistrySection, "");
    EXPECT_FALSE(component.OnError);

    component.RegistryArea = "\\Software";
    component.RegistrySection = "VORNA";
    component.WriteString("Where", "user");
    EXPECT_TRUE(GetRegistryValue(HKEY_CURRENT_USER, "Software\\VORNA", "Where"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, "Software\\VORNA"));
}

TEST_F(AdvancedRegistryTest, OverlongPathsAndNamesFailCleanlyAndTouchNothingElse) {
    // Too long for one key name, and so long that a careless conversion would cut it to a
    // short, valid name ("\\Software" and a few characters).
    const std::string longName(300, 'k');
    const std::string wrapping = "\\Software\\" + std::string(65536, 'w');
    for (const std::string& area : {"\\" + longName, wrapping}) {
        errors = 0;
        component.RegistryArea = area;
        EXPECT_EQ(component.ReadString("InstallDir"), "");
        EXPECT_NO_THROW(component.WriteString("InstallDir", "x"));
        EXPECT_NO_THROW(component.DeleteKey(area));
        EXPECT_EQ(errors, 3);
    }
    EXPECT_TRUE(RegistrySubkeys(kLM, "").empty());

    // A value name that a careless conversion would cut to "vvv".
    SetRegistryString(kLM, "Software\\VORNA", "vvv", "other value");
    component.RegistryArea = "\\Software";
    const std::string longValue(65536 + 3, 'v');
    EXPECT_EQ(component.ReadString(longValue), "");
    EXPECT_THROW(component.WriteString(longValue, "x"), ERegistryException);
    EXPECT_EQ(GetRegistryValue(kLM, "Software\\VORNA", "vvv")->data, std::string("other value") + '\0');
}

// --- DeleteKey ---

TEST_F(AdvancedRegistryTest, DeleteRemovesTheWholeTreeAndLeavesSiblings) {
    SetRegistryString(kLM, "Software\\VORNA\\a\\x", "v", "1");
    SetRegistryString(kLM, "Software\\VORNA\\a\\y\\z", "v", "2");
    testing_support::CreateRegistryKey(kLM, "Software\\VORNA\\b");
    SetRegistryString(kLM, "Software\\VORNAX", "v", "sibling");
    // Deeper than one path of the registry can name in one call: only a walk key by key
    // reaches the bottom.
    std::string deep = "Software\\VORNA\\deep";
    for (int level = 0; level < 40; ++level) deep += "\\level" + std::to_string(level % 10) + "xx";
    HKEY key = kLM;
    std::string rest = deep;
    for (size_t cut; !rest.empty(); rest = cut == std::string::npos ? "" : rest.substr(cut + 1)) {
        cut = rest.find('\\');
        HKEY next = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(key, rest.substr(0, cut).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &next,
                                    nullptr), ERROR_SUCCESS);
        if (key != kLM) ::RegCloseKey(key);
        key = next;
    }
    ::RegCloseKey(key);

    component.DeleteKey("\\Software\\VORNA");
    EXPECT_EQ(errors, 0);
    EXPECT_FALSE(RegistryKeyExists(kLM, "Software\\VORNA"));
    EXPECT_EQ(RegistrySubkeys(kLM, "Software"), std::vector<std::string>{"VORNAX"});
}

TEST_F(AdvancedRegistryTest, DeleteOfMissingKeyOrOfTheRootRaisesOnErrorAndDeletesNothing) {
    testing_support::CreateRegistryKey(kLM, "Software\\VORNA");
    for (const char* path : {"\\Software\\Missing", "\\", "", "\\\\"}) {
        errors = 0;
        EXPECT_NO_THROW(component.DeleteKey(path));
        EXPECT_EQ(errors, 1) << "path '" << path << "'";
    }
    EXPECT_TRUE(RegistryKeyExists(kLM, "Software\\VORNA"));
}
