#include "windows/RunInstFormUnit.h"

namespace windows {

TRunForm::TRunForm() : Form("TRunForm") {
    caption_ = "Processing...";
    SetClientSize(323, 45);
    Border = platform::BorderStyle::Single;
    SystemMenu = false;  // minimise and maximise are asked for, but without a system menu none shows
    MinimizeBox = true;
    MaximizeBox = true;
    StayOnTop = true;
    VisibleAtCreation = false;
    OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
}

void TRunForm::BuildControls() {
    BackPanel = std::make_unique<platform::Panel>(this);
    BackPanel->BevelOuter = platform::BevelCut::None;
    BackPanel->SetCaption("");
    BackPanel->SetBounds(0, 0, 323, 45);
    BackPanel->SetAlign(platform::Align::Client);
}

void TRunForm::FormCloseQuery(bool& canClose) { canClose = AllowClose; }

}  // namespace windows
