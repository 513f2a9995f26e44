#pragma once
// How the setup steps report what they are doing. The setup window implements it
// (the "Processing..." window and its status bar); tests record it.
#include <string>

namespace setup {

class ProgressReport {
public:
    virtual ~ProgressReport() = default;
    virtual void ShowProgress(const std::string& text) = 0;
};

}  // namespace setup
