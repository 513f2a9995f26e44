#include "platform/BlockingCall.h"

#include <windows.h>
#include <process.h>

#include <exception>

#include "platform/ScopedHandle.h"

namespace platform {
namespace {

struct Job {
    const std::function<bool()>& call;
    bool result = false;
    DWORD error = 0;
    std::exception_ptr thrown;
};

unsigned __stdcall RunJob(void* argument) {
    Job& job = *static_cast<Job*>(argument);
    try {
        job.result = job.call();
    } catch (...) {
        job.thrown = std::current_exception();
    }
    job.error = ::GetLastError();
    return 0;
}

}  // namespace

bool RunCall(const CallRunner& runner, const std::string& what, const std::function<bool()>& call) {
    return runner ? runner(what, call) : call();
}

bool CallBeside(const std::function<bool()>& call, const std::function<void()>& serve) {
    Job job{call, false, 0, nullptr};
    // _beginthreadex, not CreateThread: the call may use the C runtime.
    ScopedKernelHandle thread(
        reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, RunJob, &job, 0, nullptr)));
    if (!thread) return call();
    std::exception_ptr served;
    HANDLE handle = thread.Get();
    for (;;) {
        DWORD woken = served ? ::WaitForSingleObject(handle, INFINITE)
                             : ::MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) break;
        if (woken != WAIT_OBJECT_0 + 1) {
            // The wait itself failed: the join must still come before the return.
            ::WaitForSingleObject(handle, INFINITE);
            break;
        }
        try {
            serve();
        } catch (...) {
            served = std::current_exception();
        }
    }
    thread.Close();
    if (job.thrown) std::rethrow_exception(job.thrown);
    if (served) std::rethrow_exception(served);
    ::SetLastError(job.error);
    return job.result;
}

}  // namespace platform
