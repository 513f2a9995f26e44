#include "platform/Buttons.h"

#include "platform/Forms.h"

namespace platform {

// ---- Button ----

Button::Button(WinControl* parent) : WinControl(parent) {
    CreateHandle("BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0);
}

void Button::SetDefault(bool isDefault) {
    default_ = isDefault;
    if (handle_) ::SendMessageA(handle_, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    if (Form* form = GetForm()) form->SetDefaultButton(isDefault ? this : nullptr);
}

void Button::Click() {
    if (ModalResult != 0) {
        if (Form* form = GetForm()) form->SetModalResult(ModalResult);
    }
    if (OnClick) OnClick();
}

void Button::CommandNotify(WORD code) {
    if (code == BN_CLICKED) Click();
}

LRESULT Button::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        // As in a dialog: a focused push button is the one Enter presses, and looks it.
        if (Form* form = GetForm()) {
            auto* focused = message == WM_SETFOCUS ? this : dynamic_cast<Button*>(FromHandle(reinterpret_cast<HWND>(wParam)));
            form->ShowDefaultOn(focused && focused->GetForm() == form ? focused : nullptr);
        }
    }
    return WinControl::WndProc(message, wParam, lParam);
}

// ---- GroupBox ----

GroupBox::GroupBox(WinControl* parent) : WinControl(parent) {
    CreateHandle("BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

LRESULT GroupBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: {
        RECT rect = ClientRect();
        FillSolid(reinterpret_cast<HDC>(wParam), rect, ResolveColor(color_));
        return 1;
    }
    case WM_PRINTCLIENT: {
        RECT rect = ClientRect();
        FillSolid(reinterpret_cast<HDC>(wParam), rect, ResolveColor(color_));
        return WinControl::WndProc(message, wParam, lParam);
    }
    default:
        return WinControl::WndProc(message, wParam, lParam);
    }
}

HBRUSH GroupBox::ControlColor(HDC dc) {
    ::SetBkColor(dc, ResolveColor(color_));
    return ::GetSysColorBrush(COLOR_BTNFACE);
}

}  // namespace platform
