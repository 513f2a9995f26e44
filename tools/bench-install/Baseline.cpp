// The baseline: the payload copied file by file twice, then the pause the install makes.
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

void CopyIntoTemp(const Payload& payload, const std::string& temp) {
    MakeFolder(temp);
    for (const PayloadFile& file : payload.files)
        Check(::CopyFileA((payload.folder + file.name).c_str(), (temp + file.name).c_str(), FALSE), "copy");
}

void CopyIntoPlace(const Payload& payload, const std::string& temp, const std::string& destination,
                   const std::string& setupProgram) {
    std::string html = destination + "html\\", images = html + "images\\", system = destination + "system\\";
    MakeFolder(destination);
    MakeFolder(html);
    MakeFolder(images);
    MakeFolder(system);
    for (const PayloadFile& file : payload.files) {
        const std::string& into = file.place == Place::Program ? destination
                                  : file.place == Place::Html  ? html
                                  : file.place == Place::Image ? images
                                                               : system;
        Check(::CopyFileA((temp + file.name).c_str(), (into + file.name).c_str(), FALSE), "copy");
    }
    Check(::CopyFileA(setupProgram.c_str(), (destination + "Setup.exe").c_str(), FALSE), "copy Setup.exe");
}

BaselineRun Baseline(const Payload& payload, const std::string& temp, const std::string& destination,
                     const std::string& setupProgram) {
    BaselineRun run;
    double start = Now();
    CopyIntoTemp(payload, temp);
    run.intoTemp = Now() - start;
    CopyIntoPlace(payload, temp, destination, setupProgram);
    run.intoPlace = Now() - start - run.intoTemp;
    ::Sleep(500);
    run.seconds = Now() - start;
    DeleteTree(temp);
    DeleteTree(destination);
    return run;
}

}  // namespace installbench
