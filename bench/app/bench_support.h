// Shared start of the in-process benchmarks: the runtime headless with the
// test seams on (no dialog can block), a private configuration folder, and
// the whole bench loaded and initialised as at start-up.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "shell/bench.h"
#include "ui/testseam.h"

#include <unistd.h>

// Opens the bench once per process; later calls report the first outcome.
inline bool OpenBench(const char *programName)
{
    static int state = 0; // 0 not tried, 1 ready, -1 failed
    if (state != 0)
        return state > 0;
    state = -1;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static char configDir[] = "/tmp/korvax-bench-XXXXXX";
    if (mkdtemp(configDir))
        setenv("XDG_CONFIG_HOME", configDir, 1);
    static int argc = 1;
    static char name[64];
    std::snprintf(name, sizeof name, "%s", programName);
    static char *argv[] = {name, nullptr};
    if (!InitRuntime(argc, argv))
        return false;
    testseam::Enable(true);
    if (Bench_Open() != 0)
        return false;
    Init_System();
    DisplayPanel(panelScope);
    state = 1;
    return true;
}
