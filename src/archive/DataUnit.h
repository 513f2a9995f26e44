#pragma once
// The payload archive Setup.Dat: a plain run of members, each a 260-byte header (name length,
// 255-byte name field, signed 32-bit little-endian data size) followed by the member's bytes.
// Unpacking puts every member as a file into one folder; RemoveFolder clears that folder again.
#include <cstddef>
#include <string>

namespace archive {

constexpr size_t kNameFieldSize = 255;
constexpr size_t kHeaderSize = 1 + kNameFieldSize + 4;
// The archive is read through a buffer of this size; no member is ever held in memory whole.
// Measured (bench_archive): 1 MB keeps up with a plain file copy where 64 KB reaches about 0.7
// of it; 256 KB lies between.
constexpr size_t kCopyBufferSize = 1024 * 1024;

// True for a bare file name that, in any folder, names a file of exactly that name in that
// folder: not empty, no folder part (\ /), no drive or stream (:), no characters the file
// system refuses, no trailing dot or space (which the system strips), not "." or "..", and not a
// device (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, also with an extension).
bool IsSafeMemberName(const std::string& name);

// Unpacks the archive into targetFolder, which must end in a backslash and whose parent must
// exist (it is created one level deep). False when the folder cannot be provided or the
// archive cannot be opened. Otherwise true, also when unpacking stopped at a member that could
// not be written in full: that member and all after it are then missing or partial.
bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder);
// The same with a chosen copy buffer size (for measurements).
bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder, size_t copyBufferSize);

// Deletes every file (of any attributes) directly in folder, then the folder if it is empty.
// Does not descend into subfolders; reports nothing.
void RemoveFolder(const std::string& folder);

}  // namespace archive
