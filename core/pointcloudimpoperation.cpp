#include "pointcloudimpoperation.h"

#include "memoryguard.h"
#include "numberformat.h"
#include "rawio.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <vector>

namespace {

// Width and height are signed 32-bit numbers, and so is the cell count of a matrix.
constexpr std::int64_t kMaxCells = INT_MAX;

void FL_print(const std::string& iLine)
{
    std::cout << iLine << std::endl;
}

// Diagnostic numbers in the six-digit general form of a default output stream, whatever the locale.
std::string FL_text(double iValue)
{
    char buffer[numberformat::kMaxLength];
    const std::to_chars_result r =
        std::to_chars(buffer, buffer + sizeof buffer, iValue, std::chars_format::general, 6);
    return std::string(buffer, r.ptr);
}

// Reads a file line by line through one block buffer, so that a line costs no allocation.
// A line ends at a line feed or at the end of the file; one carriage return before the line
// feed is dropped, so that files written on Windows read the same.
class FL_LineReader
{
public:
    explicit FL_LineReader(const std::string& iFilePath) : mStream(iFilePath, std::ios::binary)
    {
        if (!mStream.is_open())
            return;
        const std::int64_t size = rawio::bytesLeft(mStream);
        mFileSize = size > 0 ? static_cast<std::uint64_t>(size) : 0;
        mStream.clear();
        mBuffer.resize(kBlock);
    }

    bool isOpen() const { return mStream.is_open(); }

    // 0 when the size cannot be told.
    std::uint64_t fileSize() const { return mFileSize; }

    bool next(const char** oBegin, const char** oEnd)
    {
        for (;;) {
            const char* data = mBuffer.data();
            const void* feed = std::memchr(data + mScanned, '\n', mEnd - mScanned);
            if (feed) {
                const std::size_t at = static_cast<const char*>(feed) - data;
                setLine(data + mBegin, data + at, oBegin, oEnd);
                mBegin = mScanned = at + 1;
                return true;
            }
            mScanned = mEnd;
            if (mAtEnd) {
                if (mBegin == mEnd)
                    return false;
                setLine(data + mBegin, data + mEnd, oBegin, oEnd);
                mBegin = mScanned = mEnd;
                return true;
            }
            fill();
        }
    }

private:
    static constexpr std::size_t kBlock = std::size_t(1) << 20;

    static void setLine(const char* iBegin, const char* iEnd, const char** oBegin, const char** oEnd)
    {
        if (iEnd != iBegin && iEnd[-1] == '\r')
            --iEnd;
        *oBegin = iBegin;
        *oEnd = iEnd;
    }

    // Moves the unread rest to the front, grows the buffer for a line longer than it, reads on.
    void fill()
    {
        if (mBegin > 0) {
            std::memmove(mBuffer.data(), mBuffer.data() + mBegin, mEnd - mBegin);
            mEnd -= mBegin;
            mScanned -= mBegin;
            mBegin = 0;
        }
        if (mEnd == mBuffer.size())
            mBuffer.resize(mBuffer.size() * 2);
        mStream.read(mBuffer.data() + mEnd, static_cast<std::streamsize>(mBuffer.size() - mEnd));
        const std::streamsize n = mStream.gcount();
        if (n <= 0)
            mAtEnd = true;
        mEnd += static_cast<std::size_t>(std::max<std::streamsize>(n, 0));
    }

    std::ifstream mStream;
    std::vector<char> mBuffer;
    std::size_t mBegin = 0;   // start of the unread text
    std::size_t mEnd = 0;     // end of the text in the buffer
    std::size_t mScanned = 0; // text before this holds no line feed after mBegin
    bool mAtEnd = false;
    std::uint64_t mFileSize = 0;
};

// How many cells to reserve for a count taken from a file: no more than the file can hold in
// lines of at least iMinLineLength bytes, so that a hostile header allocates nothing by itself.
std::size_t FL_reserveCount(std::int64_t iCount, std::uint64_t iFileSize, unsigned iMinLineLength)
{
    const std::uint64_t bound = iFileSize / iMinLineLength + 1;
    const std::uint64_t count = static_cast<std::uint64_t>(std::max<std::int64_t>(iCount, 0));
    return static_cast<std::size_t>(std::min(count, bound));
}

struct FL_Word
{
    const char* begin = nullptr;
    const char* end = nullptr;

    bool is(const char* iText) const
    {
        const std::size_t n = std::strlen(iText);
        return static_cast<std::size_t>(end - begin) == n && std::memcmp(begin, iText, n) == 0;
    }
};

// The next word of [ioPos, iEnd), as a StringDivider whose only delimiter is the blank finds it.
bool FL_nextWord(const char*& ioPos, const char* iEnd, FL_Word* oWord)
{
    const char* p = ioPos;
    while (p != iEnd && *p == ' ')
        ++p;
    if (p == iEnd) {
        ioPos = p;
        return false;
    }
    oWord->begin = p;
    while (p != iEnd && *p != ' ')
        ++p;
    oWord->end = p;
    ioPos = p;
    return true;
}

// Stores the first iMax words of a line; returns the word count, counted up to iMax + 1.
int FL_split(const char* iBegin, const char* iEnd, FL_Word* oWords, int iMax)
{
    int n = 0;
    FL_Word extra;
    while (n <= iMax && FL_nextWord(iBegin, iEnd, n < iMax ? &oWords[n] : &extra))
        ++n;
    return n;
}

double FL_double(const FL_Word& iWord)
{
    double value = 0;
    numberformat::parseDouble(iWord.begin, iWord.end, &value);
    return value;
}

float FL_float(const FL_Word& iWord)
{
    return numberformat::narrow(FL_double(iWord));
}

int FL_int(const char* iBegin, const char* iEnd)
{
    int value = 0;
    numberformat::parseInt(iBegin, iEnd, &value);
    return value;
}

unsigned char FL_byte(const FL_Word& iWord)
{
    return static_cast<unsigned char>(static_cast<unsigned>(FL_int(iWord.begin, iWord.end)) & 0xFFu);
}

// The integer part of intensity x 255 in single precision, low eight bits. From 2^31 on every
// float is a multiple of 256, so those (and infinities and NaN) give 0.
unsigned char FL_alpha(float iIntensity)
{
    const float value = iIntensity * 255.0f;
    if (!(std::fabs(value) < 2147483648.0f))
        return 0;
    return static_cast<unsigned char>(static_cast<unsigned>(static_cast<int>(value)) & 0xFFu);
}

Vector3T<float> FL_position(const FL_Word* iWords)
{
    return Vector3T<float>(FL_float(iWords[0]), FL_float(iWords[1]), FL_float(iWords[2]));
}

// A cell at a non-finite position is empty and sits at the origin; false for such a cell.
bool FL_keepFinite(Point* ioPoint)
{
    if (ioPoint->position.isFinite())
        return true;
    ioPoint->position = Vector3T<float>();
    ioPoint->flag = Point::Deleted;
    return false;
}

bool FL_readPTX(PointCloudData* oData, const std::string& iFilePath)
{
    FL_LineReader reader(iFilePath);
    if (!reader.isOpen()) {
        FL_print("Error: open file stream ... " + iFilePath);
        return false;
    }
    const char* begin = nullptr;
    const char* end = nullptr;
    if (!reader.next(&begin, &end)) {
        FL_print("Error: read number of columns");
        return false;
    }
    const int columns = FL_int(begin, end);
    FL_print("number of columns: " + std::to_string(columns));
    if (columns < 1) {
        FL_print("Error: number of columns");
        return false;
    }
    oData->width = columns;
    if (!reader.next(&begin, &end)) {
        FL_print("Error: read number of rows");
        return false;
    }
    const int rows = FL_int(begin, end);
    FL_print("number of rows: " + std::to_string(rows));
    if (rows < 1) {
        FL_print("Error: number of rows");
        return false;
    }
    oData->height = rows;
    const std::int64_t count = std::int64_t(columns) * rows;
    if (count > kMaxCells) {
        FL_print("Error: number of points");
        return false;
    }
    // Scanner location and transfer matrix: the points stay in scanner coordinates.
    for (int i = 0; i < 4; ++i) {
        if (!reader.next(&begin, &end)) {
            FL_print("Error: read Scaner Location row " + std::to_string(i));
            return false;
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (!reader.next(&begin, &end)) {
            FL_print("Error: read Transfer Matrix row " + std::to_string(i));
            return false;
        }
    }

    // The shortest data line is "0 0 0 0" and its line feed.
    oData->pointList.reserve(oData->pointList.size() + FL_reserveCount(count, reader.fileSize(), 8));
    unsigned valid = 0;
    FL_Word words[7];
    for (std::int64_t k = 0; k < count; ++k) {
        if (!reader.next(&begin, &end)) {
            FL_print("Error: read piont");
            return false;
        }
        const int n = FL_split(begin, end, words, 7);
        if (n != 7 && n != 4) {
            FL_print("Error: piont data");
            return false;
        }
        Point point;
        point.position = FL_position(words);
        point.color.alpha = FL_alpha(FL_float(words[3]));
        if (n == 7) {
            point.color.red = FL_byte(words[4]);
            point.color.green = FL_byte(words[5]);
            point.color.blue = FL_byte(words[6]);
        }
        if (point.position.x == 0 && point.position.y == 0 && point.position.z == 0)
            point.flag = Point::Deleted;
        else if (FL_keepFinite(&point))
            ++valid;
        oData->pointList.push_back(point);
    }
    oData->validPointNumber = valid;
    FL_print("Point Number: " + std::to_string(valid));
    return true;
}

bool FL_readPTS(PointCloudData* oData, const std::string& iFilePath)
{
    FL_LineReader reader(iFilePath);
    if (!reader.isOpen()) {
        FL_print("Error: open file stream ... " + iFilePath);
        return false;
    }
    const char* begin = nullptr;
    const char* end = nullptr;
    if (!reader.next(&begin, &end)) {
        FL_print("Error: read number");
        return false;
    }
    const int number = FL_int(begin, end);
    FL_print("number: " + std::to_string(number));
    if (number < 1)
        return true;

    // The shortest data line is "0 0 0 0 0 0 0" and its line feed.
    oData->pointList.reserve(oData->pointList.size() + FL_reserveCount(number, reader.fileSize(), 14));
    FL_Word words[7];
    for (int k = 0; k < number; ++k) {
        if (!reader.next(&begin, &end)) {
            FL_print("Error: read piont");
            return false;
        }
        if (FL_split(begin, end, words, 7) < 7) {
            FL_print("Error: piont data");
            return false;
        }
        Point point;
        point.position = FL_position(words);
        point.color = Color(FL_byte(words[4]), FL_byte(words[5]), FL_byte(words[6]), 255);
        FL_keepFinite(&point);
        oData->pointList.push_back(point);
    }
    return true;
}

// The second word of a WIDTH or HEIGHT line; false when the line or the word is missing or
// the number is negative.
bool FL_readPCDSize(FL_LineReader& ioReader, int* oValue)
{
    const char* begin = nullptr;
    const char* end = nullptr;
    FL_Word words[2];
    if (!ioReader.next(&begin, &end) || FL_split(begin, end, words, 2) < 2)
        return false;
    *oValue = FL_int(words[1].begin, words[1].end);
    return *oValue >= 0;
}

// The rgb field is a float whose bit pattern holds red, green and blue in its low three bytes.
std::uint32_t FL_floatBits(float iValue)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &iValue, sizeof bits);
    return bits;
}

bool FL_readPCD(PointCloudData* oData, const std::string& iFilePath)
{
    FL_LineReader reader(iFilePath);
    if (!reader.isOpen()) {
        FL_print("Error: open streamPCD ... " + iFilePath);
        return false;
    }
    const char* begin = nullptr;
    const char* end = nullptr;
    // Comment line, VERSION, FIELDS, SIZE, TYPE, COUNT.
    for (int i = 0; i < 6; ++i)
        reader.next(&begin, &end);
    int width = 0;
    int height = 0;
    if (!FL_readPCDSize(reader, &width)) {
        FL_print("Error: read WIDTH");
        return false;
    }
    oData->width = width;
    if (!FL_readPCDSize(reader, &height)) {
        FL_print("Error: read HEIGHT");
        return false;
    }
    oData->height = height;
    const std::int64_t count = std::int64_t(width) * height;
    // Every cell takes a line of at least eight bytes ("0 0 0 0" and its line break), so a size
    // that the file cannot hold is refused before the padding below allocates it.
    if (count > kMaxCells || static_cast<std::uint64_t>(count) > reader.fileSize() / 8) {
        FL_print("Error: number of points");
        return false;
    }
    // VIEWPOINT, POINTS, DATA.
    for (int i = 0; i < 3; ++i)
        reader.next(&begin, &end);

    const std::size_t first = oData->pointList.size();
    oData->pointList.reserve(first + FL_reserveCount(count, reader.fileSize(), 8));
    const Point empty = [] {
        Point p;
        p.flag = Point::Deleted;
        return p;
    }();
    unsigned valid = 0;
    std::int64_t read = 0;
    while (read < count && reader.next(&begin, &end)) {
        FL_Word words[4];
        FL_Word word;
        int n = 0;
        bool hasNaN = false;
        for (const char* p = begin; FL_nextWord(p, end, &word); ++n) {
            if (n < 4)
                words[n] = word;
            hasNaN = hasNaN || word.is("nan");
        }
        if (n == 0)
            break;
        if (n < 4) {
            FL_print("Error: piont data");
            return false;
        }
        ++read;
        Point point;
        point.position = FL_position(words);
        if (hasNaN || !point.position.isFinite()) {
            oData->pointList.push_back(empty);
            continue;
        }
        const std::uint32_t rgb = FL_floatBits(FL_float(words[3]));
        point.color = Color(static_cast<unsigned char>(rgb >> 16), static_cast<unsigned char>(rgb >> 8),
                            static_cast<unsigned char>(rgb), 255);
        oData->pointList.push_back(point);
        ++valid;
    }
    oData->validPointNumber = valid;
    FL_print("Point Number: " + std::to_string(valid));
    oData->flag = read < count ? 1 : 0;
    // A short file still gives a whole matrix: users of the cells index up to width x height.
    oData->pointList.resize(first + static_cast<std::size_t>(count), empty);
    return true;
}

void FL_append(std::string* ioText, float iValue)
{
    char buffer[numberformat::kMaxLength];
    ioText->append(buffer, static_cast<std::size_t>(numberformat::format(iValue, buffer)));
}

// The bounds of a grid or the height of one node: "<tag>value</name>" on one line.
struct FL_Element
{
    FL_Word value;
    FL_Word name;
};

// Finds the element of a line: the first '>' ends the opening tag (whose name is not compared),
// the first '<' and '>' after it make the closing tag, which must read "</name>".
bool FL_findElement(const char* iBegin, const char* iEnd, FL_Element* oElement)
{
    const char* open = std::find(iBegin, iEnd, '<');
    const char* openEnd = std::find(iBegin, iEnd, '>');
    if (open == iEnd || openEnd == iEnd)
        return false;
    const char* rest = openEnd + 1;
    if (iEnd - rest <= 3)
        return false;
    const char* close = std::find(rest, iEnd, '<');
    const char* closeEnd = std::find(rest, iEnd, '>');
    if (close == iEnd || closeEnd == iEnd || closeEnd < close || close[1] != '/')
        return false;
    oElement->value.begin = rest;
    oElement->value.end = close;
    oElement->name.begin = close + 2;
    oElement->name.end = closeEnd;
    return true;
}

bool FL_readJPGIS(PointCloudData* oData, const std::string& iFilePath)
{
    FL_LineReader reader(iFilePath);
    if (!reader.isOpen()) {
        FL_print("Error: open streamJPGIS ... " + iFilePath);
        return false;
    }
    int coordinates = 0;
    int rowX = 0;
    int rowY = 0;
    int highX = 0;
    int highY = 0;
    float west = 0;
    float east = 0;
    float south = 0;
    float north = 0;
    std::vector<float> heights;
    const char* begin = nullptr;
    const char* end = nullptr;
    FL_Element element;
    while (reader.next(&begin, &end)) {
        if (!FL_findElement(begin, end, &element))
            continue;
        const FL_Word& value = element.value;
        const FL_Word& name = element.name;
        if (name.is("jps:coordValues")) {
            if (coordinates >= 2)
                continue;
            const char* blank = std::find(value.begin, value.end, ' ');
            const int x = FL_int(value.begin, blank);
            const int y = blank == value.end ? x : FL_int(blank + 1, value.end);
            if (coordinates++ == 0) {
                rowX = x;
                rowY = y;
            } else {
                highX = x;
                highY = y;
            }
        } else if (name.is("jps:westBoundLongitude")) {
            west = FL_float(value);
        } else if (name.is("jps:eastBoundLongitude")) {
            east = FL_float(value);
        } else if (name.is("jps:southBoundLatitude")) {
            south = FL_float(value);
        } else if (name.is("jps:northBoundLatitude")) {
            north = FL_float(value);
        } else if (name.is("alti")) {
            heights.push_back(FL_float(value));
        }
    }
    if (coordinates < 2) {
        FL_print("Error: row or high date is not exist.");
        return false;
    }
    FL_print("rowX: " + std::to_string(rowX));
    FL_print("rowY: " + std::to_string(rowY));
    FL_print("highX: " + std::to_string(highX));
    FL_print("highY: " + std::to_string(highY));
    FL_print("westBoundLongitude: " + FL_text(west));
    FL_print("eastBoundLongitude: " + FL_text(east));
    FL_print("southBoundLatitude: " + FL_text(south));
    FL_print("northBoundLatitude: " + FL_text(north));

    const std::int64_t numberX = std::int64_t(highX) - rowX + 1;
    const std::int64_t numberY = std::int64_t(highY) - rowY + 1;
    FL_print("Number X: " + std::to_string(numberX));
    FL_print("Number Y: " + std::to_string(numberY));
    if (numberX < 1 || numberY < 1 || numberX > kMaxCells / numberY) {
        FL_print("Error: grid size is out of range.");
        return false;
    }
    const std::int64_t number = numberX * numberY;
    FL_print("Data Number: " + std::to_string(number));
    FL_print("hightList.size(): " + std::to_string(heights.size()));
    if (static_cast<std::uint64_t>(number) != heights.size()) {
        FL_print("Error: data number != hight list's size.");
        return false;
    }
    const int nx = static_cast<int>(numberX);
    const int ny = static_cast<int>(numberY);
    oData->width = nx;
    oData->height = ny;
    FL_print("originLongitude: " + FL_text(135));
    FL_print("originLatitude: " + FL_text(35));
    FL_print("dLongitude: " + FL_text(east - west));
    FL_print("dLatitude: " + FL_text(north - south));
    FL_print("earthRadius: " + FL_text(6.3675e+06));

    // Metres along a meridian per 180 degrees; the precision mix below is part of the file's
    // meaning, since positions written from it are compared with earlier imports.
    constexpr double kArc = 20004087.06;
    using numberformat::narrow;
    const float x0 = narrow(double((west - 135.0f) / 180.0f) * kArc);
    const float y0 = narrow(double((north - 35.0f) / 180.0f) * kArc);
    FL_print("x0: " + FL_text(x0));
    FL_print("y0: " + FL_text(y0));
    const float dx = narrow(double((east - west) / 180.0f) * kArc / nx);
    const float dy = narrow(double((north - south) / 180.0f) * kArc / ny);
    FL_print("dx: " + FL_text(dx));
    FL_print("dy: " + FL_text(dy));
    // The centre of the first cell.
    const double left = x0 + dx * 0.5;
    const double top = y0 - dy * 0.5;

    const double kilo = double(0.001f);
    oData->pointList.reserve(oData->pointList.size() + static_cast<std::size_t>(number));
    unsigned valid = 0;
    for (int j = 0; j < ny; ++j) {
        const double y = (top - double(float(j) * dy)) * kilo;
        for (int i = 0; i < nx; ++i) {
            const float h = heights[static_cast<std::size_t>(j) * nx + i];
            Point point;
            point.color = Color(0, 0, 255, 255);
            point.position = Vector3T<float>(narrow((double(float(i) * dx) + left) * kilo), narrow(y), h * 0.001f);
            if (!FL_keepFinite(&point) || h < 0)
                point.flag = Point::Deleted;
            else
                ++valid;
            oData->pointList.push_back(point);
        }
    }
    oData->validPointNumber = valid;
    FL_print("Point Number: " + std::to_string(valid));
    return true;
}

void FL_merge(PointCloudData* oOut, const PointCloudData& iIn)
{
    oOut->pointList.insert(oOut->pointList.end(), iIn.pointList.begin(), iIn.pointList.end());
}

// Degrees to radians as the rest of the system turns them.
double FL_radian(double iDegree)
{
    return iDegree / 180.0 * 3.141592;
}

// A copy of iIn moved by iMove and then turned about the y axis by iDegree.
PointCloudData FL_movedAndTurned(const PointCloudData& iIn, const Vector3T<float>& iMove, double iDegree)
{
    const double c = std::cos(FL_radian(iDegree));
    const double s = std::sin(FL_radian(iDegree));
    PointCloudData out = iIn;
    for (Point& point : out.pointList) {
        const Vector3T<float> p = point.position + iMove;
        point.position = Vector3T<float>(numberformat::narrow(p.x * c + p.z * s), p.y,
                                         numberformat::narrow(-p.x * s + p.z * c));
    }
    return out;
}

} // namespace

bool initByPTXFile(PointCloudData* oData, const std::string& iFilePath)
{
    return memoryguard::run([&] { return FL_readPTX(oData, iFilePath); });
}

bool initByPTSFile(PointCloudData* oData, const std::string& iFilePath)
{
    return memoryguard::run([&] { return FL_readPTS(oData, iFilePath); });
}

bool initByPCDFile(PointCloudData* oData, const std::string& iFilePath)
{
    return memoryguard::run([&] { return FL_readPCD(oData, iFilePath); });
}

bool initByJPGISFile(PointCloudData* oData, const std::string& iFilePath)
{
    return memoryguard::run([&] { return FL_readJPGIS(oData, iFilePath); });
}

bool exportPCDFile(const PointCloudData& iData, const std::string& iFilePath)
{
    std::ofstream stream(iFilePath, std::ios::binary | std::ios::trunc);
    if (!stream.is_open()) {
        FL_print("Error: open streamPCD ... " + iFilePath);
        return false;
    }
    // Only the valid cells are written, so the header counts those.
    const std::size_t number = static_cast<std::size_t>(
        std::count_if(iData.pointList.begin(), iData.pointList.end(), [](const Point& p) { return p.isValid(); }));
    const std::string count = std::to_string(number);
    std::string text = "# .PCD v.7 - Point Cloud Data file format\nVERSION .7\nFIELDS x y z rgb\nSIZE 4 4 4 4\n"
                       "TYPE F F F F\nCOUNT 1 1 1 1\nWIDTH " +
                       count + "\nHEIGHT 1\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS " + count + "\nDATA ascii\n";
    constexpr std::size_t kBlock = std::size_t(1) << 20;
    text.reserve(kBlock + 4 * numberformat::kMaxLength + 4);
    for (const Point& point : iData.pointList) {
        if (!point.isValid())
            continue;
        FL_append(&text, point.position.x);
        text += ' ';
        FL_append(&text, point.position.y);
        text += ' ';
        FL_append(&text, point.position.z);
        text += ' ';
        // The packed colour's high byte is 0, so the float is never NaN or infinite; the shortest
        // round-trip text brings back every bit, subnormal patterns included.
        const std::uint32_t rgb =
            (std::uint32_t(point.color.red) << 16) | (std::uint32_t(point.color.green) << 8) | point.color.blue;
        float packed = 0;
        std::memcpy(&packed, &rgb, sizeof packed);
        FL_append(&text, packed);
        text += '\n';
        if (text.size() >= kBlock) {
            stream.write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    stream.close();
    if (stream.fail()) {
        FL_print("Error: write streamPCD ... " + iFilePath);
        return false;
    }
    return true;
}

bool getTowerPoints(PointCloudData* oOut, const PointCloudData& iIn)
{
    PointCloudData base = iIn;
    for (Point& point : base.pointList)
        point.position.z -= 4.0f;
    oOut->pointList.reserve(oOut->pointList.size() + 40 * base.pointList.size());
    for (int level = 0; level < 5; ++level)
        for (int k = 0; k < 8; ++k)
            FL_merge(oOut, FL_movedAndTurned(base, Vector3T<float>(0, float(level), 0), k * 45.0));
    return true;
}

bool getPyramidPoints(PointCloudData* oOut, const PointCloudData& iIn)
{
    PointCloudData base = iIn;
    const double c = std::cos(FL_radian(10));
    const double s = std::sin(FL_radian(10));
    for (Point& point : base.pointList) {
        const Vector3T<float> p = point.position + Vector3T<float>(0, 0, -2.8f);
        point.position =
            Vector3T<float>(p.x, numberformat::narrow(p.y * c + p.z * s), numberformat::narrow(-p.y * s + p.z * c));
    }
    oOut->pointList.reserve(oOut->pointList.size() + 60 * base.pointList.size());
    for (int k = 0; k < 4; ++k)
        for (int level = 0; level < 5; ++level)
            for (int m = 0; m <= level; ++m) {
                const Vector3T<float> move(float(2 * m - level), float(level), float(-level));
                FL_merge(oOut, FL_movedAndTurned(base, move, k * 90.0));
            }
    return true;
}
