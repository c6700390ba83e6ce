// A test on a freshly reset simulated machine that must leave no handle open.
#pragma once

#include "os/sim/Machine.h"

#include <gtest/gtest.h>

class SimTest : public ::testing::Test {
protected:
    void SetUp() override { machine.Reset(); }
    void TearDown() override { EXPECT_EQ(machine.OpenHandleCount(), 0u) << "a handle was left open"; }

    os::sim::Machine& machine = os::sim::TheMachine();
};
