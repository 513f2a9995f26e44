#pragma once
// How the setup steps report what they are doing. The setup window implements it
// (the "Processing..." window and its status bar); tests record it.
#include <functional>
#include <string>

#include "platform/BlockingCall.h"

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
    // Runs one call that may block for long (a large file's deletion, a service's start) so that
    // the windows answer meanwhile; a Cancel confirmed meanwhile takes effect at the next
    // KeepAlive or ShowProgress. Without windows the call runs in place.
    // what names the call.
    virtual bool RunBlocking(const std::string& what, const std::function<bool()>& call) {
        (void)what;
        return call();
    }
    // RunBlocking for the platform's work.
    platform::CallRunner Runner() {
        return [this](const std::string& what, const std::function<bool()>& call) { return RunBlocking(what, call); };
    }
};

// A report that shows nothing, for work done with no window (a silent run, the uninstall's
// service pause).
class NoProgress final : public ProgressReport {
public:
    void ShowProgress(const std::string&) override {}
};

}  // namespace setup
