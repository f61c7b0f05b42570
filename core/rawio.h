#ifndef CORE_RAWIO_H
#define CORE_RAWIO_H

#include <cstdint>
#include <istream>
#include <ostream>
#include <vector>

// Raw little-endian dumps of arrays. Large arrays go through in chunks below 2 GiB,
// giving the same byte stream as one write.
namespace rawio {

constexpr std::uint64_t kMaxChunk = 0x7FFFFFF8ull;

bool writeRaw(std::ostream& iStream, const void* iData, std::uint64_t iBytes);
bool readRaw(std::istream& iStream, void* oData, std::uint64_t iBytes);

// Bytes between the read position and the end of the stream; -1 when the stream cannot tell.
std::int64_t bytesLeft(std::istream& iStream);

// True when iCount records of iRecordSize bytes fit in what is left of the stream
// (the product is computed without overflow).
bool fits(std::istream& iStream, std::uint64_t iCount, std::uint64_t iRecordSize);

template <typename T>
bool writeValue(std::ostream& iStream, const T& iValue)
{
    return writeRaw(iStream, &iValue, sizeof(T));
}

template <typename T>
bool readValue(std::istream& iStream, T* oValue)
{
    return readRaw(iStream, oValue, sizeof(T));
}

template <typename T>
bool writeVector(std::ostream& iStream, const std::vector<T>& iData)
{
    return writeRaw(iStream, iData.data(), std::uint64_t(iData.size()) * sizeof(T));
}

// Resizes oData to iCount and fills it, after checking that the stream holds that much.
template <typename T>
bool readVector(std::istream& iStream, std::vector<T>* oData, std::uint64_t iCount)
{
    if (!fits(iStream, iCount, sizeof(T)))
        return false;
    oData->resize(static_cast<size_t>(iCount));
    return readRaw(iStream, oData->data(), iCount * sizeof(T));
}

} // namespace rawio

#endif
