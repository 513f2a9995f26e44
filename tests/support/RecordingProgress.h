#pragma once
// A progress report that keeps every text shown, in order, for the test to compare.
#include <string>
#include <vector>

#include "setup/Progress.h"

namespace testing_support {

class RecordingProgress final : public setup::ProgressReport {
public:
    void ShowProgress(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

}  // namespace testing_support
