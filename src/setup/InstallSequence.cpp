#include "platform/SystemUi.h"
#include "setup/Main.h"

namespace setup {

void TMainForm::InstallButonClick() {
    // The install sequence arrives with the archive, copy and service steps.
}

void TMainForm::BrowseButtonClick() {
    BrowseFolder->PathEdit->SetText(PathEdit->Caption());
    if (BrowseFolder->ShowModal() == platform::mrOk) PathEdit->SetCaption(BrowseFolder->PathEdit->Text());
}

void TMainForm::CloseButtonClick() {
    if (platform::ShowMessage("Do you wish to cancel this installation?", "Exit Setup", platform::kQuestionBox) ==
        IDYES)
        platform::EndProgram(0);
}

}  // namespace setup
