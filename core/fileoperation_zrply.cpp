#include "fileoperation_zrply.h"

#include "binaryfileoperator.h"
#include "fileoperation_svo.h"
#include "rawio.h"
#include "sectionfile.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <limits>
#include <utility>

namespace {

const std::string flFileID = "QuillmarshPolygonData";
const std::string flVersion = "0.0";
const std::string flDataID = "PM/P<ColorBlock,ElementIndexBlock>";

constexpr std::uint64_t flTriangleSize = sizeof(Triangle);
constexpr std::uint64_t flPositionSize = sizeof(Vector3T<float>);
constexpr std::uint64_t flColorSize = sizeof(Color);
// The counts are read back as signed 32-bit numbers.
constexpr std::uint64_t flMaxCount = std::uint64_t(std::numeric_limits<std::int32_t>::max());

void FL_progress(const char* iLine)
{
    std::cout << iLine << std::endl;
}

bool FL_begin(rawio::InputFile& iStream, const std::string& iFilePath, std::string& iErrorMessage)
{
    return sectionfile::openBinaryFile(iStream, iFilePath, flFileID, flVersion, flDataID, iErrorMessage);
}

// The count of a polygon section: not negative, and its records must fit in what is left.
bool FL_readCount(std::istream& iStream, std::uint64_t iRecordSize, std::uint32_t* oCount)
{
    std::int32_t count = 0;
    if (!rawio::readValue(iStream, &count) || count < 0 || !rawio::fits(iStream, std::uint64_t(count), iRecordSize))
        return false;
    *oCount = static_cast<std::uint32_t>(count);
    return true;
}

bool FL_skipRecords(std::istream& iStream, std::uint32_t iCount, std::uint64_t iRecordSize)
{
    iStream.seekg(static_cast<std::streamoff>(iCount * iRecordSize), std::ios::cur);
    return static_cast<bool>(iStream);
}

bool FL_skipSection(std::istream& iStream, std::uint64_t iRecordSize, std::uint32_t* oCount)
{
    return FL_readCount(iStream, iRecordSize, oCount) && FL_skipRecords(iStream, *oCount, iRecordSize);
}

template <typename T>
bool FL_readSection(std::istream& iStream, std::vector<T>* oList)
{
    std::uint32_t count = 0;
    return FL_readCount(iStream, sizeof(T), &count) && rawio::readVector(iStream, oList, count);
}

// Passes over the three polygon sections; gives the triangle count.
bool FL_skipPolygonData(std::istream& iStream, std::uint32_t* oTriangleCount)
{
    std::uint32_t count = 0;
    FL_progress("Read: Triangle");
    if (!FL_skipSection(iStream, flTriangleSize, oTriangleCount))
        return false;
    FL_progress("Read: Node Position");
    if (!FL_skipSection(iStream, flPositionSize, &count))
        return false;
    FL_progress("Read: Node Color");
    return FL_skipSection(iStream, flColorSize, &count);
}

// One colour per vertex, and every triangle names vertices that exist.
bool FL_meshConsistent(const PolygonData& iData)
{
    if (iData.colors.size() != iData.points.size())
        return false;
    const std::uint64_t vertices = iData.points.size();
    for (const Triangle& triangle : iData.triangles)
        for (std::uint32_t index : triangle.index)
            if (index >= vertices)
                return false;
    return true;
}

bool FL_loadPolygonData(std::istream& iStream, PolygonData* oData)
{
    FL_progress("Load: Triangle");
    if (!FL_readSection(iStream, &oData->triangles))
        return false;
    FL_progress("Load: Node Position");
    if (!FL_readSection(iStream, &oData->points))
        return false;
    FL_progress("Load: Node Color");
    return FL_readSection(iStream, &oData->colors) && FL_meshConsistent(*oData);
}

// oOut[j] = record iNumbers[j] of a run of records starting at iBase, one seek and read each.
template <typename T>
bool FL_readRecordsAt(std::istream& iStream, std::uint64_t iBase, const std::vector<unsigned>& iNumbers,
                      std::vector<T>* oOut)
{
    oOut->resize(iNumbers.size());
    for (std::size_t j = 0; j < iNumbers.size(); ++j) {
        iStream.seekg(static_cast<std::streamoff>(iBase + std::uint64_t(iNumbers[j]) * sizeof(T)));
        if (!iStream || !rawio::readValue(iStream, &(*oOut)[j]))
            return false;
    }
    return true;
}

bool FL_tell(std::istream& iStream, std::uint64_t* oPosition)
{
    const std::streamoff position = iStream.tellg();
    if (!iStream || position < 0)
        return false;
    *oPosition = static_cast<std::uint64_t>(position);
    return true;
}

bool FL_seek(std::istream& iStream, std::uint64_t iPosition)
{
    iStream.seekg(static_cast<std::streamoff>(iPosition));
    return static_cast<bool>(iStream);
}

} // namespace

// ---------------------------------------------------------------------------
// Writer
// ---------------------------------------------------------------------------

bool exportZRPLYFile(const std::string& iFilePath, const PolygonData& iData, const SparseVoxelOctree& iOctree,
                     const VoxelBlockPool<ColorBlock>& iVoxelPool, const LeafBlockPool<ElementIndexBlock>& iLeafPool)
{
    // Refused before the file is opened, so that an old file is not replaced by one the
    // loaders would refuse.
    if (iData.triangles.size() > flMaxCount || iData.points.size() > flMaxCount || !FL_meshConsistent(iData))
        return false;
    int voxelCount = 0;
    if (!sectionfile::voxelCount(iOctree.getVoxelResolution(), &voxelCount) ||
        !checkSVOData(iOctree, iVoxelPool, iLeafPool, iData.triangles.size()))
        return false;
    std::ofstream out(iFilePath, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        std::cout << "Cannot open file for writting: " << iFilePath << std::endl;
        return false;
    }
    bool ok = writeHeader(out, flFileID, flVersion, flDataID);
    if (ok) {
        FL_progress("Write: Triangle");
        ok = rawio::writeValue(out, std::uint32_t(iData.triangles.size())) && rawio::writeVector(out, iData.triangles);
    }
    if (ok) {
        FL_progress("Write: Node Position");
        ok = rawio::writeValue(out, std::uint32_t(iData.points.size())) && rawio::writeVector(out, iData.points);
    }
    if (ok) {
        FL_progress("Write: Node Color");
        ok = rawio::writeValue(out, std::uint32_t(iData.colors.size())) && rawio::writeVector(out, iData.colors);
    }
    ok = ok && writeTree(out, iOctree) && writeNode(out, iOctree) && writeVoxelInfo(out, iVoxelPool, voxelCount) &&
         writeVoxelBlocks(out, iVoxelPool) && writeLeafData(out, iLeafPool);
    out.flush();
    ok = ok && out.good();
    out.close();
    return ok && !out.fail();
}

// ---------------------------------------------------------------------------
// Whole loads
// ---------------------------------------------------------------------------

bool loadZRPLYFile(const std::string& iFilePath, PolygonData* oData, SparseVoxelOctree* oOctree,
                   VoxelBlockPool<ColorBlock>* oVoxelPool, LeafBlockPool<ElementIndexBlock>* oLeafPool,
                   std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    PolygonData data;
    if (!FL_loadPolygonData(in, &data))
        return sectionfile::broken(iFilePath, iErrorMessage);
    *oData = std::move(data);
    const std::uint64_t triangles = oData->triangles.size();
    int voxelCount = 0;
    if (!loadTree(in, oOctree) || !loadNode(in, oOctree) ||
        !sectionfile::voxelCount(oOctree->getVoxelResolution(), &voxelCount) ||
        !loadVoxelData(in, oVoxelPool, voxelCount) || !loadLeafData(in, oLeafPool, triangles) ||
        !checkSVOData(*oOctree, *oVoxelPool, *oLeafPool, triangles))
        return sectionfile::broken(iFilePath, iErrorMessage);
    return true;
}

bool loadZRPLYFile_PolygonData(const std::string& iFilePath, PolygonData* oData, std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    PolygonData data;
    if (!FL_loadPolygonData(in, &data))
        return sectionfile::broken(iFilePath, iErrorMessage);
    *oData = std::move(data);
    return true;
}

// ---------------------------------------------------------------------------
// Partial loads
// ---------------------------------------------------------------------------

bool loadZRPLYFile_Tree(const std::string& iFilePath, SparseVoxelOctree* oOctree, std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    std::uint32_t triangles = 0;
    return (FL_skipPolygonData(in, &triangles) && loadTree(in, oOctree)) ||
           sectionfile::broken(iFilePath, iErrorMessage);
}

bool loadZRPLYFile_Nodes(const std::string& iFilePath, SparseVoxelOctree* ioOctree, int iDepth,
                         std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    std::uint32_t triangles = 0;
    if (!FL_skipPolygonData(in, &triangles) || !readTree(in) || !loadNode(in, ioOctree, iDepth))
        return sectionfile::broken(iFilePath, iErrorMessage);
    ioOctree->setLoadedDepth(iDepth);
    return true;
}

bool loadZRPLYFile_Voxels(const std::string& iFilePath, VoxelBlockPool<ColorBlock>* ioVoxelPool,
                          LeafBlockPool<ElementIndexBlock>*, const std::vector<const SparseVoxelOctreeNode*>& iNodes,
                          int iVoxelCount, std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    std::uint32_t triangles = 0;
    return (FL_skipPolygonData(in, &triangles) && readTree(in) && readNode(in) &&
            loadVoxelData(in, ioVoxelPool, iNodes, iVoxelCount)) ||
           sectionfile::broken(iFilePath, iErrorMessage);
}

bool loadZRPLYFile_Leafs(const std::string& iFilePath, VoxelBlockPool<ColorBlock>*,
                         LeafBlockPool<ElementIndexBlock>* ioLeafPool,
                         const std::vector<const SparseVoxelOctreeNode*>& iNodes, int iVoxelCount,
                         std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    std::uint32_t triangles = 0;
    // The voxel section is passed by a voxel load of no nodes into a pool that is dropped.
    VoxelBlockPool<ColorBlock> skipped;
    return (FL_skipPolygonData(in, &triangles) && readTree(in) && readNode(in) &&
            loadVoxelData(in, &skipped, {}, iVoxelCount) && loadLeafData(in, ioLeafPool, iNodes, triangles)) ||
           sectionfile::broken(iFilePath, iErrorMessage);
}

bool loadZRPLYFile_PolygonData(const std::string& iFilePath, std::vector<TriangleData>* oOut,
                               const std::vector<unsigned int>& iTriangleIndices, std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;

    FL_progress("Load: Triangle");
    std::uint32_t triangleCount = 0;
    std::uint64_t start = 0;
    if (!FL_readCount(in, flTriangleSize, &triangleCount) || !FL_tell(in, &start))
        return sectionfile::broken(iFilePath, iErrorMessage);
    for (unsigned index : iTriangleIndices)
        if (index >= triangleCount)
            return sectionfile::broken(iFilePath, iErrorMessage);
    std::vector<Triangle> triangles(iTriangleIndices.size());
    if (!BinaryFileOperator::read<Triangle>(in, triangles, iTriangleIndices))
        return sectionfile::broken(iFilePath, iErrorMessage);
    std::cout << "triangleList Size: " << triangles.size() << std::endl;
    in.clear();
    if (!FL_seek(in, start + triangleCount * flTriangleSize))
        return sectionfile::broken(iFilePath, iErrorMessage);

    std::vector<unsigned> vertices;
    vertices.reserve(triangles.size() * 3);
    for (const Triangle& triangle : triangles)
        vertices.insert(vertices.end(), triangle.index, triangle.index + 3);

    FL_progress("Load: Node Position");
    std::uint32_t vertexCount = 0;
    if (!FL_readCount(in, flPositionSize, &vertexCount) || !FL_tell(in, &start))
        return sectionfile::broken(iFilePath, iErrorMessage);
    for (unsigned vertex : vertices)
        if (vertex >= vertexCount)
            return sectionfile::broken(iFilePath, iErrorMessage);
    std::vector<Vector3T<float>> positions;
    if (!FL_readRecordsAt(in, start, vertices, &positions))
        return sectionfile::broken(iFilePath, iErrorMessage);
    std::cout << "vertexList Size: " << positions.size() << std::endl;
    if (!FL_seek(in, start + vertexCount * flPositionSize))
        return sectionfile::broken(iFilePath, iErrorMessage);

    FL_progress("Load: Node Color");
    std::uint32_t colorCount = 0;
    std::vector<Color> colors;
    if (!FL_readCount(in, flColorSize, &colorCount) || colorCount != vertexCount || !FL_tell(in, &start) ||
        !FL_readRecordsAt(in, start, vertices, &colors))
        return sectionfile::broken(iFilePath, iErrorMessage);
    std::cout << "colorList Size: " << colors.size() << std::endl;

    FL_progress("Set: TriangleData");
    oOut->reserve(oOut->size() + triangles.size());
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        TriangleData data;
        for (int k = 0; k < 3; ++k) {
            data.positions[k] = positions[3 * t + k];
            data.colors[k] = colors[3 * t + k];
        }
        oOut->push_back(data);
    }
    return true;
}

bool loadZRPLYFile_PolygonInfo(const std::string& iFilePath, int* oTriangleNumber, int* oVertexNumber,
                               std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    std::uint32_t triangles = 0;
    std::uint32_t vertices = 0;
    FL_progress("Load: Triangle Number");
    if (!FL_skipSection(in, flTriangleSize, &triangles))
        return sectionfile::broken(iFilePath, iErrorMessage);
    FL_progress("Load: Node Number");
    if (!FL_skipSection(in, flPositionSize, &vertices))
        return sectionfile::broken(iFilePath, iErrorMessage);
    *oTriangleNumber = static_cast<int>(triangles);
    *oVertexNumber = static_cast<int>(vertices);
    return true;
}

// ---------------------------------------------------------------------------
// Mesh helpers
// ---------------------------------------------------------------------------

void getBoundingBox(Vector3T<double>* oCenter, Vector3T<double>* oSize, const PolygonData& iData)
{
    const float inf = std::numeric_limits<float>::infinity();
    Vector3T<float> lo(inf, inf, inf);
    Vector3T<float> hi(-inf, -inf, -inf);
    for (const Vector3T<float>& point : iData.points) {
        for (int a = 0; a < 3; ++a) {
            const float v = point[a];
            if (!std::isfinite(v))
                continue;
            if (v < lo[a])
                lo[a] = v;
            if (v > hi[a])
                hi[a] = v;
        }
    }
    Vector3T<float> center;
    Vector3T<float> size;
    for (int a = 0; a < 3; ++a) {
        if (lo[a] <= hi[a]) {
            center[a] = (lo[a] + hi[a]) * 0.5f;
            size[a] = hi[a] - lo[a];
        }
    }
    if (oCenter)
        *oCenter = Vector3T<double>(center);
    if (oSize)
        *oSize = Vector3T<double>(size);
}

template <>
void initLeafDataBlock<ElementIndexBlock>(ElementIndexBlock* oBlock, const std::vector<Vector3T<float>>&,
                                          const std::vector<Color>&, const std::vector<unsigned int>& iIndices)
{
    if (oBlock)
        oBlock->indices = iIndices;
}
