#include "setup/Steps.h"

#include "platform/SystemUi.h"
#include "setup/RunLog.h"

namespace setup {

StepResult Failed(std::string text) { return {false, {std::move(text), "Error", platform::kErrorBox}, {}}; }

StepResult RunSteps(std::initializer_list<Step> steps) {
    for (const Step& step : steps) {
        Log().Line(std::string(step.name) + ": started");
        const DWORD start = ::GetTickCount();
        StepResult result = step.run();
        Log().Line(std::string(step.name) + (result.done ? ": done" : ": failed") + " after " +
                   std::to_string(::GetTickCount() - start) + " ms");
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
    platform::EndProgram(outcome.done ? 0 : outcome.exitCode);
}

void EndSetup() { platform::EndProgram(0); }

}  // namespace setup
