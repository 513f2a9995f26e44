// bench_install <work folder> [--quick] [--rounds N] [--large MB]
//
// Times a whole install by the real Setup.exe (beside this program, with the stand-in servers)
// against a baseline taken in the same run:
//  - the install: Setup.exe started from a medium with a Setup.Dat of about 100 MB (the
//    manifest files, a few thousand small .gif images, a few large files), driven as a person
//    would (Yes, Install, Yes to the licence); the time runs from the licence's Yes to the
//    moment the closing "Information" box is on the screen. Between rounds the installation
//    is removed again through its own uninstall (not timed).
//  - the baseline: the same files copied file by file with CopyFileA into a temporary folder,
//    then from there into an installation tree (with the setup program and the applet), then
//    the 500 ms pause the install makes while servers stop.
// A third contender each round is the same install from a medium whose Setup.exe carries the
// SHA-256 of its Setup.Dat, as a release does: the archive is checked before it is unpacked.
// The order of the contenders turns each round. A last install, not compared, asks the setup window's
// status bar for its text all the time, which shows how long each step of the sequence took;
// then a child run (--per-file) makes the setup's windows in its own process and times the
// per-file work of the install against the baseline's, part by part (unpacking, the copy step,
// the progress report), and the progress report's own parts.
// The work folder must not exist or be empty; everything made in it is deleted at the end.
#include <windows.h>
#include <commctrl.h>

#include "InstallBench.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "Automation.h"
#include "BenchCommon.h"
#include "archive/DataUnit.h"
#include "archive/PayloadDigest.h"
#include "platform/FileSearch.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"
#include "platform/Forms.h"
#include "platform/SystemUi.h"
#include "setup/FileManifest.h"
#include "setup/Main.h"
#include "setup/InstallContext.h"
#include "setup/Upgrade.h"


using namespace installbench;
using bench::Check;
using bench::kMB;
using bench::Now;
using bench::RunChild;

int main(int argc, char** argv) {
    try {
        if (argc == 7 && std::string(argv[1]) == "--per-file") {
            AnswerYes ui;
            MakeSetupWindows(ui);
            ProfileFileSteps(platform::WithTrailingBackslash(argv[2]), argv[3], platform::WithTrailingBackslash(argv[4]), std::max(1, std::atoi(argv[5])), std::atof(argv[6]));
            ProfileProgressReport(1000);
            ProfileJournal(1000, platform::WithTrailingBackslash(argv[4]));
            ::ExitProcess(0);  // the forms stay up to the end, as in the setup
        }
        if (argc < 2) {
            std::fprintf(stderr, "usage: bench_install <work folder> [--quick] [--rounds N] [--large MB]\n");
            return 2;
        }
        bool quick = false;
        int rounds = 3;
        uint64_t largeMember = 0;  // the size of the member the answer times are taken with
        for (int i = 2; i < argc; ++i) {
            std::string option = argv[i];
            if (option == "--quick") {
                quick = true;
                rounds = 1;
            } else if (option == "--rounds" && i + 1 < argc) {
                rounds = std::max(1, std::atoi(argv[++i]));
            } else if (option == "--large" && i + 1 < argc) {
                largeMember = static_cast<uint64_t>(std::max(1, std::atoi(argv[++i]))) << 20;
            }
        }
        std::string work = platform::WithTrailingBackslash(argv[1]);
        MakeFolder(work);
        std::string media = work + "media\\";
        MakeFolder(media);
        std::string bin = platform::ModuleFolder();
        Check(::CopyFileA((bin + "Setup.exe").c_str(), (media + "Setup.exe").c_str(), FALSE), "copy Setup.exe");

        int smallImages = quick ? 500 : 3000;
        uint64_t largeTotal = quick ? (8ull << 20) : (50ull << 20);
        Payload payload = MakePayload(work + "payload\\", smallImages, largeTotal);
        PackArchive(payload, media + "Setup.Dat");
        // The release's medium: the same archive, and a Setup.exe bound to it.
        std::string boundMedia = work + "bound\\";
        MakeFolder(boundMedia);
        Check(::CopyFileA((bin + "Setup.exe").c_str(), (boundMedia + "Setup.exe").c_str(), FALSE), "copy Setup.exe");
        Check(::CopyFileA((media + "Setup.Dat").c_str(), (boundMedia + "Setup.Dat").c_str(), FALSE), "copy Setup.Dat");
        archive::Digest digest{};
        std::string failure = archive::EmbedArchiveDigest(boundMedia + "Setup.exe", boundMedia + "Setup.Dat", digest);
        if (!failure.empty()) throw std::runtime_error(failure);
        std::printf("bench_install: a whole install by Setup.exe against copying its files twice, same run\n");
        std::printf("payload: %zu files (%d .gif images; %d large files, one of them an image), %.1f MB;"
                    " Setup.Dat %.1f MB\n",
                    payload.files.size(), payload.images, payload.large, payload.bytes / kMB,
                    FileSize(media + "Setup.Dat") / kMB);
        std::fflush(stdout);

        char tempPath[MAX_PATH] = {};
        DWORD tempLength = ::GetTempPathA(MAX_PATH, tempPath);
        Check(tempLength > 0 && tempLength < MAX_PATH, "TEMP");
        std::string baselineTemp = std::string(tempPath, tempLength) + "VORNABaseline\\";
        std::string baselineDestination = work + "baseline\\";
        const std::string installed = "C:\\Program Files\\Vorna\\";
        if (platform::FolderExists(installed)) throw std::runtime_error(installed + " exists already");

        auto installAndCheck = [&](Watch watch, const std::string& from, const std::string& log = "") {
            InstallRun run = Install(from, watch, log);
            int images = CountFiles(installed + "html\\images\\");
            if (images != payload.images)
                throw std::runtime_error("installed " + std::to_string(images) + " images, not " +
                                         std::to_string(payload.images));
            Uninstall(installed);
            return run;
        };

        std::vector<double> installs, baselines, ratios, checkedRatios;
        BaselineRun bestBaseline;
        for (int round = 0; round < rounds; ++round) {
            BaselineRun baseline;
            InstallRun run, checked;
            for (int turn = 0; turn < 3; ++turn) {
                int who = (turn + round) % 3;
                if (who == 0) {
                    baseline = Baseline(payload, baselineTemp, baselineDestination, media + "Setup.exe");
                } else if (who == 1) {
                    run = installAndCheck(Watch::Timed, media);
                } else {
                    checked = installAndCheck(Watch::Timed, boundMedia);
                }
            }
            if (baselines.empty() || baseline.seconds < bestBaseline.seconds) bestBaseline = baseline;
            installs.push_back(run.seconds);
            baselines.push_back(baseline.seconds);
            ratios.push_back(run.seconds / baseline.seconds);
            checkedRatios.push_back(checked.seconds / run.seconds);
            std::printf("round %d: install %7.2f s   baseline %7.2f s   ratio %.2f   bound to its archive %7.2f s\n",
                        round + 1, run.seconds, baseline.seconds, run.seconds / baseline.seconds, checked.seconds);
            std::fflush(stdout);
        }
        double bestInstall = *std::min_element(installs.begin(), installs.end());
        std::printf("\nbaseline (CopyFileA into TEMP, then into place, + 500 ms pause), best: %7.2f s"
                    "  (into TEMP %.2f s, into place %.2f s)\n",
                    bestBaseline.seconds, bestBaseline.intoTemp, bestBaseline.intoPlace);
        std::printf("install (licence Yes -> closing Information box), best:            %7.2f s\n", bestInstall);
        std::printf("install / baseline: %.2f (median of the rounds' ratios; best rounds: %.2f); target 1.20\n",
                    Median(ratios), bestInstall / bestBaseline.seconds);
        std::printf("install bound to its archive (SHA-256 checked first) / install: %.3f (median); at most 1.05\n",
                    Median(checkedRatios));
        double hashStart = Now();
        Check(archive::FileDigest(boundMedia + "Setup.Dat", digest, archive::kCopyBufferSize), "SHA-256");
        double hashSeconds = Now() - hashStart;
        std::printf("  the check alone (SHA-256 of Setup.Dat): %.2f s, %.1f%% of the best install\n", hashSeconds,
                    100 * hashSeconds / bestInstall);
        std::fflush(stdout);

        // Where the time goes: one more install whose status bar is asked for its text all the
        // time. Each answer comes when the setup next lets messages run, at the start of its
        // next progress report; so the last answer naming a step marks that step's end.
        InstallRun sampled = installAndCheck(Watch::Sampled, media);
        std::printf("\nsteps of a separate, sampled install (%.2f s in all, %d answers; not compared):\n",
                    sampled.seconds, sampled.samples);
        // The box's own message loop gives the last answer, so the last step runs to the box and
        // holds the closing of the progress window and the removal of the temporary folder.
        double previousEnd = 0;
        for (size_t i = 0; i < kStepCount; ++i) {
            if (sampled.stepEnd[i] < 0) {
                std::printf("  %-31s not seen\n", kSteps[i]);
                continue;
            }
            std::printf("  %-31s until %6.2f s  %6.2f s\n", kSteps[i], sampled.stepEnd[i],
                        sampled.stepEnd[i] - previousEnd);
            previousEnd = sampled.stepEnd[i];
        }
        std::printf("  (the last step runs to the closing box: progress window closed, temporary folder removed)\n");
        int copyStep = 2;
        if (sampled.stepEnd[copyStep] >= 0 && sampled.stepEnd[copyStep - 1] >= 0) {
            double files = static_cast<double>(payload.files.size() + 1);  // and the setup program
            std::printf("copying into place: %.2f ms per file in the install, %.2f ms per file in the baseline\n",
                        (sampled.stepEnd[copyStep] - sampled.stepEnd[copyStep - 1]) * 1000 / files,
                        bestBaseline.intoPlace * 1000 / files);
        }
        std::printf("\n");
        double files = static_cast<double>(payload.files.size() + 1);
        double extraPerFile = (Median(installs) - Median(baselines)) * 1000 / files;
        std::string scratch = work + "per-file\\";
        MakeFolder(scratch);
        // Folders go without their trailing backslash: before a closing quote it would escape it.
        auto bare = [](const std::string& folder) { return folder.substr(0, folder.size() - 1); };
        RunChild("--per-file \"" + bare(payload.folder) + "\" \"" + media + "Setup.Dat\" \"" + bare(scratch) + "\" " +
                 std::to_string(quick ? 1 : 3) + " " + std::to_string(extraPerFile));

        // Whether the windows answer through one large file: the payload again with vorna.hlp
        // grown to 1 GB (64 MB with --quick; --large sets it), on a release's medium, so that the archive's check,
        // the member's unpacking and its copy each take one long stretch.
        if (largeMember == 0) largeMember = quick ? (64ull << 20) : (1ull << 30);
        {
            std::vector<char> block(1 << 20);
            uint64_t state = 0x2545F4914F6CDD1Dull;
            WriteRandomFile(payload.folder + "vorna.hlp", largeMember, state, block);
        }
        std::string largeMedia = work + "large\\";
        MakeFolder(largeMedia);
        Check(::CopyFileA((bin + "Setup.exe").c_str(), (largeMedia + "Setup.exe").c_str(), FALSE), "copy Setup.exe");
        PackArchive(payload, largeMedia + "Setup.Dat");
        failure = archive::EmbedArchiveDigest(largeMedia + "Setup.exe", largeMedia + "Setup.Dat", digest);
        if (!failure.empty()) throw std::runtime_error(failure);
        const std::string largeLog = work + "large.log";
        InstallRun probed = installAndCheck(Watch::Probed, largeMedia, largeLog);
        std::printf("\nwith a member of %.0f MB: the install took %.2f s; the longest the setup's windows took to "
                    "answer a message, up to the closing box: %.0f ms (target at most 250 ms), at \"%s\"\n",
                    largeMember / kMB, probed.seconds, probed.longestAnswerMs, probed.longestAnswerDuring.c_str());
        NameTheWait(largeLog, probed.longestAnswerAt - static_cast<int>(probed.longestAnswerMs), probed.longestAnswerAt);
        DeleteTree(work);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_install: %s\n", error.what());
        return 1;
    }
}
