#include "windows/BackgroundFormUnit.h"

#include "platform/SystemUi.h"
#include "windows/LicenseText.h"

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

void TBackgroundForm::BuildControls() {
    // No maximise button: its system-menu item is greyed from the start.
    ::EnableMenuItem(::GetSystemMenu(handle_, FALSE), SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);

    CopyrightLabel = std::make_unique<platform::Label>(this);
    CopyrightLabel->AutoSize = false;
    CopyrightLabel->Alignment = platform::TextAlignment::RightJustify;
    CopyrightLabel->SetTransparent(true);
    CopyrightLabel->GetFont().Assign({"MS Sans Serif", -11, platform::clWhite});
    CopyrightLabel->SetBounds(0, 210, 350, 13);
    CopyrightLabel->SetCaption(std::string(kCopyrightLine) + " ");
    CopyrightLabel->SetAlign(platform::Align::Bottom);
}

void TBackgroundForm::FormCreate() {
    using namespace components;
    Backdrop = std::make_unique<TGradPan>(this);
    Backdrop->SetAlign(platform::Align::Client);
    Backdrop->SetCaption(" VORNA SMTP/ESMTP/POP3/IMAP4 Server 2.10.255");
    Backdrop->GetFont().SetColor(platform::clWhite);
    Backdrop->GetFont().SetSize(12);
    Backdrop->FontChanged();
    Backdrop->Alignment = platform::TextAlignment::LeftJustify;
    Backdrop->Repaint();
    Backdrop->SetVertAlign(vlTop);
    Backdrop->SetTextEffect(teShadow);
    Backdrop->SetColorShadow(RGB(0, 0, 0));
    Backdrop->SetBackGroundEffect(bdUp);
    Backdrop->SetColorStart(RGB(0, 0, 255));
    Backdrop->SetColorEnd(RGB(0, 0, 0));
    // The line keeps its bottom alignment, now inside the panel's bevel.
    CopyrightLabel->SetParent(Backdrop.get());
}

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
