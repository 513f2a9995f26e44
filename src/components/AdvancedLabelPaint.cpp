// The three-dimensional label's drawing, independent of any window.
#include <windows.h>

#include <algorithm>

#include "components/AdvancedLabel.h"
#include "platform/ScopedHandle.h"

namespace components {

using platform::ResolveColor;
using platform::TextAlignment;
using platform::TextLayout;

void TFont3D::SetColor(int index, COLORREF value) {
    switch (index) {
    case 0: highlight_ = value; break;
    case 1: shadow_ = value; break;
    case 2: repetitionColor_ = value; break;
    default: break;
    }
}

void TFont3D::Assign(const TFont3D& other) {
    enabled_ = other.enabled_;
    style_ = other.style_;
    highlight_ = other.highlight_;
    shadow_ = other.shadow_;
    repetition_ = other.repetition_;
    repetitionColor_ = other.repetitionColor_;
    repetitionWidth_ = other.repetitionWidth_;
}

namespace {

// The number of trail copies. Negative widths draw none, and the count is bounded by what
// the painter has ever counted (16 bits), so a wild value cannot stall the repaint for long.
int TrailCount(int repetitionWidth) { return std::clamp(repetitionWidth, 0, 0xFFFF); }

}  // namespace

void DoDrawText3D(HDC dc, const LabelLook& look, const TFont3D& font3D, RECT& rect, UINT flags) {
    std::string text = look.caption;
    // An empty label still measures one line high.
    if ((flags & DT_CALCRECT) && (text.empty() || (look.showAccelChar && text == "&"))) text += ' ';
    if (!look.showAccelChar) flags |= DT_NOPREFIX;
    platform::ScopedSelectObject font(dc, look.font ? static_cast<HGDIOBJ>(look.font)
                                                     : ::GetStockObject(DEFAULT_GUI_FONT));
    const int length = static_cast<int>(text.size());
    // The copies' offset (1 px as designed) and the trail's depth grow with the DPI; the trail
    // still steps one pixel at a time, so it stays solid.
    const int unit = std::max(1, platform::ScaleForDpi(1, look.dpi));
    auto drawAt = [&](int dx, int dy, COLORREF color) {
        ::OffsetRect(&rect, dx, dy);
        ::SetTextColor(dc, ResolveColor(color));
        ::DrawTextA(dc, text.data(), length, &rect, flags);
    };
    // A copy that leaves the rectangle where it was.
    auto copyAt = [&](int dx, int dy, COLORREF color) {
        drawAt(dx, dy, color);
        ::OffsetRect(&rect, -dx, -dy);
    };

    if (!look.enabled) {
        drawAt(unit, unit, 0x80000014);    // button highlight
        drawAt(-unit, -unit, 0x80000010);  // button shadow
        return;
    }
    if (font3D.Enabled()) {
        const int n = TrailCount(platform::ScaleForDpi(font3D.RepetitionWidth(), look.dpi));
        if (font3D.Repetition() == frOnHighLight) {
            for (int i = 0; i < n; ++i) drawAt(1, 1, font3D.RepetitionColor());
        } else if (font3D.Repetition() == frOnShadow) {
            for (int i = 0; i < n; ++i) drawAt(1, 1, font3D.RepetitionColor());
            ::OffsetRect(&rect, -n, -n);
        }
        switch (font3D.Style()) {
        case fsInset:
            copyAt(-unit, -unit, font3D.Highlight());
            copyAt(unit, unit, font3D.Shadow());
            break;
        case fsOnlyHighlight:
            copyAt(-unit, -unit, font3D.Highlight());
            break;
        case fsOnlyShadow:
            copyAt(unit, unit, font3D.Shadow());
            break;
        case fsOutLineShadow:
            copyAt(-unit, -unit, font3D.Shadow());
            copyAt(-unit, unit, font3D.Shadow());
            copyAt(unit, -unit, font3D.Shadow());
            copyAt(unit, unit, font3D.Shadow());
            break;
        case fsRaised:
            copyAt(-unit, -unit, font3D.Shadow());
            copyAt(unit, unit, font3D.Highlight());
            break;
        }
    }
    drawAt(0, 0, look.fontColor);
}

void PaintLabel3D(HDC dc, const LabelLook& look, const TFont3D& font3D) {
    const int savedState = ::SaveDC(dc);
    if (!look.transparent) platform::FillSolid(dc, look.client, ResolveColor(look.color));
    ::SelectObject(dc, ::GetStockObject(HOLLOW_BRUSH));
    ::SetBkMode(dc, TRANSPARENT);

    RECT rect = look.client;
    UINT flags = DT_EXPANDTABS;
    if (look.wordWrap) flags |= DT_WORDBREAK;
    flags |= look.alignment == TextAlignment::RightJustify ? DT_RIGHT : look.alignment == TextAlignment::Center ? DT_CENTER : DT_LEFT;

    if (look.layout != TextLayout::Top) {
        RECT measured = look.client;
        DoDrawText3D(dc, look, font3D, measured, flags | DT_CALCRECT);
        // Keep the measured top, bottom and displacement, but not the measured width: a
        // right-aligned or centred caption must keep its horizontal place.
        const int dx = measured.left - look.client.left;
        rect = RECT{measured.left, measured.top, look.client.right + dx, measured.bottom};
        const int height = look.client.bottom - look.client.top;
        const int shift = look.layout == TextLayout::Bottom ? height - rect.bottom : (height - rect.bottom) / 2;
        ::OffsetRect(&rect, 0, shift);
    }
    DoDrawText3D(dc, look, font3D, rect, flags);
    ::RestoreDC(dc, savedState);
}

}  // namespace components
