#pragma once
// TBrowseFolder: the modal "Choose Folder" dialog in which the user picks the destination.
#include <memory>

#include "platform/Forms.h"

namespace windows {

class TBrowseFolder : public platform::Form {
public:
    TBrowseFolder();

    std::unique_ptr<platform::Edit> PathEdit;
    std::unique_ptr<platform::Button> OKButton;
    std::unique_ptr<platform::Button> CancelButton;

    void FormShow();

protected:
    void BuildControls() override;
};

}  // namespace windows
