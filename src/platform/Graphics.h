#pragma once
// Colours and fonts as the windows describe them.
#include <windows.h>

#include <string>

#include "platform/ScopedHandle.h"

namespace platform {

// 0x00BBGGRR for an RGB colour, or 0x80000000 plus a system colour index.
using Color = DWORD;
constexpr Color SystemColor(int index) { return 0x80000000u | static_cast<DWORD>(index); }
constexpr Color clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr Color clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr Color clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr Color clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr Color clWhite = RGB(255, 255, 255);
constexpr Color clBlack = RGB(0, 0, 0);
constexpr Color clGray = RGB(128, 128, 128);
constexpr Color clSilver = RGB(192, 192, 192);

// The colour to draw with: system colour references are looked up now.
COLORREF ResolveColor(Color color);

// The resolution the windows are designed at: their places, sizes and font heights are pixels
// at 96 dots per inch, and the toolkit scales them to the DPI of the window they are on.
constexpr int kDesignDpi = 96;
inline int ScaleForDpi(int designed, int dpi) { return ::MulDiv(designed, dpi, kDesignDpi); }

// Fills rect with a solid colour, taken as it stands; an empty rectangle draws nothing.
void FillSolid(HDC dc, const RECT& rect, COLORREF color);

struct FontDescription {
    std::string name = "MS Sans Serif";
    int height = -11;  // pixels; negative: character height
    Color color = clWindowText;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    BYTE charset = DEFAULT_CHARSET;  // the set of the system's code page

    bool operator==(const FontDescription&) const = default;
};

// A font description (its height as designed, at 96 DPI) with its GDI font made on first use
// at the height for the DPI it is shown at.
class Font {
public:
    Font() = default;
    explicit Font(FontDescription description) : description_(std::move(description)) {}
    Font(const Font& other) : description_(other.description_), dpi_(other.dpi_) {}
    Font& operator=(const Font& other) {
        if (this != &other) {
            Assign(other.description_);
            dpi_ = other.dpi_;
        }
        return *this;
    }

    const FontDescription& Description() const { return description_; }
    void Assign(const FontDescription& description) {
        description_ = description;
        handle_.Reset();
    }
    Color TextColor() const { return description_.color; }
    void SetColor(Color color) { description_.color = color; }  // the colour is not part of the GDI font
    void SetHeight(int height) { description_.height = height; handle_.Reset(); }
    // Points as a negative character height at the designed resolution.
    void SetSize(int points);
    int Dpi() const { return dpi_; }
    void SetDpi(int dpi) {
        if (dpi == dpi_) return;
        dpi_ = dpi;
        handle_.Reset();
    }

    HFONT Handle() const;

private:
    FontDescription description_;
    int dpi_ = kDesignDpi;
    mutable ScopedFont handle_;
};

}  // namespace platform
