#include "platform/Forms.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "platform/SystemLibrary.h"

namespace platform {
namespace {

// Focuses a control as Tab does: a single-line field is entered with its text selected, ready
// to be typed over.
void EnterControl(HWND window) {
    if ((::SendMessageA(window, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) && !(::GetWindowLongA(window, GWL_STYLE) & ES_MULTILINE))
        ::SendMessageA(window, EM_SETSEL, 0, -1);
    ::SetFocus(window);
}

// Sent to a per-monitor aware window whose DPI changed (a move to another monitor, a new
// scale in the settings); named here as older headers lack it.
constexpr UINT kDpiChangedMessage = 0x02E0;

// What the system gives every window that is not per-monitor aware.
int SystemDpi() {
    ScopedGetDc screen(nullptr);
    const int dpi = screen.Get() ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kDesignDpi;
}

// Windows 10 (1607) and later know each window's DPI; before, it is the system's.
int WindowDpi(HWND window) {
    static const auto getDpiForWindow = SystemFunctionAs<UINT(WINAPI*)(HWND)>("user32.dll", "GetDpiForWindow");
    const UINT dpi = getDpiForWindow && window ? getDpiForWindow(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
}

}  // namespace

// ---- Form ----

Form::Form(const char* className) : WinControl(nullptr), className_(className) {
    RegisterOwnClass(className, CS_DBLCLKS);
    visible_ = false;
}

Form::~Form() { DestroyHandle(); }

DWORD Form::Style() const {
    DWORD style = WS_CAPTION | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (Border == BorderStyle::Dialog) {
        style |= WS_DLGFRAME | WS_SYSMENU;  // a close button only
    } else {
        if (SystemMenu) style |= WS_SYSMENU;
        if (MinimizeBox) style |= WS_MINIMIZEBOX;
        if (MaximizeBox) style |= WS_MAXIMIZEBOX;
    }
    return style;
}

DWORD Form::ExStyle() const {
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (StayOnTop) exStyle |= WS_EX_TOPMOST;
    if (Border == BorderStyle::Dialog) exStyle |= WS_EX_DLGMODALFRAME;
    return exStyle;
}

void Form::AddFrame(RECT& client) const {
    static const auto adjustForDpi =
        SystemFunctionAs<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>("user32.dll", "AdjustWindowRectExForDpi");
    if (!adjustForDpi || !adjustForDpi(&client, Style(), FALSE, ExStyle(), static_cast<UINT>(dpi_)))
        ::AdjustWindowRectEx(&client, Style(), FALSE, ExStyle());
}

void Form::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
    if (handle_) PlaceWindow();
}

void Form::PlaceWindow(const RECT* suggested) {
    const int clientWidth = Scale(clientWidth_), clientHeight = Scale(clientHeight_);
    RECT frame{0, 0, clientWidth, clientHeight};
    AddFrame(frame);
    for (int attempt = 0; attempt < 2; ++attempt) {
        width_ = frame.right - frame.left;
        height_ = frame.bottom - frame.top;
        if (suggested) {
            left_ = suggested->left;
            top_ = suggested->top;
        } else if (CenterOnScreen) {
            left_ = (::GetSystemMetrics(SM_CXSCREEN) - width_) / 2;
            top_ = (::GetSystemMetrics(SM_CYSCREEN) - height_) / 2;
        }
        if (!handle_) return;
        ::MoveWindow(handle_, left_, top_, width_, height_, TRUE);
        // The client area is what counts: a system that does not scale the frame to the
        // window's DPI (Wine) draws it otherwise than computed for that DPI.
        RECT client{};
        if (!::GetClientRect(handle_, &client)) return;
        const int dx = clientWidth - client.right, dy = clientHeight - client.bottom;
        if (dx == 0 && dy == 0) return;
        frame.right += dx;
        frame.bottom += dy;
    }
}

void Form::Create() {
    dpi_ = SystemDpi();
    font_.SetDpi(dpi_);
    PlaceWindow();
    CreateHandle(className_.c_str(), Style(), ExStyle());
    // Per-monitor aware, the window may have opened on a monitor of another DPI.
    if (const int dpi = WindowDpi(handle_); dpi != dpi_) {
        dpi_ = dpi;
        font_.SetDpi(dpi_);
        PlaceWindow();
    }
    if (!CreateHandlerFirst) BuildControls();
    try {
        if (OnCreate) OnCreate();
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
    }
    if (CreateHandlerFirst) BuildControls();
    if (VisibleAtCreation) Show();
}

void Form::Show() {
    if (!handle_) return;
    visible_ = true;
    if (::IsWindowVisible(handle_)) {
        BringToFront();
        return;
    }
    showNotified_ = false;
    ::ShowWindow(handle_, State == WindowState::Maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    // Wine sends no WM_SHOWWINDOW when a hidden window is shown maximised.
    if (!showNotified_ && OnShow) OnShow();
}

void Form::Hide() {
    visible_ = false;
    if (handle_) ::ShowWindow(handle_, SW_HIDE);
    lastFocus_ = nullptr;  // shown again, the form starts at its first control
}

void Form::SetDefaultButton(Button* button) {
    defaultButton_ = button;
    shownDefault_ = button ? button->Handle() : nullptr;
}

void Form::ShowDefaultOn(Button* focused) {
    Button* target = focused ? focused : defaultButton_;
    HWND window = target ? target->Handle() : nullptr;
    if (window == shownDefault_) return;
    if (shownDefault_ && ::IsWindow(shownDefault_)) ::SendMessageA(shownDefault_, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    shownDefault_ = window;
    if (window) ::SendMessageA(window, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

void Form::SelectNext(bool forward) {
    std::vector<WinControl*> stops;
    CollectTabStops(stops);
    if (stops.empty()) return;
    const HWND focus = ::GetFocus();
    const auto at = std::find_if(stops.begin(), stops.end(), [focus](WinControl* stop) {
        return focus && (stop->Handle() == focus || ::IsChild(stop->Handle(), focus));
    });
    const size_t count = stops.size();
    size_t next = forward ? 0 : count - 1;
    if (at != stops.end()) {
        const auto index = static_cast<size_t>(at - stops.begin());
        next = forward ? (index + 1) % count : (index + count - 1) % count;
    }
    EnterControl(stops[next]->Handle());
}

bool Form::HandleMnemonic(const MSG& message) {
    const HWND focus = ::GetFocus();
    if (message.message == WM_CHAR) {
        if (!focus) return false;
        const LRESULT code = ::SendMessageA(focus, WM_GETDLGCODE, message.wParam, reinterpret_cast<LPARAM>(&message));
        if (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
    }
    char letter = static_cast<char>(message.wParam);
    ::CharLowerBuffA(&letter, 1);
    Label* label = FindMnemonicLabel(letter);
    if (!label) return false;
    const HWND target = label->FocusControl()->Handle();
    if (target && ::IsWindowVisible(target) && ::IsWindowEnabled(target)) EnterControl(target);
    return true;
}

bool Form::HandleDialogKey(const MSG& message) {
    if ((message.message == WM_SYSCHAR || message.message == WM_CHAR) && message.wParam < 0x100) {
        const HWND focus = ::GetFocus();
        return (focus == handle_ || ::IsChild(handle_, focus)) && HandleMnemonic(message);
    }
    if (message.message != WM_KEYDOWN || (message.wParam != VK_TAB && message.wParam != VK_RETURN)) return false;
    const HWND focus = ::GetFocus();
    if (!focus || (focus != handle_ && !::IsChild(handle_, focus))) return false;
    const LRESULT code = ::SendMessageA(focus, WM_GETDLGCODE, message.wParam, reinterpret_cast<LPARAM>(&message));
    if (code & DLGC_WANTMESSAGE) return false;  // the control takes the key itself
    if (message.wParam == VK_TAB) {
        if (code & DLGC_WANTTAB) return false;
        SelectNext(::GetKeyState(VK_SHIFT) >= 0);
        return true;
    }
    // Enter: a focused push button presses itself, anywhere else the default button answers.
    auto* button = dynamic_cast<Button*>(WinControl::FromHandle(focus));
    if (!button) button = defaultButton_;
    if (button && button->Handle() && ::IsWindowVisible(button->Handle()) && ::IsWindowEnabled(button->Handle()))
        button->Click();
    return true;
}

namespace {

// A window that can take the focus back: still there, inside window, shown and enabled.
bool CanTakeFocus(HWND window, HWND child) {
    return child && ::IsWindow(child) && ::IsChild(window, child) && ::IsWindowVisible(child) && ::IsWindowEnabled(child);
}

}  // namespace

bool Form::RestoreFocus() {
    const HWND focus = ::GetFocus();
    if (focus && ::IsChild(handle_, focus)) return true;  // a click or a SetFocus got there first
    HWND target = lastFocus_;
    if (!CanTakeFocus(handle_, target)) {
        std::vector<WinControl*> stops;
        CollectTabStops(stops);
        target = stops.empty() ? nullptr : stops.front()->Handle();
    }
    if (!target) return false;
    ::SetFocus(target);
    return true;
}

void Form::BringToFront() {
    if (!handle_) return;
    // Already active and above every other window: nothing to do (the install asks this once
    // per copied file, and each round trip to the window manager costs time).
    if (::GetForegroundWindow() == handle_ && ::GetTopWindow(nullptr) == handle_) return;
    ::SetWindowPos(handle_, StayOnTop ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(handle_);
}

bool Form::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(canClose);
    return canClose;
}

void Form::Close() {
    if (modal_) {
        modalResult_ = mrCancel;  // the modal loop asks the close query
        return;
    }
    if (!CloseQuery()) return;
    if (this == Application::Instance().MainForm())
        Application::Instance().Terminate();
    else
        Hide();
}

// Windows calls this with its own calling convention, which a lambda cannot carry on x86.
static BOOL CALLBACK CollectEnabled(HWND window, LPARAM context) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(context);
    if (::IsWindowVisible(window) && ::IsWindowEnabled(window)) list->push_back(window);
    return TRUE;
}

int Form::ShowModal() {
    // Declared first, so that it acts last: after the other windows are enabled again and the
    // dialog is hidden, the window it was opened from is active with its control focused.
    ScopedFocusReturn focusReturn;
    // The other windows of this thread take no input while the dialog is up.
    std::vector<HWND> disabled;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
    for (HWND window : disabled) ::EnableWindow(window, FALSE);

    modal_ = true;
    modalResult_ = mrNone;
    Show();
    // A dialog opened from an always-on-top window must not open behind it.
    const bool raised = !StayOnTop && std::any_of(disabled.begin(), disabled.end(), [](HWND window) {
        return (::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    });
    if (raised) ::SetWindowPos(handle_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Application& application = Application::Instance();
    for (;;) {
        if (modalResult_ != mrNone) {
            if (CloseQuery()) break;
            modalResult_ = mrNone;
        }
        MSG message;
        BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            if (modalResult_ == mrNone) modalResult_ = mrCancel;
            break;
        }
        application.Dispatch(message);
    }
    for (HWND window : disabled) ::EnableWindow(window, TRUE);
    modal_ = false;
    Hide();
    if (raised) ::SetWindowPos(handle_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return modalResult_;
}

void Form::ChangeDpi(int dpi, const RECT* suggested) {
    if (dpi <= 0 || dpi == dpi_) return;
    dpi_ = dpi;
    DpiChanged();
    // A maximised window is sized by the system.
    if (handle_ && !::IsZoomed(handle_)) PlaceWindow(suggested);
}

LRESULT Form::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(message, wParam, lParam, result)) return result;
    switch (message) {
    case kDpiChangedMessage:
        ChangeDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_ERASEBKGND: {
        RECT rect = ClientRect();
        ScopedBrush brush(::CreateSolidBrush(ResolveColor(color_)));
        ::FillRect(reinterpret_cast<HDC>(wParam), &rect, brush.Get());
        return 1;
    }
    case WM_PRINTCLIENT: {
        RECT rect = ClientRect();
        ScopedBrush brush(::CreateSolidBrush(ResolveColor(color_)));
        ::FillRect(reinterpret_cast<HDC>(wParam), &rect, brush.Get());
        return 0;
    }
    case WM_SHOWWINDOW:
        if (wParam && lParam == 0) {
            visible_ = true;
            showNotified_ = true;
            if (OnShow) OnShow();
        }
        break;
    case WM_GETMINMAXINFO: {
        // Maximised, a form fills the work area and leaves the taskbar free, whatever its frame.
        LRESULT result = WinControl::WndProc(message, wParam, lParam);
        RECT work{};
        if (::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
            RECT frame{0, 0, 0, 0};
            AddFrame(frame);
            int borderX = -frame.left, borderY = frame.bottom;  // the frame beyond the client area
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMaxPosition = {work.left - borderX, work.top - borderY};
            info->ptMaxSize = {work.right - work.left + 2 * borderX, work.bottom - work.top + 2 * borderY};
        }
        return result;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = ::GetFocus();
            if (focus && ::IsChild(handle_, focus)) lastFocus_ = focus;
        } else if (!HIWORD(wParam) && RestoreFocus()) {
            return 0;
        }
        break;
    case WM_SETFOCUS:
        // The form itself has nothing to type into: pass the focus on to its control.
        if (RestoreFocus()) return 0;
        break;
    case WM_NEXTDLGCTL:
        if (!lParam) SelectNext(wParam == 0);
        return 0;
    case DM_GETDEFID:
        if (defaultButton_) return MAKELRESULT(defaultButton_->ControlId(), DC_HASDEFID);
        return 0;
    case WM_COMMAND:
        if (lParam == 0) return 0;  // Enter without a default button, Escape: nothing to do
        break;
    default:
        break;
    }
    return WinControl::WndProc(message, wParam, lParam);
}

// ---- Application ----

Application& Application::Instance() {
    // Never destroyed: windows must not be torn down by static destructors at process exit.
    static Application* instance = new Application;
    return *instance;
}

void Application::Initialize() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
}

int Application::Run() {
    if (mainForm_ && !terminated_) mainForm_->Show();
    while (!terminated_) {
        MSG message;
        BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) break;
        Dispatch(message);
    }
    return exitCode_;
}

void Application::ProcessMessages() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            terminated_ = true;
            ::PostQuitMessage(static_cast<int>(message.wParam));  // leave it for the loop that runs
            break;
        }
        Dispatch(message);
    }
}

void Application::Terminate() {
    terminated_ = true;
    ::PostQuitMessage(exitCode_);
}

void Application::Dispatch(MSG& message) {
    HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    // Tab and Enter follow the form's own order and buttons; mnemonics and the rest of the
    // dialog keys are the system's.
    if (auto* form = root ? dynamic_cast<Form*>(WinControl::FromHandle(root)) : nullptr) {
        if (form->HandleDialogKey(message) || ::IsDialogMessageA(root, &message)) return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
}

// ---- ScopedFocusReturn ----

ScopedFocusReturn::ScopedFocusReturn() : window_(::GetActiveWindow()), focus_(::GetFocus()) {}

ScopedFocusReturn::~ScopedFocusReturn() {
    if (!window_ || !::IsWindow(window_) || !::IsWindowVisible(window_) || !::IsWindowEnabled(window_)) return;
    const bool focusUsable = CanTakeFocus(window_, focus_);
    if (::GetForegroundWindow() != window_) ::SetForegroundWindow(window_);
    if (focusUsable && ::GetFocus() != focus_) ::SetFocus(focus_);
}

void Application::HandleException(std::exception_ptr error) {
    if (OnException) OnException(error);
}

void Application::DestroyForms() {
    while (!forms_.empty()) forms_.pop_back();
    mainForm_ = nullptr;
    terminated_ = false;
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

}  // namespace platform
