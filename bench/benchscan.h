#ifndef BENCH_BENCHSCAN_H
#define BENCH_BENCHSCAN_H

// What the benchmarks that run Kestrune share: a generated PTX scan and a timed conversion.

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace benchscan {

// A closed room seen from its centre: iColumns x iRows cells with colours and intensities,
// column by column as a scanner writes them.
inline std::string makePTX(const std::string& iPath, int iColumns, int iRows)
{
    std::ofstream out(iPath, std::ios::binary | std::ios::trunc);
    out << iColumns << "\n" << iRows << "\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n";
    char buffer[128];
    for (int c = 0; c < iColumns; ++c) {
        const double azimuth = c * 6.283185307179586 / iColumns;
        for (int r = 0; r < iRows; ++r) {
            const double elevation = -0.8 + 1.6 * r / iRows;
            const double range = 5.0 + 2.0 * std::sin(azimuth * 3.0) * std::cos(elevation * 2.0);
            const double x = range * std::cos(elevation) * std::cos(azimuth);
            const double y = range * std::cos(elevation) * std::sin(azimuth);
            const double z = range * std::sin(elevation);
            const int n = std::snprintf(buffer, sizeof buffer, "%.6f %.6f %.6f %.6f %d %d %d\n", x, y, z,
                                        0.2 + 0.6 * r / iRows, (c * 7) % 256, (r * 3) % 256, (c + r) % 256);
            out.write(buffer, n);
        }
    }
    return iPath;
}

// A benchmark's command line, [program] [columns] [rows], and a new folder under /tmp named after
// it that holds the scan as scan.ptx (folder empty when it cannot be made).
struct Setup
{
    std::string program;
    int columns = 0;
    int rows = 0;
    std::string folder;
};

inline Setup makeSetup(int argc, char* argv[], const std::string& iName, const char* iProgram, int iColumns,
                       int iRows)
{
    Setup setup;
    setup.program = argc > 1 ? argv[1] : iProgram;
    setup.columns = argc > 2 ? std::atoi(argv[2]) : iColumns;
    setup.rows = argc > 3 ? std::atoi(argv[3]) : iRows;
    std::string folder = "/tmp/" + iName + "-XXXXXX";
    if (mkdtemp(&folder[0]) == nullptr)
        return setup;
    makePTX(folder + "/scan.ptx", setup.columns, setup.rows);
    setup.folder = folder;
    return setup;
}

struct Run
{
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
};

// Kestrune on one file at voxel resolution 4 and sampling pitch 1, its output discarded.
inline Run runConverter(const std::string& iProgram, const std::string& iInput, const std::string& iOutput)
{
    Run run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        execl(iProgram.c_str(), iProgram.c_str(), iInput.c_str(), iOutput.c_str(), "4", "1", (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    struct rusage usage = {};
    wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKiB = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace benchscan

#endif
