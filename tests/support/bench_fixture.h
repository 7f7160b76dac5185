// A whole bench for tests: every panel loaded, toolbar and tab sheets built,
// Init_System run, every instrument at its start-up values; no event loop.
// Popups are answered from the test-seam queues and the clock is manual.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "shell/bench.h"
#include "ui/testseam.h"

class BenchTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A fresh temporary folder for this test's files.
    std::string TempDir();

private:
    std::string tempDir_;
};
