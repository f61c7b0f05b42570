// Times Kestrune converting a generated 1,000 x 1,000 PTX scan with colours to .zrpcd and .zrpmd,
// and prints points per second and the converter's peak memory against the input size.
//   bench_kestrune [kestrune path] [columns] [rows]

#include "benchscan.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    const benchscan::Setup setup = benchscan::makeSetup(argc, argv, "kestrune-bench", "bin/Kestrune", 1000, 1000);
    if (setup.folder.empty())
        return 1;
    const std::string input = setup.folder + "/scan.ptx";
    struct stat info = {};
    stat(input.c_str(), &info);
    const double inputMiB = info.st_size / 1048576.0;
    const double points = double(setup.columns) * setup.rows;
    std::cout << "input: " << setup.columns << " x " << setup.rows << " PTX, " << inputMiB << " MiB" << std::endl;

    int failures = 0;
    for (const char* suffix : {"zrpcd", "zrpmd"}) {
        const std::string output = setup.folder + "/scan." + suffix;
        const benchscan::Run run = benchscan::runConverter(setup.program, input, output);
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
    const std::string claim = setup.folder + "/claim.pcd";
    std::ofstream(claim) << "# .PCD v.7 - Point Cloud Data file format\nVERSION .7\nFIELDS x y z rgb\n"
                            "SIZE 4 4 4 4\nTYPE F F F F\nCOUNT 1 1 1 1\nWIDTH 100000000\nHEIGHT 1\n"
                            "VIEWPOINT 0 0 0 1 0 0 0\nPOINTS 1\nDATA ascii\n1 2 3 4.2\n";
    const benchscan::Run refused = benchscan::runConverter(setup.program, claim, setup.folder + "/claim.zrpcd");
    std::cout << "oversized PCD header: exit " << refused.status << ", " << refused.seconds * 1000 << " ms, peak memory "
              << refused.peakKiB / 1024.0 << " MiB" << std::endl;
    if (refused.status != 0 || refused.seconds > 0.1 || refused.peakKiB > 50 * 1024)
        ++failures;
    std::remove(claim.c_str());

    std::remove(input.c_str());
    rmdir(setup.folder.c_str());
    return failures == 0 ? 0 : 1;
}
