// Test main for everything built on the runtime: headless Qt, test seams on
// (popups answered from queues, manual clock), and a private configuration
// folder so no test touches the user's settings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ui/testseam.h"
#include "ui/userint.h"

#include <unistd.h>

// The system's font library keeps a small cache for the life of the process;
// the leak checker of sanitizer builds is told to pass over it.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char tmpl[] = "/tmp/korvax-test-XXXXXX";
    const char *dir = mkdtemp(tmpl);
    if (dir)
        setenv("XDG_CONFIG_HOME", dir, 1);
    ::testing::InitGoogleTest(&argc, argv);
    if (!InitRuntime(argc, argv))
        return 2;
    testseam::Enable(true);
    const int rc = RUN_ALL_TESTS();
    if (dir) {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    return rc;
}
