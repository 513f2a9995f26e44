// The per-file work of the install against the baseline's, part by part, in the setup's own windows.
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


namespace installbench {

using bench::Check;
using bench::kMB;
using bench::Now;
using bench::RunChild;


double PerCallMs(int count, const std::function<void(int)>& call) {
    double start = Now();
    for (int i = 0; i < count; ++i) call(i);
    return (Now() - start) * 1000 / count;
}

// The setup's own windows, made in this process as the setup makes them, shown as the install
// shows them.
void MakeSetupWindows(platform::SystemUi& ui) {
    platform::SetUi(&ui);
    platform::Application& application = platform::Application::Instance();
    application.Initialize();
    setup::BackgroundForm = application.CreateForm<windows::TBackgroundForm>();
    setup::MainForm = application.CreateForm<setup::TMainForm>(std::vector<std::string>{});
    setup::RunForm = application.CreateForm<windows::TRunForm>();
    setup::BrowseFolder = application.CreateForm<windows::TBrowseFolder>();
    setup::BackgroundForm->SetupWindow = setup::MainForm;
    setup::BackgroundForm->Show();
    setup::MainForm->Show();
    setup::MainForm->ShowProgress("Extracting Files...");
    for (int i = 0; i < 20; ++i) application.ProcessMessages();
}

// The per-file work of the install, step by step, against the baseline's, in the setup's own
// windows (this process), each part timed alone and the order turning each round:
//  - unpacking Setup.Dat (ExtractArchive) against CopyFileA of each file into TEMP;
//  - the install's copy step (CopyAllFiles) without its report against CopyFileA into place;
//  - the same copy step with the real report (the setup window's ShowProgress);
//  - removing the unpacked files at the end (the baseline leaves its copies).
// installExtra: the whole runs' (median install - median baseline) per file, which the parts
// should account for together with the steps that run once.
void ProfileFileSteps(const std::string& payloadFolder, const std::string& archivePath, const std::string& scratch,
                      int rounds, double installExtra) {
    Payload payload = ListPayload(payloadFolder);
    const double files = static_cast<double>(payload.files.size() + 1);  // and the setup program
    const std::string temp = scratch + "temp\\", extracted = scratch + "extract\\";
    const std::string place = scratch + "place\\", bare = scratch + "bare\\", reported = scratch + "reported\\";
    const std::string journaled = scratch + "journaled\\";
    const std::string self = platform::ModulePath();
    // The copy step with a report that shows nothing: the step's own cost without the report.
    setup::NoProgress noReport;
    archive::ExtractedFiles held;
    std::vector<double> intoTemp, extract, intoPlace, copyBare, copyReported, copyJournaled, removal;
    auto copyStep = [&](setup::ProgressReport& progress, const std::string& destination, bool journaled = false) {
        setup::InstallContext context;
        // As in the install: every file the copy makes or replaces gets its line in the upgrade's
        // journal first.
        setup::UpgradeKeeper keeper(context);
        if (journaled) context.Keeper = &keeper;
        context.DestinationFolder = destination;
        context.SystemFolder = destination + "system\\";
        context.ExtractFolder = extracted;
        context.Unpacked = &held;
        MakeFolder(destination);
        MakeFolder(context.SystemFolder);
        double start = Now();
        if (journaled && !keeper.RecordPrevious().done) throw std::runtime_error("journal");
        if (!setup::CreateFolders(context).done || !setup::CopyAllFiles(progress, context).done)
            throw std::runtime_error("copy step");
        double seconds = Now() - start;
        keeper.Discard();
        return seconds;
    };
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn + round) % 2 == 0) {
                double start = Now();
                CopyIntoTemp(payload, temp);
                intoTemp.push_back(Now() - start);
            } else {
                double start = Now();
                // As in the install, the unpacked files stay held until the copy step is done.
                if (!archive::ExtractArchive(archivePath, extracted, held)) throw std::runtime_error("extract");
                extract.push_back(Now() - start);
            }
        }
        for (int turn = 0; turn < 4; ++turn) {
            switch ((turn + round) % 4) {
            case 0: {
                double start = Now();
                CopyIntoPlace(payload, temp, place, self);
                intoPlace.push_back(Now() - start);
                DeleteTree(place);
                break;
            }
            case 1:
                copyBare.push_back(copyStep(noReport, bare));
                DeleteTree(bare);
                break;
            case 2:
                copyReported.push_back(copyStep(*setup::MainForm, reported));
                DeleteTree(reported);
                break;
            default:
                copyJournaled.push_back(copyStep(noReport, journaled, true));
                DeleteTree(journaled);
                break;
            }
        }
        DeleteTree(temp);
        double start = Now();
        held.Release();
        archive::RemoveFolder(extracted);
        removal.push_back(Now() - start);
        DeleteTree(extracted);
    }
    auto ms = [&](const std::vector<double>& seconds) { return Median(seconds) * 1000 / files; };
    double unpack = ms(extract) - ms(intoTemp), copy = ms(copyBare) - ms(intoPlace);
    double report = ms(copyReported) - ms(copyBare), remove = ms(removal);
    double journal = ms(copyJournaled) - ms(copyBare);
    std::printf("per-file work, %.0f files, in the setup's own windows (this process), median of %d rounds:\n",
                files, rounds);
    std::printf("                                                install   baseline   difference\n");
    std::printf("  unpacking: ExtractArchive / CopyFileA into TEMP %6.3f ms  %6.3f ms  %+7.3f ms\n", ms(extract),
                ms(intoTemp), unpack);
    std::printf("  copy step without its report / CopyFileA       %6.3f ms  %6.3f ms  %+7.3f ms\n", ms(copyBare),
                ms(intoPlace), copy);
    std::printf("  progress report (copy step with - without it)  %6.3f ms         -   %+7.3f ms\n", report, report);
    std::printf("  upgrade journal (copy step with - without it)  %6.3f ms         -   %+7.3f ms\n", journal, journal);
    std::printf("  releasing, removing the unpacked files         %6.3f ms         -   %+7.3f ms\n", remove, remove);
    std::printf("  sum of the per-file parts                                            %+7.3f ms\n",
                unpack + copy + report + journal + remove);
    std::printf("  whole runs: (median install - median baseline) / files               %+7.3f ms\n", installExtra);
    std::printf("    (the rest is the steps that run once: services, icons, the pause is in both)\n");
    std::fflush(stdout);
}

// The per-file progress report taken apart: what one report costs, and each of its parts alone.
void ProfileProgressReport(int count) {
    platform::Application& application = platform::Application::Instance();
    auto text = [](int i) {
        return "Copying File 'C:\\Program Files\\Vorna\\html\\images\\image" + std::to_string(i) + ".gif'...";
    };
    double report = PerCallMs(count, [&](int i) { setup::MainForm->ShowProgress(text(i)); });
    double messages = PerCallMs(count, [&](int) { application.ProcessMessages(); });
    double show = PerCallMs(count, [&](int) { setup::RunForm->Show(); });
    double panel = PerCallMs(count, [&](int i) {
        setup::RunForm->BackPanel->SetCaption(text(i));
        setup::RunForm->Update();
    });
    double status = PerCallMs(count, [&](int i) {
        setup::MainForm->StatusBar->SetPanelText(0, text(i));
        setup::MainForm->StatusBar->Update();
    });
    double statusText = PerCallMs(count, [&](int i) { setup::MainForm->StatusBar->SetPanelText(0, text(i)); });
    std::printf("\nprogress report per file, %d reports in the setup's own windows (this process):\n", count);
    std::printf("  ShowProgress as a whole                      %6.3f ms\n", report);
    std::printf("  letting waiting messages run alone           %6.3f ms\n", messages);
    std::printf("  progress window: Show alone (already shown)  %6.3f ms\n", show);
    std::printf("  progress window: new caption on screen       %6.3f ms\n", panel);
    std::printf("  status bar: new panel text on screen         %6.3f ms\n", status);
    std::printf("    of which the panel text alone (SB_SETTEXT) %6.3f ms\n", statusText);
    std::fflush(stdout);
}

// The upgrade journal taken apart: what the keeper does once (the previous entry and services)
// and per file, for a file that is new and for one that is kept aside, each with its line.
void ProfileJournal(int count, const std::string& scratch) {
    const std::string destination = scratch + "journal\\";
    MakeFolder(destination);
    setup::InstallContext context;
    context.DestinationFolder = destination;
    setup::UpgradeKeeper keeper(context);
    auto path = [&](int i) { return destination + "image" + std::to_string(i) + ".gif"; };
    auto keep = [&](const std::string& file) {
        if (!keeper.KeepAside(file).done) throw std::runtime_error("journal line");
    };
    double once = PerCallMs(1, [&](int) {
        if (!keeper.RecordPrevious().done) throw std::runtime_error("journal");
    });
    double fresh = PerCallMs(count, [&](int i) { keep(path(i)); });
    uint64_t state = 1;
    std::vector<char> block(64);
    for (int i = 0; i < count; ++i) WriteRandomFile(path(count + i), 64, state, block);
    double kept = PerCallMs(count, [&](int i) { keep(path(count + i)); });
    keeper.Discard();
    DeleteTree(destination);
    std::printf("\nupgrade journal, %d files of each kind (this process):\n", count);
    std::printf("  once a run: the previous entry and services     %7.3f ms\n", once);
    std::printf("  per new file: its line (nothing to keep)        %7.3f ms\n", fresh);
    std::printf("  per file replaced: its line and the move aside  %7.3f ms\n", kept);
    std::fflush(stdout);
}

}  // namespace installbench
