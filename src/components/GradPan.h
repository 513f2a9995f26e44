#pragma once
// GradPan: a panel that paints a 100-band gradient, a flat colour or a bitmap, its caption
// with a relief effect and an optional quarter-turn rotation, and its bevels on top.
//
// The drawing itself lives in free functions that work on any device context, so that it
// can be checked pixel by pixel in a memory bitmap; TGradPan feeds them its properties.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Controls.h"

namespace components {

enum TDirection : std::uint8_t {
    bdFlat, bdStretchImage, bdTileImage, bdUp, bdDown, bdLeft, bdRight,
    bdHorzIn, bdHorzOut, bdVertIn, bdVertOut
};
enum TVertAlign : std::uint8_t { vlTop, vlCenter, VlBottom };
enum TTextEffect : std::uint8_t { tenone, teShadow, teRaised, teLowered, teEmbossed };
enum TTextRotation : std::uint8_t { trNone, TrUp, TrDown };

using ColorTable = std::array<COLORREF, 100>;

// 100 entries from `from` towards `to`; entry 99 is one step short of `to`. The step is a
// double and the sum is worked in 80-bit extended precision, which decides the last digit
// of several entries. System colour references are read as their low three bytes.
void BuildGradient(ColorTable& table, COLORREF from, COLORREF to);

// First (inclusive) and last (exclusive) coordinate of band i of 100 over `extent` pixels.
inline int BandStart(int i, int extent) { return ::MulDiv(i, extent, 100); }

// Everything the painter reads.
struct GradPanLook {
    int width = 185;
    int height = 41;
    std::string caption;
    HFONT font = nullptr;                  // the panel's font (not owned)
    COLORREF fontColor = 0x80000008;       // window text
    platform::TextAlignment alignment = platform::TextAlignment::Center;
    platform::BevelCut bevelOuter = platform::BevelCut::Raised;
    platform::BevelCut bevelInner = platform::BevelCut::None;
    int bevelWidth = 1;
    int borderWidth = 0;
    COLORREF color = 0x8000000F;           // button face
    TDirection backGroundEffect = bdVertIn;
    COLORREF colorStart = RGB(0, 128, 128);
    COLORREF colorEnd = RGB(255, 255, 255);
    COLORREF colorShadow = RGB(128, 128, 128);
    bool ctl3D = false;
    TTextEffect textEffect = teShadow;
    TTextRotation textRotation = trNone;
    TVertAlign vertAlign = vlCenter;
    HBITMAP bitmap = nullptr;              // the panel's picture (not owned)
    int dpi = platform::kDesignDpi;        // the caption's margins and offsets are designed at 96 DPI
};

// Where the caption goes and which SetTextAlign mode puts it there.
struct CaptionAnchor {
    int x = 0;
    int y = 0;
    UINT textAlign = TA_LEFT | TA_TOP;
};
// textHeight is the height of "^_" in the panel's unrotated font.
CaptionAnchor ComputeCaptionAnchor(const GradPanLook& look, int textHeight);

// The whole paint: selects the font, lets the standard panel paint (paintBase, may be
// empty), then background, caption passes and frame.
void PaintGradPan(HDC dc, const GradPanLook& look, ColorTable& table,
                  const std::function<void(HDC)>& paintBase);

// The pieces, in paint order.
void PaintFlat(HDC dc, const GradPanLook& look);
void PaintLinear(HDC dc, const GradPanLook& look, ColorTable& table, int k);
void PaintMirrored(HDC dc, const GradPanLook& look, ColorTable& table, bool reverse, bool vertical);
void PaintBitmap(HDC dc, const GradPanLook& look);
void PaintCaption(HDC dc, const GradPanLook& look);
void PaintFrame(HDC dc, const GradPanLook& look);

// Draws text at (x, y) turned by angle degrees with the DC's current font, colour and text
// alignment. Only the first 255 characters are drawn.
void DrawRotatedText(HDC dc, int x, int y, int angle, const std::string& text);

// The answer to WM_NCHITTEST at client point (x, y) of a panel width x height.
LRESULT GradPanHitTest(int x, int y, int width, int height, int marge, bool moveable);

// The panel itself. Setters of the look repaint before they return, changed or not. Its
// properties are the panel's whole interface as a component; the setup sets only some of them
// (the picture, Ctl3D and TextRotation setters have no caller here and stay all the same).
class TGradPan : public platform::Panel {
public:
    explicit TGradPan(platform::WinControl* parent);
    ~TGradPan() override = default;

    // The panel's own picture (50 x 50 with a black outline at first). Writing copies the
    // given picture; after drawing on the returned bitmap call BitmapChanged.
    HBITMAP Bitmap() const { return bitmap_.Get(); }
    void SetBitmap(HBITMAP picture);
    // Repaints when the picture is what the panel shows.
    void BitmapChanged();

    TDirection BackGroundEffect() const { return backGroundEffect_; }
    void SetBackGroundEffect(TDirection value);
    COLORREF ColorEnd() const { return colorEnd_; }
    void SetColorEnd(COLORREF value);
    COLORREF ColorShadow() const { return colorShadow_; }
    void SetColorShadow(COLORREF value);
    COLORREF ColorStart() const { return colorStart_; }
    void SetColorStart(COLORREF value);
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);
    TTextEffect TextEffect() const { return textEffect_; }
    void SetTextEffect(TTextEffect value);
    TTextRotation TextRotation() const { return textRotation_; }
    void SetTextRotation(TTextRotation value);
    TVertAlign VertAlign() const { return vertAlign_; }
    void SetVertAlign(TVertAlign value);

    int Marge = 6;
    std::function<void(TGradPan* sender)> OnPanelMove;
    bool Moveable = false;

    // The last gradient painted.
    const ColorTable& Colors() const { return colorTable_; }
    // What the painter is given.
    GradPanLook Look() const;

    void Paint(HDC dc) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    // The caption's place follows the look (alignment, rotation, effects): all of it repaints.
    RECT CaptionArea() override { return ClientRect(); }

private:
    platform::ScopedBitmap bitmap_;
    TDirection backGroundEffect_ = bdVertIn;
    COLORREF colorEnd_ = RGB(255, 255, 255);
    COLORREF colorShadow_ = RGB(128, 128, 128);
    COLORREF colorStart_ = RGB(0, 128, 128);
    bool ctl3D_ = false;
    TTextEffect textEffect_ = teShadow;
    TTextRotation textRotation_ = trNone;
    TVertAlign vertAlign_ = vlCenter;
    ColorTable colorTable_{};
};

}  // namespace components
