#include "archive/PayloadDigest.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "archive/DataUnit.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"

namespace archive {

namespace {

// The block as it lies in the program file: a marker found nowhere else in Setup.exe, then the
// digest, zeros until a release writes the archive's. Volatile: it changes after compiling.
struct DigestBlock {
    char marker[24];
    uint8_t digest[kDigestSize];
};
const volatile DigestBlock kDigestBlock = {"VORNA Setup.Dat SHA-256", {}};

struct CryptProviderTraits {
    using Handle = HCRYPTPROV;
    static Handle Null() { return 0; }
    static bool IsValid(Handle h) { return h != 0; }
    static void Close(Handle h) { ::CryptReleaseContext(h, 0); }
};
struct CryptHashTraits {
    using Handle = HCRYPTHASH;
    static Handle Null() { return 0; }
    static bool IsValid(Handle h) { return h != 0; }
    static void Close(Handle h) { ::CryptDestroyHash(h); }
};

bool SeekTo(HANDLE file, LONGLONG offset) {
    LARGE_INTEGER to{};
    to.QuadPart = offset;
    return ::SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != 0;
}

}  // namespace

Digest EmbeddedDigest() {
    Digest digest{};
    for (size_t i = 0; i < kDigestSize; ++i) digest[i] = kDigestBlock.digest[i];
    return digest;
}

bool FileDigest(const std::string& path, Digest& digest, size_t bufferSize) {
    platform::ScopedFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return file && FileDigest(file.Get(), digest, bufferSize);
}

bool FileDigest(HANDLE file, Digest& digest, size_t bufferSize, const platform::BetweenBlocks& between,
                const platform::CallRunner& reads) {
    if (!SeekTo(file, 0)) return false;
    HCRYPTPROV rawProvider = 0;
    if (!::CryptAcquireContextA(&rawProvider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return false;
    platform::ScopedHandle<CryptProviderTraits> provider(rawProvider);
    HCRYPTHASH rawHash = 0;
    if (!::CryptCreateHash(provider.Get(), CALG_SHA_256, 0, 0, &rawHash)) return false;
    platform::ScopedHandle<CryptHashTraits> hash(rawHash);

    std::vector<BYTE> buffer(std::clamp<size_t>(bufferSize, 4096, 64 * 1024 * 1024));
    for (;;) {
        DWORD got = 0;
        if (!platform::RunCall(reads, "ReadFile Setup.Dat", [&] {
                return ::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) != 0;
            }))
            return false;
        if (got == 0) break;
        if (!::CryptHashData(hash.Get(), buffer.data(), got, 0)) return false;
        if (between) between();
    }
    DWORD size = kDigestSize;
    return ::CryptGetHashParam(hash.Get(), HP_HASHVAL, digest.data(), &size, 0) && size == kDigestSize;
}

bool ArchiveMatchesEmbeddedDigest(HANDLE archive, const platform::BetweenBlocks& between,
                                  const platform::CallRunner& reads) {
    Digest expected = EmbeddedDigest();
    if (std::all_of(expected.begin(), expected.end(), [](uint8_t b) { return b == 0; })) return true;
    Digest actual{};
    return FileDigest(archive, actual, kCopyBufferSize, between, reads) && actual == expected && SeekTo(archive, 0);
}

std::string EmbedArchiveDigest(const std::string& programPath, const std::string& archivePath, Digest& digest) {
    if (!FileDigest(archivePath, digest, kCopyBufferSize))
        return "cannot compute the SHA-256 of '" + archivePath + "': " + platform::LastErrorMessage();

    platform::ScopedFile file(::CreateFileA(programPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > 64 * 1024 * 1024)
        return "cannot open '" + programPath + "': " + platform::LastErrorMessage();
    std::string image(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!::ReadFile(file.Get(), image.data(), static_cast<DWORD>(image.size()), &got, nullptr) || got != image.size())
        return "cannot read '" + programPath + "': " + platform::LastErrorMessage();

    // The marker must name one place only: with two it would be open which one is checked.
    std::string marker;
    for (char c : kDigestBlock.marker) marker += c;
    size_t at = image.find(marker);
    if (at == std::string::npos || image.find(marker, at + 1) != std::string::npos ||
        at + sizeof(DigestBlock) > image.size())
        return "'" + programPath + "' holds no single digest block: it is not the setup program";

    LARGE_INTEGER offset{};
    offset.QuadPart = static_cast<LONGLONG>(at + offsetof(DigestBlock, digest));
    DWORD written = 0;
    if (!::SetFilePointerEx(file.Get(), offset, nullptr, FILE_BEGIN) ||
        !::WriteFile(file.Get(), digest.data(), kDigestSize, &written, nullptr) || written != kDigestSize)
        return "cannot write '" + programPath + "': " + platform::LastErrorMessage();
    return {};
}

}  // namespace archive
