#pragma once
// The plain-text log a run writes when started with /LOG: one line per event, each behind the
// local time, written through to the file at once, so that a run that is killed still leaves
// what it did. Until a file is opened the lines go nowhere; the counts are kept all the same.
#include <windows.h>

#include <string>

#include "platform/ScopedHandle.h"

namespace setup {

class RunLog {
public:
    // Creates (or replaces) the file; false, with the system's last error, when it cannot.
    bool Open(const std::string& path);
    bool IsOpen() const { return static_cast<bool>(file_); }
    void Line(const std::string& text);

    // Files copied into place so far.
    void CountCopy() { ++filesCopied_; }
    int FilesCopied() const { return filesCopied_; }

    // A file of the suite waits for the next restart to be removed.
    void AwaitRestart() { restartNeeded_ = true; }
    bool RestartNeeded() const { return restartNeeded_; }

private:
    platform::ScopedFile file_;
    int filesCopied_ = 0;
    bool restartNeeded_ = false;
};

// The run's one log.
RunLog& Log();

}  // namespace setup
