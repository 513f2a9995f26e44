#include <gtest/gtest.h>

#include "ScratchRegistry.h"

using namespace testing_support;

TEST(ScratchRegistry, RedirectsBothRootsAndRemovesEverythingAfterwards) {
    std::string scratchPath;
    {
        ScratchRegistry scratch;
        scratchPath = scratch.ScratchPath();
        scratch.SetLocalMachineString("Software\\VornaScratchProbe", "Value", "machine");
        scratch.SetCurrentUserString("Software\\VornaScratchProbe", "Value", "user");
        EXPECT_EQ(GetRegistryValue(HKEY_LOCAL_MACHINE, "Software\\VornaScratchProbe", "Value")->data,
                  std::string("machine") + '\0');
        EXPECT_THROW(ScratchRegistry second, std::logic_error);
    }
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, "Software\\VornaScratchProbe"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, "Software\\VornaScratchProbe"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, scratchPath));
    // Both stand-ins lived below the scratch key while it was there.
    ScratchRegistry again;
    EXPECT_NE(again.ScratchPath(), scratchPath);
}
