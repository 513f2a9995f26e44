#pragma once
// How the setup steps report what they are doing. The setup window implements it
// (the "Processing..." window and its status bar); tests record it.
#include <string>

namespace setup {

// Thrown through the install sequence once the user has confirmed Cancel; the program then ends.
struct SetupCancelled {};

class ProgressReport {
public:
    virtual ~ProgressReport() = default;
    virtual void ShowProgress(const std::string& text) = 0;
    // Lets the windows answer during one long piece of work (a large file); called after every
    // block, it does something only now and then. It throws SetupCancelled once the user has
    // confirmed Cancel, so that the work stops and removes what it half-wrote.
    virtual void KeepAlive() {}
};

// A report that shows nothing, for work done with no window (a silent run, the uninstall's
// service pause).
class NoProgress final : public ProgressReport {
public:
    void ShowProgress(const std::string&) override {}
};

}  // namespace setup
