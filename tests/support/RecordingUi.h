#pragma once
// Test side of the message-box / end-of-program seam: records every box, answers from a
// script, and turns the end of the program into an exception the test can catch.
#include <deque>
#include <string>
#include <vector>

#include "platform/SystemUi.h"

namespace testing_support {

struct RecordedBox {
    std::string text;
    std::string caption;
    unsigned flags = 0;
};

// Thrown where the program would end; carries the exit code.
struct ProgramEnded {
    unsigned exitCode;
};

class RecordingUi final : public platform::SystemUi {
public:
    RecordingUi() { platform::SetUi(this); }
    ~RecordingUi() override { platform::SetUi(nullptr); }

    // Answers for the next boxes, in order; when the script runs out, IDOK for OK boxes
    // and IDNO for questions.
    void Answer(int button) { answers_.push_back(button); }

    int MessageBox(const std::string& text, const std::string& caption, UINT flags) override;
    [[noreturn]] void EndProgram(UINT exitCode) override;

    const std::vector<RecordedBox>& Boxes() const { return boxes_; }
    bool Ended() const { return ended_; }

private:
    std::deque<int> answers_;
    std::vector<RecordedBox> boxes_;
    bool ended_ = false;
};

}  // namespace testing_support
