// Times Kestrune converting a generated 1,000 x 1,000 PTX scan with colours to .zrpcd and .zrpmd,
// and prints points per second and the converter's peak memory against the input size.
//   bench_kestrune [kestrune path] [columns] [rows]

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string FL_makeScan(const std::string& iPath, int iColumns, int iRows)
{
    std::ofstream out(iPath, std::ios::binary | std::ios::trunc);
    out << iColumns << "\n" << iRows << "\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n";
    std::string line;
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

struct FL_Run
{
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
};

FL_Run FL_runConverter(const std::string& iProgram, const std::string& iInput, const std::string& iOutput)
{
    FL_Run run;
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

} // namespace

int main(int argc, char* argv[])
{
    const std::string program = argc > 1 ? argv[1] : "bin/Kestrune";
    const int columns = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int rows = argc > 3 ? std::atoi(argv[3]) : 1000;
    char folder[] = "/tmp/kestrune-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string input = FL_makeScan(std::string(folder) + "/scan.ptx", columns, rows);
    struct stat info = {};
    stat(input.c_str(), &info);
    const double inputMiB = info.st_size / 1048576.0;
    const double points = double(columns) * rows;
    std::cout << "input: " << columns << " x " << rows << " PTX, " << inputMiB << " MiB" << std::endl;

    int failures = 0;
    for (const char* suffix : {"zrpcd", "zrpmd"}) {
        const std::string output = std::string(folder) + "/scan." + suffix;
        const FL_Run run = FL_runConverter(program, input, output);
        const double peakMiB = run.peakKiB / 1024.0;
        std::cout << suffix << ": exit " << run.status << ", " << run.seconds << " s, " << points / run.seconds / 1e6
                  << " million points/s, peak memory " << peakMiB << " MiB (" << peakMiB / inputMiB
                  << " x input)" << std::endl;
        if (run.status != 1)
            ++failures;
        std::remove(output.c_str());
    }

    // A tiny PCD whose header claims a hundred million cells: refused before anything is
    // allocated for them (targets: 100 ms and 50 MiB).
    const std::string claim = std::string(folder) + "/claim.pcd";
    std::ofstream(claim) << "# .PCD v.7 - Point Cloud Data file format\nVERSION .7\nFIELDS x y z rgb\n"
                            "SIZE 4 4 4 4\nTYPE F F F F\nCOUNT 1 1 1 1\nWIDTH 100000000\nHEIGHT 1\n"
                            "VIEWPOINT 0 0 0 1 0 0 0\nPOINTS 1\nDATA ascii\n1 2 3 4.2\n";
    const FL_Run refused = FL_runConverter(program, claim, std::string(folder) + "/claim.zrpcd");
    std::cout << "oversized PCD header: exit " << refused.status << ", " << refused.seconds * 1000 << " ms, peak memory "
              << refused.peakKiB / 1024.0 << " MiB" << std::endl;
    if (refused.status != 0 || refused.seconds > 0.1 || refused.peakKiB > 50 * 1024)
        ++failures;
    std::remove(claim.c_str());

    std::remove(input.c_str());
    rmdir(folder);
    return failures == 0 ? 0 : 1;
}
