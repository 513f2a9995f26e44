#include <cstdint>
#include <random>

#include "ExtractTest.h"
#include "platform/FileCopy.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"
#include "setup/FileManifest.h"

using testing_support::Listing;
using testing_support::Member;
using testing_support::MemberWith;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;
using Names = std::vector<std::string>;

namespace {

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

std::string TempFolder() {
    char buffer[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, buffer);
    return buffer;
}

}  // namespace

TEST_F(ExtractTest, UnpacksEveryMemberReplacingOldFilesAndLaterDuplicatesWin) {
    std::string binary = RandomBytes(5000, 1) + std::string(100, '\0');
    ASSERT_TRUE(::CreateDirectoryA(target.c_str(), nullptr));
    WriteFileBytes(target + "old.txt", "an older and longer content");
    std::string bytes = Member("smtp.exe", binary) + Member("empty.txt", "") + Member("dup.txt", "first") +
                        Member("old.txt", "new") + Member("dup.txt", "second");
    EXPECT_TRUE(Extract(bytes));
    EXPECT_EQ(Listing(target), (Names{"dup.txt", "empty.txt", "old.txt", "smtp.exe"}));
    EXPECT_EQ(ReadFileBytes(target + "smtp.exe"), binary);
    EXPECT_EQ(ReadFileBytes(target + "empty.txt"), "");
    EXPECT_EQ(ReadFileBytes(target + "dup.txt"), "second");
    EXPECT_EQ(ReadFileBytes(target + "old.txt"), "new");
    ExpectNothingWrittenOutsideTarget();
}

TEST_F(ExtractTest, EmptyArchiveCreatesTheFolderAndUnpacksNothing) {
    EXPECT_TRUE(Extract(""));
    EXPECT_TRUE(platform::FolderExists(target));
    EXPECT_TRUE(Listing(target).empty());
}

TEST_F(ExtractTest, MembersLargerThanTheCopyBufferArriveIntact) {
    std::string big = RandomBytes(2 * archive::kCopyBufferSize + 12345, 2);
    EXPECT_TRUE(Extract(Member("big.bin", big) + Member("after.txt", "after")));
    EXPECT_EQ(ReadFileBytes(target + "big.bin"), big);
    EXPECT_EQ(ReadFileBytes(target + "after.txt"), "after");
    // The same through a small buffer, so that a member spans many blocks and a block ends mid-member.
    archive::ExtractedFiles held;
    EXPECT_TRUE(archive::ExtractArchive(archivePath, target, held, 4096));
    held.Release();
    EXPECT_EQ(ReadFileBytes(target + "big.bin"), big);
    EXPECT_EQ(ReadFileBytes(target + "after.txt"), "after");
}

// A member that cannot be read whole fails the extraction: a truncated copy would be installed.
TEST_F(ExtractTest, TruncatedLastMemberFailsAndItsPartialFileIsRemoved) {
    std::string data = RandomBytes(1000, 3);
    std::string bytes = Member("a.txt", "complete") + Member("b.bin", data);
    EXPECT_FALSE(Extract(bytes.substr(0, bytes.size() - 700)));
    EXPECT_EQ(ReadFileBytes(target + "a.txt"), "complete");
    EXPECT_EQ(Listing(target), Names{"a.txt"});
    ExpectNothingWrittenOutsideTarget();
}

// Each of these members fails the extraction: nothing is written for it and nothing after it
// is unpacked.
TEST_F(ExtractTest, BadMemberStopsExtractionAndWritesNothingForIt) {
    const std::string escape = "vorna-escape.txt";
    struct Case {
        std::string what;
        std::string member;
        bool atEnd = false;  // nothing may follow it
    };
    std::vector<Case> cases = {
        {"negative size", MemberWith("neg.txt", "data", 7, -1)},
        {"most negative size", MemberWith("neg.txt", "data", 7, INT32_MIN)},
        {"name length 0", MemberWith("", "data", 0, 4)},
        {"header cut short", Member("cut.txt", "data").substr(0, 100), true},
        {"header of one byte", std::string(1, '\7'), true},
        {"path longer than 255", Member(std::string(255 - target.size() + 1, 'n'), "data")},
    };
    std::vector<std::string> unsafe = {
        "..\\" + escape, "..\\..\\" + escape, "..\\..\\..\\" + escape, "C:\\" + escape, "C:" + escape,
        "\\" + escape, "/" + escape, "sub/" + escape, "sub\\" + escape, escape + ":stream", escape + "::$DATA",
        ".", "..", "...", "CON", "con", "PRN", "AUX", "Aux.dat", "NUL", "NUL.txt", "nul .txt", "COM1",
        "com9.log", "LPT1", "lpt3.txt", "COM\xB9", "CONIN$", "CONOUT$", escape + ".", escape + " ",
        escape + ". .", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", std::string("a\0b", 3), "tab\tname",
    };
    for (const std::string& name : unsafe) cases.push_back({"unsafe name '" + name + "'", Member(name, "escaped")});
    // Where an escaped member would land (beside the scratch tree and the drive root).
    std::vector<std::string> landing = {TempFolder() + escape, "C:\\" + escape, scratch.Path() + escape,
                                        "C:\\sub\\" + escape};

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::DeleteTree(target);
        EXPECT_FALSE(Extract(Member("first.txt", "1") + c.member + (c.atEnd ? "" : Member("last.txt", "3"))));
        EXPECT_EQ(Listing(target), Names{"first.txt"});
        ExpectNothingWrittenOutsideTarget();
        for (const std::string& path : landing) EXPECT_FALSE(platform::FileExists(path)) << path;
    }
}

TEST(MemberNames, OrdinaryNamesAndTheWholeManifestAreSafe) {
    for (const char* name : setup::ProgramFiles) EXPECT_TRUE(archive::IsSafeMemberName(name)) << name;
    for (const char* name : setup::HtmlFiles) EXPECT_TRUE(archive::IsSafeMemberName(name)) << name;
    for (std::string name : {"VORNA.CPL", "logo.gif", "a b.txt", ".profile", "console.log", "CONFIG.SYS",
                             "COM10", "LPT", "nul1.txt", "aux-file", "x"}) {
        EXPECT_TRUE(archive::IsSafeMemberName(name)) << name;
    }
    EXPECT_TRUE(archive::IsSafeMemberName(std::string(255, 'n')));
    EXPECT_FALSE(archive::IsSafeMemberName(std::string(256, 'n')));
}

// The folder is this run's own: an earlier run's files go, read-only ones too; a file that
// cannot go (here: in use by another program) fails the extraction before any member is written.
TEST_F(ExtractTest, LeftOverFilesAreRemovedFirstOrTheExtractionFails) {
    ASSERT_TRUE(::CreateDirectoryA(target.c_str(), nullptr));
    WriteFileBytes(target + "smtp.exe", "planted");
    WriteFileBytes(target + "other.txt", "left over");
    ASSERT_TRUE(::SetFileAttributesA((target + "smtp.exe").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(Extract(Member("smtp.exe", "from the archive")));
    EXPECT_EQ(Listing(target), Names{"smtp.exe"});
    EXPECT_EQ(ReadFileBytes(target + "smtp.exe"), "from the archive");

    WriteFileBytes(target + "busy.txt", "kept");
    platform::ScopedFile busy(
        ::CreateFileA((target + "busy.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(busy);
    EXPECT_FALSE(Extract(Member("a.txt", "a")));
    busy.Close();
    EXPECT_EQ(Listing(target), Names{"busy.txt"});
    EXPECT_EQ(ReadFileBytes(target + "busy.txt"), "kept");
}

// While held, the folder cannot be renamed away (and replaced by a link) and no other opener
// can get at the files, not even to read them; the copy step copies them from the held handles.
TEST_F(ExtractTest, HeldFilesAreOpenToNoOneElseAndAreCopiedFromTheirHandles) {
    testing_support::WriteFileBytes(archivePath, Member("smtp.exe", "from the archive"));
    archive::ExtractedFiles held;
    ASSERT_TRUE(archive::ExtractArchive(archivePath, target, held));
    const std::string path = target + "smtp.exe";
    for (DWORD access : {DWORD{GENERIC_READ}, DWORD{GENERIC_WRITE}, DWORD{DELETE}}) {
        EXPECT_FALSE(platform::ScopedFile(::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                        nullptr, OPEN_EXISTING, 0, nullptr)))
            << access;
    }
    EXPECT_FALSE(::MoveFileA(target.substr(0, target.size() - 1).c_str(), (parent + "moved").c_str()));
    EXPECT_EQ(held.Find("notes.txt"), nullptr);
    ASSERT_NE(held.Find("SMTP.EXE"), nullptr);
    ASSERT_TRUE(platform::CopyOpenFile(held.Find("SMTP.EXE"), parent + "copy.exe"));
    EXPECT_EQ(ReadFileBytes(parent + "copy.exe"), "from the archive");
    held.Release();
    EXPECT_TRUE(::DeleteFileA(path.c_str()));
}

// The setup lets its windows answer between blocks, and a confirmed Cancel stops the work from
// there: neither the member being unpacked nor the file being copied may be left half-written.
TEST_F(ExtractTest, WorkStoppedBetweenBlocksLeavesNoHalfWrittenFile) {
    struct Stop {};
    const std::string big = RandomBytes(3 * archive::kCopyBufferSize, 3);
    testing_support::WriteFileBytes(archivePath, Member("first.txt", "whole") + Member("big.bin", big));
    int calls = 0;
    archive::ExtractedFiles held;
    EXPECT_THROW(archive::ExtractArchive(archivePath, target, held, archive::kCopyBufferSize, [&] {
        if (++calls == 2) throw Stop{};
    }),
                 Stop);
    EXPECT_EQ(Listing(target), Names{"first.txt"}) << "the member being unpacked was left behind";

    calls = 0;
    ASSERT_TRUE(archive::ExtractArchive(archivePath, target, held, archive::kCopyBufferSize, [&] { ++calls; }));
    EXPECT_GE(calls, 3) << "a large member must give its caller a word between its blocks";
    calls = 0;
    EXPECT_THROW(platform::CopyOpenFile(held.Find("big.bin"), parent + "copy.bin", [&] {
        if (++calls == 2) throw Stop{};
    }),
                 Stop);
    EXPECT_FALSE(platform::FileExists(parent + "copy.bin")) << "the copy being made was left behind";
}

TEST_F(ExtractTest, MissingOrLockedArchiveGivesFalse) {
    EXPECT_FALSE(archive::ExtractArchive(archivePath, target));
    EXPECT_TRUE(platform::FolderExists(target));  // the folder comes first
    EXPECT_TRUE(Listing(target).empty());

    WriteFileBytes(archivePath, Member("a.txt", "a"));
    {
        // In use by another reader that allows others to read: still refused, it is opened unshared.
        platform::ScopedFile reader(::CreateFileA(archivePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(reader);
        EXPECT_FALSE(archive::ExtractArchive(archivePath, target));
    }
    {
        platform::ScopedFile locker(::CreateFileA(archivePath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(locker);
        EXPECT_FALSE(archive::ExtractArchive(archivePath, target));
    }
    EXPECT_TRUE(Listing(target).empty());
    EXPECT_TRUE(archive::ExtractArchive(archivePath, target));  // and unlocked it works
    EXPECT_EQ(Listing(target), Names{"a.txt"});
}

TEST_F(ExtractTest, TargetFolderThatCannotBeProvidedGivesFalse) {
    WriteFileBytes(archivePath, Member("a.txt", "a"));
    EXPECT_FALSE(archive::ExtractArchive(archivePath, parent + "missing\\unpack\\"));  // one level only
    EXPECT_FALSE(archive::ExtractArchive(archivePath, archivePath + "\\"));             // a file
    EXPECT_FALSE(archive::ExtractArchive(archivePath, parent + "unpack"));              // no backslash
    EXPECT_FALSE(archive::ExtractArchive(archivePath, ""));
    EXPECT_EQ(Listing(parent), Names{"Setup.Dat"});
    EXPECT_EQ(Listing(scratch.Path()), Names{"p\\"});
}

// Cutting a longer text to 255 would name another file or folder; such paths are refused.
TEST_F(ExtractTest, PathsLongerThanAShortTextAreRefusedNotCut) {
    std::string cutArchive = parent + std::string(255 - parent.size(), 'a');
    ASSERT_EQ(cutArchive.size(), 255u);
    WriteFileBytes(cutArchive, Member("a.txt", "a"));
    EXPECT_FALSE(archive::ExtractArchive(cutArchive + "b", target));
    EXPECT_FALSE(platform::FolderExists(target));

    std::string longTarget = parent + std::string(255 - parent.size(), 'f') + "\\";  // 256 characters
    ASSERT_TRUE(archive::ExtractArchive(cutArchive, parent + "short\\"));  // the archive itself is fine
    EXPECT_FALSE(archive::ExtractArchive(cutArchive, longTarget));
    EXPECT_FALSE(platform::FolderExists(longTarget.substr(0, 255)));
}
