#pragma once
// A folder tree for one extraction: <scratch>\p\Setup.Dat and the target <scratch>\p\unpack\.
// Anything an extraction writes outside the target shows in the listings of <scratch> and p.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ArchiveBuilder.h"
#include "ScratchFolder.h"
#include "archive/DataUnit.h"

class ExtractTest : public ::testing::Test {
protected:
    testing_support::ScratchFolder scratch{"arc"};
    std::string parent = scratch.Path() + "p\\";
    std::string target = parent + "unpack\\";
    std::string archivePath = parent + "Setup.Dat";

    void SetUp() override { ASSERT_TRUE(::CreateDirectoryA(parent.c_str(), nullptr)); }

    bool Extract(const std::string& bytes) {
        testing_support::WriteFileBytes(archivePath, bytes);
        return archive::ExtractArchive(archivePath, target);
    }

    void ExpectNothingWrittenOutsideTarget() {
        EXPECT_EQ(testing_support::Listing(scratch.Path()), std::vector<std::string>{"p\\"});
        EXPECT_EQ(testing_support::Listing(parent), (std::vector<std::string>{"Setup.Dat", "unpack\\"}));
    }
};
