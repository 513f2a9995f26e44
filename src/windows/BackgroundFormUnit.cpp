#include "windows/BackgroundFormUnit.h"

#include "platform/SystemUi.h"

namespace windows {

TBackgroundForm::TBackgroundForm() : Form("TBackgroundForm") {
    caption_ = "VORNA Mail Server Setup";
    SetClientSize(350, 223);
    Border = platform::BorderStyle::Thin;
    SystemMenu = true;
    MinimizeBox = true;
    MaximizeBox = false;  // the system menu's Maximize is greyed
    State = platform::WindowState::Maximized;
    VisibleAtCreation = false;
    OnCreate = [this] { FormCreate(); };
    OnShow = [this] { FormShow(); };
    OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
}

void TBackgroundForm::FormCreate() {}

void TBackgroundForm::FormShow() {
    if (SetupWindow && SetupWindow->Handle()) ::PostMessageA(SetupWindow->Handle(), WM_SHOWSETUPWINDOW, 0, 0);
}

void TBackgroundForm::FormCloseQuery(bool& canClose) {
    canClose = platform::ShowMessage("Do you wish to cancel this installation?", "Exit Setup",
                                     platform::kQuestionBox) == IDYES;
}

bool TBackgroundForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message != WM_NCHITTEST) return false;
    // The title bar acts as client area: the backdrop cannot be dragged or restored by it.
    result = DefaultProc(message, wParam, lParam);
    if (result == HTCAPTION) result = HTCLIENT;
    return true;
}

}  // namespace windows
