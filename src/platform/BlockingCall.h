#pragma once
// One system call that may block for long (deleting or closing a large file, a service slow to
// report that it runs, a block read from a network share), run so that the windows of the thread
// that asks for it go on answering: the call moves to a helper thread, everything else stays.
#include <functional>
#include <string>

namespace platform {

// Runs call and gives back its result, with the system's last error as call left it. what names
// the call for a reader of the log ("DeleteFile C:\\x").
using CallRunner = std::function<bool(const std::string& what, const std::function<bool()>& call)>;

// call through runner, or in place when there is none.
bool RunCall(const CallRunner& runner, const std::string& what, const std::function<bool()>& call);

// Runs call on a helper thread and meanwhile lets serve run on this thread whenever messages
// wait for it. Returns once call has returned and its thread is joined: call's result, its last
// error as this thread's, an exception it threw thrown here. call must touch no window and
// nothing this thread works on. An exception serve throws is held until then, and no more
// messages are served. Where no thread can be made, call runs in place.
bool CallBeside(const std::function<bool()>& call, const std::function<void()>& serve);

}  // namespace platform
