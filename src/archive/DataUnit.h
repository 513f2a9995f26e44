#pragma once
// The payload archive Setup.Dat: a plain run of members, each a 260-byte header (name length,
// 255-byte name field, signed 32-bit little-endian data size) followed by the member's bytes.
// Unpacking puts every member as a file into one folder; RemoveFolder clears that folder again.
#include <cstddef>
#include <string>
#include <unordered_map>

#include "platform/FileCopy.h"
#include "platform/ScopedHandle.h"

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

// The files of one extraction and their folder, each held open from its creation, shared with
// no other opener, so that no other process can read, change, replace, rename or delete them
// until they have been copied into place from these very handles. Released when this goes, or
// by Release (the files and the folder can then be removed).
class ExtractedFiles {
public:
    ExtractedFiles() = default;
    ExtractedFiles(const ExtractedFiles&) = delete;
    ExtractedFiles& operator=(const ExtractedFiles&) = delete;
    // The member file of that name (in any case), open for reading and writing; nullptr when
    // the archive held no such member.
    HANDLE Find(const std::string& name) const;
    // Closes the files and the folder, through blocking when given: closing a large file may
    // hold the caller for long.
    void Release(const platform::CallRunner& blocking = {});

private:
    friend class Extraction;
    platform::ScopedFile folder_;
    std::unordered_map<std::string, platform::ScopedFile> files_;  // by upper-cased name
};

// Unpacks the archive into targetFolder, which must end in a backslash and whose parent must
// exist. The folder is this run's own: whatever stood at its path is removed first (a link as
// a link, never what it points at; a folder emptied of its files, read-only ones too) and the
// folder is made anew, on NT for SYSTEM and Administrators only. True only when every member
// was written whole; the files then stay held in held.
// False when the folder cannot be provided, the archive cannot be opened, or a member cannot
// be read or written whole (its partial file is removed; earlier members stay). between runs
// after each block read for the archive's check or written for a member; when it throws, the
// member being written is removed and the exception goes on. From an archive on a network share,
// its opening and every block read go through blocking.
bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder, ExtractedFiles& held,
                    size_t copyBufferSize = kCopyBufferSize, const platform::BetweenBlocks& between = {},
                    const platform::CallRunner& blocking = {});
// The same, releasing the files at once.
bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder);

// Deletes every file (of any attributes) directly in folder, then the folder if it is empty.
// Does not descend into subfolders and never follows a link: a folder that is a link loses
// the link only. Reports nothing; between runs after each file. Given blocking, the files are
// deleted in one call through it instead (deleting a large file may hold the caller for long).
void RemoveFolder(const std::string& folder, const platform::BetweenBlocks& between = {},
                  const platform::CallRunner& blocking = {});

}  // namespace archive
