#pragma once
// A released Setup.exe is bound to its Setup.Dat: the archive's SHA-256 is written into a block
// of the program after linking (packdat --embed-digest), before the program is signed, so the
// signature covers it. A developer build's block holds zeros and checks nothing.
#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/FileCopy.h"

namespace archive {

constexpr size_t kDigestSize = 32;
using Digest = std::array<uint8_t, kDigestSize>;

// The digest written into this program; all zeros in a developer build.
Digest EmbeddedDigest();

// The SHA-256 of a whole file, read through a buffer of bufferSize bytes. False when the file
// cannot be read or the system offers no SHA-256.
bool FileDigest(const std::string& path, Digest& digest, size_t bufferSize);

// The SHA-256 of an open file from its first byte to its end, read through a buffer of
// bufferSize bytes; the file is left at its end. Each block is read through reads when given.
bool FileDigest(HANDLE file, Digest& digest, size_t bufferSize, const platform::BetweenBlocks& between = {},
                const platform::CallRunner& reads = {});

// True when this program carries no digest, or when the SHA-256 of the open archive equals it;
// the archive is then back at its first byte. Checked on the handle the archive is unpacked
// from, so that no other file can take its place in between.
bool ArchiveMatchesEmbeddedDigest(HANDLE archive, const platform::BetweenBlocks& between = {},
                                  const platform::CallRunner& reads = {});

// Writes the SHA-256 of the archive into the digest block of the program file, in place (the
// release does this before signing). Empty on success, else why it failed; digest receives
// what was written.
std::string EmbedArchiveDigest(const std::string& programPath, const std::string& archivePath, Digest& digest);

}  // namespace archive
