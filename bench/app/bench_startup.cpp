// Start-up time of the bench: the real start-up (Bench_Main) from the start
// of the process to the scope panel first drawn, with the splash's
// required second taken out, then the program quits.  Each start-up step is
// printed with its wall-clock and processor time (the processor time of the
// whole process varies far less than the wall clock on a loaded machine).
// Runs on the display it is given (xvfb-run for a
// real X server), offscreen when there is none.
//
//   xvfb-run -a build-*/bench/bench_startup [repeats]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/bench.h"

#include <unistd.h>

namespace
{

using Clock = std::chrono::steady_clock;

Clock::time_point mainStart;
double stepAt[16];
double cpuAt[16];
double drawnAt = -1.0, drawnCpu = -1.0;

// Processor time of the whole process so far (every thread), in ms: on a
// shared machine it varies far less than the wall clock.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

double Since(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Milliseconds the process had run when main began (dynamic loading and
// static constructors), from /proc: the process start in clock ticks since
// boot against the system's uptime.
double ProcessAgeMs()
{
    std::ifstream stat("/proc/self/stat"), up("/proc/uptime");
    std::string text;
    std::getline(stat, text);
    const std::size_t paren = text.rfind(')');
    if (paren == std::string::npos)
        return 0.0;
    std::istringstream fields(text.substr(paren + 2));
    std::string field;
    unsigned long long start = 0;
    for (int i = 3; i <= 22 && fields >> field; ++i)
        if (i == 22)
            start = std::stoull(field);
    double uptime = 0.0;
    up >> uptime;
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    const double age = (uptime - static_cast<double>(start) / ticks) * 1000.0;
    return age > 0.0 ? age : 0.0;
}

void Step(int step)
{
    if (step >= 0 && step < 16) {
        stepAt[step] = Since(mainStart);
        cpuAt[step] = CpuMs();
    }
    if (step == 12) {
        // The scope panel is shown: let it paint, then leave.
        ProcessDrawEvents();
        drawnAt = Since(mainStart);
        drawnCpu = CpuMs();
        QuitUserInterface(0);
    }
}

} // namespace

int main(int argc, char **argv)
{
    mainStart = Clock::now();
    const double before = ProcessAgeMs();
    const double cpuBefore = CpuMs();
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char configDir[] = "/tmp/korvax-startup-XXXXXX";
    if (mkdtemp(configDir))
        setenv("XDG_CONFIG_HOME", configDir, 1);
    for (double &t : stepAt)
        t = -1.0;
    benchStartupHook = Step;
    char name[] = "korvax-bench";
    char *args[] = {name, nullptr};
    (void)argc;
    (void)argv;
    if (Bench_Main(1, args) != 0 || drawnAt < 0.0) {
        std::fprintf(stderr, "the bench did not start\n");
        return 1;
    }
    const double splash = stepAt[4] - stepAt[3]; // the splash's required second
    std::printf("                                  wall clock   processor\n");
    std::printf("process start to main:           %8.1f ms  %8.1f ms\n", before, cpuBefore);
    std::printf("main to splash shown (step 3):   %8.1f ms  %8.1f ms\n", stepAt[3], cpuAt[3] - cpuBefore);
    std::printf("splash's required second:        %8.1f ms  %8.1f ms (not counted)\n", splash,
                cpuAt[4] - cpuAt[3]);
    std::printf("instruments loaded (step 8):     %8.1f ms  %8.1f ms\n", stepAt[8] - stepAt[4], cpuAt[8] - cpuAt[4]);
    std::printf("Init_System (step 9):            %8.1f ms  %8.1f ms\n", stepAt[9] - stepAt[8], cpuAt[9] - cpuAt[8]);
    std::printf("scope panel shown (step 12):     %8.1f ms  %8.1f ms\n", stepAt[12] - stepAt[9],
                cpuAt[12] - cpuAt[9]);
    std::printf("scope panel drawn:               %8.1f ms  %8.1f ms\n", drawnAt - stepAt[12], drawnCpu - cpuAt[12]);
    std::printf("start-up to the first drawn scope panel, less the splash's second: %.1f ms (target: at most 300); "
                "processor time %.1f ms\n",
                before + drawnAt - splash, drawnCpu - (cpuAt[4] - cpuAt[3]));
    return 0;
}
