#pragma once
// Archive bytes made in memory, and folder listings to see what an extraction touched.
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// One member: the length byte holds name.size() unless nameLength is given; the size field
// holds data.size() unless size is given. The unused part of the name field is filled with
// 'Z' so that a reader that looks past the name length shows up.
std::string Member(const std::string& name, const std::string& data);
std::string MemberWith(const std::string& name, const std::string& data, int nameLength, int64_t size);

struct ParsedMember {
    std::string name;
    std::string data;
};
// Splits well-formed archive bytes into members (for checking a written archive).
std::vector<ParsedMember> ParseArchive(const std::string& bytes);

// Names of the entries of a folder (not "." or ".."), sorted; folders end in a backslash.
std::vector<std::string> Listing(const std::string& folder);

}  // namespace testing_support
