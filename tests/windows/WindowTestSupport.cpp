#include "WindowTestSupport.h"

#include <gtest/gtest.h>

namespace testing_support {

namespace {
HWND g_guarded = nullptr;
bool g_fired = false;

void CALLBACK GuardTimer(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    g_fired = true;
    if (g_guarded) ::PostMessageA(g_guarded, WM_CLOSE, 0, 0);
}
}  // namespace

void AssertDisplay() {
    ASSERT_GT(::GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need an X server";
    HWND probe = ::CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(probe, nullptr) << "cannot create a window: is DISPLAY set for Wine?";
    ::DestroyWindow(probe);
}

RECT PlacementInParent(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    HWND parent = ::GetParent(window);
    if (parent && (::GetWindowLongA(window, GWL_STYLE) & WS_CHILD))
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void PostClick(HWND button) {
    ::PostMessageA(::GetParent(button), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
}

ModalGuard::ModalGuard(HWND form, UINT ms) {
    g_guarded = form;
    g_fired = false;
    timer_ = ::SetTimer(nullptr, 0, ms, GuardTimer);
}

ModalGuard::~ModalGuard() {
    ::KillTimer(nullptr, timer_);
    g_guarded = nullptr;
}

bool ModalGuard::Fired() const { return g_fired; }

}  // namespace testing_support
