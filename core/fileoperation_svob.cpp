#include "fileoperation_svob.h"

#include "fileoperation_svo.h"
#include "rawio.h"
#include "sectionfile.h"

#include <fstream>
#include <iostream>

namespace {

const std::string flFileID = "QuillmarshPointCloudData";
const std::string flVersion = "0.1";
const std::string flDataID = "PC<ColorBlock,PointBlock>";

} // namespace

SVOBFileOperator::SVOBFileOperator(const std::string& iFilePath) : mFilePath(iFilePath)
{
}

bool SVOBFileOperator::save(int iPointNumber, const SparseVoxelOctree& iOctree,
                            const VoxelBlockPool<ColorBlock>& iVoxelPool, const LeafBlockPool<PointBlock>& iLeafPool)
{
    std::ofstream out(mFilePath, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        mErrorMessage = "Cannot open file for writting: " + mFilePath;
        std::cout << mErrorMessage << std::endl;
        return false;
    }
    const int n = iOctree.getVoxelResolution();
    bool ok = n >= 0 && n <= kMaxVoxelResolution && writeHeader(out, flFileID, flVersion, flDataID) &&
              rawio::writeValue(out, std::uint32_t(iPointNumber)) && writeTree(out, iOctree) &&
              writeNode(out, iOctree) && writeVoxelInfo(out, iVoxelPool, n * n * n) &&
              writeVoxelBlocks(out, iVoxelPool) && writeLeafData(out, iLeafPool);
    out.flush();
    ok = ok && out.good();
    out.close();
    ok = ok && !out.fail();
    if (!ok)
        mErrorMessage = "Cannot write file: " + mFilePath;
    return ok;
}

bool SVOBFileOperator::broken()
{
    return sectionfile::broken(mFilePath, mErrorMessage);
}

bool SVOBFileOperator::begin(rawio::InputFile& iStream, std::uint32_t* oPointNumber)
{
    if (!sectionfile::openBinaryFile(iStream, mFilePath, flFileID, flVersion, flDataID, mErrorMessage))
        return false;
    return rawio::readValue(iStream, oPointNumber) || broken();
}

bool SVOBFileOperator::load(int* oPointNumber, SparseVoxelOctree* oOctree, VoxelBlockPool<ColorBlock>* oVoxelPool,
                            LeafBlockPool<PointBlock>* oLeafPool)
{
    rawio::InputFile in;
    std::uint32_t pointNumber = 0;
    if (!begin(in, &pointNumber))
        return false;
    if (!loadTree(in, oOctree) || !loadNode(in, oOctree))
        return broken();
    const int n = oOctree->getVoxelResolution();
    if (!loadVoxelData(in, oVoxelPool, n * n * n) || !loadLeafData(in, oLeafPool) ||
        !checkSVOData(*oOctree, *oVoxelPool, *oLeafPool))
        return broken();
    *oPointNumber = static_cast<int>(pointNumber);
    return true;
}

bool SVOBFileOperator::load_Base(int* oPointNumber, SparseVoxelOctree* oOctree)
{
    rawio::InputFile in;
    std::uint32_t pointNumber = 0;
    if (!begin(in, &pointNumber))
        return false;
    if (!loadTree(in, oOctree))
        return broken();
    *oPointNumber = static_cast<int>(pointNumber);
    return true;
}

bool SVOBFileOperator::load_Tree(SparseVoxelOctree* oOctree)
{
    rawio::InputFile in;
    std::uint32_t pointNumber = 0;
    if (!begin(in, &pointNumber))
        return false;
    return loadTree(in, oOctree) || broken();
}

bool SVOBFileOperator::load_Node(SparseVoxelOctree* ioOctree, int iDepth)
{
    SVONodeList nodes;
    if (!load_Node(ioOctree->getLayerSizeList(), ioOctree->getNodeNumber(), iDepth, &nodes))
        return false;
    appendNodes(ioOctree, &nodes);
    ioOctree->setLoadedDepth(iDepth);
    return true;
}

bool SVOBFileOperator::load_Node(const std::vector<int>& iLayers, std::uint64_t iPresent, int iDepth,
                                 SVONodeList* oNodes)
{
    rawio::InputFile in;
    std::uint32_t pointNumber = 0;
    if (!begin(in, &pointNumber))
        return false;
    return (readTree(in) && loadNode(in, iLayers, iPresent, iDepth, oNodes)) || broken();
}

bool SVOBFileOperator::load_Voxel(VoxelBlockPool<ColorBlock>* ioPool,
                                  const std::vector<const SparseVoxelOctreeNode*>& iNodes, int iVoxelCount)
{
    rawio::InputFile in;
    std::uint32_t pointNumber = 0;
    if (!begin(in, &pointNumber))
        return false;
    return (readTree(in) && readNode(in) && loadVoxelData(in, ioPool, iNodes, iVoxelCount)) || broken();
}

bool SVOBFileOperator::load_Leaf(LeafBlockPool<PointBlock>* ioPool,
                                 const std::vector<const SparseVoxelOctreeNode*>& iNodes, int iVoxelCount)
{
    rawio::InputFile in;
    std::uint32_t pointNumber = 0;
    if (!begin(in, &pointNumber))
        return false;
    // The voxel section is passed by a voxel load of no nodes into a pool that is dropped.
    VoxelBlockPool<ColorBlock> skipped;
    return (readTree(in) && readNode(in) && loadVoxelData(in, &skipped, {}, iVoxelCount) &&
            loadLeafData(in, ioPool, iNodes)) ||
           broken();
}
