// Opening a large octree point file. Kestrune converts a generated PTX scan (5,000 x 4,000 cells,
// 20 million points, by default) to .zrpcd; then the file is opened whole, as the editor opens
// it (base, then the whole file), and in parts, as the viewer's loader reads it (base, every node
// layer, then the leaves 32 at a time). Each open is timed against the conversion, and with a
// display (xvfb-run -a) the editor itself is timed until it has the cloud. Fails when the whole
// open is slower than the conversion or loses points.
//   bench_octree_open [folder of Kestrune and Brenmoor] [columns] [rows]

#include "benchscan.h"
#include "pointcloudsvoimp.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Imp = PointCloudSVOImp<ColorBlock, PointBlock>;

double FL_secondsSince(const std::chrono::steady_clock::time_point& iStart)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - iStart).count();
}

// Points held in the leaf blocks of the body.
long long FL_loadedPoints(const Imp& iImp)
{
    long long points = 0;
    iImp.readBody([&](const Imp::Body* iBody) {
        if (iBody == nullptr)
            return;
        for (const LeafInfo<PointBlock>* entry : iBody->getLeafBlockPool().getEntries())
            if (entry != nullptr && entry->getBlock() != nullptr)
                points += static_cast<long long>(entry->getBlock()->positions.size());
    });
    return points;
}

// The editor's open: the base, then the whole file.
bool FL_openWhole(const std::string& iPath, long long* oPoints)
{
    Imp imp(iPath);
    std::string error;
    if (!imp.loadSVO_Base(error) || !imp.loadSVO(error)) {
        std::cout << error << std::endl;
        return false;
    }
    *oPoints = FL_loadedPoints(imp);
    return true;
}

// The viewer's loader reading everything: the base, every node layer, then the leaves in the
// chunks in which the loader hands them over.
bool FL_openInParts(const std::string& iPath, long long* oPoints, std::size_t* oLeaves)
{
    Imp imp(iPath);
    std::string error;
    if (!imp.loadSVO_Base(error))
        return false;
    int layers = 0;
    imp.readBody([&](const Imp::Body* iBody) { layers = int(iBody->getOctree().getLayerSizeList().size()); });
    if (!imp.loadSVO_Nodes(layers, error)) {
        std::cout << error << std::endl;
        return false;
    }
    imp.updateDrawNode_FullLeaf();
    const std::vector<const void*> keys = imp.getDrawLeafNodeKeyList();
    bool volatile stop = false;
    for (std::size_t first = 0; first < keys.size(); first += 32) {
        const std::vector<const void*> chunk(keys.begin() + std::ptrdiff_t(first),
                                             keys.begin() + std::ptrdiff_t(std::min(keys.size(), first + 32)));
        if (!imp.loadSVO_Points(chunk, &stop, error)) {
            std::cout << error << std::endl;
            return false;
        }
    }
    *oLeaves = keys.size();
    *oPoints = FL_loadedPoints(imp);
    return true;
}

// Seconds until the editor, started on the file, prints the last of its lines about the opened
// cloud; -1 when it ends or says nothing of the kind within five minutes.
double FL_timeEditor(const std::string& iProgram, const std::string& iPath)
{
    int channel[2];
    if (pipe(channel) != 0)
        return -1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(channel[1], STDOUT_FILENO);
        close(channel[0]);
        execl(iProgram.c_str(), iProgram.c_str(), iPath.c_str(), (char*)nullptr);
        _exit(127);
    }
    close(channel[1]);
    FILE* out = fdopen(channel[0], "r");
    double seconds = -1;
    char line[4096];
    while (seconds < 0 && FL_secondsSince(start) < 300 && std::fgets(line, sizeof line, out) != nullptr)
        if (std::string(line).rfind("DataFileName: ", 0) == 0)
            seconds = FL_secondsSince(start);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::fclose(out);
    return seconds;
}

} // namespace

int main(int argc, char* argv[])
{
    const benchscan::Setup setup = benchscan::makeSetup(argc, argv, "octree-open-bench", "bin", 5000, 4000);
    if (setup.folder.empty())
        return 1;
    const std::string input = setup.folder + "/scan.ptx";
    const std::string path = setup.folder + "/scan.zrpcd";
    const benchscan::Run conversion = benchscan::runConverter(setup.program + "/Kestrune", input, path);
    std::remove(input.c_str());
    struct stat info = {};
    if (conversion.status != 1 || stat(path.c_str(), &info) != 0) {
        std::cout << "conversion failed" << std::endl;
        return 1;
    }
    const long long cells = static_cast<long long>(setup.columns) * setup.rows;
    std::printf("scan: %d x %d cells; Kestrune wrote %.0f MiB of .zrpcd in %.2f s\n", setup.columns, setup.rows,
                info.st_size / 1048576.0, conversion.seconds);

    int failures = 0;
    long long points = 0;
    auto start = std::chrono::steady_clock::now();
    if (!FL_openWhole(path, &points))
        ++failures;
    const double whole = FL_secondsSince(start);
    std::printf("whole open: %.2f s (%.2f x the conversion), %lld points\n", whole, whole / conversion.seconds,
                points);
    if (whole > conversion.seconds || points != cells)
        ++failures;

    std::size_t leaves = 0;
    points = 0;
    start = std::chrono::steady_clock::now();
    if (!FL_openInParts(path, &points, &leaves))
        ++failures;
    const double parts = FL_secondsSince(start);
    std::printf("open in parts: %.2f s (%.2f x the conversion), %zu leaves in %zu loads, %lld points\n", parts,
                parts / conversion.seconds, leaves, (leaves + 31) / 32, points);
    if (points != cells)
        ++failures;

    if (std::getenv("DISPLAY") != nullptr) {
        const double editor = FL_timeEditor(setup.program + "/Brenmoor", path);
        std::printf("Brenmoor until it holds the cloud: %.2f s (%.2f x the conversion)\n", editor,
                    editor / conversion.seconds);
    } else {
        std::printf("Brenmoor not timed: no display\n");
    }

    std::remove(path.c_str());
    rmdir(setup.folder.c_str());
    return failures == 0 ? 0 : 1;
}
