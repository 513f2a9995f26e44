// The gradient panel's drawing, independent of any window.
#include <windows.h>

#include <algorithm>

#include "components/GradPan.h"
#include "platform/Paths.h"
#include "platform/ScopedHandle.h"

namespace components {

using platform::ScopedBrush;
using platform::ScopedFont;
using platform::ScopedMemoryDc;
using platform::ScopedPen;
using platform::ScopedSelectObject;
using platform::FillSolid;
using platform::ResolveColor;
using platform::BevelCut;
using platform::TextAlignment;

void BuildGradient(ColorTable& table, COLORREF from, COLORREF to) {
    int channel[3][100];
    for (int c = 0; c < 3; ++c) {
        const int a = static_cast<int>((from >> (8 * c)) & 0xFFu);
        const int b = static_cast<int>((to >> (8 * c)) & 0xFFu);
        // The step is kept as a double; the sum is not rounded to double before truncation.
        // Volatile: on x86 the division is done in the 80-bit registers, and only a store
        // rounds its result to a double.
        const volatile double step = static_cast<double>(b - a) / 100.0;
        for (int i = 0; i < 100; ++i) {
            const long double value = static_cast<long double>(a) +
                                      static_cast<long double>(i) * static_cast<long double>(step);
            channel[c][i] = static_cast<int>(value);
        }
    }
    for (int i = 0; i < 100; ++i)
        table[i] = static_cast<COLORREF>(channel[0][i] + 256 * channel[1][i] + 65536 * channel[2][i]);
}

namespace {

// Band i of 100 gets table[entry(i)]; horizontal bands run down, vertical bands across.
template <class EntryOf>
void FillBands(HDC dc, const GradPanLook& look, const ColorTable& table, bool vertical, EntryOf entryOf) {
    const int extent = vertical ? look.width : look.height;
    for (int i = 0; i < 100; ++i) {
        const int a = BandStart(i, extent);
        const int b = BandStart(i + 1, extent);
        if (b <= a) continue;
        RECT r = vertical ? RECT{a, 0, b, look.height} : RECT{0, a, look.width, b};
        FillSolid(dc, r, table[entryOf(i)]);
    }
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
}

void TextPass(HDC dc, const GradPanLook& look, int x, int y, COLORREF color) {
    ::SetTextColor(dc, ResolveColor(color));
    if (look.textRotation == trNone)
        ::TextOutA(dc, x, y, look.caption.data(), static_cast<int>(look.caption.size()));
    else
        DrawRotatedText(dc, x, y, look.textRotation == TrUp ? 90 : 270, look.caption);
}

}  // namespace

void PaintFlat(HDC dc, const GradPanLook& look) {
    FillSolid(dc, RECT{0, 0, look.width, look.height}, ResolveColor(look.colorStart));
}

void PaintLinear(HDC dc, const GradPanLook& look, ColorTable& table, int k) {
    if (k == 0 || k == 2)
        BuildGradient(table, look.colorStart, look.colorEnd);
    else
        BuildGradient(table, look.colorEnd, look.colorStart);
    FillBands(dc, look, table, k >= 2, [](int i) { return i; });
}

void PaintMirrored(HDC dc, const GradPanLook& look, ColorTable& table, bool reverse, bool vertical) {
    if (reverse)
        BuildGradient(table, look.colorEnd, look.colorStart);
    else
        BuildGradient(table, look.colorStart, look.colorEnd);
    FillBands(dc, look, table, vertical, [](int i) { return i < 50 ? 2 * i + 1 : 198 - 2 * i; });
}

void PaintBitmap(HDC dc, const GradPanLook& look) {
    BITMAP info{};
    // No picture, or one without area (which would also divide by zero below): flat.
    if (!look.bitmap || ::GetObjectA(look.bitmap, sizeof info, &info) != sizeof info ||
        info.bmWidth <= 0 || info.bmHeight <= 0) {
        PaintFlat(dc, look);
        return;
    }
    const int a = look.ctl3D ? 2 * look.bevelWidth + look.borderWidth : 0;
    ScopedMemoryDc source(::CreateCompatibleDC(dc));
    ScopedSelectObject picture(source.Get(), look.bitmap);
    const int bw = info.bmWidth;
    const int bh = info.bmHeight;
    if (look.backGroundEffect == bdStretchImage) {
        const int previousMode = ::SetStretchBltMode(dc, COLORONCOLOR);
        ::StretchBlt(dc, a, a, look.width - 2 * a - 1, look.height - 2 * a - 1, source.Get(), 0, 0, bw, bh,
                     SRCCOPY);
        ::SetStretchBltMode(dc, previousMode);
        return;
    }
    const int columns = (look.width - 2 * a) / bw + 1;
    const int rows = (look.height - 2 * a) / bh + 1;
    if (columns <= 0 || rows <= 0) return;
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows; ++r)
            ::BitBlt(dc, a + c * bw, a + r * bh, bw, bh, source.Get(), 0, 0, SRCCOPY);
}

CaptionAnchor ComputeCaptionAnchor(const GradPanLook& look, int th) {
    const int inset = look.borderWidth + look.bevelWidth;
    // The margins (1 and 2 px as designed) grow with the DPI.
    const int m1 = platform::ScaleForDpi(1, look.dpi);
    const int m2 = platform::ScaleForDpi(2, look.dpi);
    const int w = look.width;
    const int h = look.height;
    CaptionAnchor anchor;
    switch (look.textRotation) {
    case trNone:
        switch (look.alignment) {
        case TextAlignment::LeftJustify: anchor.x = inset + m2; anchor.textAlign = TA_LEFT; break;
        case TextAlignment::RightJustify: anchor.x = w - inset - m2; anchor.textAlign = TA_RIGHT; break;
        default: anchor.x = w / 2; anchor.textAlign = TA_CENTER; break;
        }
        switch (look.vertAlign) {
        case vlTop: anchor.y = inset + m2; break;
        case vlCenter: anchor.y = h / 2 - th / 2; break;
        default: anchor.y = h - inset - th - m1; break;
        }
        break;
    case TrUp:
        switch (look.alignment) {
        case TextAlignment::LeftJustify: anchor.x = inset + m2; break;
        case TextAlignment::RightJustify: anchor.x = w - inset - th - m1; break;
        default: anchor.x = w / 2 - th / 2; break;
        }
        switch (look.vertAlign) {
        case vlTop: anchor.y = inset + m2; anchor.textAlign = TA_RIGHT; break;
        case vlCenter: anchor.y = h / 2 - th / 2; anchor.textAlign = TA_CENTER; break;
        default: anchor.y = h - inset - m1; anchor.textAlign = TA_LEFT; break;
        }
        break;
    default:  // TrDown
        switch (look.alignment) {
        case TextAlignment::LeftJustify: anchor.x = th + inset + m1; break;
        case TextAlignment::RightJustify: anchor.x = w - inset - m2; break;
        default: anchor.x = th / 2 + w / 2; break;
        }
        switch (look.vertAlign) {
        case vlTop: anchor.y = inset + m1; anchor.textAlign = TA_LEFT; break;
        case vlCenter: anchor.y = h / 2 - th / 2; anchor.textAlign = TA_CENTER; break;
        default: anchor.y = h - inset - m2; anchor.textAlign = TA_RIGHT; break;
        }
        break;
    }
    anchor.textAlign |= TA_TOP;
    return anchor;
}

void DrawRotatedText(HDC dc, int x, int y, int angle, const std::string& text) {
    LOGFONTA logFont{};
    if (::GetObjectA(::GetCurrentObject(dc, OBJ_FONT), sizeof logFont, &logFont) != sizeof logFont) return;
    logFont.lfEscapement = angle * 10;
    ScopedFont rotated(::CreateFontIndirectA(&logFont));
    if (!rotated) return;
    ScopedSelectObject select(dc, rotated.Get());
    // A longer caption is cut to what the buffer held, never inside a character.
    const std::string shown = platform::CutToShortText(text);
    ::TextOutA(dc, x, y, shown.data(), static_cast<int>(shown.size()));
}

void PaintCaption(HDC dc, const GradPanLook& look) {
    ::SetBkMode(dc, TRANSPARENT);
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, "^_", 2, &extent);
    const CaptionAnchor anchor = ComputeCaptionAnchor(look, extent.cy);
    ::SetTextAlign(dc, anchor.textAlign);
    const int x = anchor.x;
    const int y = anchor.y;
    const COLORREF shadow = look.colorShadow;
    const COLORREF black = RGB(0, 0, 0);
    const int u = std::max(1, platform::ScaleForDpi(1, look.dpi));  // an effect's offset
    switch (look.textEffect) {
    case tenone:
        TextPass(dc, look, x, y, shadow);
        break;
    case teShadow: {
        const int d = look.textRotation == trNone ? platform::ScaleForDpi(2, look.dpi) : u;
        TextPass(dc, look, x + d, y + d, shadow);
        TextPass(dc, look, x, y, look.fontColor);
        break;
    }
    case teRaised:
        TextPass(dc, look, x - u, y, shadow);
        TextPass(dc, look, x, y - u, shadow);
        TextPass(dc, look, x + u, y, black);
        TextPass(dc, look, x, y + u, black);
        TextPass(dc, look, x, y, look.fontColor);
        break;
    case teLowered:
        TextPass(dc, look, x + u, y, shadow);
        TextPass(dc, look, x, y + u, shadow);
        TextPass(dc, look, x - u, y, black);
        TextPass(dc, look, x, y - u, black);
        TextPass(dc, look, x, y, look.fontColor);
        break;
    case teEmbossed:
        TextPass(dc, look, x - u, y, shadow);
        TextPass(dc, look, x + u, y, shadow);
        TextPass(dc, look, x, y - u, shadow);
        TextPass(dc, look, x, y + u, shadow);
        TextPass(dc, look, x, y, look.fontColor);
        break;
    }
}

void PaintFrame(HDC dc, const GradPanLook& look) {
    // Fixed colours, not the system's bevel colours: the panel looks the same everywhere.
    ScopedPen white(::CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    ScopedPen grey(::CreatePen(PS_SOLID, 1, RGB(128, 128, 128)));
    const int w = look.width;
    const int h = look.height;
    const int bw = look.bevelWidth;
    ::SetROP2(dc, R2_COPYPEN);
    if (look.bevelOuter != BevelCut::None) {
        const bool raised = look.bevelOuter == BevelCut::Raised;
        {
            ScopedSelectObject pen(dc, raised ? white.Get() : grey.Get());
            for (int k = 0; k < bw; ++k) {
                Line(dc, k, k, w, k);
                Line(dc, k, k, k, h);
            }
        }
        ScopedSelectObject pen(dc, raised ? grey.Get() : white.Get());
        for (int k = 0; k < bw; ++k) {
            Line(dc, k, h - 1 - k, w - k, h - 1 - k);
            Line(dc, w - 1 - k, h - 1 - k, w - 1 - k, k);
        }
    }
    if (look.bevelInner != BevelCut::None) {
        const int e = look.bevelOuter != BevelCut::None ? look.borderWidth + bw : look.borderWidth + 1;
        const bool raised = look.bevelInner == BevelCut::Raised;
        {
            ScopedSelectObject pen(dc, raised ? white.Get() : grey.Get());
            for (int k = 0; k < bw; ++k) {
                const int d = e + k;
                Line(dc, d, d, w - d, d);
                Line(dc, d, d, d, h - d);
            }
        }
        ScopedSelectObject pen(dc, raised ? grey.Get() : white.Get());
        for (int k = 0; k < bw; ++k) {
            const int d = e + k;
            Line(dc, d, h - 1 - d, w - d, h - 1 - d);
            Line(dc, w - 1 - d, h - 1 - d, w - 1 - d, d);
        }
    }
    if (look.ctl3D && look.bevelInner != BevelCut::None) {
        const int s = look.bevelOuter != BevelCut::None ? bw - 1 : 0;
        ScopedBrush ring(::CreateSolidBrush(ResolveColor(look.color)));
        for (int i = 1; i <= look.borderWidth; ++i) {
            RECT r{s + i, s + i, w - i - s, h - i - s};
            ::FrameRect(dc, &r, ring.Get());
        }
    }
}

void PaintGradPan(HDC dc, const GradPanLook& look, ColorTable& table,
                  const std::function<void(HDC)>& paintBase) {
    const int savedState = ::SaveDC(dc);
    if (look.font) ::SelectObject(dc, look.font);
    ::SetROP2(dc, R2_COPYPEN);
    if (paintBase) {
        paintBase(dc);
        if (look.font) ::SelectObject(dc, look.font);
    }
    switch (look.backGroundEffect) {
    case bdFlat: PaintFlat(dc, look); break;
    case bdUp: PaintLinear(dc, look, table, 0); break;
    case bdDown: PaintLinear(dc, look, table, 1); break;
    case bdLeft: PaintLinear(dc, look, table, 2); break;
    case bdRight: PaintLinear(dc, look, table, 3); break;
    case bdHorzIn: PaintMirrored(dc, look, table, false, false); break;
    case bdHorzOut: PaintMirrored(dc, look, table, true, false); break;
    case bdVertIn: PaintMirrored(dc, look, table, false, true); break;
    case bdVertOut: PaintMirrored(dc, look, table, true, true); break;
    case bdStretchImage:
    case bdTileImage: PaintBitmap(dc, look); break;
    }
    PaintCaption(dc, look);
    PaintFrame(dc, look);
    // Hands the DC back as it came: font, text colour and alignment, pen.
    ::RestoreDC(dc, savedState);
}

LRESULT GradPanHitTest(int x, int y, int w, int h, int m, bool moveable) {
    if (!moveable) return HTNOWHERE;
    if (x < m && y < m) return HTTOPLEFT;
    if (x < m && h - y < m) return HTBOTTOMLEFT;
    if (x < m) return HTLEFT;
    if (w - x < m && y < m) return HTTOPRIGHT;
    if (w - x < m && h - y < m) return HTBOTTOMRIGHT;
    if (w - x < m) return HTRIGHT;
    if (y < m) return HTTOP;
    if (h - y < m) return HTBOTTOM;
    return HTCAPTION;
}

}  // namespace components
