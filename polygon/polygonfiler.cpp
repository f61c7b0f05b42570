#include "polygonfiler.h"

#include "asciifileoperator.h"
#include "memoryguard.h"
#include "numberformat.h"
#include "pointcloudimpoperation.h"
#include "rawio.h"
#include "stringdivider.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <vector>

namespace
{

const Color FL_STL_COLOR(100, 100, 0, 255);

// Welding key: ordered by x, then y, then z. Only finite coordinates reach the map, so the
// order is strict; 0.0 and -0.0 are one key.
struct FL_Node
{
    float x, y, z;

    bool operator<(const FL_Node& o) const
    {
        if (x != o.x)
            return x < o.x;
        if (y != o.y)
            return y < o.y;
        return z < o.z;
    }
};

// The welded mesh of one file being read.
struct FL_Mesh
{
    std::vector<Vector3T<float>> points;
    std::vector<Triangle> triangles;
    std::map<FL_Node, unsigned> map;
    std::size_t dropped = 0;
};

void FL_recordTriangle(std::vector<Vector3T<float>>* ioPoints, std::vector<Triangle>* ioTriangles,
                       std::map<FL_Node, unsigned>* ioMap, const Vector3T<float>* iCorners)
{
    Triangle triangle;
    for (int k = 0; k < 3; ++k) {
        const FL_Node key{iCorners[k].x, iCorners[k].y, iCorners[k].z};
        auto found = ioMap->find(key);
        if (found == ioMap->end()) {
            found = ioMap->emplace(key, static_cast<unsigned>(ioPoints->size())).first;
            ioPoints->push_back(iCorners[k]);
        }
        triangle.index[k] = found->second;
    }
    ioTriangles->push_back(triangle);
}

// A triangle with a non-finite corner would make the welding order meaningless and the mesh's
// box infinite: it is left out.
void FL_addTriangle(FL_Mesh* ioMesh, const Vector3T<float>* iCorners)
{
    if (!iCorners[0].isFinite() || !iCorners[1].isFinite() || !iCorners[2].isFinite()) {
        ++ioMesh->dropped;
        return;
    }
    FL_recordTriangle(&ioMesh->points, &ioMesh->triangles, &ioMesh->map, iCorners);
}

PolygonData* FL_finish(FL_Mesh* ioMesh)
{
    if (ioMesh->dropped > 0)
        std::cout << "Triangles with non-finite coordinates dropped: " << ioMesh->dropped << std::endl;
    std::unique_ptr<PolygonData> data(new PolygonData);
    data->points.swap(ioMesh->points);
    data->triangles.swap(ioMesh->triangles);
    data->colors.assign(data->points.size(), FL_STL_COLOR);
    return data.release();
}

void FL_removeEmptyStrings(std::vector<std::string>* ioList)
{
    std::vector<std::string> kept;
    for (std::string& text : *ioList)
        if (!text.empty())
            kept.push_back(std::move(text));
    ioList->swap(kept);
}

// The words of a refused line, one a line. A binary file read as text gives lines of any length
// and any byte: at most 8 words and 80 characters are shown, bytes other than printable ASCII
// as \xNN, and "..." marks a cut.
void FL_showStringList(const std::vector<std::string>& iList)
{
    std::size_t left = 80;
    for (std::size_t w = 0; w < iList.size(); ++w) {
        if (w == 8 || left == 0) {
            std::cout << "..." << std::endl;
            return;
        }
        std::string line;
        std::size_t k = 0;
        for (; k < iList[w].size(); ++k) {
            const unsigned char c = static_cast<unsigned char>(iList[w][k]);
            char shown[5] = {char(c), '\0'};
            if (c < 0x20 || c >= 0x7F)
                std::snprintf(shown, sizeof(shown), "\\x%02X", c);
            const std::size_t length = std::strlen(shown);
            if (length > left)
                break;
            line += shown;
            left -= length;
        }
        if (k < iList[w].size()) {
            std::cout << line << "..." << std::endl;
            return;
        }
        std::cout << line << std::endl;
    }
}

// Bytes that no text file holds: control characters other than tabs and line or page breaks.
bool FL_hasBinaryByte(const std::string& iLine)
{
    for (unsigned char c : iLine)
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r') || c == 0x7F)
            return true;
    return false;
}

// Words of a line: blanks and tabs separate them, and the carriage return of a CRLF line end
// is not part of the last one.
std::vector<std::string> FL_tokens(std::string iLine)
{
    if (!iLine.empty() && iLine.back() == '\r')
        iLine.pop_back();
    StringDivider divider;
    divider.entry(' ');
    divider.entry('\t');
    std::vector<std::string> tokens = divider.divide(iLine);
    FL_removeEmptyStrings(&tokens);
    return tokens;
}

std::uint32_t FL_readU32(const unsigned char* iBytes)
{
    return std::uint32_t(iBytes[0]) | std::uint32_t(iBytes[1]) << 8 | std::uint32_t(iBytes[2]) << 16 |
           std::uint32_t(iBytes[3]) << 24;
}

float FL_readF32(const unsigned char* iBytes)
{
    const std::uint32_t bits = FL_readU32(iBytes);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

// Reads the 84-byte head of a binary STL file from the start of the stream: its triangle count
// and the number of bytes after that many 50-byte records, negative when the file is shorter.
// False for a stream shorter than the head.
bool FL_readBinaryHead(std::istream& iStream, std::uint32_t* oCount, std::int64_t* oExtra)
{
    unsigned char head[84];
    if (!iStream.read(reinterpret_cast<char*>(head), sizeof(head)))
        return false;
    *oCount = FL_readU32(head + 80);
    *oExtra = rawio::bytesLeft(iStream) - 50 * static_cast<std::int64_t>(*oCount);
    return true;
}

// Bytes after the records of the file read as binary STL; negative when it is too short.
std::int64_t FL_binaryExtra(const std::string& iFilePath)
{
    std::ifstream file(iFilePath, std::ios::binary);
    std::uint32_t count = 0;
    std::int64_t extra = -1;
    FL_readBinaryHead(file, &count, &extra);
    return extra;
}

// Exporters write the keywords of ASCII STL in either letter case.
bool FL_isKeyword(const std::string& iToken, const char* iKeyword)
{
    const std::size_t length = std::strlen(iKeyword);
    if (iToken.size() != length)
        return false;
    for (std::size_t k = 0; k < length; ++k)
        if (std::tolower(static_cast<unsigned char>(iToken[k])) != iKeyword[k])
            return false;
    return true;
}

// The mesh of an ASCII STL file, or null; iReport prints why a file is refused. *oBinary, when
// given, is set when the file is refused before its first whole facet and a line read holds
// bytes that no text file holds: past a whole facet, a file is text.
PolygonData* FL_readASCII(const std::string& iFilePath, bool iReport, bool* oBinary = nullptr)
{
    bool binaryByte = false;
    bool wholeFacet = false;
    auto fail = [&](const std::vector<std::string>* iTokens) -> PolygonData* {
        if (oBinary)
            *oBinary = binaryByte && !wholeFacet;
        if (!iReport)
            return nullptr;
        if (iTokens) {
            std::cout << "Error Line..." << std::endl;
            FL_showStringList(*iTokens);
        }
        std::cout << "False: loadSTLFile_ASCII" << std::endl;
        return nullptr;
    };
    AsciiFileOperator file;
    if (!file.openFile(iFilePath, true)) {
        if (iReport)
            std::cout << "File Open Error..." << std::endl;
        return fail(nullptr);
    }
    auto readLine = [&]() -> const std::string& {
        const std::string& line = file.readLine();
        if (oBinary && !wholeFacet && FL_hasBinaryByte(line))
            binaryByte = true;
        return line;
    };

    const std::vector<std::string> first = FL_tokens(readLine());
    if (first.empty() || !FL_isKeyword(first[0], "solid"))
        return fail(&first);

    FL_Mesh mesh;
    for (;;) {
        // Data without a closing "endsolid" line are refused.
        if (file.atEnd())
            return fail(nullptr);
        const std::vector<std::string> facet = FL_tokens(readLine());
        if (!facet.empty() && FL_isKeyword(facet[0], "endsolid"))
            return FL_finish(&mesh);
        readLine(); // outer loop
        Vector3T<float> corners[3];
        for (Vector3T<float>& corner : corners) {
            const std::vector<std::string> vertex = FL_tokens(readLine());
            if (vertex.size() != 4 || !FL_isKeyword(vertex[0], "vertex"))
                return fail(&vertex);
            corner = Vector3T<float>(numberformat::toFloat(vertex[1]), numberformat::toFloat(vertex[2]),
                                     numberformat::toFloat(vertex[3]));
        }
        FL_addTriangle(&mesh, corners);
        readLine(); // endloop
        readLine(); // endfacet
        wholeFacet = true;
    }
}

// The unit normal of a triangle, or the unnormalised cross product when it has no length.
Vector3T<float> FL_normal(const PolygonData& iData, const Triangle& iTriangle)
{
    const Vector3T<float>& p0 = iData.points[iTriangle.index[0]];
    const Vector3T<float>& p1 = iData.points[iTriangle.index[1]];
    const Vector3T<float>& p2 = iData.points[iTriangle.index[2]];
    const Vector3T<float> u = p1 - p0;
    const Vector3T<float> v = p2 - p0;
    Vector3T<float> n(u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x);
    const float squared = n.x * n.x + n.y * n.y + n.z * n.z;
    if (squared != 0.0f)
        n = n / std::sqrt(squared);
    return n;
}

// Whether every triangle names vertices of the mesh.
bool FL_isWritable(const PolygonData& iData)
{
    for (const Triangle& triangle : iData.triangles)
        for (std::uint32_t index : triangle.index)
            if (index >= iData.points.size())
                return false;
    return true;
}

} // namespace

PolygonFiler::PolygonFiler(const std::string& iFilePath) : mFilePath(iFilePath)
{
}

std::string PolygonFiler::getFilePath() const
{
    return mFilePath;
}

std::string PolygonFiler::getSuffix(const std::string& iFilePath)
{
    const std::size_t slash = iFilePath.find_last_of('/');
    StringDivider divider;
    divider.entry('.');
    std::vector<std::string> pieces = divider.divide(slash == std::string::npos ? iFilePath : iFilePath.substr(slash + 1));
    FL_removeEmptyStrings(&pieces);
    return pieces.size() >= 2 ? pieces.back() : std::string();
}

PolygonData* PolygonFiler::importPolygonDataFile(std::string& iErrorMessage) const
{
    PolygonData* data = nullptr;
    if (!memoryguard::run([&] {
            data = importFile(iErrorMessage);
            return true;
        }))
        iErrorMessage = "Not enough memory to read: " + mFilePath;
    return data;
}

PolygonData* PolygonFiler::importFile(std::string& iErrorMessage) const
{
    const std::string suffix = getSuffix(mFilePath);
    if (suffix.empty())
        return nullptr;

    if (suffix == "stl") {
        std::cout << "Import STL File: " << mFilePath << std::endl;
        // CAD programs often start the 80-byte header of a binary file with "solid", and some
        // append bytes after the last record. A file longer than its triangle count asks could
        // be either form (a text file practically never is): the text is taken when it reads
        // whole into triangles, the records otherwise.
        const bool solidHead = isSTLFile_ASCII();
        const std::int64_t extra = FL_binaryExtra(mFilePath);
        PolygonData* data = nullptr;
        if (solidHead && extra > 0) {
            std::unique_ptr<PolygonData> text(FL_readASCII(mFilePath, false));
            if (text && !text->triangles.empty())
                data = text.release();
            std::cout << (data ? "File is STL(ASCII)." : "File is STL(Binary).") << std::endl;
            if (data == nullptr)
                data = importSTLFile_Binary();
        } else if (solidHead && extra < 0) {
            // A text file is nearly always shorter than the count its bytes 80 to 83 give. One
            // refused as text with bytes no text holds before its first whole facet is a binary
            // file cut short, which the binary reader reports.
            bool binary = false;
            data = FL_readASCII(mFilePath, false, &binary);
            std::cout << (binary ? "File is STL(Binary)." : "File is STL(ASCII).") << std::endl;
            if (binary)
                data = importSTLFile_Binary();
            else if (data == nullptr)
                data = importSTLFile_ASCII(); // read again to say why
        } else {
            std::cout << "File is STL(Binary)." << std::endl;
            data = importSTLFile_Binary();
        }
        if (data == nullptr)
            iErrorMessage = "Cannot read the STL file: " + mFilePath;
        return data;
    }
    if (suffix == "xml") {
        std::cout << "Import JPGIS File: " << mFilePath << std::endl;
        PointCloudData grid;
        if (!initByJPGISFile(&grid, mFilePath)) {
            iErrorMessage = "Failure: Reading JPGIS File...";
            return nullptr;
        }
        std::unique_ptr<PolygonData> data(new PolygonData);
        if (!data->init(grid, true, 1)) {
            iErrorMessage = "Failure: Creating Polygon from JPGIS File...";
            return nullptr;
        }
        return data.release();
    }
    iErrorMessage = "Unknown File Format...";
    return nullptr;
}

bool PolygonFiler::isSTLFile_ASCII() const
{
    AsciiFileOperator file;
    if (!file.openFile(mFilePath, true)) {
        std::cout << "File Open Error..." << std::endl;
        return false;
    }
    return FL_isKeyword(file.read(5), "solid");
}

PolygonData* PolygonFiler::importSTLFile_ASCII() const
{
    return FL_readASCII(mFilePath, true);
}

PolygonData* PolygonFiler::importSTLFile_Binary() const
{
    std::ifstream file(mFilePath, std::ios::binary);
    if (!file) {
        std::cout << "File Open Error: " << mFilePath << std::endl;
        std::cout << "False: loadSTLFile_Binary" << std::endl;
        return nullptr;
    }
    std::uint32_t count = 0;
    std::int64_t extra = 0;
    if (!FL_readBinaryHead(file, &count, &extra)) {
        std::cout << "File is shorter than its header." << std::endl;
        std::cout << "False: loadSTLFile_Binary" << std::endl;
        return nullptr;
    }
    std::cout << "triangle number = " << count << std::endl;
    // The count is trusted only when the file holds that many records.
    if (extra < 0) {
        const std::int64_t expected = 84 + 50 * static_cast<std::int64_t>(count);
        std::cout << "File is shorter than its triangle number needs: " << expected << " bytes expected." << std::endl;
        std::cout << "False: loadSTLFile_Binary" << std::endl;
        return nullptr;
    }
    if (extra > 0)
        std::cout << "Bytes after the last triangle ignored: " << extra << std::endl;

    std::vector<unsigned char> buffer(static_cast<std::size_t>(count) * 50);
    if (!buffer.empty() && !file.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()))) {
        std::cout << "False: loadSTLFile_Binary" << std::endl;
        return nullptr;
    }
    std::cout << "read data." << std::endl;
    std::cout << "create triangles..." << std::endl;

    FL_Mesh mesh;
    for (std::uint32_t i = 0; i < count; ++i) {
        const unsigned char* record = buffer.data() + static_cast<std::size_t>(i) * 50 + 12;
        Vector3T<float> corners[3];
        for (int k = 0; k < 3; ++k)
            corners[k] = Vector3T<float>(FL_readF32(record + 12 * k), FL_readF32(record + 12 * k + 4),
                                         FL_readF32(record + 12 * k + 8));
        FL_addTriangle(&mesh, corners);
    }
    return FL_finish(&mesh);
}

bool PolygonFiler::exportSTLFile_ASCII(const PolygonData& iData) const
{
    if (!FL_isWritable(iData))
        return false;
    AsciiFileOperator file;
    if (!file.openFile(mFilePath, false))
        return false;
    file << "solid";
    file.endl();
    for (const Triangle& triangle : iData.triangles) {
        const Vector3T<float> n = FL_normal(iData, triangle);
        file << "facet normal " << n.x << ' ' << n.y << ' ' << n.z;
        file.endl();
        file << "outer loop";
        file.endl();
        for (std::uint32_t index : triangle.index) {
            const Vector3T<float>& p = iData.points[index];
            file << "vertex " << p.x << ' ' << p.y << ' ' << p.z;
            file.endl();
        }
        file << "endloop";
        file.endl();
        file << "endfacet";
        file.endl();
    }
    file << "endsolid";
    file.endl();
    return file.closeFile();
}

bool PolygonFiler::exportSTLFile_Binary(const PolygonData& iData) const
{
    if (!FL_isWritable(iData) || iData.triangles.size() > 0xFFFFFFFFu)
        return false;
    std::ofstream file(mFilePath, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    const char header[80] = {};
    file.write(header, sizeof(header));
    rawio::writeValue(file, static_cast<std::uint32_t>(iData.triangles.size()));
    for (const Triangle& triangle : iData.triangles) {
        const Vector3T<float> n = FL_normal(iData, triangle);
        rawio::writeValue(file, n.x);
        rawio::writeValue(file, n.y);
        rawio::writeValue(file, n.z);
        for (std::uint32_t index : triangle.index) {
            const Vector3T<float>& p = iData.points[index];
            rawio::writeValue(file, p.x);
            rawio::writeValue(file, p.y);
            rawio::writeValue(file, p.z);
        }
        const char attribute[2] = {0, 0};
        file.write(attribute, 2);
    }
    file.close();
    return !file.fail();
}
