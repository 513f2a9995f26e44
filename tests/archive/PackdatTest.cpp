// packdat.exe, run as a program: what it packs, and what it refuses without leaving an output.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "ArchiveBuilder.h"
#include "ScratchFolder.h"
#include "archive/DataUnit.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"

using testing_support::Listing;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;
using Names = std::vector<std::string>;

namespace {

std::string Packdat() {
    const char* bin = std::getenv("VORNA_BIN");
    if (bin == nullptr || *bin == '\0') ADD_FAILURE() << "VORNA_BIN is not set: cannot find packdat.exe";
    std::string path = bin ? bin : "";
    for (char& c : path)
        if (c == '/') c = '\\';
    if (!path.empty() && path[0] == '\\') path.insert(0, "Z:");
    return path + "\\packdat.exe";
}

struct Outcome {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

Outcome RunPackdat(const std::string& arguments) {
    static testing_support::ScratchFolder logs("packlog");
    // Fresh names each time: a log just deleted may still be on its way out.
    static int count = 0;
    std::string stem = logs.Path() + std::to_string(++count);
    std::string outPath = stem + ".out", errPath = stem + ".err";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    Outcome run;
    {
        platform::ScopedFile out(::CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
        platform::ScopedFile err(::CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
        if (!out || !err) ADD_FAILURE() << "cannot create the logs in " << logs.Path();
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out.Get();
        startup.hStdError = err.Get();
        std::string command = "\"";
        command += Packdat();
        command += "\" ";
        command += arguments;
        PROCESS_INFORMATION process{};
        if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                              &startup, &process)) {
            ADD_FAILURE() << "cannot start " << command << ": " << platform::LastErrorMessage();
            return run;
        }
        platform::ScopedKernelHandle processHandle(process.hProcess), thread(process.hThread);
        EXPECT_EQ(::WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
        ::GetExitCodeProcess(process.hProcess, &run.exitCode);
    }
    run.out = ReadFileBytes(outPath);
    run.err = ReadFileBytes(errPath);
    return run;
}

// A backslash before the closing quote would escape it: double a trailing one.
std::string Quoted(const std::string& path) {
    std::string quoted = "\"" + path;
    if (!path.empty() && path.back() == '\\') quoted += '\\';
    return quoted + "\"";
}

class PackdatTest : public ::testing::Test {
protected:
    testing_support::ScratchFolder scratch{"pack"};
    std::string payload = scratch.Path() + "payload\\";
    std::string output = scratch.Path() + "Setup.Dat";

    void SetUp() override { ASSERT_TRUE(::CreateDirectoryA(payload.c_str(), nullptr)); }

    // Runs packdat expecting a refusal that names `mention`, and checks nothing was left behind.
    void ExpectRefused(const std::string& arguments, const std::string& mention) {
        Outcome run = RunPackdat(Quoted(output) + " " + arguments);
        EXPECT_EQ(run.exitCode, 1u) << run.err;
        EXPECT_NE(run.err.find(mention), std::string::npos) << "[" << mention << "] in " << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(Listing(scratch.Path()), Names{"payload\\"});
    }
};

}  // namespace

TEST_F(PackdatTest, PacksAFolderSortedByNameAndTheSetupUnpacksIt) {
    std::string big(3 * 1024 * 1024 + 7, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 1000);
    WriteFileBytes(payload + "smtp.exe", big);
    WriteFileBytes(payload + "about.html", "<html></html>");
    WriteFileBytes(payload + "empty.txt", "");
    Outcome run = RunPackdat(Quoted(output) + " " + Quoted(payload));
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.out.find("packed smtp.exe (3145735 bytes)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("3 files"), std::string::npos) << run.out;

    auto members = testing_support::ParseArchive(ReadFileBytes(output));
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[0].name, "about.html");
    EXPECT_EQ(members[1].name, "empty.txt");
    EXPECT_EQ(members[2].name, "smtp.exe");
    EXPECT_EQ(members[2].data, big);

    std::string unpack = scratch.Path() + "unpack\\";
    ASSERT_TRUE(archive::ExtractArchive(output, unpack));
    EXPECT_EQ(Listing(unpack), (Names{"about.html", "empty.txt", "smtp.exe"}));
    EXPECT_EQ(ReadFileBytes(unpack + "smtp.exe"), big);
}

TEST_F(PackdatTest, PacksListedFilesUnderTheirBareNamesInTheGivenOrder) {
    ASSERT_TRUE(::CreateDirectoryA((payload + "html").c_str(), nullptr));
    WriteFileBytes(payload + "html\\styles.css", "body{}");
    WriteFileBytes(payload + "VORNA.CPL", "cpl");
    Outcome run = RunPackdat(Quoted(output) + " " + Quoted(payload + "html\\styles.css") + " " +
                                             Quoted(payload + "VORNA.CPL"));
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    auto members = testing_support::ParseArchive(ReadFileBytes(output));
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[0].name, "styles.css");
    EXPECT_EQ(members[0].data, "body{}");
    EXPECT_EQ(members[1].name, "VORNA.CPL");
}

TEST_F(PackdatTest, RefusesWhatTheSetupCouldNotUnpackAndLeavesNoOutput) {
    WriteFileBytes(payload + "a.txt", "a");
    ExpectRefused(Quoted(payload + std::string(256, 'n')), "255");
    ExpectRefused(Quoted(payload + "CON"), "CON");
    ExpectRefused(Quoted(payload + "a.txt") + " " + Quoted(payload + "nothere\\"), "''");  // no name at all
    ExpectRefused(Quoted(payload + "a.txt") + " " + Quoted(payload + "missing.txt"), "missing.txt");

    ASSERT_TRUE(::CreateDirectoryA((payload + "sub").c_str(), nullptr));
    WriteFileBytes(payload + "sub\\a.txt", "again");
    ExpectRefused(Quoted(payload + "a.txt") + " " + Quoted(payload + "sub\\A.TXT"), "A.TXT");  // duplicate
    ExpectRefused(Quoted(payload + "a.txt") + " " + Quoted(payload + "sub"), "is a folder");
    ExpectRefused(Quoted(payload), "sub");  // a packed folder may hold files only
    testing_support::DeleteTree(payload + "sub");

    // Packing a folder into itself.
    Outcome run = RunPackdat(Quoted(payload + "Setup.Dat") + " " + Quoted(payload));
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(Listing(payload), Names{"a.txt"});
}

TEST_F(PackdatTest, RefusesAFileOverTheLargestMemberSize) {
    std::string huge = payload + "huge.bin";
    {
        // Sparse: takes no room and no time.
        platform::ScopedFile file(::CreateFileA(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER size;
        size.QuadPart = 2147483648LL;
        ASSERT_TRUE(::SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(file.Get()));
    }
    WriteFileBytes(payload + "a.txt", "a");
    ExpectRefused(Quoted(payload), "2147483648");
    // An existing output stays as it was.
    WriteFileBytes(output, "previous");
    Outcome run = RunPackdat(Quoted(output) + " " + Quoted(payload + "a.txt") + " " + Quoted(huge));
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(ReadFileBytes(output), "previous");
    EXPECT_EQ(Listing(scratch.Path()), (Names{"Setup.Dat", "payload\\"}));
}

TEST_F(PackdatTest, WithoutArgumentsItShowsHowToUseIt) {
    Outcome run = RunPackdat("");
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_NE(run.err.find("usage: packdat"), std::string::npos);
}

// Names that are one file once unpacked are refused, both named: a name that is the short 8.3
// alias the file system gives another (as Wine itself makes it, and as Windows makes its
// first), and two names differing only in the case of a Latin-1 letter.
TEST_F(PackdatTest, RefusesANameThatIsAnothersShortAliasOrDiffersInCaseOnly) {
    testing_support::ScratchFolder elsewhere{"packother"};
    const std::string other = elsewhere.Path();
    const std::string longName = "BACKGROUND-IMAGE.GIF";
    WriteFileBytes(payload + longName, "GIF89a");
    char alias[MAX_PATH] = {};
    DWORD length = ::GetShortPathNameA((payload + longName).c_str(), alias, MAX_PATH);
    ASSERT_TRUE(length > 0 && length < MAX_PATH) << platform::LastErrorMessage();
    const std::string wineAlias = platform::FileNameOf(alias);
    ASSERT_NE(wineAlias, longName) << "the file system gave no short alias";
    for (const std::string& shortName : {wineAlias, std::string("BACKGR~1.GIF")}) {
        SCOPED_TRACE(shortName);
        WriteFileBytes(other + shortName, "GIF87a");
        const std::string refusal = "'" + shortName + "' is the short 8.3 name of '" + longName + "'";
        ExpectRefused(Quoted(payload + longName) + " " + Quoted(other + shortName), refusal);
        ExpectRefused(Quoted(other + shortName) + " " + Quoted(payload + longName), refusal);
        ::DeleteFileA((other + shortName).c_str());
    }
    // Long names whose Windows aliases begin alike get ~1 and ~2: both pack.
    WriteFileBytes(payload + "BACKGROUND-OTHER.GIF", "GIF89a");
    Outcome run = RunPackdat(Quoted(output) + " " + Quoted(payload));
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    ::DeleteFileA(output.c_str());

    WriteFileBytes(payload + "\xe9t\xe9.txt", "lower");
    WriteFileBytes(other + "\xc9t\xe9.txt", "upper");
    ExpectRefused(Quoted(payload + "\xe9t\xe9.txt") + " " + Quoted(other + "\xc9t\xe9.txt"),
                  "'\xe9t\xe9.txt' and '\xc9t\xe9.txt' are the same name");
}
