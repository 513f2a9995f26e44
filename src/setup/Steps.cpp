#include "setup/Steps.h"

#include "platform/SystemUi.h"

namespace setup {

StepResult Failed(std::string text) { return {false, {std::move(text), "Error", platform::kErrorBox}, {}}; }

StepResult RunSteps(std::initializer_list<Step> steps) {
    for (const Step& step : steps) {
        StepResult result = step.run();
        if (!result.done) {
            result.step = step.name;
            return result;
        }
    }
    return Done();
}

void EndSetup(const StepResult& outcome, const EndBox& closing) {
    const EndBox& box = outcome.done ? closing : outcome.box;
    if (!box.text.empty()) platform::ShowMessage(box.text, box.caption, box.flags);
    EndSetup();
}

void EndSetup() { platform::EndProgram(0); }

}  // namespace setup
