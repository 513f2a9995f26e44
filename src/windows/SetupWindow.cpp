#include "windows/SetupWindow.h"

#include "windows/LicenseText.h"

namespace windows {

TSetupWindow::TSetupWindow() : Form("TMainForm") {
    caption_ = "VORNA Mail Server Setup";
    SetClientSize(454, 329);
    Border = platform::BorderStyle::Single;
    SystemMenu = false;  // minimise is asked for, but without a system menu the caption shows no buttons
    MinimizeBox = true;
    MaximizeBox = false;
    StayOnTop = true;
    VisibleAtCreation = true;
}

void TSetupWindow::BuildControls() {
    using namespace platform;
    // Windowed controls are made in tab order, and Tab follows the designed order.
    InstallButon = std::make_unique<Button>(this);
    InstallButon->SetCaption("&Install");
    InstallButon->SetBounds(377, 257, 75, 23);
    InstallButon->SetDefault(true);
    InstallButon->SetTabOrder(0);

    CloseButton = std::make_unique<Button>(this);
    CloseButton->SetCaption("&Cancel");
    CloseButton->SetBounds(377, 284, 75, 23);
    CloseButton->SetTabOrder(1);

    StatusBar = std::make_unique<platform::StatusBar>(this);
    StatusBar->SetBounds(0, 310, 454, 19);
    StatusBar->SetPanelWidths({50});
    StatusBar->SetAlign(Align::Bottom);
    StatusBar->SetTabOrder(2);

    FolderBox = std::make_unique<GroupBox>(this);
    FolderBox->SetCaption("Destination Folder");
    FolderBox->SetBounds(2, 259, 370, 43);
    FolderBox->SetTabOrder(3);
    PathEdit = std::make_unique<Label>(FolderBox.get());
    PathEdit->SetBounds(6, 19, 118, 13);
    PathEdit->SetCaption(kDefaultFolder);
    BrowseButton = std::make_unique<Button>(FolderBox.get());
    BrowseButton->SetCaption("&Browse...");
    BrowseButton->SetBounds(288, 15, 75, 22);
    BrowseButton->SetTabOrder(0);

    LicenseBox = std::make_unique<GroupBox>(this);
    LicenseBox->SetCaption("Software License Agreement");
    LicenseBox->SetBounds(2, 70, 451, 181);
    LicenseBox->SetTabOrder(4);
    LicenseMemo = std::make_unique<Memo>(LicenseBox.get());
    LicenseMemo->SetBounds(7, 19, 437, 155);
    LicenseMemo->SetColor(clSilver);
    LicenseMemo->SetLines(LicenseLines());
    LicenseMemo->SetTabOrder(0);

    // The title: bold white text with a grey trail down and to the right, a grey
    // highlight above-left and a black shadow below-right.
    AboutLabel = std::make_unique<components::TAdvancedLabel>(this);
    AboutLabel->SetBounds(133, 9, 173, 28);
    AboutLabel->GetFont().Assign({"MS Sans Serif", -16, clWhite, true});
    AboutLabel->SetTransparent(true);
    components::TFont3D& title3D = AboutLabel->Font3D();
    title3D.SetEnabled(true);
    title3D.SetStyle(components::fsInset);
    title3D.SetHighlight(clGray);
    title3D.SetShadow(clBlack);
    title3D.SetRepetition(components::frOnShadow);
    title3D.SetRepetitionColor(clGray);
    title3D.SetRepetitionWidth(4);
    AboutLabel->SetCaption("VORNA Mail Server");
    AboutLabel->Loaded();

    // Kept at its designed box with the line centred in it; transparent so that it does
    // not cut off the bottom of the title's trail just above it.
    CopyrightLabel = std::make_unique<Label>(this);
    CopyrightLabel->AutoSize = false;
    CopyrightLabel->Alignment = TextAlignment::Center;
    CopyrightLabel->SetTransparent(true);
    CopyrightLabel->SetBounds(95, 32, 264, 13);
    CopyrightLabel->SetCaption(kCopyrightLine);

    VersionLabel = std::make_unique<Label>(this);
    VersionLabel->SetBounds(303, 15, 18, 13);
    VersionLabel->SetCaption("x.xx");

    LogoImage = std::make_unique<Image>(this);
    LogoImage->SetBounds(6, 9, 32, 32);
    LogoImage->SetIconResource(1);
    LogoImage->SetCaption("VORNA Mail Server logo");  // its name to screen readers

    TextLabel = std::make_unique<Label>(this);
    TextLabel->SetBounds(113, 47, 228, 13);
    TextLabel->SetCaption("A very powerful, fast and full featured mail server");
}

}  // namespace windows
