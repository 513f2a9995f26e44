#include "platform/SystemUi.h"

#include "platform/Forms.h"
#include "platform/ScopeExit.h"
#include "platform/ScopedHandle.h"

#include <utility>

namespace platform {
namespace {

// The window that was active when the box came, while the box is up.
HWND g_activeBeforeBox = nullptr;

// A box without an owner that goes away while it is active hands the activation to the next
// window below it that takes it: while the box is up this program's windows are disabled, so
// that is another program's (the taskbar), which then keeps the keyboard. So as soon as the
// box is answered, before it goes, the window that was active is enabled and activated again.
LRESULT CALLBACK ActivateOnAnswer(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_COMMAND && g_activeBeforeBox && !::GetParent(call->hwnd)) {
        char className[16] = {};
        ::GetClassNameA(call->hwnd, className, sizeof className);
        if (std::string(className) == "#32770" && ::IsWindow(g_activeBeforeBox)) {
            ::EnableWindow(g_activeBeforeBox, TRUE);
            ::SetForegroundWindow(g_activeBeforeBox);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class RealSystemUi final : public SystemUi {
public:
    int MessageBox(const std::string& text, const std::string& caption, UINT flags) override {
        // The box has no owner, so nothing is active when it goes: give the keyboard back.
        ScopedFocusReturn focusReturn;
        const HWND active = ::GetActiveWindow();
        const HWND outer = std::exchange(g_activeBeforeBox, ::IsWindowEnabled(active) ? active : nullptr);
        ScopeExit restoreOuter([outer] { g_activeBeforeBox = outer; });
        ScopedHook hook(::SetWindowsHookExA(WH_CALLWNDPROC, ActivateOnAnswer, nullptr, ::GetCurrentThreadId()));
        return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
    }
    [[noreturn]] void EndProgram(UINT exitCode) override { ::ExitProcess(exitCode); }
};

RealSystemUi g_realUi;
SystemUi* g_ui = &g_realUi;

}  // namespace

SystemUi& Ui() { return *g_ui; }
void SetUi(SystemUi* ui) { g_ui = ui ? ui : &g_realUi; }

void EndProgram(UINT exitCode) { EndProgram(Ui(), exitCode); }

void EndProgram(SystemUi& ui, UINT exitCode) {
    ui.EndProgram(exitCode);
    ::ExitProcess(exitCode);  // a seam that came back must not let the program run on
}

}  // namespace platform
