#include "sectionfile.h"

#include "fileoperation_svo.h"
#include "numberformat.h"
#include "rawio.h"

#include <algorithm>
#include <iostream>

namespace sectionfile {

void printVersion(const std::string& iDataName, const std::string& iVersion)
{
    std::cout << iDataName << " Ver: " << iVersion << std::endl;
}

bool exportFile(const std::string& iFilePath, const std::string& iDataName, const std::string& iVersion,
                const std::string& iCannotOpen, const std::function<bool(AsciiFileOperator&)>& iWrite,
                std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    if (!stream.openFile(iFilePath, false)) {
        iErrorMessage = iCannotOpen;
        return false;
    }
    printVersion(iDataName, iVersion);
    if (!iWrite(stream))
        return false;
    // A full disk must not pass for a saved file.
    if (!stream.closeFile()) {
        iErrorMessage = iCannotOpen;
        return false;
    }
    return true;
}

int openToRead(AsciiFileOperator& ioStream, const std::string& iFilePath, const std::string& iDataName,
               std::initializer_list<const char*> iVersions, const std::string& iCannotOpen,
               const std::string& iHeaderError, std::string& iErrorMessage)
{
    if (!ioStream.openFile(iFilePath, true)) {
        iErrorMessage = iCannotOpen;
        return -1;
    }
    std::string name;
    std::string version;
    if (!AsciiFileOperator::getFileHeader(ioStream.readLine(), &name, &version)) {
        iErrorMessage = iHeaderError;
        return -1;
    }
    if (name != iDataName) {
        iErrorMessage = iDataName + " is not found.";
        return -1;
    }
    int index = 0;
    for (const char* known : iVersions) {
        if (version == known) {
            printVersion(iDataName, version);
            return index;
        }
        ++index;
    }
    return -1;
}

void writeValue(AsciiFileOperator& iStream, const std::string& iKey, const std::string& iValue)
{
    iStream << AsciiFileOperator::getHeader(iKey) << endl;
    iStream << iValue << endl;
}

bool readSectionWord(AsciiFileOperator& iStream, const std::string& iWord, std::string& iErrorMessage)
{
    if (iStream.readLine() == iWord)
        return true;
    iErrorMessage = iWord + " is not found.";
    return false;
}

bool readValueLines(AsciiFileOperator& iStream, const std::string& iKey, std::string* oLines, int iCount,
                    std::string& iErrorMessage)
{
    if (AsciiFileOperator::isHeader(iStream.readLine(), iKey)) {
        int i = 0;
        for (; i < iCount; ++i) {
            oLines[i] = iStream.readLine();
            if (oLines[i].empty() && iStream.atEnd())
                break;
        }
        if (i == iCount)
            return true;
    }
    iErrorMessage = "Header: " + iKey + " is not found.";
    return false;
}

bool readHeaderLine(AsciiFileOperator& iStream, const std::string& iKey, std::string& iErrorMessage)
{
    return readValueLines(iStream, iKey, nullptr, 0, iErrorMessage);
}

bool readValueLine(AsciiFileOperator& iStream, const std::string& iKey, std::string* oLine,
                   std::string& iErrorMessage)
{
    return readValueLines(iStream, iKey, oLine, 1, iErrorMessage);
}

bool readInt(AsciiFileOperator& iStream, const std::string& iKey, int* oValue, std::string& iErrorMessage)
{
    std::string line;
    if (!readValueLine(iStream, iKey, &line, iErrorMessage))
        return false;
    *oValue = AsciiFileOperator::toInt(line);
    return true;
}

bool readFloat(AsciiFileOperator& iStream, const std::string& iKey, float* oValue, std::string& iErrorMessage)
{
    std::string line;
    if (!readValueLine(iStream, iKey, &line, iErrorMessage))
        return false;
    *oValue = AsciiFileOperator::toFloat(line);
    return true;
}

bool readVector(AsciiFileOperator& iStream, const std::string& iKey, Vector3T<double>* oValue,
                std::string& iErrorMessage)
{
    std::string line;
    if (!readValueLine(iStream, iKey, &line, iErrorMessage))
        return false;
    *oValue = toVector(line);
    return true;
}

std::string toLine(std::string iText)
{
    for (char& c : iText)
        if (c == '\n' || c == '\r')
            c = ' ';
    return iText;
}

bool isPlainFileName(const std::string& iName)
{
    static const std::string forbidden("/\n\r\0", 4);
    return !iName.empty() && iName != "." && iName != ".." && iName.find_first_of(forbidden) == std::string::npos;
}

Vector3T<double> toVector(const std::string& iText)
{
    Vector3T<double> vector;
    const char* p = iText.data();
    const char* const last = p + iText.size();
    for (int i = 0; i < 3; ++i) {
        while (p != last && *p == ' ')
            ++p;
        const char* const begin = p;
        while (p != last && *p != ' ')
            ++p;
        if (begin == p)
            break;
        numberformat::parseDouble(begin, p, &vector[i]);
    }
    return vector;
}

namespace {

// A header no file kind writes: bytes other than printable ASCII, a number of words other than
// three, or this kind's own text cut short or run on into the data after it, as a wrong length
// field reads it.
bool FL_isDamagedHeader(const std::string& iText, const std::string& iExpected)
{
    std::size_t words = 0;
    for (std::size_t i = 0; i < iText.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(iText[i]);
        if (c < 0x20 || c > 0x7E)
            return true;
        if (c != ' ' && (i == 0 || iText[i - 1] == ' '))
            ++words;
    }
    const std::size_t common = std::min(iText.size(), iExpected.size());
    return words != 3 || (iText.size() != iExpected.size() && iText.compare(0, common, iExpected, 0, common) == 0);
}

} // namespace

bool openBinaryFile(rawio::InputFile& ioStream, const std::string& iFilePath, const std::string& iFileID,
                    const std::string& iVersion, const std::string& iDataID, std::string& iErrorMessage)
{
    ioStream.open(iFilePath);
    if (!ioStream.is_open()) {
        iErrorMessage = "Cannot open file for reading: " + iFilePath;
        return false;
    }
    std::string header;
    if (!readHeader(ioStream, &header) || FL_isDamagedHeader(header, iFileID + " " + iVersion + " " + iDataID))
        return broken(iFilePath, iErrorMessage);
    return checkHeader(header, iFileID, iVersion, iDataID);
}

bool broken(const std::string& iFilePath, std::string& iErrorMessage)
{
    iErrorMessage = "File is broken: " + iFilePath;
    return false;
}

bool voxelCount(int iResolution, int* oCount)
{
    if (iResolution < 0 || iResolution > kMaxVoxelResolution)
        return false;
    *oCount = iResolution * iResolution * iResolution;
    return true;
}

} // namespace sectionfile
