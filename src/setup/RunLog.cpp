#include "setup/RunLog.h"

#include <cstdio>

#include "platform/FileCopy.h"

namespace setup {

bool RunLog::Open(const std::string& path) {
    // Others may read it while the run goes on, but no second run writes into it.
    file_.Reset(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    return IsOpen();
}

void RunLog::Line(const std::string& text) {
    if (!file_) return;
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02u:%02u:%02u.%03u  ", now.wHour, now.wMinute, now.wSecond,
                  now.wMilliseconds);
    std::string line = stamp + text + "\r\n";
    platform::WriteAll(file_.Get(), line.data(), line.size());
}

RunLog& Log() {
    static RunLog log;
    return log;
}

}  // namespace setup
