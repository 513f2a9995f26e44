#include "RecordingUi.h"

namespace testing_support {

int RecordingUi::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
    boxes_.push_back({text, caption, flags});
    if (!answers_.empty()) {
        int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    return (flags & MB_YESNO) ? IDNO : IDOK;
}

void RecordingUi::EndProgram(UINT exitCode) {
    ended_ = true;
    throw ProgramEnded{exitCode};
}

}  // namespace testing_support
