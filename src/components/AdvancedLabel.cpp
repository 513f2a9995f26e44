// TAdvancedLabel: the label window around the 3D text painter.
#include "components/AdvancedLabel.h"

namespace components {

TAdvancedLabel::TAdvancedLabel(platform::WinControl* parent) : Label(parent, "TAdvancedLabel") {}

void TAdvancedLabel::SetFont3D(const TFont3D& settings) {
    font3D_.Assign(settings);
    Repaint();
}

void TAdvancedLabel::SetCaption(const std::string& caption) {
    Label::SetCaption(caption);
    if (!loading_) AdjustBounds3D();
}

void TAdvancedLabel::FontChanged() {
    Label::FontChanged();
    if (!loading_) AdjustBounds3D();
}

void TAdvancedLabel::Loaded() {
    loading_ = false;
    AdjustBounds();
    AdjustBounds3D();
    Invalidate();
}

void TAdvancedLabel::AdjustBounds3D() {
    // Only on top of the automatic size: a label of fixed size would otherwise grow anew
    // with every caption change.
    if (!AutoSize) return;
    const int grow = 2 * Scale(font3D_.RepetitionWidth());
    PlaceAt(left_, top_, width_ + grow, height_ + grow);
}

LabelLook TAdvancedLabel::Look() const {
    LabelLook look;
    look.client = RECT{0, 0, width_, height_};
    look.caption = caption_;
    look.font = font_.Handle();
    look.fontColor = font_.TextColor();
    look.color = color_;
    look.transparent = Transparent;
    look.alignment = Alignment;
    look.layout = Layout;
    look.wordWrap = WordWrap;
    look.showAccelChar = ShowAccelChar;
    look.enabled = enabled_;
    look.dpi = Dpi();
    return look;
}

void TAdvancedLabel::Paint(HDC dc) { PaintLabel3D(dc, Look(), font3D_); }

}  // namespace components
