#pragma once
// Checks on what a setup step returns.
#include <gtest/gtest.h>

#include <string>

#include "setup/Steps.h"

namespace testing_support {

// The step failed with the "Error" box (OK, error icon, task-modal) showing text.
inline void ExpectErrorBox(const setup::StepResult& result, const std::string& text) {
    EXPECT_FALSE(result.done);
    EXPECT_EQ(result.box.text, text);
    EXPECT_EQ(result.box.caption, "Error");
    EXPECT_EQ(result.box.flags, 0x2010u);
}

// The step went through; otherwise the box it would show says why.
inline void ExpectDone(const setup::StepResult& result) { EXPECT_TRUE(result.done) << result.box.text; }

}  // namespace testing_support
