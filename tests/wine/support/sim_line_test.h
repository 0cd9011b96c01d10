#pragma once
// The fixture of the tests on the simulated line: its shared state is attached and reset
// before each test and reset after it, so no test sees another's entries, calls or knobs.
#include <gtest/gtest.h>

#include "sim_control.h"

namespace qv::testing {

class SimLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim::Attach()) << "the simulated line's shared state";
        sim::Reset();
    }
    void TearDown() override { sim::Reset(); }
};

}  // namespace qv::testing
