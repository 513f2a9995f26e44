#include "platform/Paths.h"

#include <cctype>

namespace platform {

size_t CharacterLength(std::string_view text, size_t at, UINT codePage) {
    if (at >= text.size()) return 0;
    // IsDBCSLeadByteEx is there on every Windows, 95 included, and knows every code page.
    const bool lead = ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[at])) != FALSE;
    return lead && at + 1 < text.size() && text[at + 1] != '\0' ? 2 : 1;
}

void ForEachCharacter(std::string_view text, const std::function<void(std::string_view)>& visit, UINT codePage) {
    for (size_t at = 0; at < text.size();) {
        const size_t length = CharacterLength(text, at, codePage);
        visit(text.substr(at, length));
        at += length;
    }
}

namespace {

// The start of the last character, and of the last backslash character (npos when none).
struct LastPositions {
    size_t character = std::string_view::npos;
    size_t backslash = std::string_view::npos;
};

LastPositions FindLast(std::string_view text, UINT codePage) {
    LastPositions last;
    for (size_t at = 0; at < text.size(); at += CharacterLength(text, at, codePage)) {
        last.character = at;
        if (text[at] == '\\') last.backslash = at;
    }
    return last;
}

}  // namespace

std::string_view LastCharacter(std::string_view text, UINT codePage) {
    const size_t at = FindLast(text, codePage).character;
    return at == std::string_view::npos ? std::string_view() : text.substr(at);
}

size_t FindBackslash(std::string_view text, size_t from, UINT codePage) {
    // Stepping starts at the text's first byte: only from there is it known which bytes begin
    // characters.
    for (size_t at = 0; at < text.size(); at += CharacterLength(text, at, codePage))
        if (at >= from && text[at] == '\\') return at;
    return std::string_view::npos;
}

bool EndsInBackslash(std::string_view path, UINT codePage) { return LastCharacter(path, codePage) == "\\"; }

std::string WithTrailingBackslash(std::string folder, UINT codePage) {
    if (!folder.empty() && !EndsInBackslash(folder, codePage)) folder += '\\';
    return folder;
}

std::string WithoutTrailingBackslash(std::string folder, UINT codePage) {
    if (EndsInBackslash(folder, codePage)) folder.pop_back();
    return folder;
}

std::string FolderOf(const std::string& path, UINT codePage) {
    const size_t slash = FindLast(path, codePage).backslash;
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path, UINT codePage) {
    const size_t slash = FindLast(path, codePage).backslash;
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ParentFolder(const std::string& folder, UINT codePage) {
    const std::string inner = WithoutTrailingBackslash(folder, codePage);
    const std::string root = RootOf(folder, codePage);
    if (inner.size() < root.size() || (!root.empty() && inner.size() + 1 == root.size())) return {};
    return FolderOf(inner, codePage);
}

std::string RootOf(const std::string& path, UINT codePage) {
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\' && std::isalpha(static_cast<unsigned char>(path[0])))
        return path.substr(0, 3);
    if (path.compare(0, 2, "\\\\") != 0) return {};
    // "\\server\share\": the backslash after the share, or one added at the end.
    const size_t share = FindBackslash(path, 2, codePage);
    if (share == std::string::npos) return {};
    const size_t end = FindBackslash(path, share + 1, codePage);
    return end == std::string::npos ? path + "\\" : path.substr(0, end + 1);
}

std::vector<std::string> NamesBelowRoot(const std::string& path, UINT codePage) {
    std::vector<std::string> names;
    const std::string root = RootOf(path, codePage);
    std::string name;
    size_t at = 0;
    for (; at < path.size(); at += CharacterLength(path, at, codePage)) {
        if (at < root.size()) continue;
        const size_t length = CharacterLength(path, at, codePage);
        if (length == 1 && path[at] == '\\') {
            if (!name.empty()) names.push_back(name);
            name.clear();
        } else {
            name.append(path, at, length);
        }
    }
    if (!name.empty()) names.push_back(name);
    return names;
}

bool HasExtension(const std::string& name, std::string_view extension, UINT codePage) {
    if (name.size() <= extension.size()) return false;
    const size_t start = name.size() - extension.size();
    size_t at = 0;
    while (at < start) at += CharacterLength(name, at, codePage);
    return at == start && UpperCaseAscii(name.substr(start), codePage) == UpperCaseAscii(std::string(extension), codePage);
}

bool IsFullPath(const std::string& path) {
    // The first characters that decide it are all single bytes, whatever the code page.
    bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                 path[2] == '\\';
    bool network = path.size() >= 3 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\';
    return drive || network;
}

bool HasLostCharacters(std::string_view text, UINT codePage) {
    bool lost = false;
    ForEachCharacter(text, [&](std::string_view character) { lost = lost || character == "?"; }, codePage);
    return lost;
}

std::string CutToLength(std::string text, size_t maxBytes, UINT codePage) {
    if (text.size() <= maxBytes) return text;
    size_t end = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t next = at + CharacterLength(text, at, codePage);
        if (next > maxBytes) break;
        end = at = next;
    }
    text.resize(end);
    return text;
}

std::string CutToShortText(std::string text) { return CutToLength(std::move(text), kShortTextMax); }

std::string UpperCaseAscii(std::string text, UINT codePage) {
    for (size_t at = 0; at < text.size(); at += CharacterLength(text, at, codePage)) {
        char& c = text[at];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace platform
