#include "binaryfileoperator.h"

#include "pointclouddata.h"
#include "rawio.h"

#include <algorithm>

template <typename T>
bool BinaryFileOperator::read(std::istream& iStream, std::vector<T>& oOut, const std::vector<unsigned>& iIndices)
{
    return read<T>(iStream, oOut, iIndices, nullptr);
}

template <typename T>
bool BinaryFileOperator::read(std::istream& iStream, std::vector<T>& oOut, const std::vector<unsigned>& iIndices,
                              bool volatile* iStop)
{
    if (oOut.empty())
        return true;
    const std::streamoff base = iStream.tellg();
    if (base < 0)
        return false;
    const size_t count = std::min(oOut.size(), iIndices.size());
    size_t k = 0;
    while (k < count) {
        if (iStop != nullptr && *iStop)
            return true;
        // Consecutive record numbers are read in one go.
        size_t run = 1;
        while (k + run < count && iIndices[k + run] == iIndices[k] + run && run < 4096)
            ++run;
        iStream.clear();
        iStream.seekg(base + static_cast<std::streamoff>(iIndices[k]) * static_cast<std::streamoff>(sizeof(T)));
        if (!rawio::readRaw(iStream, &oOut[k], std::uint64_t(run) * sizeof(T)))
            return false;
        k += run;
    }
    return true;
}

template bool BinaryFileOperator::read<Point>(std::istream&, std::vector<Point>&, const std::vector<unsigned>&);
template bool BinaryFileOperator::read<Point>(std::istream&, std::vector<Point>&, const std::vector<unsigned>&,
                                              bool volatile*);
template bool BinaryFileOperator::read<Triangle>(std::istream&, std::vector<Triangle>&,
                                                 const std::vector<unsigned>&);
