#include "Surface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace testing_support {

namespace {
COLORREF FromDib(DWORD v) { return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF); }
DWORD ToDib(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
}  // namespace

Surface::Surface(int width, int height, COLORREF background)
    : width_(width), height_(height), dc_(::CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.Reset(::CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc_ || !bitmap_ || !bits) {
        std::fprintf(stderr, "cannot create a DIB section\n");
        std::abort();
    }
    bits_ = static_cast<DWORD*>(bits);
    previous_ = ::SelectObject(dc_.Get(), bitmap_.Get());
    Fill(background);
}

Surface::~Surface() { ::SelectObject(dc_.Get(), previous_); }

COLORREF Surface::Pixel(int x, int y) const {
    ::GdiFlush();
    return FromDib(bits_[y * width_ + x]);
}

void Surface::SetPixel(int x, int y, COLORREF color) {
    ::GdiFlush();
    bits_[y * width_ + x] = ToDib(color);
}

void Surface::Fill(COLORREF color) {
    ::GdiFlush();
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = ToDib(color);
}

std::vector<COLORREF> Surface::Pixels() const {
    ::GdiFlush();
    std::vector<COLORREF> out(static_cast<size_t>(width_) * height_);
    for (size_t i = 0; i < out.size(); ++i) out[i] = FromDib(bits_[i]);
    return out;
}

Mask Difference(const std::vector<COLORREF>& base, const std::vector<COLORREF>& painted, int width) {
    Mask mask;
    for (size_t i = 0; i < base.size(); ++i)
        if (base[i] != painted[i]) mask.emplace_back(static_cast<int>(i) % width, static_cast<int>(i) / width);
    return mask;
}

std::vector<COLORREF> Compose(std::vector<COLORREF> base, int width, int height, const Mask& mask,
                              const std::vector<Layer>& layers) {
    for (const Layer& layer : layers)
        for (auto [x, y] : mask) {
            const int px = x + layer.dx;
            const int py = y + layer.dy;
            if (px >= 0 && py >= 0 && px < width && py < height) base[py * width + px] = layer.color & 0xFFFFFF;
        }
    return base;
}

std::string DescribeDifferences(const std::vector<COLORREF>& expected, const std::vector<COLORREF>& actual,
                                int width) {
    int count = 0;
    std::string text;
    for (size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] == actual[i]) continue;
        if (++count <= 5) {
            char line[96];
            std::snprintf(line, sizeof line, "(%d,%d) expected %06lX got %06lX; ", static_cast<int>(i) % width,
                          static_cast<int>(i) / width, expected[i], actual[i]);
            text += line;
        }
    }
    return std::to_string(count) + " pixels differ: " + text;
}

HFONT CreateCrispFont(const char* face, int height, bool bold) {
    return ::CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, face);
}

void RequireDisplay() {
    if (::GetSystemMetrics(SM_CXSCREEN) <= 0) {
        std::fprintf(stderr, "No display: these tests need an X server (DISPLAY) under Wine.\n");
        std::exit(2);
    }
}

}  // namespace testing_support
