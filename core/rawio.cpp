#include "rawio.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rawio {

namespace {

// Refill sizes: small right after a seek elsewhere (partial loads hop from record to record),
// doubling while the reading goes on in order. Reads of the largest size or more bypass the
// buffer.
constexpr std::uint64_t kFirstFill = 4096;
constexpr std::uint64_t kLargestFill = 65536;

} // namespace

FileBuffer::~FileBuffer()
{
    close();
}

bool FileBuffer::open(const std::string& iFilePath)
{
    close();
    const int file = ::open(iFilePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false;
    struct stat info = {};
    if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(file);
        return false;
    }
    mFile = file;
    mSize = static_cast<std::uint64_t>(info.st_size);
    restartAt(0);
    return true;
}

void FileBuffer::close()
{
    if (mFile >= 0)
        ::close(mFile);
    mFile = -1;
    mSize = 0;
    mBuffer.reset();
    restartAt(0);
}

void FileBuffer::restartAt(std::uint64_t iOffset)
{
    mBufferStart = iOffset;
    mNextFill = kFirstFill;
    setg(mBuffer.get(), mBuffer.get(), mBuffer.get());
}

std::uint64_t FileBuffer::readAt(std::uint64_t iOffset, char* oData, std::uint64_t iCount) const
{
    std::uint64_t done = 0;
    while (done < iCount && iOffset + done < mSize) {
        const std::uint64_t chunk = std::min<std::uint64_t>(iCount - done, kMaxChunk);
        const ssize_t n = pread(mFile, oData + done, static_cast<std::size_t>(chunk), static_cast<off_t>(iOffset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::uint64_t>(n);
    }
    return done;
}

FileBuffer::int_type FileBuffer::underflow()
{
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    if (mFile < 0)
        return traits_type::eof();
    const std::uint64_t start = position();
    if (!mBuffer)
        mBuffer.reset(new char[static_cast<std::size_t>(kLargestFill)]);
    const std::uint64_t n = readAt(start, mBuffer.get(), mNextFill);
    mBufferStart = start;
    mNextFill = std::min(mNextFill * 2, kLargestFill);
    setg(mBuffer.get(), mBuffer.get(), mBuffer.get() + n);
    return n == 0 ? traits_type::eof() : traits_type::to_int_type(*gptr());
}

std::streamsize FileBuffer::xsgetn(char* oData, std::streamsize iCount)
{
    std::uint64_t done = 0;
    const std::uint64_t wanted = iCount > 0 ? static_cast<std::uint64_t>(iCount) : 0;
    while (done < wanted) {
        const std::uint64_t held = static_cast<std::uint64_t>(egptr() - gptr());
        if (held > 0) {
            const std::uint64_t n = std::min(held, wanted - done);
            std::copy(gptr(), gptr() + n, oData + done);
            gbump(static_cast<int>(n));
            done += n;
            continue;
        }
        // What a buffer would not hold is read in place.
        if (wanted - done >= kLargestFill) {
            const std::uint64_t start = position();
            const std::uint64_t n = mFile >= 0 ? readAt(start, oData + done, wanted - done) : 0;
            done += n;
            restartAt(start + n);
            mNextFill = kLargestFill;
            break;
        }
        if (traits_type::eq_int_type(underflow(), traits_type::eof()))
            break;
    }
    return static_cast<std::streamsize>(done);
}

FileBuffer::pos_type FileBuffer::seekoff(off_type iOffset, std::ios_base::seekdir iWay, std::ios_base::openmode iMode)
{
    std::int64_t base = 0;
    if (iWay == std::ios_base::cur)
        base = static_cast<std::int64_t>(position());
    else if (iWay == std::ios_base::end)
        base = static_cast<std::int64_t>(mSize);
    return seekpos(pos_type(off_type(base + iOffset)), iMode);
}

FileBuffer::pos_type FileBuffer::seekpos(pos_type iPosition, std::ios_base::openmode iMode)
{
    const off_type target = off_type(iPosition);
    if (mFile < 0 || target < 0 || !(iMode & std::ios_base::in))
        return pos_type(off_type(-1));
    const std::uint64_t offset = static_cast<std::uint64_t>(target);
    const std::uint64_t held = static_cast<std::uint64_t>(egptr() - eback());
    if (offset >= mBufferStart && offset <= mBufferStart + held)
        setg(eback(), eback() + (offset - mBufferStart), egptr());
    else
        restartAt(offset);
    return iPosition;
}

std::streamsize FileBuffer::showmanyc()
{
    const std::uint64_t here = position();
    return here < mSize ? static_cast<std::streamsize>(mSize - here) : -1;
}

InputFile::InputFile() : std::istream(nullptr)
{
    rdbuf(&mBuffer);
}

InputFile::InputFile(const std::string& iFilePath) : InputFile()
{
    open(iFilePath);
}

void InputFile::open(const std::string& iFilePath)
{
    if (mBuffer.open(iFilePath))
        clear();
    else
        setstate(std::ios_base::failbit);
}

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
    if (const FileBuffer* file = dynamic_cast<const FileBuffer*>(iStream.rdbuf()))
        return static_cast<std::int64_t>(file->size()) - static_cast<std::int64_t>(file->position());
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
