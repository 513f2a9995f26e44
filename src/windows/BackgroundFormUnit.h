#pragma once
// TBackgroundForm: the maximised backdrop behind the setup window, and the program's main
// window (the program ends when it closes).
#include <memory>

#include "components/GradPan.h"
#include "platform/Forms.h"

namespace windows {

// Sent to the setup window each time the backdrop is shown: "come to the front".
constexpr UINT WM_SHOWSETUPWINDOW = WM_USER + 257;  // 0x501

class TBackgroundForm : public platform::Form {
public:
    TBackgroundForm();

    // The setup window, asked to come to the front whenever the backdrop is shown.
    platform::Form* SetupWindow = nullptr;

    std::unique_ptr<platform::Label> CopyrightLabel;
    // Made by FormCreate; fills the window.
    std::unique_ptr<components::TGradPan> Backdrop;

    void FormCreate();
    void FormShow();
    void FormCloseQuery(bool& canClose);

protected:
    void BuildControls() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

}  // namespace windows
