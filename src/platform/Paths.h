#pragma once
// Paths and texts taken apart by character. A path is bytes in the ANSI code page; in the
// double-byte code pages (Japanese, Chinese, Korean) the second byte of a character may be any
// of 0x40 to 0xFE, the backslash's 0x5C among them (予 is 97 5C in 932). So no byte of a path
// is looked at on its own: these step from its start, one character at a time.
// codePage is the ANSI code page in force unless a test names another.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The number of bytes of the character that starts at byte at (a lead byte at the very end
// counts as a character of its own).
size_t CharacterLength(std::string_view text, size_t at, UINT codePage = CP_ACP);

// Calls visit with each character of text in order.
void ForEachCharacter(std::string_view text, const std::function<void(std::string_view)>& visit,
                      UINT codePage = CP_ACP);

// The last character of text (empty for an empty text).
std::string_view LastCharacter(std::string_view text, UINT codePage = CP_ACP);

// The byte position of the first backslash character at or after from; npos when none.
size_t FindBackslash(std::string_view text, size_t from = 0, UINT codePage = CP_ACP);

bool EndsInBackslash(std::string_view path, UINT codePage = CP_ACP);
// Appends a backslash unless the text is empty or already ends in one.
std::string WithTrailingBackslash(std::string folder, UINT codePage = CP_ACP);
// Drops one trailing backslash, if there is one.
std::string WithoutTrailingBackslash(std::string folder, UINT codePage = CP_ACP);

// The part of a path up to and including its last backslash; the part after it.
std::string FolderOf(const std::string& path, UINT codePage = CP_ACP);
std::string FileNameOf(const std::string& path, UINT codePage = CP_ACP);
// The folder that holds a folder ("C:\A\B\" or "C:\A\B" gives "C:\A\"); empty for a root or a
// bare name.
std::string ParentFolder(const std::string& folder, UINT codePage = CP_ACP);

// The root of a full path with its backslash ("C:\" or "\\server\share\"); empty when the
// path has none. The names below it, in order.
std::string RootOf(const std::string& path, UINT codePage = CP_ACP);
std::vector<std::string> NamesBelowRoot(const std::string& path, UINT codePage = CP_ACP);

// True when the name's last characters are the extension (".gif"), its ASCII letters in any case.
bool HasExtension(const std::string& name, std::string_view extension, UINT codePage = CP_ACP);

// A drive path ("C:\...") or a network path ("\\server\share..."): never a path that depends
// on the current folder or the current drive.
bool IsFullPath(const std::string& path);

// True when the text holds a "?": what a conversion into the code page leaves for a character
// it has no form of, and no character of any file name.
bool HasLostCharacters(std::string_view text, UINT codePage = CP_ACP);

// At most maxBytes bytes of text, never half a character.
std::string CutToLength(std::string text, size_t maxBytes, UINT codePage = CP_ACP);

// Short texts hold at most 255 bytes; a longer result is cut, by character.
constexpr size_t kShortTextMax = 255;
std::string CutToShortText(std::string text);

// Upper-cases the letters a to z only, whatever the code page makes of the other bytes; the
// second byte of a double-byte character is left as it is.
std::string UpperCaseAscii(std::string text, UINT codePage = CP_ACP);

}  // namespace platform
