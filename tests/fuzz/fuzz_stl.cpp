// Fuzzes the STL readers (ASCII and binary, chosen as a ".stl" file is): a mesh that comes back
// is whole and finite, and holds no more than the file can justify.
#include "fuzzsupport.h"
#include "polygonfiler.h"

#include <cmath>
#include <fstream>
#include <memory>
#include <string>

using namespace fuzzsupport;

namespace {

PolygonData FL_mesh()
{
    PolygonData data;
    data.init(3, 2);
    return data;
}

void FL_writeSeeds(const std::string& iFolder)
{
    const PolygonData mesh = FL_mesh();
    PolygonFiler(iFolder + "/seed_ascii.stl").exportSTLFile_ASCII(mesh);
    PolygonFiler(iFolder + "/seed_binary.stl").exportSTLFile_Binary(mesh);
    std::ofstream(iFolder + "/seed_crlf.stl", std::ios::binary)
        << "solid part\r\n facet normal 0 0 1\r\n  outer loop\r\n   vertex 0 0 0\r\n   vertex 1 0 0\r\n"
           "   vertex 0 1 0\r\n  endloop\r\n endfacet\r\nendsolid part\r\n";
}

// The scratch file with the suffix that makes the filer read STL.
const std::string& FL_path()
{
    static const std::string path = scratch().path() + ".stl";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    silence();
    handleMakeSeeds(argc, argv, &FL_writeSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        std::ofstream out(FL_path(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out)
            return 0;
    }
    std::string error;
    std::unique_ptr<PolygonData> mesh(PolygonFiler(FL_path()).importPolygonDataFile(error));
    if (!mesh)
        return 0;
    require(mesh->colors.size() == mesh->points.size());
    // Every triangle takes 50 bytes of a binary file and at least 43 of an ASCII one (four
    // one-byte lines and three "vertex a b c" lines).
    require(mesh->triangles.size() <= size / 43 + 1);
    require(mesh->points.size() <= 3 * mesh->triangles.size());
    for (const Triangle& triangle : mesh->triangles)
        for (std::uint32_t index : triangle.index)
            require(index < mesh->points.size());
    for (const Vector3T<float>& point : mesh->points)
        require(std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z));
    return 0;
}
