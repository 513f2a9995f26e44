// Where Setup.Dat is unpacked: below TEMP, or beside the program when TEMP gives nothing usable.
#include <gtest/gtest.h>

#include <optional>

#include "setup/Main.h"

namespace {

// Sets TEMP for the test and puts the process's own value back afterwards.
class TempVariable {
public:
    TempVariable() {
        DWORD size = ::GetEnvironmentVariableA("TEMP", nullptr, 0);
        if (size > 0) {
            std::string value(size, '\0');
            DWORD length = ::GetEnvironmentVariableA("TEMP", value.data(), size);
            value.resize(length < size ? length : 0);
            saved_ = value;
        }
    }
    ~TempVariable() { ::SetEnvironmentVariableA("TEMP", saved_ ? saved_->c_str() : nullptr); }
    TempVariable(const TempVariable&) = delete;
    TempVariable& operator=(const TempVariable&) = delete;

    void Set(const std::string& value) { ASSERT_TRUE(::SetEnvironmentVariableA("TEMP", value.c_str())); }
    void Unset() { ::SetEnvironmentVariableA("TEMP", nullptr); }

private:
    std::optional<std::string> saved_;
};

// This program's folder, with its trailing backslash, as the system names it.
std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path, length);
    return text.substr(0, text.rfind('\\') + 1);
}

TEST(ChooseExtractFolder, IsBelowTempWhenTempIsSet) {
    TempVariable temp;
    temp.Set("C:\\WINDOWS\\TEMP");
    EXPECT_EQ(setup::ChooseExtractFolder(), "C:\\WINDOWS\\TEMP\\VORNAInstall\\");
    // A trailing backslash is kept: two in a row, which the system accepts.
    temp.Set("C:\\WINDOWS\\TEMP\\");
    EXPECT_EQ(setup::ChooseExtractFolder(), "C:\\WINDOWS\\TEMP\\\\VORNAInstall\\");
}

TEST(ChooseExtractFolder, IsBesideTheProgramWhenTempIsUnsetOrEmpty) {
    TempVariable temp;
    temp.Unset();
    EXPECT_EQ(setup::ChooseExtractFolder(), ProgramFolder() + "Temp\\VORNAInstall\\");
    temp.Set("");
    EXPECT_EQ(setup::ChooseExtractFolder(), ProgramFolder() + "Temp\\VORNAInstall\\");
}

TEST(ChooseExtractFolder, ATempThatDoesNotFitTwoHundredFiftyFiveCharactersGivesTheFallback) {
    TempVariable temp;
    // 254 characters and the terminator fit: used, the result cut to 255 characters.
    std::string fits = "C:\\" + std::string(251, 't');
    temp.Set(fits);
    EXPECT_EQ(setup::ChooseExtractFolder(), (fits + "\\VORNAInstall\\").substr(0, 255));
    for (size_t length : {255u, 300u}) {
        temp.Set("C:\\" + std::string(length - 3, 't'));
        EXPECT_EQ(setup::ChooseExtractFolder(), ProgramFolder() + "Temp\\VORNAInstall\\") << length;
    }
}

}  // namespace
