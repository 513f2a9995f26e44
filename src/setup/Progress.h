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

}  // namespace setup
