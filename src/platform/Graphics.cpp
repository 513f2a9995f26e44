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

void Font::SetSize(int points) { SetHeight(-::MulDiv(points, kDesignDpi, 72)); }

namespace {

LOGFONTA LogicalFont(const FontDescription& description, int height) {
    LOGFONTA logFont{};
    logFont.lfHeight = height;
    logFont.lfWeight = description.bold ? FW_BOLD : FW_NORMAL;
    logFont.lfItalic = description.italic;
    logFont.lfUnderline = description.underline;
    logFont.lfCharSet = description.charset;
    logFont.lfOutPrecision = OUT_DEFAULT_PRECIS;
    logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    logFont.lfQuality = DEFAULT_QUALITY;
    logFont.lfPitchAndFamily = DEFAULT_PITCH;
    lstrcpynA(logFont.lfFaceName, description.name.c_str(), LF_FACESIZE);
    return logFont;
}

bool Measure(HFONT font, TEXTMETRICA& metrics) {
    ScopedGetDc screen(nullptr);
    if (!screen.Get() || !font) return false;
    ScopedSelectObject select(screen.Get(), font);
    return ::GetTextMetricsA(screen.Get(), &metrics) != FALSE;
}

// The scalable face drawn like a raster one, for sizes the raster face does not come in.
const char* ScalableCounterpart(const std::string& face) {
    return ::lstrcmpiA(face.c_str(), "MS Sans Serif") == 0 ? "Microsoft Sans Serif" : face.c_str();
}

}  // namespace

HFONT Font::Handle() const {
    if (handle_) return handle_.Get();
    LOGFONTA logFont = LogicalFont(description_, ScaleForDpi(description_.height, dpi_));
    handle_.Reset(::CreateFontIndirectA(&logFont));
    if (dpi_ == kDesignDpi) return handle_.Get();
    // A raster face comes in a few cell heights only ("MS Sans Serif": 13 and 16 px), and the
    // system gives the nearest one, which would leave the text behind as the window grows.
    // Where the face has no cell near the designed one scaled, the scalable counterpart takes
    // over at that cell height.
    TEXTMETRICA scaled{};
    if (!Measure(handle_.Get(), scaled) || (scaled.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE))) return handle_.Get();
    const LOGFONTA designedFont = LogicalFont(description_, description_.height);
    ScopedFont designed(::CreateFontIndirectA(&designedFont));
    TEXTMETRICA atDesign{};
    if (!Measure(designed.Get(), atDesign)) return handle_.Get();
    const int cell = ScaleForDpi(atDesign.tmHeight, dpi_);
    if (scaled.tmHeight >= cell - 1 && scaled.tmHeight <= cell + 1) return handle_.Get();
    logFont.lfHeight = cell;  // positive: the cell height
    logFont.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    lstrcpynA(logFont.lfFaceName, ScalableCounterpart(description_.name), LF_FACESIZE);
    if (HFONT scalable = ::CreateFontIndirectA(&logFont)) handle_.Reset(scalable);
    return handle_.Get();
}

}  // namespace platform
