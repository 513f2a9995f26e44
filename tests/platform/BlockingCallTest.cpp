#include <gtest/gtest.h>
#include <windows.h>

#include "platform/BlockingCall.h"
#include "platform/ScopedHandle.h"

using namespace platform;

namespace {

constexpr UINT kPing = WM_APP + 7;

// Set when the test thread dispatches kPing; the call waits for it, so it returns true only when
// this thread served its messages while the call ran.
HANDLE pingServed = nullptr;

LRESULT CALLBACK PingWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPing) ::SetEvent(pingServed);
    return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TEST(CallBeside, ServesThisThreadsMessagesWhileTheCallRunsAndReturnsItsResultAndLastError) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = PingWindow;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "BlockingCallTestWindow";
    ASSERT_TRUE(::RegisterClassA(&windowClass));
    HWND window = ::CreateWindowA(windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    ASSERT_TRUE(window);
    ScopedKernelHandle served(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    pingServed = served.Get();
    int serves = 0;
    auto serve = [&] {
        ++serves;
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
    };
    const DWORD self = ::GetCurrentThreadId();
    DWORD callThread = self;
    bool result = CallBeside(
        [&] {
            callThread = ::GetCurrentThreadId();
            ::PostMessageA(window, kPing, 0, 0);
            bool answered = ::WaitForSingleObject(pingServed, 10000) == WAIT_OBJECT_0;
            ::SetLastError(ERROR_SERVICE_EXISTS);
            return answered;
        },
        serve);
    const DWORD error = ::GetLastError();
    EXPECT_TRUE(result) << "the window thread did not serve its messages while the call ran";
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SERVICE_EXISTS)) << "the call's last error was not handed back";
    EXPECT_NE(callThread, self) << "the call ran on the window thread";
    EXPECT_GE(serves, 1);

    // A failure comes back as failure, with the code the call left.
    EXPECT_FALSE(CallBeside(
        [] {
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        },
        serve));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    ::DestroyWindow(window);
}
