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

// The character set of the ANSI code page. Asked for a face by name with DEFAULT_CHARSET,
// the system gives that face in its own set ("MS Sans Serif" is Western only), and the
// double-byte texts of a Japanese or Chinese system show as Western letters; asked for the
// system's set, it gives the face or one that stands in for it with those characters.
BYTE SystemCharset() {
    CHARSETINFO info{};
    const UINT codePage = ::GetACP();
    if (!::TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(codePage)), &info, TCI_SRCCODEPAGE))
        return DEFAULT_CHARSET;
    return static_cast<BYTE>(info.ciCharset);
}

LOGFONTA LogicalFont(const FontDescription& description, int height) {
    LOGFONTA logFont{};
    logFont.lfHeight = height;
    logFont.lfWeight = description.bold ? FW_BOLD : FW_NORMAL;
    logFont.lfItalic = description.italic;
    logFont.lfUnderline = description.underline;
    logFont.lfCharSet = description.charset == DEFAULT_CHARSET ? SystemCharset() : description.charset;
    logFont.lfOutPrecision = OUT_DEFAULT_PRECIS;
    logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    logFont.lfQuality = DEFAULT_QUALITY;
    // The design's faces are all proportional sans-serif ones: said so, a stand-in with the
    // system's characters is one like them (a fixed-pitch one is wider, and cuts the texts).
    logFont.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    lstrcpynA(logFont.lfFaceName, description.name.c_str(), LF_FACESIZE);
    return logFont;
}

// The height of the font's cell and the face the system gave for it.
bool Measure(HFONT font, TEXTMETRICA& metrics, std::string* face = nullptr) {
    ScopedGetDc screen(nullptr);
    if (!screen.Get() || !font) return false;
    ScopedSelectObject select(screen.Get(), font);
    if (face) {
        char name[LF_FACESIZE] = {};
        ::GetTextFaceA(screen.Get(), sizeof name, name);
        *face = name;
    }
    return ::GetTextMetricsA(screen.Get(), &metrics) != FALSE;
}

// The scalable face drawn like a raster one, for sizes the raster face does not come in.
std::string ScalableCounterpart(const std::string& face) {
    return ::lstrcmpiA(face.c_str(), "MS Sans Serif") == 0 ? "Microsoft Sans Serif" : face;
}

}  // namespace

HFONT Font::Handle() const {
    if (handle_) return handle_.Get();
    const LOGFONTA designed = LogicalFont(description_, description_.height);
    if (dpi_ == kDesignDpi) {
        handle_.Reset(::CreateFontIndirectA(&designed));
        return handle_.Get();
    }
    // The lines of text grow as the controls do. The design's heights are character heights,
    // and its lines (the cells of its face, "MS Sans Serif") are 13/11 of them: 13 px for
    // -11, what the controls are sized for. The face is asked for that cell height, scaled
    // (a raster face cannot be measured as designed here: at a higher DPI the system gives
    // its larger set). A raster face has a few cell heights only (13 and 16 px, no larger);
    // where it has none within a pixel below, its scalable counterpart takes over.
    const int designedCell = description_.height < 0 ? (-description_.height * 13 + 10) / 11 : description_.height;
    const int cell = ScaleForDpi(designedCell, dpi_);
    LOGFONTA scaled = designed;
    scaled.lfHeight = cell;  // positive: the cell height
    handle_.Reset(::CreateFontIndirectA(&scaled));
    TEXTMETRICA metrics{};
    if (Measure(handle_.Get(), metrics) && metrics.tmHeight >= cell - 1 && metrics.tmHeight <= cell) return handle_.Get();
    // A scalable face of the same name where there is one, else the one drawn like it, else
    // the system's dialog face; should none be there, the system's choice of a scalable face.
    scaled.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    for (const std::string& face : {description_.name, ScalableCounterpart(description_.name), std::string("Tahoma")}) {
        lstrcpynA(scaled.lfFaceName, face.c_str(), LF_FACESIZE);
        handle_.Reset(::CreateFontIndirectA(&scaled));
        std::string given;
        if (Measure(handle_.Get(), metrics, &given) && (metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) &&
            ::lstrcmpiA(given.c_str(), face.c_str()) == 0)
            break;
    }
    return handle_.Get();
}

}  // namespace platform
