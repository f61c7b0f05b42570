#include "fileoperation_svo.h"

#include "rawio.h"
#include "stringdivider.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <memory>

namespace {

// Arrays of small records go through a buffer of about this size.
constexpr std::uint64_t kBatchBytes = 1u << 20;

std::uint64_t FL_occupancyBytes(int iVoxelCount)
{
    return (std::uint64_t(iVoxelCount) + 7) / 8;
}

template <typename T>
void FL_put(unsigned char* oBuffer, std::size_t iOffset, const T& iValue)
{
    std::memcpy(oBuffer + iOffset, &iValue, sizeof(T));
}

template <typename T>
T FL_get(const unsigned char* iBuffer, std::size_t iOffset)
{
    T value;
    std::memcpy(&value, iBuffer + iOffset, sizeof(T));
    return value;
}

// Packs iCount records of iSize bytes with iPack(record, i) and writes them batch by batch.
template <typename F>
bool FL_writeRecords(std::ostream& iStream, std::uint64_t iCount, std::uint64_t iSize, F iPack)
{
    if (iCount == 0)
        return static_cast<bool>(iStream);
    const std::uint64_t perBatch = std::max<std::uint64_t>(1, kBatchBytes / iSize);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min(iCount, perBatch) * iSize));
    for (std::uint64_t i = 0; i < iCount;) {
        const std::uint64_t n = std::min(perBatch, iCount - i);
        for (std::uint64_t k = 0; k < n; ++k)
            if (!iPack(buffer.data() + k * iSize, i + k))
                return false;
        if (!rawio::writeRaw(iStream, buffer.data(), n * iSize))
            return false;
        i += n;
    }
    return true;
}

// Reads iCount records of iSize bytes batch by batch and hands each to iParse(record, i).
// The caller has checked that the records fit in the stream.
template <typename F>
bool FL_readRecords(std::istream& iStream, std::uint64_t iCount, std::uint64_t iSize, F iParse)
{
    if (iCount == 0)
        return true;
    const std::uint64_t perBatch = std::max<std::uint64_t>(1, kBatchBytes / iSize);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min(iCount, perBatch) * iSize));
    for (std::uint64_t i = 0; i < iCount;) {
        const std::uint64_t n = std::min(perBatch, iCount - i);
        if (!rawio::readRaw(iStream, buffer.data(), n * iSize))
            return false;
        for (std::uint64_t k = 0; k < n; ++k)
            if (!iParse(buffer.data() + k * iSize, i + k))
                return false;
        i += n;
    }
    return true;
}

bool FL_seek(std::istream& iStream, std::uint64_t iPosition)
{
    iStream.seekg(static_cast<std::streamoff>(iPosition));
    return static_cast<bool>(iStream);
}

// Read position as an unsigned offset; false when the stream cannot tell.
bool FL_tell(std::istream& iStream, std::uint64_t* oPosition)
{
    if (!iStream)
        return false;
    const std::streamoff position = iStream.tellg();
    if (position < 0)
        return false;
    *oPosition = static_cast<std::uint64_t>(position);
    return true;
}

// ---- node records ----

void FL_packNode(unsigned char* oRecord, const SparseVoxelOctreeNode& iNode)
{
    FL_put(oRecord, 0, std::uint32_t(iNode.getIndex()));
    FL_put(oRecord, 4, std::int32_t(iNode.getFirstIndex()));
    std::memcpy(oRecord + 8, iNode.getChildFlags(), 8);
    FL_put(oRecord, 16, std::int32_t(iNode.getDepth()));
    FL_put(oRecord, 20, iNode.getCenter());
    FL_put(oRecord, 32, iNode.getColor());
    FL_put(oRecord, 36, std::int32_t(iNode.getVoxelInfoIndex()));
}

void FL_unpackNode(const unsigned char* iRecord, SparseVoxelOctreeNode* oNode)
{
    oNode->setIndex(FL_get<std::uint32_t>(iRecord, 0));
    oNode->setFirstIndex(FL_get<std::int32_t>(iRecord, 4));
    for (int o = 0; o < 8; ++o)
        oNode->setChildFlag(o, iRecord[8 + o]);
    oNode->setDepth(FL_get<std::int32_t>(iRecord, 16));
    oNode->setCenter(FL_get<Vector3T<float>>(iRecord, 20));
    oNode->setColor(FL_get<Color>(iRecord, 32));
    oNode->setVoxelInfoIndex(FL_get<std::int32_t>(iRecord, 36));
}

// What a node record must satisfy on its own, at list position iPosition of iNodeCount nodes:
// its index is its position, and its children lie inside the list after it, so that walking
// down the children always ends.
bool FL_checkNode(const SparseVoxelOctreeNode& iNode, std::uint64_t iPosition, std::uint64_t iNodeCount)
{
    if (iNode.getIndex() != iPosition || iNode.getFirstIndex() < -1 || iNode.getVoxelInfoIndex() < -1)
        return false;
    if (!iNode.hasChild())
        return true;
    const std::int64_t first = iNode.getFirstIndex();
    return first > static_cast<std::int64_t>(iPosition) &&
           std::uint64_t(first) + std::uint64_t(iNode.getChildNumber()) <= iNodeCount;
}

// ---- voxel info records ----

unsigned FL_bitCount(const std::vector<Bit8Block>& iBits)
{
    unsigned n = 0;
    for (const Bit8Block& b : iBits)
        for (int bit = 0; bit < 8; ++bit)
            n += b.get(bit);
    return n;
}

bool FL_save(unsigned char* oRecord, const SVON_VoxelInfoPart& iInfo, std::uint64_t iBytes)
{
    if (iInfo.getOccupancy().size() != iBytes)
        return false;
    FL_put(oRecord, 0, std::uint32_t(iInfo.getFirstIndex()));
    FL_put(oRecord, 4, std::uint32_t(iInfo.getCount()));
    if (iBytes > 0)
        std::memcpy(oRecord + 8, iInfo.getOccupancy().data(), static_cast<std::size_t>(iBytes));
    return true;
}

// The occupied count must match the occupancy bits, so that voxel centres and colours pair up.
bool FL_load(const unsigned char* iRecord, SVON_VoxelInfoPart* oInfo, std::uint64_t iBytes)
{
    oInfo->setFirstIndex(FL_get<std::uint32_t>(iRecord, 0));
    oInfo->setCount(FL_get<std::uint32_t>(iRecord, 4));
    oInfo->getOccupancy().resize(static_cast<std::size_t>(iBytes));
    if (iBytes > 0)
        std::memcpy(oInfo->getOccupancy().data(), iRecord + 8, static_cast<std::size_t>(iBytes));
    return FL_bitCount(oInfo->getOccupancy()) == oInfo->getCount();
}

bool FL_insideTotal(unsigned iFirst, unsigned iCount, unsigned iTotal)
{
    return std::uint64_t(iFirst) + iCount <= iTotal;
}

// ---- blocks by kind ----

std::uint64_t FL_elementCount(const ColorBlock& iBlock)
{
    return iBlock.colors.size();
}

// A point block whose lists differ in length has no count.
std::uint64_t FL_elementCount(const PointBlock& iBlock)
{
    return iBlock.positions.size() == iBlock.colors.size() ? iBlock.positions.size()
                                                             : std::numeric_limits<std::uint64_t>::max();
}

std::uint64_t FL_elementCount(const PointIndexBlock& iBlock)
{
    return iBlock.indices.size();
}

std::uint64_t FL_elementCount(const ElementIndexBlock& iBlock)
{
    return iBlock.indices.size();
}

bool FL_indicesBelow(const std::vector<unsigned>& iIndices, std::uint64_t iLimit)
{
    for (unsigned index : iIndices)
        if (index >= iLimit)
            return false;
    return true;
}

bool FL_indicesBelow(const PointBlock&, std::uint64_t)
{
    return true;
}

bool FL_indicesBelow(const PointIndexBlock& iBlock, std::uint64_t iLimit)
{
    return FL_indicesBelow(iBlock.indices, iLimit);
}

bool FL_indicesBelow(const ElementIndexBlock& iBlock, std::uint64_t iLimit)
{
    return FL_indicesBelow(iBlock.indices, iLimit);
}

bool FL_writeBlock(std::ostream& iStream, const PointBlock& iBlock)
{
    if (iBlock.positions.size() != iBlock.colors.size())
        return false;
    return rawio::writeVector(iStream, iBlock.positions) && rawio::writeVector(iStream, iBlock.colors);
}

bool FL_writeBlock(std::ostream& iStream, const PointIndexBlock& iBlock)
{
    return rawio::writeVector(iStream, iBlock.indices);
}

bool FL_writeBlock(std::ostream& iStream, const ElementIndexBlock& iBlock)
{
    return rawio::writeVector(iStream, iBlock.indices);
}

bool FL_readBlock(std::istream& iStream, PointBlock* oBlock, unsigned iCount)
{
    if (!rawio::fits(iStream, iCount, getSeekSize<PointBlock>()))
        return false;
    if (!rawio::readVector(iStream, &oBlock->positions, iCount) || !rawio::readVector(iStream, &oBlock->colors, iCount))
        return false;
    oBlock->flags.assign(iCount, 0u);
    return true;
}

bool FL_readBlock(std::istream& iStream, PointIndexBlock* oBlock, unsigned iCount)
{
    return rawio::readVector(iStream, &oBlock->indices, iCount);
}

bool FL_readBlock(std::istream& iStream, ElementIndexBlock* oBlock, unsigned iCount)
{
    return rawio::readVector(iStream, &oBlock->indices, iCount);
}

// An entry that can be written: present, with a block that holds its count.
template <typename E>
bool FL_complete(const E* iEntry)
{
    return iEntry != nullptr && iEntry->getBlock() != nullptr &&
           FL_elementCount(*iEntry->getBlock()) == iEntry->getCount();
}

// Entry numbers of the listed nodes, ascending and each once.
std::vector<unsigned> FL_sortedNumbers(std::vector<unsigned> iNumbers)
{
    std::sort(iNumbers.begin(), iNumbers.end());
    iNumbers.erase(std::unique(iNumbers.begin(), iNumbers.end()), iNumbers.end());
    return iNumbers;
}

// Makes room for entry iLargest in an entry list (new slots null).
template <typename E>
void FL_reserveEntry(std::vector<E*>* ioEntries, unsigned iLargest)
{
    if (ioEntries->size() <= iLargest)
        ioEntries->resize(std::size_t(iLargest) + 1, nullptr);
}

} // namespace

// ---------------------------------------------------------------------------
// Header
// ---------------------------------------------------------------------------

bool writeHeader(std::ostream& iStream, const std::string& iFileID, const std::string& iVersion,
                 const std::string& iDataID)
{
    const std::string text = iFileID + " " + iVersion + " " + iDataID;
    return rawio::writeValue(iStream, std::uint32_t(text.size())) && rawio::writeRaw(iStream, text.data(), text.size());
}

bool readHeader(std::istream& iStream, std::string* oText)
{
    std::uint32_t length = 0;
    if (!rawio::readValue(iStream, &length) || length > kMaxHeaderLength)
        return false;
    std::string text(length, '\0');
    if (!rawio::readRaw(iStream, &text[0], length))
        return false;
    *oText = text;
    return true;
}

bool checkHeader(const std::string& iText, const std::string& iFileID, const std::string& iVersion,
                 const std::string& iDataID)
{
    StringDivider divider;
    divider.entry(' ');
    const std::vector<std::string> words = divider.divide(iText);
    if (words.size() != 3)
        return false;
    if (words[0] != iFileID) {
        std::cout << "Error FileID: " << words[0] << std::endl;
        return false;
    }
    if (words[1] != iVersion) {
        std::cout << "Error Version: " << words[1] << std::endl;
        return false;
    }
    if (words[2] != iDataID) {
        std::cout << "Error DataID: " << words[2] << std::endl;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Writers
// ---------------------------------------------------------------------------

bool writeTree(std::ostream& iStream, const SparseVoxelOctree& iOctree)
{
    const Vector3T<float> center(iOctree.getBoundingBox().getCenter());
    const Vector3T<float> size(iOctree.getBoundingBox().getSize());
    const std::vector<int>& layers = iOctree.getLayerSizeList();
    if (!rawio::writeValue(iStream, center) || !rawio::writeValue(iStream, size) ||
        !rawio::writeValue(iStream, std::int32_t(iOctree.getVoxelResolution())) ||
        !rawio::writeValue(iStream, std::uint32_t(layers.size())))
        return false;
    for (int layer : layers)
        if (layer < 0)
            return false;
    return rawio::writeVector(iStream, layers);
}

bool writeNode(std::ostream& iStream, const SparseVoxelOctree& iOctree)
{
    const std::vector<SparseVoxelOctreeNode*>& nodes = iOctree.getNodeList();
    if (nodes.size() > std::numeric_limits<std::uint32_t>::max() ||
        !rawio::writeValue(iStream, std::uint32_t(nodes.size())))
        return false;
    return FL_writeRecords(iStream, nodes.size(), kNodeRecordSize, [&](unsigned char* record, std::uint64_t i) {
        if (nodes[i] == nullptr)
            return false;
        FL_packNode(record, *nodes[i]);
        return true;
    });
}

template <typename C>
bool writeVoxelInfo(std::ostream& iStream, const VoxelBlockPool<C>& iPool, int iVoxelCount)
{
    const std::vector<VoxelInfo<C>*>& entries = iPool.getEntries();
    if (iVoxelCount < 0 || entries.size() > std::numeric_limits<std::uint32_t>::max() ||
        !rawio::writeValue(iStream, std::uint32_t(entries.size())))
        return false;
    const std::uint64_t bytes = FL_occupancyBytes(iVoxelCount);
    return FL_writeRecords(iStream, entries.size(), 8 + bytes, [&](unsigned char* record, std::uint64_t i) {
        return entries[i] != nullptr && FL_save(record, *entries[i], bytes);
    });
}

template <typename C>
bool writeVoxelBlock(std::ostream& iStream, const C& iBlock)
{
    return rawio::writeVector(iStream, iBlock.colors);
}

template <typename C>
bool writeVoxelBlocks(std::ostream& iStream, const VoxelBlockPool<C>& iPool)
{
    // A block that disagrees with its entry or a total that is not the sum would make a file
    // that cannot be read back.
    std::uint64_t sum = 0;
    for (const VoxelInfo<C>* entry : iPool.getEntries()) {
        if (!FL_complete(entry))
            return false;
        sum += entry->getCount();
    }
    if (sum != iPool.getTotal() || !rawio::writeValue(iStream, std::uint32_t(iPool.getTotal())))
        return false;
    for (const VoxelInfo<C>* entry : iPool.getEntries())
        if (!writeVoxelBlock(iStream, *entry->getBlock()))
            return false;
    return true;
}

template <typename L>
bool writeLeafBlock(std::ostream& iStream, const L& iBlock)
{
    return FL_writeBlock(iStream, iBlock);
}

template <typename L>
bool writeLeafData(std::ostream& iStream, const LeafBlockPool<L>& iPool)
{
    const std::vector<LeafInfo<L>*>& entries = iPool.getEntries();
    std::uint64_t sum = 0;
    for (const LeafInfo<L>* entry : entries) {
        if (!FL_complete(entry))
            return false;
        sum += entry->getCount();
    }
    if (entries.size() > std::numeric_limits<std::uint32_t>::max() || sum != iPool.getTotal() ||
        !rawio::writeValue(iStream, std::uint32_t(entries.size())))
        return false;
    const bool info = FL_writeRecords(iStream, entries.size(), 8, [&](unsigned char* record, std::uint64_t i) {
        FL_put(record, 0, std::uint32_t(entries[i]->getFirstIndex()));
        FL_put(record, 4, std::uint32_t(entries[i]->getCount()));
        return true;
    });
    if (!info || !rawio::writeValue(iStream, std::uint32_t(iPool.getTotal())))
        return false;
    for (const LeafInfo<L>* entry : entries)
        if (!writeLeafBlock(iStream, *entry->getBlock()))
            return false;
    return true;
}

template <>
unsigned getSeekSize<ColorBlock>()
{
    return 4;
}

template <>
unsigned getSeekSize<PointBlock>()
{
    return 16;
}

template <>
unsigned getSeekSize<PointIndexBlock>()
{
    return 4;
}

template <>
unsigned getSeekSize<ElementIndexBlock>()
{
    return 4;
}

// ---------------------------------------------------------------------------
// Whole loaders
// ---------------------------------------------------------------------------

namespace {

struct FL_Tree
{
    Vector3T<float> center;
    Vector3T<float> size;
    std::int32_t resolution = 0;
    std::vector<int> layers;
};

// The box becomes the shot's box and every octree has its root layer, so a box that is not
// finite or a tree without layers is refused, also where the layers are only skipped.
bool FL_readTree(std::istream& iStream, FL_Tree* oTree, bool iKeepLayers)
{
    std::uint32_t layerCount = 0;
    if (!rawio::readValue(iStream, &oTree->center) || !rawio::readValue(iStream, &oTree->size) ||
        !rawio::readValue(iStream, &oTree->resolution) || !rawio::readValue(iStream, &layerCount))
        return false;
    if (!oTree->center.isFinite() || !oTree->size.isFinite() || oTree->resolution < 0 ||
        oTree->resolution > kMaxVoxelResolution || layerCount == 0 || !rawio::fits(iStream, layerCount, 4))
        return false;
    if (!iKeepLayers) {
        iStream.seekg(static_cast<std::streamoff>(std::uint64_t(layerCount) * 4), std::ios::cur);
        return static_cast<bool>(iStream);
    }
    std::vector<std::uint32_t> layers;
    if (!rawio::readVector(iStream, &layers, layerCount))
        return false;
    oTree->layers.resize(layers.size());
    for (std::size_t i = 0; i < layers.size(); ++i) {
        if (layers[i] > std::uint32_t(std::numeric_limits<int>::max()))
            return false;
        oTree->layers[i] = static_cast<int>(layers[i]);
    }
    return true;
}

// The layers as a build leaves them: one root, no empty layer, and as many nodes in all as the
// node section holds. Partial node loads read only as many records as the layers add up to, so
// layers that fall short would silently drop the nodes behind them.
bool FL_layersMatch(const std::vector<int>& iLayers, std::uint32_t iNodeCount)
{
    if (iLayers.empty() || iLayers[0] != 1)
        return false;
    std::uint64_t sum = 0;
    for (int layer : iLayers) {
        if (layer <= 0)
            return false;
        sum += std::uint64_t(layer);
    }
    return sum == iNodeCount;
}

// Reads records [iBegin, iEnd) of a node section of iNodeCount records into new nodes,
// each checked on its own and, with layer sizes given, against the layer of its position.
bool FL_readNodes(std::istream& iStream, std::uint64_t iBegin, std::uint64_t iEnd, std::uint64_t iNodeCount,
                  const std::vector<int>* iLayers, std::vector<std::unique_ptr<SparseVoxelOctreeNode>>* oNodes)
{
    oNodes->reserve(static_cast<std::size_t>(iEnd - iBegin));
    std::size_t layer = 0;
    std::uint64_t layerEnd = iLayers && !iLayers->empty() ? std::uint64_t((*iLayers)[0]) : 0;
    return FL_readRecords(iStream, iEnd - iBegin, kNodeRecordSize, [&](const unsigned char* record, std::uint64_t k) {
        const std::uint64_t position = iBegin + k;
        std::unique_ptr<SparseVoxelOctreeNode> node(new SparseVoxelOctreeNode);
        FL_unpackNode(record, node.get());
        if (!FL_checkNode(*node, position, iNodeCount))
            return false;
        if (iLayers) {
            while (layer < iLayers->size() && position >= layerEnd) {
                ++layer;
                if (layer < iLayers->size())
                    layerEnd += std::uint64_t((*iLayers)[layer]);
            }
            if (layer >= iLayers->size() || node->getDepth() != static_cast<int>(layer))
                return false;
        }
        oNodes->push_back(std::move(node));
        return true;
    });
}

// Reads the entry records (iRecordSize bytes, first index and count in front) and the total of
// a voxel or leaf section: each first index must be the sum of the counts before it, and the
// total their sum. With an element size, the stream is left after the section's elements.
bool FL_readRunningTotals(std::istream& iStream, std::uint64_t iRecordSize, std::uint64_t iElementSize)
{
    std::uint32_t count = 0;
    if (!rawio::readValue(iStream, &count) || !rawio::fits(iStream, count, iRecordSize))
        return false;
    std::uint64_t sum = 0;
    std::uint32_t total = 0;
    if (!FL_readRecords(iStream, count, iRecordSize,
                        [&](const unsigned char* record, std::uint64_t) {
                            if (FL_get<std::uint32_t>(record, 0) != sum)
                                return false;
                            sum += FL_get<std::uint32_t>(record, 4);
                            return true;
                        }) ||
        !rawio::readValue(iStream, &total) || total != sum)
        return false;
    if (iElementSize == 0)
        return true;
    if (!rawio::fits(iStream, total, iElementSize))
        return false;
    iStream.seekg(static_cast<std::streamoff>(total * iElementSize), std::ios::cur);
    return static_cast<bool>(iStream);
}

// The part loads seek each block by its entry's first index, the whole load reads the blocks
// one after another: the two read the same data only when the first indices are the running
// totals. Checked from the node section at the read position on; the position is kept.
bool FL_checkIndexSections(std::istream& iStream, int iVoxelCount)
{
    std::uint64_t start = 0;
    return FL_tell(iStream, &start) && readNode(iStream) &&
           FL_readRunningTotals(iStream, 8 + FL_occupancyBytes(iVoxelCount), getSeekSize<ColorBlock>()) &&
           FL_readRunningTotals(iStream, 8, 0) && FL_seek(iStream, start);
}

} // namespace

bool loadTree(std::istream& iStream, SparseVoxelOctree* oOctree)
{
    FL_Tree tree;
    std::uint32_t nodeCount = 0;
    if (!FL_readTree(iStream, &tree, true) || !rawio::readValue(iStream, &nodeCount) ||
        !FL_layersMatch(tree.layers, nodeCount))
        return false;
    // The node count is read again by whoever reads the node section.
    iStream.seekg(-4, std::ios::cur);
    if (!iStream || !FL_checkIndexSections(iStream, tree.resolution * tree.resolution * tree.resolution))
        return false;
    oOctree->setBoundingBox(BoundingBox(Vector3T<double>(tree.center), Vector3T<double>(tree.size)));
    oOctree->setVoxelResolution(tree.resolution);
    oOctree->getLayerSizeList() = tree.layers;
    return true;
}

bool loadNode(std::istream& iStream, SparseVoxelOctree* oOctree)
{
    std::uint32_t count = 0;
    if (!rawio::readValue(iStream, &count) || !rawio::fits(iStream, count, kNodeRecordSize))
        return false;
    const std::uint64_t base = oOctree->getNodeNumber();
    std::vector<std::unique_ptr<SparseVoxelOctreeNode>> nodes;
    if (base != 0 || !FL_readNodes(iStream, 0, count, count, nullptr, &nodes))
        return false;
    appendNodes(oOctree, &nodes);
    return true;
}

template <typename C>
bool loadVoxelInfo(std::istream& iStream, VoxelBlockPool<C>* oPool, int iVoxelCount)
{
    std::uint32_t count = 0;
    if (iVoxelCount < 0 || !rawio::readValue(iStream, &count))
        return false;
    const std::uint64_t bytes = FL_occupancyBytes(iVoxelCount);
    if (!rawio::fits(iStream, count, 8 + bytes))
        return false;
    return FL_readRecords(iStream, count, 8 + bytes, [&](const unsigned char* record, std::uint64_t) {
        std::unique_ptr<VoxelInfo<C>> entry(new VoxelInfo<C>);
        if (!FL_load(record, entry.get(), bytes))
            return false;
        oPool->addEntry(entry.release());
        return true;
    });
}

template <typename C>
bool loadVoxelBlock(std::istream& iStream, C* oBlock, unsigned iCount)
{
    return rawio::readVector(iStream, &oBlock->colors, iCount);
}

template <typename C>
bool loadVoxelData(std::istream& iStream, VoxelBlockPool<C>* oPool, int iVoxelCount)
{
    const std::size_t first = oPool->getEntries().size();
    std::uint32_t total = 0;
    if (!loadVoxelInfo(iStream, oPool, iVoxelCount) || !rawio::readValue(iStream, &total) ||
        !rawio::fits(iStream, total, getSeekSize<C>()))
        return false;
    // The blocks follow one another, so their counts must add up to the total for the
    // next section to start where it should.
    std::uint64_t sum = 0;
    for (std::size_t i = first; i < oPool->getEntries().size(); ++i)
        sum += oPool->getEntries()[i]->getCount();
    if (sum != total)
        return false;
    oPool->setTotal(total);
    for (std::size_t i = first; i < oPool->getEntries().size(); ++i) {
        VoxelInfo<C>* entry = oPool->getEntries()[i];
        std::unique_ptr<C> block(new C);
        if (!loadVoxelBlock(iStream, block.get(), entry->getCount()))
            return false;
        entry->setBlock(block.release());
    }
    return true;
}

template <typename L>
bool loadLeafInfo(std::istream& iStream, LeafBlockPool<L>* oPool)
{
    std::uint32_t count = 0;
    if (!rawio::readValue(iStream, &count) || !rawio::fits(iStream, count, 8))
        return false;
    return FL_readRecords(iStream, count, 8, [&](const unsigned char* record, std::uint64_t) {
        std::unique_ptr<LeafInfo<L>> entry(new LeafInfo<L>);
        entry->setFirstIndex(FL_get<std::uint32_t>(record, 0));
        entry->setCount(FL_get<std::uint32_t>(record, 4));
        oPool->addEntry(entry.release());
        return true;
    });
}

template <typename L>
bool loadLeafBlock(std::istream& iStream, L* oBlock, unsigned iCount, std::uint64_t iIndexLimit)
{
    return FL_readBlock(iStream, oBlock, iCount) && FL_indicesBelow(*oBlock, iIndexLimit);
}

template <typename L>
bool loadLeafData(std::istream& iStream, LeafBlockPool<L>* oPool, std::uint64_t iIndexLimit)
{
    const std::size_t first = oPool->getEntries().size();
    std::uint32_t total = 0;
    if (!loadLeafInfo(iStream, oPool) || !rawio::readValue(iStream, &total) ||
        !rawio::fits(iStream, total, getSeekSize<L>()))
        return false;
    std::uint64_t sum = 0;
    for (std::size_t i = first; i < oPool->getEntries().size(); ++i)
        sum += oPool->getEntries()[i]->getCount();
    if (sum != total)
        return false;
    oPool->setTotal(total);
    for (std::size_t i = first; i < oPool->getEntries().size(); ++i) {
        LeafInfo<L>* entry = oPool->getEntries()[i];
        std::unique_ptr<L> block(new L);
        if (!loadLeafBlock(iStream, block.get(), entry->getCount(), iIndexLimit))
            return false;
        entry->setBlock(block.release());
    }
    return true;
}

template <typename C, typename L>
bool checkSVOData(const SparseVoxelOctree& iOctree, const VoxelBlockPool<C>& iVoxelPool,
                  const LeafBlockPool<L>& iLeafPool, std::uint64_t iIndexLimit)
{
    const int n = iOctree.getVoxelResolution();
    if (n < 0 || n > kMaxVoxelResolution)
        return false;
    const std::uint64_t occupancyBytes = FL_occupancyBytes(n * n * n);

    const std::vector<SparseVoxelOctreeNode*>& nodes = iOctree.getNodeList();
    const std::vector<int>& layers = iOctree.getLayerSizeList();
    std::uint64_t layerSum = 0;
    for (int layer : layers) {
        if (layer < 0)
            return false;
        layerSum += std::uint64_t(layer);
    }
    if (layerSum != nodes.size())
        return false;

    std::size_t position = 0;
    for (std::size_t depth = 0; depth < layers.size(); ++depth) {
        for (int k = 0; k < layers[depth]; ++k, ++position) {
            const SparseVoxelOctreeNode* node = nodes[position];
            if (node == nullptr || !FL_checkNode(*node, position, nodes.size()) ||
                node->getDepth() != static_cast<int>(depth))
                return false;
            if (node->hasChild()) {
                const int childCount = node->getChildNumber();
                for (int c = 0; c < childCount; ++c) {
                    const SparseVoxelOctreeNode* child = nodes[std::size_t(node->getFirstIndex()) + std::size_t(c)];
                    if (child == nullptr || child->getDepth() != node->getDepth() + 1)
                        return false;
                }
            } else if (node->getFirstIndex() >= 0 &&
                       std::size_t(node->getFirstIndex()) >= iLeafPool.getEntries().size()) {
                return false;
            }
            if (node->getVoxelInfoIndex() >= 0 &&
                std::size_t(node->getVoxelInfoIndex()) >= iVoxelPool.getEntries().size())
                return false;
        }
    }

    std::uint64_t sum = 0;
    for (const VoxelInfo<C>* entry : iVoxelPool.getEntries()) {
        if (entry == nullptr || entry->getBlock() == nullptr || entry->getOccupancy().size() != occupancyBytes ||
            FL_bitCount(entry->getOccupancy()) != entry->getCount() ||
            FL_elementCount(*entry->getBlock()) != entry->getCount() ||
            entry->getFirstIndex() != sum)
            return false;
        sum += entry->getCount();
    }
    if (sum != iVoxelPool.getTotal())
        return false;

    sum = 0;
    for (const LeafInfo<L>* entry : iLeafPool.getEntries()) {
        if (entry == nullptr || entry->getBlock() == nullptr ||
            FL_elementCount(*entry->getBlock()) != entry->getCount() ||
            entry->getFirstIndex() != sum || !FL_indicesBelow(*entry->getBlock(), iIndexLimit))
            return false;
        sum += entry->getCount();
    }
    return sum == iLeafPool.getTotal();
}

// ---------------------------------------------------------------------------
// Skippers
// ---------------------------------------------------------------------------

bool readTree(std::istream& iStream)
{
    FL_Tree tree;
    return FL_readTree(iStream, &tree, false);
}

bool readNode(std::istream& iStream)
{
    std::uint32_t count = 0;
    if (!rawio::readValue(iStream, &count) || !rawio::fits(iStream, count, kNodeRecordSize))
        return false;
    iStream.seekg(static_cast<std::streamoff>(std::uint64_t(count) * kNodeRecordSize), std::ios::cur);
    return static_cast<bool>(iStream);
}

// ---------------------------------------------------------------------------
// Partial loaders
// ---------------------------------------------------------------------------

std::int64_t getTotalSize(const SparseVoxelOctree& iOctree, int iDepth)
{
    return getTotalSize(iOctree.getLayerSizeList(), iDepth);
}

std::int64_t getTotalSize(const std::vector<int>& iLayers, int iDepth)
{
    const std::int64_t end = std::min<std::int64_t>(std::int64_t(iDepth) + 1, std::int64_t(iLayers.size()));
    std::int64_t total = 0;
    for (std::int64_t d = 0; d < end; ++d)
        total += std::max(iLayers[std::size_t(d)], 0);
    return total;
}

bool loadNode(std::istream& iStream, SparseVoxelOctree* ioOctree, int iDepth)
{
    SVONodeList nodes;
    if (!loadNode(iStream, ioOctree->getLayerSizeList(), ioOctree->getNodeNumber(), iDepth, &nodes))
        return false;
    appendNodes(ioOctree, &nodes);
    return true;
}

bool loadNode(std::istream& iStream, const std::vector<int>& iLayers, std::uint64_t iPresent, int iDepth,
              SVONodeList* oNodes)
{
    oNodes->clear();
    std::uint32_t count = 0;
    std::uint64_t start = 0;
    if (!rawio::readValue(iStream, &count) || !FL_tell(iStream, &start) ||
        !rawio::fits(iStream, count, kNodeRecordSize))
        return false;
    const std::uint64_t wanted = static_cast<std::uint64_t>(getTotalSize(iLayers, iDepth));
    // Layer sizes beyond the node count mean the tree and node sections disagree.
    if (wanted > count)
        return false;
    if (iPresent >= wanted)
        return true;
    if (FL_seek(iStream, start + iPresent * kNodeRecordSize) &&
        FL_readNodes(iStream, iPresent, wanted, count, &iLayers, oNodes))
        return true;
    oNodes->clear();
    return false;
}

void appendNodes(SparseVoxelOctree* ioOctree, SVONodeList* ioNodes)
{
    for (std::unique_ptr<SparseVoxelOctreeNode>& node : *ioNodes)
        ioOctree->appendNode(node.release());
    ioNodes->clear();
}

template <typename C>
bool loadVoxelInfo(std::istream& iStream, VoxelBlockPool<C>* ioPool, const std::vector<unsigned>& iNumbers,
                   int iVoxelCount)
{
    std::uint32_t count = 0;
    std::uint64_t start = 0;
    if (iVoxelCount < 0 || !rawio::readValue(iStream, &count) || !FL_tell(iStream, &start))
        return false;
    const std::uint64_t recordSize = 8 + FL_occupancyBytes(iVoxelCount);
    if (!rawio::fits(iStream, count, recordSize))
        return false;
    if (!iNumbers.empty()) {
        const unsigned largest = *std::max_element(iNumbers.begin(), iNumbers.end());
        if (largest >= count)
            return false;
        FL_reserveEntry(&ioPool->getEntries(), largest);
    }
    // Allocated on first use: with numbers to read, one record is known to fit in the stream.
    std::vector<unsigned char> record;
    for (unsigned i : iNumbers) {
        if (ioPool->getEntries()[i] != nullptr)
            continue;
        record.resize(static_cast<std::size_t>(recordSize));
        std::unique_ptr<VoxelInfo<C>> entry(new VoxelInfo<C>);
        if (!FL_seek(iStream, start + i * recordSize) || !rawio::readRaw(iStream, record.data(), recordSize) ||
            !FL_load(record.data(), entry.get(), recordSize - 8))
            return false;
        ioPool->getEntries()[i] = entry.release();
    }
    return FL_seek(iStream, start + count * recordSize);
}

template <typename C>
bool loadVoxelBlock(std::istream& iStream, VoxelBlockPool<C>* ioPool, const std::vector<unsigned>& iNumbers)
{
    const std::uint64_t size = getSeekSize<C>();
    std::uint32_t total = 0;
    std::uint64_t start = 0;
    if (!rawio::readValue(iStream, &total) || !FL_tell(iStream, &start) || !rawio::fits(iStream, total, size))
        return false;
    ioPool->setTotal(total);
    for (unsigned i : iNumbers) {
        VoxelInfo<C>* entry = ioPool->getEntry(i);
        if (entry == nullptr)
            return false;
        if (entry->getBlock() != nullptr)
            continue;
        if (!FL_insideTotal(entry->getFirstIndex(), entry->getCount(), total))
            return false;
        std::unique_ptr<C> block(new C);
        if (!FL_seek(iStream, start + entry->getFirstIndex() * size) ||
            !loadVoxelBlock(iStream, block.get(), entry->getCount()))
            return false;
        entry->setBlock(block.release());
    }
    return FL_seek(iStream, start + total * size);
}

template <typename C>
bool loadVoxelData(std::istream& iStream, VoxelBlockPool<C>* ioPool,
                   const std::vector<const SparseVoxelOctreeNode*>& iNodes, int iVoxelCount)
{
    std::vector<unsigned> numbers;
    for (const SparseVoxelOctreeNode* node : iNodes)
        if (node != nullptr && node->getVoxelInfoIndex() >= 0)
            numbers.push_back(unsigned(node->getVoxelInfoIndex()));
    numbers = FL_sortedNumbers(numbers);
    return loadVoxelInfo(iStream, ioPool, numbers, iVoxelCount) && loadVoxelBlock(iStream, ioPool, numbers);
}

template <typename L>
bool loadLeafInfo(std::istream& iStream, LeafBlockPool<L>* ioPool, const std::vector<unsigned>& iNumbers)
{
    std::uint32_t count = 0;
    std::uint64_t start = 0;
    if (!rawio::readValue(iStream, &count) || !FL_tell(iStream, &start) || !rawio::fits(iStream, count, 8))
        return false;
    if (!iNumbers.empty()) {
        const unsigned largest = *std::max_element(iNumbers.begin(), iNumbers.end());
        if (largest >= count)
            return false;
        FL_reserveEntry(&ioPool->getEntries(), largest);
    }
    for (unsigned i : iNumbers) {
        if (ioPool->getEntries()[i] != nullptr)
            continue;
        std::uint32_t values[2] = {0, 0};
        if (!FL_seek(iStream, start + std::uint64_t(i) * 8) || !rawio::readRaw(iStream, values, 8))
            return false;
        LeafInfo<L>* entry = new LeafInfo<L>;
        entry->setFirstIndex(values[0]);
        entry->setCount(values[1]);
        ioPool->getEntries()[i] = entry;
    }
    return FL_seek(iStream, start + std::uint64_t(count) * 8);
}

template <typename L>
bool loadLeafBlock(std::istream& iStream, LeafBlockPool<L>* ioPool, const std::vector<unsigned>& iNumbers,
                   std::uint64_t iIndexLimit)
{
    const std::uint64_t size = getSeekSize<L>();
    std::uint32_t total = 0;
    std::uint64_t start = 0;
    if (!rawio::readValue(iStream, &total) || !FL_tell(iStream, &start) || !rawio::fits(iStream, total, size))
        return false;
    ioPool->setTotal(total);
    for (unsigned i : iNumbers) {
        LeafInfo<L>* entry = ioPool->getEntry(i);
        if (entry == nullptr)
            return false;
        if (entry->getBlock() != nullptr)
            continue;
        if (!FL_insideTotal(entry->getFirstIndex(), entry->getCount(), total))
            return false;
        std::unique_ptr<L> block(new L);
        if (!FL_seek(iStream, start + entry->getFirstIndex() * size) ||
            !loadLeafBlock(iStream, block.get(), entry->getCount(), iIndexLimit))
            return false;
        entry->setBlock(block.release());
    }
    return FL_seek(iStream, start + total * size);
}

template <typename L>
bool loadLeafData(std::istream& iStream, LeafBlockPool<L>* ioPool,
                  const std::vector<const SparseVoxelOctreeNode*>& iNodes, std::uint64_t iIndexLimit)
{
    std::vector<unsigned> numbers;
    for (const SparseVoxelOctreeNode* node : iNodes)
        if (node != nullptr && !node->hasChild() && node->getFirstIndex() >= 0)
            numbers.push_back(unsigned(node->getFirstIndex()));
    numbers = FL_sortedNumbers(numbers);
    return loadLeafInfo(iStream, ioPool, numbers) && loadLeafBlock(iStream, ioPool, numbers, iIndexLimit);
}

// ---------------------------------------------------------------------------
// Instantiations
// ---------------------------------------------------------------------------

template bool writeVoxelInfo<ColorBlock>(std::ostream&, const VoxelBlockPool<ColorBlock>&, int);
template bool writeVoxelBlock<ColorBlock>(std::ostream&, const ColorBlock&);
template bool writeVoxelBlocks<ColorBlock>(std::ostream&, const VoxelBlockPool<ColorBlock>&);
template bool loadVoxelData<ColorBlock>(std::istream&, VoxelBlockPool<ColorBlock>*, int);
template bool loadVoxelInfo<ColorBlock>(std::istream&, VoxelBlockPool<ColorBlock>*, int);
template bool loadVoxelBlock<ColorBlock>(std::istream&, ColorBlock*, unsigned);
template bool loadVoxelData<ColorBlock>(std::istream&, VoxelBlockPool<ColorBlock>*,
                                        const std::vector<const SparseVoxelOctreeNode*>&, int);
template bool loadVoxelInfo<ColorBlock>(std::istream&, VoxelBlockPool<ColorBlock>*, const std::vector<unsigned>&,
                                        int);
template bool loadVoxelBlock<ColorBlock>(std::istream&, VoxelBlockPool<ColorBlock>*, const std::vector<unsigned>&);

#define FL_INSTANTIATE_LEAF(L)                                                                                   \
    template bool writeLeafData<L>(std::ostream&, const LeafBlockPool<L>&);                                      \
    template bool writeLeafBlock<L>(std::ostream&, const L&);                                                    \
    template bool loadLeafData<L>(std::istream&, LeafBlockPool<L>*, std::uint64_t);                              \
    template bool loadLeafInfo<L>(std::istream&, LeafBlockPool<L>*);                                             \
    template bool loadLeafBlock<L>(std::istream&, L*, unsigned, std::uint64_t);                                  \
    template bool loadLeafData<L>(std::istream&, LeafBlockPool<L>*, const std::vector<const SparseVoxelOctreeNode*>&, \
                                  std::uint64_t);                                                                \
    template bool loadLeafInfo<L>(std::istream&, LeafBlockPool<L>*, const std::vector<unsigned>&);               \
    template bool loadLeafBlock<L>(std::istream&, LeafBlockPool<L>*, const std::vector<unsigned>&, std::uint64_t); \
    template bool checkSVOData<ColorBlock, L>(const SparseVoxelOctree&, const VoxelBlockPool<ColorBlock>&,       \
                                              const LeafBlockPool<L>&, std::uint64_t);

FL_INSTANTIATE_LEAF(PointBlock)
FL_INSTANTIATE_LEAF(PointIndexBlock)
FL_INSTANTIATE_LEAF(ElementIndexBlock)

#undef FL_INSTANTIATE_LEAF
