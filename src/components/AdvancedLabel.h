#pragma once
// AdvancedLabel: a text label drawn with a one-pixel highlight and/or shadow copy around the
// text and, optionally, a trail of repeated copies that makes the text look extruded.
//
// The drawing works on any device context (PaintLabel3D) so that it can be checked pixel by
// pixel; TAdvancedLabel feeds it the label's properties.
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/Controls.h"

namespace components {

enum TFont3DStyle : std::uint8_t { fsInset, fsOnlyHighlight, fsOnlyShadow, fsOutLineShadow, fsRaised };
enum TFont3DRepeat : std::uint8_t { frNone, frOnHighLight, frOnShadow };

// The 3D settings of one label. Changes show at the label's next repaint.
class TFont3D {
public:
    bool Enabled() const { return enabled_; }
    TFont3DStyle Style() const { return style_; }
    COLORREF Highlight() const { return highlight_; }
    COLORREF Shadow() const { return shadow_; }
    TFont3DRepeat Repetition() const { return repetition_; }
    COLORREF RepetitionColor() const { return repetitionColor_; }
    int RepetitionWidth() const { return repetitionWidth_; }

    void SetEnabled(bool value) { enabled_ = value; }
    void SetStyle(TFont3DStyle value) { style_ = value; }
    // The three colours share one setter: 0 Highlight, 1 Shadow, 2 RepetitionColor.
    void SetColor(int index, COLORREF value);
    void SetHighlight(COLORREF value) { SetColor(0, value); }
    void SetShadow(COLORREF value) { SetColor(1, value); }
    void SetRepetitionColor(COLORREF value) { SetColor(2, value); }
    void SetRepetition(TFont3DRepeat value) { repetition_ = value; }
    void SetRepetitionWidth(int value) { repetitionWidth_ = value; }

    // Copies the seven settings.
    void Assign(const TFont3D& other);

private:
    int repetitionWidth_ = 0;
    TFont3DStyle style_ = fsOutLineShadow;
    TFont3DRepeat repetition_ = frNone;
    bool enabled_ = true;
    COLORREF repetitionColor_ = 0xFFFFFF;
    COLORREF highlight_ = 0x808080;
    COLORREF shadow_ = 0xFFFFFF;
};

// Everything the label painter reads.
struct LabelLook {
    RECT client{0, 0, 0, 0};
    std::string caption;
    HFONT font = nullptr;              // not owned
    COLORREF fontColor = 0x80000008;   // window text
    COLORREF color = 0x8000000F;       // button face
    bool transparent = false;
    platform::TextAlignment alignment = platform::TextAlignment::LeftJustify;
    platform::TextLayout layout = platform::TextLayout::Top;
    bool wordWrap = false;
    bool showAccelChar = true;
    bool enabled = true;
    int dpi = platform::kDesignDpi;    // offsets and the trail's depth are designed at 96 DPI
};

// Draws the label (fill, effect layers, main text) into dc.
void PaintLabel3D(HDC dc, const LabelLook& look, const TFont3D& font3D);

// Draws, or with DT_CALCRECT in flags measures, the caption with its effect in rect; the
// rectangle ends where the main text stood.
void DoDrawText3D(HDC dc, const LabelLook& look, const TFont3D& font3D, RECT& rect, UINT flags);

// A label drawn with its 3D settings. While it is being built (until Loaded) caption
// changes do not grow it; Loaded sizes it once, and each later caption change again.
class TAdvancedLabel : public platform::Label {
public:
    explicit TAdvancedLabel(platform::WinControl* parent);

    TFont3D& Font3D() { return font3D_; }
    const TFont3D& Font3D() const { return font3D_; }
    // Copies the seven settings and repaints. Part of the label's interface as a component,
    // though the setup itself changes the settings in place.
    void SetFont3D(const TFont3D& settings);

    void SetCaption(const std::string& caption) override;
    void FontChanged() override;
    // Ends the building: sizes the label (plain text extent, then the trail's room).
    void Loaded();

    void Paint(HDC dc) override;
    LabelLook Look() const;

private:
    // Room for the trail on both sides: width and height grow by 2 x RepetitionWidth.
    void AdjustBounds3D();

    TFont3D font3D_;
    bool loading_ = true;
};

}  // namespace components
