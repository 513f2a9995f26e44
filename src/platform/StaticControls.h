#pragma once
// The controls that show and take no input of their own: labels, images and panels.
#include <windows.h>

#include <string>

#include "platform/ControlBase.h"

namespace platform {

// A text label: caption, font, alignment, layout, word wrap, accelerator prefix, autosize.
class Label : public GraphicControl {
public:
    explicit Label(WinControl* parent, const char* className = "TLabel");
    void SetCaption(const std::string& caption) override;
    void FontChanged() override;
    void Paint(HDC dc) override;

    TextAlignment Alignment = TextAlignment::LeftJustify;
    TextLayout Layout = TextLayout::Top;
    bool WordWrap = false;
    bool ShowAccelChar = true;
    bool Transparent = false;
    bool AutoSize = true;
    // The control the label's mnemonic (Alt and its underlined letter) moves the focus to. The
    // label goes just before it in z-order, where screen readers look for a control's name.
    WinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(WinControl* control);
    // The letter after the single "&" of the caption (lower case), or 0.
    char Mnemonic() const;
    void SetTransparent(bool transparent) { Transparent = transparent; Invalidate(); }
    bool ShowsParentBeneath() const override { return Transparent; }

    // Resizes to the caption's extent when AutoSize is on; runs after every caption change.
    virtual void AdjustBounds();
    // Draws (or with DT_CALCRECT measures) the caption: the standard look.
    virtual void DoDrawText(HDC dc, RECT& rect, UINT flags);
    UINT TextFlags() const;

private:
    WinControl* focusControl_ = nullptr;
};

// A picture; to screen readers a graphic named by its caption.
class Image : public GraphicControl {
public:
    explicit Image(WinControl* parent) : GraphicControl(parent, "TImage", SS_ICON | SS_REALSIZECONTROL) {}
    // An icon of the program's resources, loaded at the image's size in pixels (the frame of
    // the icon nearest to it), and again when the DPI changes.
    void SetIconResource(int id);
    HICON Icon() const { return icon_.Get(); }
    void Paint(HDC dc) override;
    void DpiChanged() override;

private:
    void LoadIconResource();
    int iconId_ = 0;
    ScopedIcon icon_;
};

class Panel : public WinControl {
public:
    explicit Panel(WinControl* parent, const char* className = "TPanel");
    // A new caption repaints only where the caption shows; the same caption again does nothing.
    void SetCaption(const std::string& caption) override;
    void FontChanged() override;
    bool PaintsItself() const override { return true; }
    // Inside the border and the bevels.
    RECT AlignRect() const override;
    // Draws the whole panel; the standard look is bevels, border, fill and caption.
    void Paint(HDC dc) override;
    void PaintStandard(HDC dc);

    TextAlignment Alignment = TextAlignment::Center;
    BevelCut BevelOuter = BevelCut::Raised;
    BevelCut BevelInner = BevelCut::None;
    int BevelWidth = 1;
    int BorderWidth = 0;

protected:
    // What a change of caption repaints: the one-line band in the vertical middle inside the
    // border and the bevels, where the standard look draws it.
    virtual RECT CaptionArea();

private:
    int LineHeight();
    int lineHeight_ = -1;  // of the font as last measured; -1: measure again
};

// Draws a text in a rectangle with the control's font and colour (shared by labels and panels).
void DrawTextIn(HDC dc, const Font& font, const std::string& text, RECT& rect, UINT flags, Color color);

}  // namespace platform
