#include "windows/BrowseUnit.h"

namespace windows {

TBrowseFolder::TBrowseFolder() : Form("TBrowseFolder") {
    caption_ = "Choose Folder";
    SetClientSize(250, 266);
    Border = platform::BorderStyle::Dialog;
    VisibleAtCreation = false;
    OnShow = [this] { FormShow(); };
}

void TBrowseFolder::BuildControls() {
    PathEdit = std::make_unique<platform::Edit>(this);
    PathEdit->SetBounds(16, 48, 216, 21);
    OKButton = std::make_unique<platform::Button>(this);
    OKButton->SetCaption("&OK");
    OKButton->SetBounds(162, 96, 75, 23);
    OKButton->ModalResult = platform::mrOk;
    OKButton->SetDefault(true);
    CancelButton = std::make_unique<platform::Button>(this);
    CancelButton->SetCaption("&Cancel");
    CancelButton->SetBounds(162, 126, 75, 25);
    CancelButton->ModalResult = platform::mrCancel;
}

void TBrowseFolder::FormShow() {
    PathEdit->SelectAll();
    PathEdit->SetFocus();
}

}  // namespace windows
