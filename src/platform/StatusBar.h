#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "platform/ControlBase.h"

namespace platform {

// The system's status bar. It paints its texts over a picture of itself without texts, taken
// once per size and look: the system's own painting of the bar (themed, it scales images) costs
// many times drawing a line of text, and an install changes the text once per file.
class StatusBar : public WinControl {
public:
    explicit StatusBar(WinControl* parent);
    // The designed widths of the panels (the last one reaches the edge).
    void SetPanelWidths(const std::vector<int>& widths);
    void SetPanelText(int index, const std::string& text);
    std::string PanelText(int index) const;
    void PlaceAt(int left, int top, int width, int height) override;
    // The bar keeps the system's font, also when the toolkit's fonts are made anew.
    void FontChanged() override { Invalidate(); }
    // Nothing to do when the bar painted itself since the last text change (the system's bar
    // may paint a new text at once, or leave it for later).
    void Update() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Has the bar paint itself without texts into background_; false when it cannot be had.
    bool TakeBackground();
    bool OwnPaintFits() const;
    // Whether the bar's texts are drawn here, over its picture (taken now if need be).
    bool PaintsOwnTexts();
    // The picture, then the texts over it, within area of dc.
    void DrawOverBackground(HDC dc, const RECT& area);
    // Tells the bar the texts it shows (SetPanelText draws them without telling it).
    void SendTexts();

    std::vector<int> widths_;
    std::vector<std::string> texts_;
    ScopedBitmap background_;
    std::vector<RECT> partRects_;  // where each part's text goes, as the bar placed it
    HFONT barFont_ = nullptr;      // the bar's own font (it owns it)
    bool takingBackground_ = false;
    bool paintedSinceText_ = false;
    bool textsUnsent_ = false;
};

}  // namespace platform
