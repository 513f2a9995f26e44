#pragma once
// The way back of an install over an existing installation. Until the new version runs, every
// file the install replaces is kept aside (moved into a folder of the setup's own in the
// destination, for SYSTEM and Administrators only), and the services' configuration and state
// are recorded, with the uninstall entry's texts and "InstallDir". The record (the journal)
// lies in the registry below "\Software\VORNA\Upgrade", which only administrators can change,
// and each line is written before what it describes is touched: a run killed at any point
// leaves what the next run needs to put the previous version back.
#include <string>
#include <vector>

#include "platform/BlockingCall.h"
#include "platform/ScopedHandle.h"
#include "setup/InstallContext.h"
#include "setup/Steps.h"

namespace setup {

// The folder in the destination that holds the kept files.
inline constexpr char kKeptFolderName[] = "VORNA.kept\\";

class UpgradeKeeper {
public:
    // The calls that may block for long (services stopped, started and waited for, kept files
    // deleted) go through blocking.
    explicit UpgradeKeeper(InstallContext& context, platform::CallRunner blocking = {});
    UpgradeKeeper(const UpgradeKeeper&) = delete;
    UpgradeKeeper& operator=(const UpgradeKeeper&) = delete;

    // Starts the journal with the services as they are configured and run, the uninstall
    // entry's texts and "InstallDir". Fails with the registry error when it cannot be written.
    StepResult RecordPrevious();
    // Moves the file at path aside before it is replaced, or records that none stood there.
    // Fails with the copy error and the system's reason when it cannot be kept.
    StepResult KeepAside(const std::string& path);
    // Puts the previous version back when there was one (a service or a kept file): the new
    // files go, the kept ones return, the services are made as they were and those that ran
    // start; the entry's texts and "InstallDir" are written back. Then the journal goes. After
    // a fresh install it only drops the journal. Never throws; what fails goes to the log.
    void RollBack();
    // The new version runs: the kept files and the journal go.
    void Discard();

private:
    void Append(const std::string& line);
    InstallContext& context_;
    platform::CallRunner blocking_;
    // The journal's key, open from its first line to its deletion: opened and closed for each
    // line, it cost more than the copy of a small file.
    platform::ScopedRegKey journalKey_;
    std::vector<std::string> journal_;
    int kept_ = 0;
};

// Puts back what a run killed during an upgrade kept, when its journal is there; nothing else.
void RecoverKilledUpgrade(InstallContext& context, const platform::CallRunner& blocking = {});

}  // namespace setup
