// Times a group of staged files written into one folder, as a project of many shots saves its
// object files, at 1,000, 2,000 and 5,000 files. The time per file should stay the same: exits 1
// when 5,000 files take more than twice as long per file as 1,000.
//   bench_stagedgroup [folder]

#include "stagedfile.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

// Seconds per file for iCount files put in place as one group in a new folder below iParent.
double secondsPerFile(const std::string& iParent, int iCount)
{
    const std::string folder = iParent + "/group-" + std::to_string(iCount);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto start = std::chrono::steady_clock::now();
    stagedfile::Group group;
    for (int k = 0; k < iCount; ++k) {
        const stagedfile::Stage* stage = group.add(folder + "/Shot_" + std::to_string(k) + ".shot");
        if (!stage || !(std::ofstream(stage->writePath()) << "ObjectInfo 0.1\n" << k << '\n'))
            return -1;
    }
    if (!group.commit())
        return -1;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove_all(folder);
    return seconds / iCount;
}

} // namespace

int main(int argc, char* argv[])
{
    stagedfile::raiseOpenFileLimit();
    const std::string parent = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    double first = 0;
    double last = 0;
    for (int count : {1000, 2000, 5000}) {
        const double perFile = secondsPerFile(parent, count);
        if (perFile < 0) {
            std::cerr << "cannot write " << count << " files in " << parent << std::endl;
            return 1;
        }
        std::cout << count << " files: " << perFile * count << " s, " << perFile * 1e6 << " us per file" << std::endl;
        (first == 0 ? first : last) = perFile;
    }
    std::cout << "per file at 5,000 against 1,000: " << last / first << std::endl;
    return last <= 2 * first ? 0 : 1;
}
