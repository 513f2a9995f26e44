#include "platform/StatusBar.h"

#include <commctrl.h>

#include <algorithm>

namespace platform {

// ---- StatusBar ----

StatusBar::StatusBar(WinControl* parent) : WinControl(parent) {
    // Keeps the system's status-bar font: no WM_SETFONT after creation.
    HWND parentWindow = parent ? parent->Handle() : nullptr;
    HWND window = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | CCS_NOPARENTALIGN | CCS_NORESIZE,
                                    0, 0, 0, 0, parentWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)),
                                    ::GetModuleHandleA(nullptr), nullptr);
    if (window) {
        auto original = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WinControl::Router)));
        Attach(window, original);
    }
}

void StatusBar::PlaceAt(int left, int top, int width, int height) {
    WinControl::PlaceAt(left, top, width, height);
    SetPanelWidths(widths_);
}

void StatusBar::SetPanelWidths(const std::vector<int>& widths) {
    widths_ = widths;
    texts_.resize(widths.size());
    if (!handle_ || widths.empty()) return;
    std::vector<int> edges;
    int right = 0;
    for (size_t i = 0; i < widths.size(); ++i) {
        right += Scale(widths[i]);
        edges.push_back(i + 1 == widths.size() ? -1 : right);  // the last panel reaches the edge
    }
    ::SendMessageA(handle_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (size_t i = 0; i < texts_.size(); ++i)
        ::SendMessageA(handle_, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(texts_[i].c_str()));
}

void StatusBar::SetPanelText(int index, const std::string& text) {
    if (index < 0 || static_cast<size_t>(index) >= texts_.size()) return;
    texts_[static_cast<size_t>(index)] = text;
    paintedSinceText_ = false;
    if (!handle_) return;
    if (PaintsOwnTexts()) {
        // The bar's own handling of a new text costs many times drawing it (under Wine it
        // repaints through the window system): the text is drawn at once, and the bar is told
        // only when a message reaches it that may need its texts (SendTexts).
        textsUnsent_ = true;
        if (::IsWindowVisible(handle_)) {
            ScopedGetDc dc(handle_);
            DrawOverBackground(dc.Get(), ClientRect());
            paintedSinceText_ = dc.Get() != nullptr;
        }
        return;
    }
    ::SendMessageA(handle_, SB_SETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}

void StatusBar::Update() {
    if (!paintedSinceText_) WinControl::Update();
}

void StatusBar::SendTexts() {
    textsUnsent_ = false;
    for (size_t i = 0; i < texts_.size(); ++i)
        WinControl::WndProc(SB_SETTEXTA, i, reinterpret_cast<LPARAM>(texts_[i].c_str()));
}

std::string StatusBar::PanelText(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= texts_.size()) return {};
    return texts_[static_cast<size_t>(index)];
}

LRESULT StatusBar::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT && wParam == 0) {
        if (takingBackground_) {
            // The texts change only to take the picture; the whole bar is painted after it.
            ::ValidateRect(handle_, nullptr);
            return 0;
        }
        if (PaintsOwnTexts()) {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(handle_, &paint);
            DrawOverBackground(dc, paint.rcPaint);
            paintedSinceText_ = true;
            ::EndPaint(handle_, &paint);
            return 0;
        }
    }
    // Whatever else reaches the bar (a request for its text, a paint into a given DC) finds
    // the texts it shows; the pointer passing over it and the erasing under a paint need none.
    const bool needsNoTexts = message == SB_SETTEXTA || message == WM_ERASEBKGND || message == WM_NCPAINT ||
                              message == WM_NCHITTEST || message == WM_SETCURSOR || message == WM_MOUSEMOVE;
    if (textsUnsent_ && !needsNoTexts) SendTexts();
    switch (message) {
    case SB_SETTEXTA: {
        // Whoever sets a text, the bar paints what it holds.
        size_t part = LOBYTE(LOWORD(wParam));
        if (!takingBackground_ && part < texts_.size()) texts_[part] = lParam ? reinterpret_cast<const char*>(lParam) : "";
        break;
    }
    case WM_SIZE:
    case WM_SETFONT:
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_STYLECHANGED:
    case SB_SETPARTS:
    case SB_SETBKCOLOR:
    case SB_SETMINHEIGHT:
    case SB_SIMPLE:
    case SB_SETICON:
    case SB_SETTEXTW:
        background_.Reset();  // the picture no longer shows the bar as it looks now
        break;
    default:
        break;
    }
    return WinControl::WndProc(message, wParam, lParam);
}

bool StatusBar::PaintsOwnTexts() { return OwnPaintFits() && (background_ || TakeBackground()); }

bool StatusBar::OwnPaintFits() const {
    // A tab places the text after it in the middle or at the right: the bar's own painting.
    return std::none_of(texts_.begin(), texts_.end(),
                        [](const std::string& text) { return text.find('\t') != std::string::npos; });
}

bool StatusBar::TakeBackground() {
    RECT client = ClientRect();
    if (client.right <= 0 || client.bottom <= 0 || texts_.empty()) return false;
    takingBackground_ = true;
    for (size_t i = 0; i < texts_.size(); ++i) ::SendMessageA(handle_, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(""));
    ScopedBitmap picture;
    {
        ScopedGetDc screen(handle_);
        ScopedMemoryDc memory(::CreateCompatibleDC(screen.Get()));
        // Kept in this process's memory, not the display's: drawing it costs a copy, where a
        // display bitmap under Wine costs a round trip to the X server each time.
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof(format.bmiHeader);
        format.bmiHeader.biWidth = client.right;
        format.bmiHeader.biHeight = -client.bottom;  // top-down
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        picture.Reset(::CreateDIBSection(screen.Get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (memory && picture) {
            ScopedSelectObject select(memory.Get(), picture.Get());
            ::SendMessageA(handle_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Get()), PRF_CLIENT | PRF_ERASEBKGND);
        }
    }
    partRects_.assign(texts_.size(), RECT{});
    for (size_t i = 0; i < texts_.size(); ++i) {
        ::SendMessageA(handle_, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(texts_[i].c_str()));
        ::SendMessageA(handle_, SB_GETRECT, i, reinterpret_cast<LPARAM>(&partRects_[i]));
    }
    barFont_ = reinterpret_cast<HFONT>(::SendMessageA(handle_, WM_GETFONT, 0, 0));
    takingBackground_ = false;
    ::InvalidateRect(handle_, nullptr, FALSE);
    if (barFont_ && picture) background_ = std::move(picture);
    return static_cast<bool>(background_);
}

void StatusBar::DrawOverBackground(HDC dc, const RECT& area) {
    if (!dc || !background_) return;
    {
        ScopedMemoryDc memory(::CreateCompatibleDC(dc));
        ScopedSelectObject select(memory.Get(), background_.Get());
        ::BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, memory.Get(), area.left,
                 area.top, SRCCOPY);
    }
    // As the bar places a text without tabs: three pixels in, in the vertical middle.
    ScopedSelectObject font(dc, barFont_);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    ::SetBkMode(dc, TRANSPARENT);
    for (size_t i = 0; i < texts_.size() && i < partRects_.size(); ++i) {
        RECT rect = partRects_[i];
        rect.left += 3;
        ::DrawTextA(dc, texts_[i].c_str(), static_cast<int>(texts_[i].size()), &rect,
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

}  // namespace platform
