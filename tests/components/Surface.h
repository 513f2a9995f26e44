#pragma once
// A 32-bit DIB section to paint into through the real GDI and read back pixel by pixel,
// plus the layering arithmetic the text tests compare against.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/ScopedHandle.h"

namespace testing_support {

class Surface {
public:
    Surface(int width, int height, COLORREF background = RGB(10, 20, 30));
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    HDC Dc() const { return dc_.Get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF Pixel(int x, int y) const;
    void SetPixel(int x, int y, COLORREF color);
    void Fill(COLORREF color);
    std::vector<COLORREF> Pixels() const;

private:
    int width_;
    int height_;
    platform::ScopedMemoryDc dc_;
    platform::ScopedBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
    DWORD* bits_ = nullptr;
};

using Mask = std::vector<std::pair<int, int>>;
struct Layer {
    int dx;
    int dy;
    COLORREF color;
};

// The pixels where `painted` differs from `base`.
Mask Difference(const std::vector<COLORREF>& base, const std::vector<COLORREF>& painted, int width);
// base with each layer's copy of mask stamped on, in order (pixels outside are dropped).
std::vector<COLORREF> Compose(std::vector<COLORREF> base, int width, int height, const Mask& mask,
                              const std::vector<Layer>& layers);
// Number of differing pixels, and a short description of the first few.
std::string DescribeDifferences(const std::vector<COLORREF>& expected, const std::vector<COLORREF>& actual,
                                int width);

// A font that draws without smoothing, so copies of a text are exact pixel shifts.
HFONT CreateCrispFont(const char* face, int height, bool bold = false);

// Fails the test program at once when no window station / display is usable.
void RequireDisplay();

}  // namespace testing_support
