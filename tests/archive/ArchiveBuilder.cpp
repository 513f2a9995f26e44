#include "ArchiveBuilder.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "platform/FileSearch.h"

namespace testing_support {

std::string MemberWith(const std::string& name, const std::string& data, int nameLength, int64_t size) {
    std::string header(260, 'Z');
    header[0] = static_cast<char>(nameLength);
    header.replace(1, std::min<size_t>(name.size(), 255), name.substr(0, 255));
    uint32_t raw = static_cast<uint32_t>(size);
    for (int i = 0; i < 4; ++i) header[256 + i] = static_cast<char>((raw >> (8 * i)) & 0xFF);
    return header + data;
}

std::string Member(const std::string& name, const std::string& data) {
    return MemberWith(name, data, static_cast<int>(name.size()), static_cast<int64_t>(data.size()));
}

std::vector<ParsedMember> ParseArchive(const std::string& bytes) {
    std::vector<ParsedMember> members;
    size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 260) throw std::runtime_error("header cut short");
        size_t length = static_cast<unsigned char>(bytes[at]);
        uint32_t size = 0;
        for (int i = 3; i >= 0; --i) size = size << 8 | static_cast<unsigned char>(bytes[at + 256 + i]);
        if (bytes.size() - at - 260 < size) throw std::runtime_error("data cut short");
        members.push_back({bytes.substr(at + 1, length), bytes.substr(at + 260, size)});
        at += 260 + size;
    }
    return members;
}

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    platform::ForEachEntry(folder, "*", [&](const WIN32_FIND_DATAA& entry) {
        std::string name = entry.cFileName;
        names.push_back((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? name + "\\" : name);
    });
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace testing_support
