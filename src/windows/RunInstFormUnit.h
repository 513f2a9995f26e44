#pragma once
// TRunForm: the small "Processing..." window that shows the install's current step. The user
// cannot close it; the install closes it after its last step.
#include <memory>

#include "platform/Forms.h"

namespace windows {

class TRunForm : public platform::Form {
public:
    TRunForm();

    std::unique_ptr<platform::Panel> BackPanel;
    // The answer to every close request; set by the install once it has finished.
    bool AllowClose = false;

    void FormCloseQuery(bool& canClose);

protected:
    void BuildControls() override;
};

}  // namespace windows
