#pragma once
// The install and the uninstall are lists of named steps. A step does its work and returns
// its outcome: done, or the failure with the box that says why. RunSteps goes down a list and
// stops at the first failure; EndSetup is the one place where the setup shows its last box
// and ends, so a reader sees in the list where a sequence may stop.
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>

namespace setup {

// A message box: its text, caption and flags.
struct EndBox {
    std::string text;
    std::string caption;
    UINT flags = 0;
};

// What a step ends with. A failed step carries its box; RunSteps adds the step's name.
struct [[nodiscard]] StepResult {
    bool done = true;
    EndBox box;
    std::string step;
    // The exit code a failure ends the program with; 0 leaves it to the boxes shown.
    UINT exitCode = 0;
};

inline StepResult Done() { return {}; }
// A failure shown in the "Error" box (OK, error icon, task-modal).
StepResult Failed(std::string text);

struct Step {
    const char* name;
    std::function<StepResult()> run;
};

// Runs the steps in order up to the first that fails, and returns that one's result with its
// name; done when every step is.
StepResult RunSteps(std::initializer_list<Step> steps);

// Shows the failure's box, or closing when the outcome is done, then ends the program with
// the failure's exit code (0 unless it carries one).
[[noreturn]] void EndSetup(const StepResult& outcome, const EndBox& closing);
// Ends the program at once, without a box (exit code 0).
[[noreturn]] void EndSetup();

}  // namespace setup
