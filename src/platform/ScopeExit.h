#pragma once
// Runs an action when the scope is left, however it is left (return, exception). For the
// small "put it back on the way out" needs that own no handle: a flag reset, a key closed
// through another object.
#include <utility>

namespace platform {

// platform::ScopeExit restore([&] { busy = false; });
template <class Action>
class ScopeExit {
public:
    explicit ScopeExit(Action action) : action_(std::move(action)) {}
    ~ScopeExit() { action_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Action action_;
};

}  // namespace platform
