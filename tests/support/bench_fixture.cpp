#include "support/bench_fixture.h"

#include <cstdlib>
#include <filesystem>

void BenchTest::SetUp()
{
    testseam::Enable(true);
    testseam::Reset();
    testseam::SetClockMs(1000000);
    // Each test has its own configuration folder, so no default setup file
    // written by one test is read by the next.
    const std::string config = TempDir() + "/config";
    std::filesystem::create_directories(config);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    captureRoutines = kDefaultCaptureRoutines;
    setupWriteLine = WriteLine;
    benchStartupHook = nullptr;
    BenchState_Reset();
    Scope_Reset();
    Generator_Reset();
    Meters_Reset();
    Digital_Reset();
    ASSERT_EQ(Bench_Open(), 0);
    Init_System();
}

void BenchTest::TearDown()
{
    Bench_Close();
    captureRoutines = kDefaultCaptureRoutines;
    setupWriteLine = WriteLine;
    EXPECT_EQ(testseam::Failures(), 0) << "a dialog was shown without a queued answer";
    if (!tempDir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(tempDir_, ec);
    }
}

std::string BenchTest::TempDir()
{
    if (tempDir_.empty()) {
        char tmpl[] = "/tmp/korvax-case-XXXXXX";
        if (const char *dir = mkdtemp(tmpl))
            tempDir_ = dir;
    }
    return tempDir_;
}
