#ifndef CORE_RAWIO_H
#define CORE_RAWIO_H

#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

// Raw little-endian dumps of arrays. Large arrays go through in chunks below 2 GiB,
// giving the same byte stream as one write.
namespace rawio {

// The reading side of a binary file whose size is taken once, when it is opened. The buffer
// keeps the read position itself, so asking for the position or the bytes left costs no system
// call, and a seek that lands inside the buffered bytes keeps them. Reads after a seek elsewhere
// start small and grow while the reading goes on in order; large reads bypass the buffer.
class FileBuffer : public std::streambuf
{
public:
    FileBuffer() = default;
    ~FileBuffer() override;
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;

    bool open(const std::string& iFilePath);
    void close();
    bool isOpen() const { return mFile >= 0; }
    std::uint64_t size() const { return mSize; }
    // Offset of the next byte to read.
    std::uint64_t position() const { return mBufferStart + std::uint64_t(gptr() - eback()); }

protected:
    int_type underflow() override;
    std::streamsize xsgetn(char* oData, std::streamsize iCount) override;
    pos_type seekoff(off_type iOffset, std::ios_base::seekdir iWay, std::ios_base::openmode iMode) override;
    pos_type seekpos(pos_type iPosition, std::ios_base::openmode iMode) override;
    std::streamsize showmanyc() override;

private:
    // Up to iCount bytes from iOffset on; fewer only at the end of the file or on an error.
    std::uint64_t readAt(std::uint64_t iOffset, char* oData, std::uint64_t iCount) const;
    // Empties the buffer, which then starts at iOffset.
    void restartAt(std::uint64_t iOffset);

    int mFile = -1;
    std::uint64_t mSize = 0;
    std::uint64_t mBufferStart = 0; // file offset of eback()
    std::uint64_t mNextFill = 0;    // bytes the next refill asks for
    std::unique_ptr<char[]> mBuffer; // made by the first refill
};

// An input stream over a FileBuffer; a file that cannot be opened leaves the stream failed.
class InputFile : public std::istream
{
public:
    InputFile();
    explicit InputFile(const std::string& iFilePath);

    void open(const std::string& iFilePath);
    bool is_open() const { return mBuffer.isOpen(); }
    void close() { mBuffer.close(); }
    // The size the file had when it was opened.
    std::uint64_t size() const { return mBuffer.size(); }

private:
    FileBuffer mBuffer;
};

constexpr std::uint64_t kMaxChunk = 0x7FFFFFF8ull;

bool writeRaw(std::ostream& iStream, const void* iData, std::uint64_t iBytes);
bool readRaw(std::istream& iStream, void* oData, std::uint64_t iBytes);

// Bytes between the read position and the end of the stream; -1 when the stream cannot tell.
// For an InputFile this is the size taken at open less the read position; other streams are
// asked by seeking to their end and back.
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
