#include "platform/Graphics.h"

namespace platform {

COLORREF ResolveColor(Color color) {
    if (color & 0x80000000u) return ::GetSysColor(static_cast<int>(color & 0xFF));
    return color & 0x00FFFFFFu;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    ScopedBrush brush(::CreateSolidBrush(color));
    ::FillRect(dc, &rect, brush.Get());
}

void Font::SetSize(int points) {
    ScopedGetDc screen(nullptr);
    int dpi = screen.Get() ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
    SetHeight(-::MulDiv(points, dpi, 72));
}

HFONT Font::Handle() const {
    if (!handle_) {
        LOGFONTA logFont{};
        logFont.lfHeight = description_.height;
        logFont.lfWeight = description_.bold ? FW_BOLD : FW_NORMAL;
        logFont.lfItalic = description_.italic;
        logFont.lfUnderline = description_.underline;
        logFont.lfCharSet = description_.charset;
        logFont.lfOutPrecision = OUT_DEFAULT_PRECIS;
        logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        logFont.lfQuality = DEFAULT_QUALITY;
        logFont.lfPitchAndFamily = DEFAULT_PITCH;
        lstrcpynA(logFont.lfFaceName, description_.name.c_str(), LF_FACESIZE);
        handle_.Reset(::CreateFontIndirectA(&logFont));
    }
    return handle_.Get();
}

}  // namespace platform
