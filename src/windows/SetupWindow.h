#pragma once
// The setup window's look: its controls and their designed places. What its buttons do lives
// with the setup driver (TMainForm in setup/Main.h), which derives from this.
#include <memory>

#include "components/AdvancedLabel.h"
#include "platform/Forms.h"

namespace windows {

// The destination the setup window offers when no earlier installation is known.
inline constexpr char kDefaultFolder[] = "C:\\Program Files\\Vorna\\";

class TSetupWindow : public platform::Form {
public:
    TSetupWindow();

    std::unique_ptr<platform::Button> InstallButon;
    std::unique_ptr<platform::Button> CloseButton;
    std::unique_ptr<platform::StatusBar> StatusBar;
    std::unique_ptr<platform::GroupBox> FolderBox;
    std::unique_ptr<platform::Button> BrowseButton;
    std::unique_ptr<platform::Label> PathEdit;  // a label: the folder changes only through Browse
    std::unique_ptr<components::TAdvancedLabel> AboutLabel;
    std::unique_ptr<platform::Label> CopyrightLabel;
    std::unique_ptr<platform::GroupBox> LicenseBox;
    std::unique_ptr<platform::Memo> LicenseMemo;
    std::unique_ptr<platform::Label> VersionLabel;
    std::unique_ptr<platform::Image> LogoImage;
    std::unique_ptr<platform::Label> TextLabel;

protected:
    void BuildControls() override;
};

}  // namespace windows
