#include "rawio.h"

#include <algorithm>

namespace rawio {

bool writeRaw(std::ostream& iStream, const void* iData, std::uint64_t iBytes)
{
    const char* p = static_cast<const char*>(iData);
    while (iBytes > 0) {
        const std::uint64_t n = std::min(iBytes, kMaxChunk);
        iStream.write(p, static_cast<std::streamsize>(n));
        if (!iStream)
            return false;
        p += n;
        iBytes -= n;
    }
    return static_cast<bool>(iStream);
}

bool readRaw(std::istream& iStream, void* oData, std::uint64_t iBytes)
{
    char* p = static_cast<char*>(oData);
    while (iBytes > 0) {
        const std::uint64_t n = std::min(iBytes, kMaxChunk);
        iStream.read(p, static_cast<std::streamsize>(n));
        if (static_cast<std::uint64_t>(iStream.gcount()) != n)
            return false;
        p += n;
        iBytes -= n;
    }
    return !iStream.fail();
}

std::int64_t bytesLeft(std::istream& iStream)
{
    if (!iStream)
        return -1;
    const std::streampos here = iStream.tellg();
    if (here == std::streampos(-1))
        return -1;
    iStream.seekg(0, std::ios::end);
    const std::streampos end = iStream.tellg();
    iStream.seekg(here);
    if (end == std::streampos(-1) || !iStream)
        return -1;
    return static_cast<std::int64_t>(end - here);
}

bool fits(std::istream& iStream, std::uint64_t iCount, std::uint64_t iRecordSize)
{
    const std::int64_t left = bytesLeft(iStream);
    if (left < 0)
        return false;
    if (iRecordSize == 0)
        return true;
    return iCount <= static_cast<std::uint64_t>(left) / iRecordSize;
}

} // namespace rawio
