#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "platform/Paths.h"
#include "platform/SystemInfo.h"
#include "platform/SystemPaths.h"

using namespace platform;

namespace {

constexpr UINT kJapanese = 932, kSimplifiedChinese = 936, kTraditionalChinese = 950, kWestern = 1252;

std::string InCodePage(const std::wstring& text, UINT codePage) {
    const int count = static_cast<int>(text.size());
    const int size = ::WideCharToMultiByte(codePage, 0, text.data(), count, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), count, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

}  // namespace

TEST(Paths, FolderAndFileNameSplitAtTheLastBackslash) {
    EXPECT_EQ(FolderOf("C:\\Program Files\\Vorna\\Setup.exe"), "C:\\Program Files\\Vorna\\");
    EXPECT_EQ(FileNameOf("C:\\Program Files\\Vorna\\Setup.exe"), "Setup.exe");
    EXPECT_EQ(FolderOf("Setup.exe"), "");
    EXPECT_EQ(FileNameOf("D:\\"), "");
    EXPECT_EQ(WithTrailingBackslash("D:\\Mail"), "D:\\Mail\\");
    EXPECT_EQ(WithTrailingBackslash("D:\\"), "D:\\");
    EXPECT_EQ(WithTrailingBackslash(""), "");
}

TEST(Paths, OnlyDriveAndNetworkPathsAreFull) {
    EXPECT_TRUE(IsFullPath("C:\\"));
    EXPECT_TRUE(IsFullPath("d:\\Mail"));
    EXPECT_TRUE(IsFullPath("\\\\server\\share"));
    // Each of these resolves from the current folder or the current drive.
    EXPECT_FALSE(IsFullPath(""));
    EXPECT_FALSE(IsFullPath("Mail\\Vorna"));
    EXPECT_FALSE(IsFullPath("C:x"));
    EXPECT_FALSE(IsFullPath("C:"));
    EXPECT_FALSE(IsFullPath("\\Vorna"));
    EXPECT_FALSE(IsFullPath("\\\\\\server"));
    EXPECT_FALSE(IsFullPath("1:\\x"));
}

TEST(Paths, ShortTextsAreCutTo255) {
    EXPECT_EQ(CutToShortText(std::string(300, 'a')).size(), 255u);
    EXPECT_EQ(CutToShortText("abc"), "abc");
}

TEST(Paths, DoubleByteCharactersWhoseSecondByteIsABackslashAreNoBackslash) {
    // 予, 表 and ソ in 932, 功 in 950, 乗 in 936 all end in the byte 0x5C.
    const std::string schedule = "C:\\" + InCodePage(L"予定表", kJapanese);
    ASSERT_EQ(schedule.back(), '\\');
    EXPECT_FALSE(EndsInBackslash(schedule, kJapanese));
    EXPECT_EQ(WithTrailingBackslash(schedule, kJapanese), schedule + "\\");
    EXPECT_EQ(WithoutTrailingBackslash(schedule + "\\", kJapanese), schedule);
    EXPECT_EQ(WithoutTrailingBackslash(schedule, kJapanese), schedule);
    EXPECT_EQ(FolderOf(schedule + "\\Setup.exe", kJapanese), schedule + "\\");
    EXPECT_EQ(FileNameOf(schedule, kJapanese), InCodePage(L"予定表", kJapanese));
    EXPECT_EQ(LastCharacter(schedule, kJapanese), InCodePage(L"表", kJapanese));
    EXPECT_EQ(FindBackslash(schedule, 3, kJapanese), std::string::npos);
    for (auto [name, codePage] : {std::pair{L"功能", kTraditionalChinese}, std::pair{L"乗务", kSimplifiedChinese}}) {
        const std::string folder = "D:\\" + InCodePage(name, codePage);
        EXPECT_EQ(WithTrailingBackslash(folder, codePage), folder + "\\") << codePage;
    }
    EXPECT_TRUE(HasExtension(schedule + ".GIF", ".gif", kJapanese));
    EXPECT_FALSE(HasExtension("image.gifx", ".gif", kJapanese));
    EXPECT_FALSE(HasExtension(".gif", ".gif", kJapanese));
    // The same bytes under a single-byte code page are two characters, the second a backslash.
    EXPECT_TRUE(EndsInBackslash(schedule, kWestern));
}

TEST(Paths, ParentsAndPartsOfPathsWithDoubleByteNames) {
    const std::string software = InCodePage(L"ソフト", kJapanese);
    const std::string schedule = InCodePage(L"予定表", kJapanese);
    EXPECT_EQ(ParentFolder("C:\\" + software + "\\Vorna\\", kJapanese), "C:\\" + software + "\\");
    EXPECT_EQ(ParentFolder("C:\\" + schedule + "\\", kJapanese), "C:\\");
    EXPECT_EQ(ParentFolder("C:\\" + schedule, kJapanese), "C:\\");
    EXPECT_EQ(ParentFolder("C:\\" + schedule + "\\" + schedule + "\\", kJapanese), "C:\\" + schedule + "\\");
    EXPECT_EQ(ParentFolder("C:\\", kJapanese), "");
    EXPECT_EQ(ParentFolder("\\\\server\\" + schedule + "\\", kJapanese), "");
    EXPECT_EQ(ParentFolder("\\\\server\\share\\" + schedule + "\\", kJapanese), "\\\\server\\share\\");
    EXPECT_EQ(RootOf("\\\\server\\" + schedule + "\\x", kJapanese), "\\\\server\\" + schedule + "\\");
    EXPECT_EQ(RootOf("\\\\server\\" + schedule, kJapanese), "\\\\server\\" + schedule + "\\");
    EXPECT_EQ(RootOf("Vorna\\x", kJapanese), "");
    EXPECT_EQ(NamesBelowRoot("C:\\" + software + "\\Vorna\\" + schedule, kJapanese),
              (std::vector<std::string>{software, "Vorna", schedule}));
    EXPECT_EQ(NamesBelowRoot("C:\\", kJapanese), std::vector<std::string>{});
}

TEST(Paths, TextsAreCutBetweenCharacters) {
    const std::string schedule = InCodePage(L"予定表", kJapanese);  // three characters of two bytes
    EXPECT_EQ(CutToLength(schedule, 3, kJapanese), InCodePage(L"予", kJapanese));
    EXPECT_EQ(CutToLength(schedule, 4, kJapanese), InCodePage(L"予定", kJapanese));
    EXPECT_EQ(CutToLength("a" + schedule, 2, kJapanese), "a");
    EXPECT_EQ(CutToLength(schedule, 10, kJapanese), schedule);
    EXPECT_EQ(CutToLength(schedule, 3, kWestern).size(), 3u);
    // The second byte of a double-byte character is no letter to upper-case.
    const std::string lead = "\x83";
    EXPECT_EQ(UpperCaseAscii("a" + lead + "a", kJapanese), "A" + lead + "a");
    EXPECT_EQ(UpperCaseAscii("a" + lead + "a", kWestern), "A" + lead + "A");
}

TEST(SystemPaths, NamesTheCodePageCannotWriteTakeTheirShortForm) {
    // A Georgian name: no ANSI code page but UTF-8 has its letters.
    testing_support::ScratchFolder scratch("paths-niko");
    const std::wstring base(scratch.Path().begin(), scratch.Path().end());  // an ASCII path
    const std::wstring niko = base + L"ნიკო";
    ASSERT_TRUE(::CreateDirectoryW(niko.c_str(), nullptr));
    const AnsiPath exact = ToAnsiPath(base);
    EXPECT_EQ(exact.form, PathForm::Exact);
    EXPECT_EQ(exact.path, scratch.Path());
    const AnsiPath shortForm = ToAnsiPath(niko);
    EXPECT_EQ(shortForm.form, PathForm::Short);
    EXPECT_FALSE(HasLostCharacters(shortForm.path)) << shortForm.path;
    EXPECT_TRUE(FolderExists(shortForm.path)) << shortForm.path;
    const AnsiPath missing = ToAnsiPath(niko + L"\\nothing");  // no short form of what is not there
    EXPECT_EQ(missing.form, PathForm::Lost);
    EXPECT_TRUE(HasLostCharacters(missing.path)) << missing.path;
    ::RemoveDirectoryW(niko.c_str());
    // What the program asks the system for comes back as a path to something there.
    EXPECT_TRUE(FileExists(OwnProgramPath().path));
    EXPECT_TRUE(FolderExists(SystemFolderPath().path));
    EXPECT_TRUE(FolderExists(WindowsFolderPath().path));
}
