// Where the setup's windows waited longest, named from its log.
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

int LocalMsOfDay() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return ((now.wHour * 60 + now.wMinute) * 60 + now.wSecond) * 1000 + now.wMilliseconds;
}

// The time of day (ms) a /LOG line starts with ("hh:mm:ss.mmm  "), or -1.
int LogLineMs(const std::string& line) {
    unsigned h = 0, m = 0, sec = 0, ms = 0;
    if (std::sscanf(line.c_str(), "%2u:%2u:%2u.%3u", &h, &m, &sec, &ms) != 4) return -1;
    return static_cast<int>(((h * 60 + m) * 60 + sec) * 1000 + ms);
}

// Which step of the setup's /LOG ran during the wait [from, to] (time of day, ms), and which
// call run beside the windows overlapped it; also the longest such call of the run.
void NameTheWait(const std::string& logPath, int from, int to) {
    std::string text;
    {
        platform::ScopedFile file(::CreateFileA(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
        char buffer[4096];
        DWORD got = 0;
        while (file && ::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    }
    std::string step = "(before the first step)", overlapping = "none", longest = "none";
    int longestMs = -1;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r')) line.pop_back();
        int at = LogLineMs(line);
        if (at < 0 || line.size() < 14) continue;
        std::string event = line.substr(14);
        const std::string started = ": started", beside = "Beside the windows: ";
        if (event.size() > started.size() && event.ends_with(started) && at <= to)
            step = event.substr(0, event.size() - started.size());
        if (event.rfind(beside, 0) == 0) {
            size_t colon = event.rfind(": ");
            int took = std::atoi(event.c_str() + colon + 2);
            std::string call = event.substr(beside.size(), colon - beside.size());
            if (at - took <= to && at >= from) overlapping = call + " (" + std::to_string(took) + " ms)";
            if (took > longestMs) {
                longestMs = took;
                longest = call + " (" + std::to_string(took) + " ms)";
            }
        }
    }
    std::printf("  the longest wait came in the step %s; call run beside the windows meanwhile: %s\n", step.c_str(),
                overlapping.c_str());
    std::printf("  the longest call run beside the windows: %s\n", longest.c_str());
}

}  // namespace installbench
