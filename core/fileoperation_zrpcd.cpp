#include "fileoperation_zrpcd.h"

#include "fileoperation_pointclouddata.h"
#include "fileoperation_svo.h"
#include "rawio.h"
#include "sectionfile.h"

#include <fstream>
#include <iostream>

namespace {

const std::string flFileID = "QuillmarshPointCloudData";
const std::string flVersion = "0.0";
const std::string flDataID_ZRPCD = "PCM/PC<ColorBlock,PointIndexBlock>";

bool FL_begin(rawio::InputFile& iStream, const std::string& iFilePath, std::string& iErrorMessage)
{
    return sectionfile::openBinaryFile(iStream, iFilePath, flFileID, flVersion, flDataID_ZRPCD, iErrorMessage);
}

} // namespace

bool exportZRPCDFile(const std::string& iFilePath, const PointCloudData& iData, const SparseVoxelOctree& iOctree,
                     const VoxelBlockPool<ColorBlock>& iVoxelPool, const LeafBlockPool<PointIndexBlock>& iLeafPool)
{
    // A matrix whose cell list disagrees with its size would be written unreadable.
    if (iData.width < 0 || iData.height < 0 ||
        iData.pointList.size() != std::uint64_t(iData.width) * std::uint64_t(iData.height))
        return false;
    int voxelCount = 0;
    if (!sectionfile::voxelCount(iOctree.getVoxelResolution(), &voxelCount))
        return false;
    std::ofstream out(iFilePath, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        std::cout << "Cannot open file for writting: " << iFilePath << std::endl;
        return false;
    }
    bool ok = writeHeader(out, flFileID, flVersion, flDataID_ZRPCD) && writePointCloudData(out, iData) &&
              writeTree(out, iOctree) && writeNode(out, iOctree) && writeVoxelInfo(out, iVoxelPool, voxelCount) &&
              writeVoxelBlocks(out, iVoxelPool) && writeLeafData(out, iLeafPool);
    out.flush();
    ok = ok && out.good();
    out.close();
    return ok && !out.fail();
}

bool loadZRPCDFile(const std::string& iFilePath, PointCloudData* oData, SparseVoxelOctree* oOctree,
                   VoxelBlockPool<ColorBlock>* oVoxelPool, LeafBlockPool<PointIndexBlock>* oLeafPool,
                   std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    int voxelCount = 0;
    if (!loadPointCloudData(in, oData) || !loadTree(in, oOctree) || !loadNode(in, oOctree) ||
        !sectionfile::voxelCount(oOctree->getVoxelResolution(), &voxelCount))
        return sectionfile::broken(iFilePath, iErrorMessage);
    const std::uint64_t cells = oData->pointList.size();
    if (!loadVoxelData(in, oVoxelPool, voxelCount) || !loadLeafData(in, oLeafPool, cells) ||
        !checkSVOData(*oOctree, *oVoxelPool, *oLeafPool, cells))
        return sectionfile::broken(iFilePath, iErrorMessage);
    return true;
}

bool loadZRPCDFile_Matrix(const std::string& iFilePath, PointCloudData* oData, std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    return loadPointCloudData(in, oData) || sectionfile::broken(iFilePath, iErrorMessage);
}

bool loadZRPCDFile_MatrixInfo(const std::string& iFilePath, int* oWidth, int* oHeight, int* oValidNumber,
                              std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    int width = 0;
    int height = 0;
    int valid = 0;
    if (!loadPointCloudMatrixInfo(in, &width, &height, &valid))
        return sectionfile::broken(iFilePath, iErrorMessage);
    *oWidth = width;
    *oHeight = height;
    *oValidNumber = valid;
    return true;
}

bool loadZRPCDFile_Base(const std::string& iFilePath, int* oWidth, int* oHeight, int* oValidNumber,
                        SparseVoxelOctree* oOctree, std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    int width = 0;
    int height = 0;
    int valid = 0;
    if (!loadPointCloudMatrixInfo(in, &width, &height, &valid) || !loadTree(in, oOctree))
        return sectionfile::broken(iFilePath, iErrorMessage);
    *oWidth = width;
    *oHeight = height;
    *oValidNumber = valid;
    return true;
}

bool loadZRPCDFile_Tree(const std::string& iFilePath, SparseVoxelOctree* oOctree, std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    return (readPointCloudData(in) && loadTree(in, oOctree)) || sectionfile::broken(iFilePath, iErrorMessage);
}

bool loadZRPCDFile_Nodes(const std::string& iFilePath, SparseVoxelOctree* ioOctree, int iDepth,
                         std::string& iErrorMessage)
{
    SVONodeList nodes;
    if (!loadZRPCDFile_Nodes(iFilePath, ioOctree->getLayerSizeList(), ioOctree->getNodeNumber(), iDepth, &nodes,
                             iErrorMessage))
        return false;
    appendNodes(ioOctree, &nodes);
    ioOctree->setLoadedDepth(iDepth);
    return true;
}

bool loadZRPCDFile_Nodes(const std::string& iFilePath, const std::vector<int>& iLayers, std::uint64_t iPresent,
                         int iDepth, SVONodeList* oNodes, std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    return (readPointCloudData(in) && readTree(in) && loadNode(in, iLayers, iPresent, iDepth, oNodes)) ||
           sectionfile::broken(iFilePath, iErrorMessage);
}

bool loadZRPCDFile_VoxelAndPoints(const std::string& iFilePath, VoxelBlockPool<ColorBlock>* ioVoxelPool,
                                  LeafBlockPool<PointIndexBlock>* ioLeafPool,
                                  const std::vector<const SparseVoxelOctreeNode*>& iVoxelNodes,
                                  const std::vector<const SparseVoxelOctreeNode*>& iLeafNodes, int iVoxelCount,
                                  std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    int width = 0;
    int height = 0;
    int valid = 0;
    if (!loadPointCloudMatrixInfo(in, &width, &height, &valid) || !readTree(in) || !readNode(in) ||
        !loadVoxelData(in, ioVoxelPool, iVoxelNodes, iVoxelCount) ||
        !loadLeafData(in, ioLeafPool, iLeafNodes, std::uint64_t(width) * std::uint64_t(height)))
        return sectionfile::broken(iFilePath, iErrorMessage);
    return true;
}

bool loadZRPCDFile_Matrix(const std::string& iFilePath, std::vector<Point>* oOut,
                          const std::vector<unsigned>& iIndices, bool volatile* iStop, std::string& iErrorMessage)
{
    rawio::InputFile in;
    if (!FL_begin(in, iFilePath, iErrorMessage))
        return false;
    return loadPointData(in, oOut, iIndices, iStop) || sectionfile::broken(iFilePath, iErrorMessage);
}

bool loadZRPCDFile_Matrix(const std::string& iFilePath, std::vector<Point>* oOut,
                          const std::vector<unsigned>& iIndices, std::string& iErrorMessage)
{
    return loadZRPCDFile_Matrix(iFilePath, oOut, iIndices, nullptr, iErrorMessage);
}
