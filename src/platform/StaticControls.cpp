#include "platform/StaticControls.h"

#include <algorithm>

namespace platform {
namespace {

// Draws the raised or lowered edge of a rectangle, width pixels deep, and shrinks it.
void Frame3D(HDC dc, RECT& rect, COLORREF topLeft, COLORREF bottomRight, int width) {
    for (int i = 0; i < width; ++i) {
        FillSolid(dc, {rect.left, rect.top, rect.right - 1, rect.top + 1}, topLeft);
        FillSolid(dc, {rect.left, rect.top, rect.left + 1, rect.bottom - 1}, topLeft);
        FillSolid(dc, {rect.right - 1, rect.top, rect.right, rect.bottom}, bottomRight);
        FillSolid(dc, {rect.left, rect.bottom - 1, rect.right, rect.bottom}, bottomRight);
        ::InflateRect(&rect, -1, -1);
    }
}

}  // namespace

void DrawTextIn(HDC dc, const Font& font, const std::string& text, RECT& rect, UINT flags, Color color) {
    ScopedSelectObject select(dc, font.Handle());
    ::SetTextColor(dc, ResolveColor(color));
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
}

// ---- Label ----

Label::Label(WinControl* parent, const char* className) : GraphicControl(parent, className) {}

void Label::SetCaption(const std::string& caption) {
    WinControl::SetCaption(caption);
    AdjustBounds();
    Invalidate();
}

void Label::SetFocusControl(WinControl* control) {
    focusControl_ = control;
    if (!control || !control->Handle() || !handle_ || control->Parent() != parent_) return;
    const HWND above = ::GetWindow(control->Handle(), GW_HWNDPREV);
    if (above == handle_) return;
    ::SetWindowPos(handle_, above ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

char Label::Mnemonic() const {
    if (!ShowAccelChar) return 0;
    for (size_t i = 0; i + 1 < caption_.size(); ++i) {
        if (caption_[i] != '&') continue;
        if (caption_[i + 1] != '&') {
            char letter = caption_[i + 1];
            ::CharLowerBuffA(&letter, 1);
            return letter;
        }
        ++i;  // "&&" is a plain "&"
    }
    return 0;
}

void Label::FontChanged() {
    AdjustBounds();
    Invalidate();
}

UINT Label::TextFlags() const {
    UINT flags = DT_EXPANDTABS;
    if (WordWrap) flags |= DT_WORDBREAK;
    if (Alignment == TextAlignment::RightJustify) flags |= DT_RIGHT;
    if (Alignment == TextAlignment::Center) flags |= DT_CENTER;
    return flags;
}

void Label::DoDrawText(HDC dc, RECT& rect, UINT flags) {
    std::string text = caption_;
    if ((flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar && text == "&"))) text += ' ';
    if (!ShowAccelChar) flags |= DT_NOPREFIX;
    if (!enabled_) {
        ::OffsetRect(&rect, 1, 1);
        DrawTextIn(dc, font_, text, rect, flags, clBtnHighlight);
        ::OffsetRect(&rect, -1, -1);
        DrawTextIn(dc, font_, text, rect, flags, clBtnShadow);
    } else {
        DrawTextIn(dc, font_, text, rect, flags, font_.TextColor());
    }
}

void Label::AdjustBounds() {
    if (!AutoSize) return;
    ScopedGetDc screen(nullptr);
    RECT rect{0, 0, WordWrap ? width_ : 0, 0};
    Label::DoDrawText(screen.Get(), rect, TextFlags() | DT_CALCRECT);
    int left = left_;
    if (Alignment == TextAlignment::RightJustify) left = left_ + width_ - rect.right;
    PlaceAt(left, top_, rect.right, rect.bottom);
}

void Label::Paint(HDC dc) {
    RECT rect{0, 0, width_, height_};
    if (!Transparent) FillSolid(dc, rect, ResolveColor(color_));
    UINT flags = TextFlags();
    if (Layout != TextLayout::Top) {
        RECT measured = rect;
        DoDrawText(dc, measured, flags | DT_CALCRECT);
        int offset = height_ - measured.bottom;
        if (Layout == TextLayout::Center) offset /= 2;
        ::OffsetRect(&rect, 0, offset);
    }
    DoDrawText(dc, rect, flags);
}

// ---- Image ----

void Image::SetIconResource(int id) {
    iconId_ = id;
    LoadIconResource();
    Invalidate();
}

void Image::LoadIconResource() {
    if (iconId_ == 0) return;
    icon_.Reset(static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId_), IMAGE_ICON,
                                                width_, height_, LR_DEFAULTCOLOR)));
}

void Image::DpiChanged() {
    WinControl::DpiChanged();
    LoadIconResource();
}

void Image::Paint(HDC dc) {
    if (icon_) ::DrawIconEx(dc, 0, 0, icon_.Get(), width_, height_, 0, nullptr, DI_NORMAL);
}

// ---- Panel ----

Panel::Panel(WinControl* parent, const char* className) : WinControl(parent) {
    RegisterOwnClass(className, CS_DBLCLKS, "Static");
    width_ = 185;
    height_ = 41;
    CreateHandle(className, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

RECT Panel::AlignRect() const {
    RECT area = ClientRect();
    int inset = BorderWidth;
    if (BevelOuter != BevelCut::None) inset += BevelWidth;
    if (BevelInner != BevelCut::None) inset += BevelWidth;
    ::InflateRect(&area, -inset, -inset);
    return area;
}

void Panel::SetCaption(const std::string& caption) {
    if (handle_ && caption == caption_) return;
    WinControl::SetCaption(caption);  // the window text too, for automation and screen readers
    if (!handle_) return;
    // Screen readers read the new text (the system does not tell them of every window text).
    ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, handle_, OBJID_CLIENT, CHILDID_SELF);
    // Drawn at once rather than invalidated and painted through the window system, which under
    // Wine costs many times as much; the install sets a new caption once per file.
    DrawNow(CaptionArea());
}

void Panel::FontChanged() {
    lineHeight_ = -1;
    WinControl::FontChanged();
    Invalidate();
}

int Panel::LineHeight() {
    if (lineHeight_ < 0) {
        ScopedGetDc screen(nullptr);
        ScopedSelectObject select(screen.Get(), font_.Handle());
        TEXTMETRICA metrics{};
        if (::GetTextMetricsA(screen.Get(), &metrics)) lineHeight_ = metrics.tmHeight;
    }
    return std::max(lineHeight_, 0);
}

RECT Panel::CaptionArea() {
    RECT band = AlignRect();
    int lineHeight = LineHeight();
    band.top = (band.bottom + band.top - lineHeight) / 2;
    band.bottom = band.top + lineHeight;
    return band;
}

void Panel::Paint(HDC dc) { PaintStandard(dc); }

void Panel::PaintStandard(HDC dc) {
    RECT rect = ClientRect();
    COLORREF highlight = ResolveColor(clBtnHighlight);
    COLORREF shadow = ResolveColor(clBtnShadow);
    if (BevelOuter != BevelCut::None) {
        bool raised = BevelOuter == BevelCut::Raised;
        Frame3D(dc, rect, raised ? highlight : shadow, raised ? shadow : highlight, BevelWidth);
    }
    Frame3D(dc, rect, ResolveColor(color_), ResolveColor(color_), BorderWidth);
    if (BevelInner != BevelCut::None) {
        bool raised = BevelInner == BevelCut::Raised;
        Frame3D(dc, rect, raised ? highlight : shadow, raised ? shadow : highlight, BevelWidth);
    }
    FillSolid(dc, rect, ResolveColor(color_));
    // One line of text in the vertical middle, placed by Alignment, clipped at the edges.
    RECT band = Panel::CaptionArea();
    UINT flags = DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE;
    if (Alignment == TextAlignment::Center) flags |= DT_CENTER;
    if (Alignment == TextAlignment::RightJustify) flags |= DT_RIGHT;
    DrawTextIn(dc, font_, caption_, band, flags, font_.TextColor());
}

}  // namespace platform
