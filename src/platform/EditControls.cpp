#include "platform/EditControls.h"

#include <algorithm>

#include "platform/ScopedHandle.h"
#include "platform/TextWrap.h"

namespace platform {

// ---- Edit ----

Edit::Edit(WinControl* parent) : WinControl(parent) {
    color_ = SystemColor(COLOR_WINDOW);
    CreateHandle("EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
}

std::string Edit::Text() const {
    if (!handle_) return caption_;
    int length = ::GetWindowTextLengthA(handle_);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(handle_, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return text;
}

void Edit::SelectAll() {
    if (handle_) ::SendMessageA(handle_, EM_SETSEL, 0, -1);
}

// ---- Memo ----

Memo::Memo(WinControl* parent) : WinControl(parent) {
    CreateHandle("EDIT",
                 WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                 WS_EX_CLIENTEDGE);
}

void Memo::SetLines(const std::vector<std::string>& lines) {
    lines_ = lines;
    ShowLines();
}

void Memo::FontChanged() {
    WinControl::FontChanged();
    ShowLines();
}

void Memo::ShowLines() {
    std::vector<std::string> shown = lines_;
    // Under a double-byte code page the designed face has no characters of the system's set,
    // and the face that stands in for it is wider; elsewhere the lines stay as designed (a
    // line wider than the box scrolls).
    CPINFO codePage{};
    const bool standIn = ::GetCPInfo(CP_ACP, &codePage) && codePage.MaxCharSize > 1;
    RECT format{};
    if (standIn && handle_ && ::SendMessageA(handle_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format)) >= 0) {
        ScopedGetDc dc(handle_);
        if (dc.Get()) {
            ScopedSelectObject font(dc.Get(), font_.Handle());
            shown = WrapToWidth(dc.Get(), lines_, format.right - format.left);
        }
    }
    std::string text;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (i) text += "\r\n";
        text += shown[i];
    }
    SetCaption(text);
}

void Memo::SetColor(Color color) {
    color_ = color;
    brush_.Reset(::CreateSolidBrush(ResolveColor(color)));
    Invalidate();
}

LRESULT Memo::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETDLGCODE) {
        // Everything but Tab and Escape: Tab moves on to the next control, and Escape is the
        // window's (the edit would close its parent, the group box, on it).
        LRESULT code = WinControl::WndProc(message, wParam, lParam);
        const auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && (pending->message == WM_KEYDOWN || pending->message == WM_CHAR) &&
            (pending->wParam == VK_TAB || pending->wParam == VK_ESCAPE))
            code &= ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
        return code;
    }
    return WinControl::WndProc(message, wParam, lParam);
}

HBRUSH Memo::ControlColor(HDC dc) {
    if (!brush_) brush_.Reset(::CreateSolidBrush(ResolveColor(color_)));
    ::SetBkColor(dc, ResolveColor(color_));
    ::SetTextColor(dc, ResolveColor(font_.TextColor()));
    return brush_.Get();
}

}  // namespace platform
