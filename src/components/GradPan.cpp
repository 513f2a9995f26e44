// TGradPan: the panel window around the gradient painter.
#include "components/GradPan.h"

#include <windowsx.h>

namespace components {

using platform::ScopedGetDc;
using platform::ScopedMemoryDc;
using platform::ScopedSelectObject;

TGradPan::TGradPan(platform::WinControl* parent) : Panel(parent, "TGradPan") {
    // The default picture: 50 x 50 white, outlined in black on x 0 and 48, y 0 and 48.
    ScopedGetDc screen(nullptr);
    bitmap_.Reset(::CreateCompatibleBitmap(screen.Get(), 50, 50));
    if (bitmap_) {
        ScopedMemoryDc dc(::CreateCompatibleDC(screen.Get()));
        ScopedSelectObject picture(dc.Get(), bitmap_.Get());
        RECT all{0, 0, 50, 50};
        ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ScopedSelectObject pen(dc.Get(), ::GetStockObject(BLACK_PEN));
        ScopedSelectObject brush(dc.Get(), ::GetStockObject(WHITE_BRUSH));
        ::Rectangle(dc.Get(), 0, 0, 49, 49);
    }
}

void TGradPan::SetBitmap(HBITMAP picture) {
    HBITMAP copy = picture ? static_cast<HBITMAP>(::CopyImage(picture, IMAGE_BITMAP, 0, 0, 0)) : nullptr;
    bitmap_.Reset(copy);
    BitmapChanged();
}

void TGradPan::BitmapChanged() {
    if (backGroundEffect_ == bdStretchImage || backGroundEffect_ == bdTileImage) Repaint();
}

void TGradPan::SetBackGroundEffect(TDirection value) { backGroundEffect_ = value; Repaint(); }
void TGradPan::SetColorEnd(COLORREF value) { colorEnd_ = value; Repaint(); }
void TGradPan::SetColorShadow(COLORREF value) { colorShadow_ = value; Repaint(); }
void TGradPan::SetColorStart(COLORREF value) { colorStart_ = value; Repaint(); }
void TGradPan::SetCtl3D(bool value) { ctl3D_ = value; Repaint(); }
void TGradPan::SetTextEffect(TTextEffect value) { textEffect_ = value; Repaint(); }
void TGradPan::SetTextRotation(TTextRotation value) { textRotation_ = value; Repaint(); }
void TGradPan::SetVertAlign(TVertAlign value) { vertAlign_ = value; Repaint(); }

GradPanLook TGradPan::Look() const {
    GradPanLook look;
    const RECT client = ClientRect();
    look.width = client.right - client.left;
    look.height = client.bottom - client.top;
    look.caption = caption_;
    look.font = font_.Handle();
    look.fontColor = font_.TextColor();
    look.alignment = Alignment;
    look.bevelOuter = BevelOuter;
    look.bevelInner = BevelInner;
    look.bevelWidth = BevelWidth;
    look.borderWidth = BorderWidth;
    look.color = color_;
    look.backGroundEffect = backGroundEffect_;
    look.colorStart = colorStart_;
    look.colorEnd = colorEnd_;
    look.colorShadow = colorShadow_;
    look.ctl3D = ctl3D_;
    look.textEffect = textEffect_;
    look.textRotation = textRotation_;
    look.vertAlign = vertAlign_;
    look.bitmap = bitmap_.Get();
    look.dpi = Dpi();
    return look;
}

void TGradPan::Paint(HDC dc) {
    PaintGradPan(dc, Look(), colorTable_, [this](HDC surface) { PaintStandard(surface); });
}

LRESULT TGradPan::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCHITTEST: {
        // A fixed panel takes no mouse input; a moveable one is dragged by its inside and
        // sized by its edges.
        if (!Moveable) return HTNOWHERE;
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ScreenToClient(handle_, &point);
        const RECT client = ClientRect();
        return GradPanHitTest(point.x, point.y, client.right, client.bottom, Marge, Moveable);
    }
    case WM_MOVE:
        if (OnPanelMove) OnPanelMove(this);
        if (handle_ && parent_) {
            RECT window{};
            ::GetWindowRect(handle_, &window);
            ::MapWindowPoints(nullptr, parent_->Handle(), reinterpret_cast<POINT*>(&window), 2);
            left_ = window.left;
            top_ = window.top;
        }
        break;
    case WM_SIZE:
        width_ = LOWORD(lParam);
        height_ = HIWORD(lParam);
        break;
    default:
        break;
    }
    return Panel::WndProc(message, wParam, lParam);
}

}  // namespace components
