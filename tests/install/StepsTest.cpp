// The step runner: steps run in order up to the first failure, and the end shows that
// failure's box, or the closing one, and ends the program.
#include <gtest/gtest.h>

#include "RecordingUi.h"
#include "setup/Steps.h"

namespace {

using testing_support::ProgramEnded;
using testing_support::RecordingUi;

TEST(Steps, TheFirstFailureStopsTheListAndItsBoxIsTheLastOne) {
    std::vector<std::string> ran;
    auto step = [&ran](const char* name, bool ok) {
        return setup::Step{name, [&ran, name, ok] {
                               ran.push_back(name);
                               return ok ? setup::Done() : setup::Failed(std::string(name) + " failed");
                           }};
    };
    setup::StepResult outcome = setup::RunSteps({step("A", true), step("B", false), step("C", false)});
    EXPECT_EQ(ran, (std::vector<std::string>{"A", "B"}));
    EXPECT_FALSE(outcome.done);
    EXPECT_EQ(outcome.step, "B");

    const setup::EndBox closing{"All done.", "Information", MB_OK | MB_ICONINFORMATION | MB_TASKMODAL};
    RecordingUi ui;
    EXPECT_THROW(setup::EndSetup(outcome, closing), ProgramEnded);
    EXPECT_THROW(setup::EndSetup(setup::RunSteps({step("D", true)}), closing), ProgramEnded);
    EXPECT_THROW(setup::EndSetup(), ProgramEnded);
    ASSERT_EQ(ui.Boxes().size(), 2u);  // the silent end shows none
    EXPECT_EQ(ui.Boxes()[0].text, "B failed");
    EXPECT_EQ(ui.Boxes()[0].caption, "Error");
    EXPECT_EQ(ui.Boxes()[0].flags, 0x2010u);
    EXPECT_EQ(ui.Boxes()[1].text, "All done.");
    EXPECT_EQ(ui.Boxes()[1].flags, 0x2040u);
}

}  // namespace
