// Kestrune: converts one point file into an octree file.
//   Kestrune <import file> <export file> <voxel resolution> <sampling pitch>
// Exit status: 1 converted, 0 failed, -1 wrong argument count.

#include "fileoperation_svob.h"
#include "fileoperation_zrpcd.h"
#include "memoryguard.h"
#include "numberformat.h"
#include "pointcloudimpoperation.h"
#include "scangrid.h"
#include "stagedfile.h"
#include "stringdivider.h"
#include "svobuilder.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <string>

namespace {

constexpr int kMaxVoxelResolution = 64;

void FL_print(const std::string& iLine)
{
    std::cout << iLine << std::endl;
}

class FileReaderInterface
{
public:
    virtual bool initPCData(PointCloudData* iData, const std::string& iFilePath) = 0;
    virtual bool isNULL() const { return false; }
    // How the cells read follow one another. A point-matrix file does not record it: there it
    // is told from the points.
    virtual ScanGridLayout getLayout(const PointCloudData& iData) const { return getScanGridLayout(iData); }
};

class FileWriterInterface
{
public:
    virtual bool exportData(const PointCloudData& iData, const std::string& iFilePath, int iVoxelResolution) = 0;
    virtual bool isNULL() const { return false; }
};

class ZRPCDFileReader : public FileReaderInterface
{
public:
    bool initPCData(PointCloudData* iData, const std::string& iFilePath) override
    {
        FL_print("ZRPCD File Loading...");
        std::string error;
        return memoryguard::run([&] { return loadZRPCDFile_Matrix(iFilePath, iData, error); });
    }
};

class PTXFileReader : public FileReaderInterface
{
public:
    bool initPCData(PointCloudData* iData, const std::string& iFilePath) override
    {
        FL_print("PTX File Loading...");
        return initByPTXFile(iData, iFilePath);
    }
    // Column after column.
    ScanGridLayout getLayout(const PointCloudData& iData) const override { return {iData.height, iData.width}; }
};

class JPGISFileReader : public FileReaderInterface
{
public:
    bool initPCData(PointCloudData* iData, const std::string& iFilePath) override
    {
        FL_print("JPGIS File Loading...");
        return initByJPGISFile(iData, iFilePath);
    }
    // Row after row.
    ScanGridLayout getLayout(const PointCloudData& iData) const override { return {iData.width, iData.height}; }
};

class PCDFileReader : public FileReaderInterface
{
public:
    bool initPCData(PointCloudData* iData, const std::string& iFilePath) override
    {
        FL_print("PCD File Loading...");
        return initByPCDFile(iData, iFilePath);
    }
    // Row after row.
    ScanGridLayout getLayout(const PointCloudData& iData) const override { return {iData.width, iData.height}; }
};

class NULLFileReader : public FileReaderInterface
{
public:
    bool initPCData(PointCloudData*, const std::string&) override
    {
        FL_print("Non-Supported File Format...");
        return false;
    }
    bool isNULL() const override { return true; }
};

// Builds the octree over iData and writes it through iWrite(path, octree system) beside the
// destination; the file replaces the destination only when it was written whole.
template <typename L, typename W>
bool FL_buildAndWrite(const PointCloudData& iData, const std::string& iFilePath, int iVoxelResolution, W iWrite)
{
    SVOSystem<ColorBlock, L> system;
    if (!createSparseVoxelOctree<ColorBlock, L>(&system.getOctree(), &system.getVoxelBlockPool(),
                                                &system.getLeafBlockPool(), iData, iVoxelResolution))
        return false;
    std::string message;
    std::string reason;
    if (stagedfile::write(
            iFilePath, [&](const std::string& iPath) { return iWrite(iPath, system); }, message, reason))
        return true;
    if (!message.empty())
        FL_print(message);
    // Why the system refused, so that a full disk is told from a missing folder.
    if (!reason.empty())
        FL_print("Error: " + reason);
    return false;
}

class ZRPMDFileWriter : public FileWriterInterface
{
public:
    bool exportData(const PointCloudData& iData, const std::string& iFilePath, int iVoxelResolution) override
    {
        return FL_buildAndWrite<PointIndexBlock>(
            iData, iFilePath, iVoxelResolution,
            [&](const std::string& iPath, const SVOSystem<ColorBlock, PointIndexBlock>& iSystem) {
                return exportZRPCDFile(iPath, iData, iSystem.getOctree(), iSystem.getVoxelBlockPool(),
                                       iSystem.getLeafBlockPool());
            });
    }
};

class ZRPCDFileWriter : public FileWriterInterface
{
public:
    bool exportData(const PointCloudData& iData, const std::string& iFilePath, int iVoxelResolution) override
    {
        return FL_buildAndWrite<PointBlock>(
            iData, iFilePath, iVoxelResolution,
            [&](const std::string& iPath, const SVOSystem<ColorBlock, PointBlock>& iSystem) {
                return SVOBFileOperator(iPath).save(static_cast<int>(iData.validPointNumber), iSystem.getOctree(),
                                                    iSystem.getVoxelBlockPool(), iSystem.getLeafBlockPool());
            });
    }
};

class NULLFileWriter : public FileWriterInterface
{
public:
    bool exportData(const PointCloudData&, const std::string&, int) override
    {
        FL_print("Non-Supported File Format...");
        return false;
    }
    bool isNULL() const override { return true; }
};

NULLFileReader nullFileReader;
PCDFileReader pcdFileReader;
JPGISFileReader jpgisFileReader;
PTXFileReader ptxFileReader;
ZRPCDFileReader zrpcdFileReader;
NULLFileWriter nullFileWriter;
ZRPCDFileWriter zrpcdFileWriter;
ZRPMDFileWriter zrpmdFileWriter;

std::string FL_getSuffix(const std::string& iFilePath)
{
    StringDivider divider;
    divider.entry('.');
    const std::vector<std::string> pieces = divider.divide(iFilePath);
    return pieces.size() >= 2 ? pieces.back() : std::string();
}

FileReaderInterface* FL_getReader(const std::string& iSuffix)
{
    if (iSuffix == "pcd")
        return &pcdFileReader;
    if (iSuffix == "xml")
        return &jpgisFileReader;
    if (iSuffix == "ptx")
        return &ptxFileReader;
    if (iSuffix == "jpgis")
        return &jpgisFileReader;
    if (iSuffix == "zrpcd")
        return &zrpcdFileReader;
    return &nullFileReader;
}

FileWriterInterface* FL_getWriter(const std::string& iSuffix)
{
    if (iSuffix == "zrpcd")
        return &zrpcdFileWriter;
    if (iSuffix == "zrpmd")
        return &zrpmdFileWriter;
    return &nullFileWriter;
}

// Keeps every p-th cell of every p-th run, in the matrix's own cell order, so that the thinned
// matrix is still a scan grid of that order. A dimension of at least one cell keeps at least
// one, so an unorganised cloud (height 1) is thinned, not emptied.
void FL_sampling(PointCloudData* ioData, const ScanGridLayout& iLayout, int iPitch)
{
    const int runLength = iLayout.runLength;
    const int runCount = iLayout.runCount;
    const int newLength = runLength >= 1 ? std::max(1, runLength / iPitch) : 0;
    const int newCount = runCount >= 1 ? std::max(1, runCount / iPitch) : 0;
    std::vector<Point> cells;
    cells.reserve(size_t(newLength) * size_t(newCount));
    unsigned valid = 0;
    for (int i = 0; i < newCount; ++i) {
        for (int j = 0; j < newLength; ++j) {
            const size_t old = size_t(i) * size_t(iPitch) * size_t(runLength) + size_t(j) * size_t(iPitch);
            const Point& cell = old < ioData->pointList.size() ? ioData->pointList[old] : Point{Color(), {}, Point::Deleted};
            cells.push_back(cell);
            if (cell.isValid())
                ++valid;
        }
    }
    const bool byColumns = runLength == ioData->height && runLength != ioData->width;
    ioData->width = byColumns ? newCount : newLength;
    ioData->height = byColumns ? newLength : newCount;
    ioData->validPointNumber = valid;
    ioData->pointList.swap(cells);
}

} // namespace

int main(int argc, char* argv[])
{
    stagedfile::ignoreFileSizeSignal();
    stagedfile::removeOnSignals();
    if (argc != 5) {
        FL_print("Argument Error...");
        FL_print("arg1: Imported File Name, arg2: Exportd File Name, arg3: Voxel Resolution (1, 2, 3, ...), "
                 "arg4: Sampling Pitch (1, 2, 3, ...)");
        return -1;
    }
    const std::string importFilePath = argv[1];
    const std::string exportFilePath = argv[2];
    const int voxelResolution = numberformat::toInt(argv[3]);
    const int samplingPitch = numberformat::toInt(argv[4]);
    const std::string importFileSuffix = FL_getSuffix(importFilePath);
    const std::string exportFileSuffix = FL_getSuffix(exportFilePath);

    FL_print("importFilePath: " + importFilePath);
    FL_print("exportFilePath: " + exportFilePath);
    FL_print("voxelResolution: " + std::to_string(voxelResolution));
    FL_print("samplingPitch: " + std::to_string(samplingPitch));
    FL_print("importFileSuffix: " + importFileSuffix);
    FL_print("exportFileSuffix: " + exportFileSuffix);

    FileReaderInterface* reader = FL_getReader(importFileSuffix);
    FileWriterInterface* writer = FL_getWriter(exportFileSuffix);
    if (reader->isNULL()) {
        FL_print("Error: Non-Supported File Suffix. --> " + importFileSuffix);
        return 0;
    }
    if (writer->isNULL()) {
        FL_print("Error: Non-Supported File Suffix. --> " + exportFileSuffix);
        return 0;
    }
    // n³ voxels per node: beyond 64 the grids and occupancy bytes become absurd and overflow.
    if (voxelResolution < 1 || voxelResolution > kMaxVoxelResolution) {
        FL_print("Error: Voxel Resolution must be 1 to " + std::to_string(kMaxVoxelResolution) + ".");
        return 0;
    }

    FL_print("Start: import File...");
    PointCloudData data;
    if (!reader->initPCData(&data, importFilePath)) {
        FL_print("Error: Point Cloud Data Loading.");
        return 0;
    }
    if (samplingPitch >= 2) {
        FL_print("Start: sampling...");
        if (!memoryguard::run([&] {
                FL_sampling(&data, reader->getLayout(data), samplingPitch);
                return true;
            })) {
            FL_print("Error: Point Cloud Data Sampling.");
            return 0;
        }
    }

    FL_print("Start: export file...");
    if (!writer->exportData(data, exportFilePath, voxelResolution)) {
        FL_print("Error: Export File Writing. --> " + exportFilePath);
        return 0;
    }
    FL_print("Convert OK.");
    return 1;
}
