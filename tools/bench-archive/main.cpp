// bench_archive <work folder> [--quick]
//
// Measures ExtractArchive against baselines taken in the same run and process:
//  - archives of four large members (64 MB and 1 GB in all) against CopyFileA of the archive,
//    with several copy buffer sizes;
//  - the same extraction after the release's check of the archive's SHA-256 (which reads the
//    whole archive once more before anything is unpacked), and that check alone;
//  - an archive of a few thousand small members (1-64 KB) against creating and writing the
//    same files straight from memory with CreateFileA/WriteFileA.
// Each figure is the best of several rounds. The peak working set of an extraction is taken
// in a child process that does nothing else, so it shows whether memory grows with the archive.
// The work folder must not exist or be empty; everything made in it is deleted at the end.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "archive/DataUnit.h"
#include "archive/PayloadDigest.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"

namespace {

using bench::Check;
using bench::kMB;
using bench::Now;

double Seconds(const std::function<void()>& work) {
    double start = Now();
    work();
    return Now() - start;
}

// Fills a block with cheap pseudo-random bytes (incompressible enough for any file system).
void FillBlock(std::vector<char>& block, uint64_t& state) {
    for (size_t i = 0; i + 8 <= block.size(); i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::memcpy(&block[i], &state, 8);
    }
}

class Writer {
public:
    explicit Writer(const std::string& path)
        : file_(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
        Check(file_.IsValid(), "create " + path);
    }
    void Write(const char* data, size_t size) {
        while (size > 0) {
            DWORD written = 0;
            Check(::WriteFile(file_.Get(), data, static_cast<DWORD>(std::min<size_t>(size, 1 << 30)), &written, nullptr) &&
                      written > 0,
                  "write");
            data += written;
            size -= written;
        }
    }
    void Header(const std::string& name, uint32_t size) {
        char header[archive::kHeaderSize] = {};
        header[0] = static_cast<char>(name.size());
        std::memcpy(header + 1, name.data(), name.size());
        for (int i = 0; i < 4; ++i) header[256 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
        Write(header, sizeof(header));
    }

private:
    platform::ScopedFile file_;
};

void MakeLargeArchive(const std::string& path, uint64_t total, int members) {
    Writer out(path);
    std::vector<char> block(1 << 20);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t each = static_cast<uint32_t>(total / members);
    for (int m = 0; m < members; ++m) {
        out.Header("member" + std::to_string(m) + ".bin", each);
        for (uint32_t left = each; left > 0;) {
            FillBlock(block, state);
            uint32_t chunk = std::min<uint32_t>(left, static_cast<uint32_t>(block.size()));
            out.Write(block.data(), chunk);
            left -= chunk;
        }
    }
}

void ClearFolder(const std::string& folder) {
    archive::RemoveFolder(folder);
    if (platform::FolderExists(folder)) throw std::runtime_error("cannot clear " + folder);
}

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    Check(::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data), "size of " + path);
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

SIZE_T PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
    return counters.PeakWorkingSetSize;
}

// Runs this program as a child that only extracts (or idles) and reports its peak working set.
double ChildPeakMB(const std::string& work, const std::string& arguments) {
    std::string log = work + "child.log";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    {
        platform::ScopedFile out(::CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
        Check(out.IsValid(), "child log");
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out.Get();
        startup.hStdError = out.Get();
        std::string command = "\"" + platform::ModulePath() + "\" " + arguments;
        PROCESS_INFORMATION process{};
        Check(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process),
              "start child");
        platform::ScopedKernelHandle processHandle(process.hProcess), thread(process.hThread);
        ::WaitForSingleObject(process.hProcess, INFINITE);
    }
    double peak = -1;
    if (FILE* in = std::fopen(log.c_str(), "r")) {
        unsigned long long bytes = 0;
        if (std::fscanf(in, "peak %llu", &bytes) == 1) peak = static_cast<double>(bytes) / kMB;
        std::fclose(in);
    }
    ::DeleteFileA(log.c_str());
    return peak;
}

// The times of one contender, one per round.
struct Samples {
    std::vector<double> times;
    void Take(double s) { times.push_back(s); }
    double Best() const { return *std::min_element(times.begin(), times.end()); }
};

// The median over rounds of a's time divided by b's time in the same round. Other work on the
// machine slows whole rounds down; the pair taken in one round shares that.
double MedianRatio(const Samples& a, const Samples& b) {
    std::vector<double> ratios;
    for (size_t i = 0; i < a.times.size() && i < b.times.size(); ++i) ratios.push_back(a.times[i] / b.times[i]);
    std::sort(ratios.begin(), ratios.end());
    size_t n = ratios.size();
    return n % 2 ? ratios[n / 2] : (ratios[n / 2 - 1] + ratios[n / 2]) / 2;
}

void BenchLarge(const std::string& work, uint64_t total, int rounds, const std::vector<size_t>& buffers) {
    std::string archivePath = work + "large.dat", copyPath = work + "large-copy.dat", target = work + "large\\";
    MakeLargeArchive(archivePath, total, 4);
    double mb = static_cast<double>(FileSize(archivePath)) / kMB;
    Samples copy, digestOnly, checked;
    std::vector<Samples> extract(buffers.size());
    // The order of the contenders turns each round, so that none always follows the same one
    // (the system's write-back of the previous run's data lands on whoever comes next).
    const size_t kCopy = buffers.size(), kDigest = buffers.size() + 1, kChecked = buffers.size() + 2;
    size_t contenders = buffers.size() + 3;
    archive::Digest digest{};
    for (int round = 0; round < rounds; ++round) {
        for (size_t turn = 0; turn < contenders; ++turn) {
            size_t who = (turn + static_cast<size_t>(round)) % contenders;
            if (who == kCopy) {
                copy.Take(Seconds([&] { Check(::CopyFileA(archivePath.c_str(), copyPath.c_str(), FALSE), "CopyFileA"); }));
                ::DeleteFileA(copyPath.c_str());
            } else if (who == kDigest) {
                digestOnly.Take(Seconds([&] {
                    Check(archive::FileDigest(archivePath, digest, archive::kCopyBufferSize), "SHA-256");
                }));
            } else if (who == kChecked) {
                checked.Take(Seconds([&] {
                    Check(archive::FileDigest(archivePath, digest, archive::kCopyBufferSize), "SHA-256");
                    if (!archive::ExtractArchive(archivePath, target)) throw std::runtime_error("extract");
                }));
                ClearFolder(target);
            } else {
                extract[who].Take(Seconds([&] {
                    archive::ExtractedFiles held;
                    if (!archive::ExtractArchive(archivePath, target, held, buffers[who])) throw std::runtime_error("extract");
                }));
                ClearFolder(target);
            }
        }
    }
    std::printf("\nLarge members: 4 members, %.0f MB archive, %d rounds (best round; ratio = median of the rounds)\n",
                mb, rounds);
    std::printf("  CopyFileA of the archive (baseline)  %8.1f MB/s\n", mb / copy.Best());
    for (size_t b = 0; b < buffers.size(); ++b)
        std::printf("  ExtractArchive, %5zu KB buffer       %8.1f MB/s   throughput ratio to copy %.2f\n",
                    buffers[b] / 1024, mb / extract[b].Best(), MedianRatio(copy, extract[b]));
    std::printf("  SHA-256 of the archive alone         %8.1f MB/s\n", mb / digestOnly.Best());
    std::printf("  SHA-256 check, then ExtractArchive   %8.1f MB/s   time ratio to extraction alone (%zu KB) %.2f\n",
                mb / checked.Best(), archive::kCopyBufferSize / 1024, MedianRatio(checked, extract.back()));
    std::printf("  peak working set of a child that only extracts it: %.1f MB\n",
                ChildPeakMB(work, "--extract \"" + archivePath + "\" \"" + target + "\""));
    ClearFolder(target);
    ::DeleteFileA(archivePath.c_str());
}

void BenchSmall(const std::string& work, int count, int rounds) {
    struct File {
        std::string name;
        std::vector<char> data;
    };
    std::vector<File> files(count);
    uint64_t state = 0x0123456789ABCDEFull, total = 0;
    for (int i = 0; i < count; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        files[i].name = "file" + std::to_string(i) + ".gif";
        files[i].data.resize(1024 + state % (63 * 1024 + 1));
        FillBlock(files[i].data, state);
        total += files[i].data.size();
    }
    std::string archivePath = work + "small.dat", target = work + "small\\", direct = work + "direct\\";
    {
        Writer out(archivePath);
        for (const File& f : files) {
            out.Header(f.name, static_cast<uint32_t>(f.data.size()));
            out.Write(f.data.data(), f.data.size());
        }
    }
    Samples baseline, extract;
    auto writeDirectly = [&] {
        Check(::CreateDirectoryA(direct.c_str(), nullptr), "create folder");
        for (const File& f : files) {
            platform::ScopedFile out(::CreateFileA((direct + f.name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            Check(out.IsValid(), "create file");
            DWORD written = 0;
            Check(::WriteFile(out.Get(), f.data.data(), static_cast<DWORD>(f.data.size()), &written, nullptr) &&
                      written == f.data.size(),
                  "write file");
        }
    };
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn + round) % 2 == 0) {
                double t = Seconds(writeDirectly);
                if (std::getenv("BENCH_VERBOSE")) std::printf("  round %d direct %.3f s\n", round, t);
                baseline.Take(t);
                ClearFolder(direct);
            } else {
                double t = Seconds([&] {
                    if (!archive::ExtractArchive(archivePath, target)) throw std::runtime_error("extract");
                });
                if (std::getenv("BENCH_VERBOSE")) std::printf("  round %d extract %.3f s\n", round, t);
                extract.Take(t);
                ClearFolder(target);
            }
        }
    }
    double mb = static_cast<double>(total) / kMB;
    std::printf("\nSmall members: %d files of 1-64 KB, %.1f MB of data, %d rounds (best round; ratio = median of the rounds)\n",
                count, mb, rounds);
    std::printf("  CreateFileA/WriteFileA from memory (baseline)  %8.0f files/s  %7.1f MB/s\n",
                count / baseline.Best(), mb / baseline.Best());
    std::printf("  ExtractArchive (%zu KB buffer)                %8.0f files/s  %7.1f MB/s\n",
                archive::kCopyBufferSize / 1024, count / extract.Best(), mb / extract.Best());
    std::printf("  extraction time / baseline time: %.2f (best rounds: %.2f)\n", MedianRatio(extract, baseline),
                extract.Best() / baseline.Best());
    std::printf("  peak working set of a child that only extracts it: %.1f MB\n",
                ChildPeakMB(work, "--extract \"" + archivePath + "\" \"" + target + "\""));
    ClearFolder(target);
    ::DeleteFileA(archivePath.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 4 && std::string(argv[1]) == "--extract") {
            bool ok = archive::ExtractArchive(argv[2], argv[3]);
            std::printf("peak %llu\n", static_cast<unsigned long long>(PeakWorkingSet()));
            return ok ? 0 : 1;
        }
        if (argc == 3 && std::string(argv[1]) == "--touch") {
            // A control for the measure: a child that holds this many MB must show them.
            std::vector<char> held(static_cast<size_t>(std::atoi(argv[2])) << 20, 1);
            std::printf("peak %llu\n", static_cast<unsigned long long>(PeakWorkingSet()));
            return held.empty() || held[held.size() / 2] == 1 ? 0 : 1;
        }
        if (argc < 2) {
            std::fprintf(stderr, "usage: bench_archive <work folder> [--quick]\n");
            return 2;
        }
        bool quick = argc > 2 && std::string(argv[2]) == "--quick";
        std::string work = platform::WithTrailingBackslash(argv[1]);
        if (!platform::FolderExists(work)) Check(::CreateDirectoryA(work.c_str(), nullptr), "create " + work);
        std::printf("bench_archive: ExtractArchive against same-run baselines (default buffer %zu KB)\n",
                    archive::kCopyBufferSize / 1024);
        std::printf("peak working set of a child that holds 0 MB: %.1f MB, 64 MB: %.1f MB\n",
                    ChildPeakMB(work, "--touch 0"), ChildPeakMB(work, "--touch 64"));
        std::vector<size_t> buffers = {64 * 1024, 256 * 1024, 1024 * 1024};
        if (argc > 2 && std::string(argv[2]) == "--small") {
            BenchSmall(work, 3000, 6);
            return 0;
        }
        BenchLarge(work, 64ull << 20, quick ? 2 : 8, buffers);
        BenchLarge(work, quick ? 256ull << 20 : 1024ull << 20, quick ? 1 : 4, buffers);
        BenchSmall(work, quick ? 500 : 3000, quick ? 2 : 6);
        std::printf("\npeak working set of this process (holds the small files in memory): %.1f MB\n",
                    static_cast<double>(PeakWorkingSet()) / kMB);
        ::RemoveDirectoryA(work.c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_archive: %s\n", error.what());
        return 1;
    }
}
