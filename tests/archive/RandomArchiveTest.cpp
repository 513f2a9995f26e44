// Archives made by mutating and truncating a valid one: the reader must neither crash, nor write
// outside its target folder, nor leave the archive open.
#include <random>

#include "ExtractTest.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"

using testing_support::Listing;
using testing_support::Member;

TEST_F(ExtractTest, MutatedAndTruncatedArchivesStayInsideTheTargetFolder) {
    const std::string valid = Member("smtp.exe", std::string(700, 's')) + Member("about.html", "<html></html>") +
                              Member("empty.txt", "") + Member("logo.gif", std::string(50, 'g')) +
                              Member("VORNA.CPL", std::string(400, 'c'));
    const std::vector<std::string> hostile = {"..\\x", "..\\..\\x", "C:\\x", "/x", "a:b", "..", "NUL", "com1.txt",
                                              "x.", "x ", "\\\\?\\C:\\x", "sub\\x"};
    const std::vector<size_t> headerOffsets = [&] {
        std::vector<size_t> offsets;
        for (size_t at = 0; at < valid.size();) {
            offsets.push_back(at);
            uint32_t size = 0;
            for (int i = 3; i >= 0; --i) size = size << 8 | static_cast<unsigned char>(valid[at + 256 + i]);
            at += 260 + size;
        }
        return offsets;
    }();

    std::mt19937 random(20261207);  // fixed: a failure can be replayed
    auto below = [&](size_t n) { return static_cast<size_t>(random() % n); };
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = valid;
        int mutations = 1 + static_cast<int>(below(3));
        for (int m = 0; m < mutations; ++m) {
            size_t header = headerOffsets[below(headerOffsets.size())];
            switch (below(5)) {
                case 0:  // any byte
                    bytes[below(bytes.size())] = static_cast<char>(random());
                    break;
                case 1:  // the name length
                    bytes[header] = static_cast<char>(random());
                    break;
                case 2:  // the size field, often negative or past the end
                    for (int i = 0; i < 4; ++i) bytes[header + 256 + i] = static_cast<char>(random());
                    break;
                case 3: {  // a hostile name
                    const std::string& name = hostile[below(hostile.size())];
                    bytes[header] = static_cast<char>(name.size());
                    bytes.replace(header + 1, name.size(), name);
                    break;
                }
                default:  // a name byte
                    bytes[header + 1 + below(8)] = "\\/:.. *?\0"[below(9)];
            }
        }
        if (below(2) == 0) bytes.resize(below(bytes.size() + 1));

        SCOPED_TRACE("round " + std::to_string(round));
        Extract(bytes);  // mutated archives mostly fail; either way nothing may land elsewhere
        ASSERT_EQ(Listing(scratch.Path()), std::vector<std::string>{"p\\"});
        ASSERT_EQ(Listing(parent), (std::vector<std::string>{"Setup.Dat", "unpack\\"}));
        for (const std::string& name : Listing(target)) {
            ASSERT_NE(name.back(), '\\') << "a folder was made: " << name;
            ASSERT_TRUE(archive::IsSafeMemberName(name)) << name;
        }
        platform::ScopedFile reopened(
            ::CreateFileA(archivePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(reopened) << "the archive was left open";
        reopened.Close();
        testing_support::DeleteTree(target);
    }
    EXPECT_FALSE(platform::FileExists("C:\\x"));
}
