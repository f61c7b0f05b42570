#include "pointcloudimpoperation.h"

#include "jpgisfixture.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using Importer = bool (*)(PointCloudData*, const std::string&);

struct Import
{
    bool ok = false;
    Lines lines;
    PointCloudData data;
};

class ImporterTest : public ::testing::Test
{
protected:
    Import run(Importer iImporter, const std::string& iPath)
    {
        Import result;
        testutil::CoutCapture capture;
        result.ok = iImporter(&result.data, iPath);
        result.lines = capture.lines();
        return result;
    }
    Import import(Importer iImporter, const std::string& iText)
    {
        testutil::writeFile(dir.file("in.txt"), iText);
        return run(iImporter, dir.file("in.txt"));
    }
    std::string lastLine(Importer iImporter, const std::string& iText)
    {
        const Import r = import(iImporter, iText);
        EXPECT_FALSE(r.ok) << iText;
        return r.lines.empty() ? std::string() : r.lines.back();
    }

    testutil::TempDir dir;
};

std::string crlf(const std::string& iText)
{
    std::string out;
    for (char c : iText)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

std::string ptxHeader(const std::string& iColumns, const std::string& iRows)
{
    return iColumns + "\n" + iRows + "\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n";
}

std::string pcdHeader(const std::string& iWidth, const std::string& iHeight, const std::string& iPoints = "0")
{
    return "# .PCD v.7 - Point Cloud Data file format\nVERSION .7\nFIELDS x y z rgb\nSIZE 4 4 4 4\n"
           "TYPE F F F F\nCOUNT 1 1 1 1\nWIDTH " +
           iWidth + "\nHEIGHT " + iHeight + "\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS " + iPoints + "\nDATA ascii\n";
}

void expectCell(const Point& iPoint, Vector3T<float> iPosition, Color iColor, unsigned iFlag)
{
    EXPECT_EQ(iPoint.position, iPosition);
    EXPECT_EQ(iPoint.color, iColor);
    EXPECT_EQ(iPoint.flag, iFlag);
}

bool sameCells(const std::vector<Point>& a, const std::vector<Point>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Point)) == 0;
}

const Color kWhite(255, 255, 255, 255);

// ---- PTX

TEST_F(ImporterTest, PTXReadsColumnsWithEmptyCellsAndColours)
{
    const std::string text = ptxHeader("2", "3") +
                             "1 2 3 1.0 10 20 30\n"
                             "4 5 6 0.5 256 -1 300\n"
                             "7  8 9 0 1 2 3\n"
                             "0 0 0 0.5\n"
                             "-1.5 2.25 1e3 1\n"
                             "0.5 0.5 0.5 0.25 0 0 0";
    const Import r = import(initByPTXFile, text);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.lines, (Lines{"number of columns: 2", "number of rows: 3", "Point Number: 5"}));
    EXPECT_EQ(r.data.width, 2);
    EXPECT_EQ(r.data.height, 3);
    EXPECT_EQ(r.data.validPointNumber, 5u);
    ASSERT_EQ(r.data.pointList.size(), 6u);
    expectCell(r.data.pointList[0], {1, 2, 3}, Color(10, 20, 30, 255), 0);
    expectCell(r.data.pointList[1], {4, 5, 6}, Color(0, 255, 44, 127), 0);
    expectCell(r.data.pointList[2], {7, 8, 9}, Color(1, 2, 3, 0), 0);
    expectCell(r.data.pointList[3], {0, 0, 0}, Color(255, 255, 255, 127), Point::Deleted);
    expectCell(r.data.pointList[4], {-1.5f, 2.25f, 1000}, kWhite, 0);
    expectCell(r.data.pointList[5], {0.5f, 0.5f, 0.5f}, Color(0, 0, 0, 63), 0);

    // The same file written on Windows gives the same cells.
    const Import windows = import(initByPTXFile, crlf(text));
    ASSERT_TRUE(windows.ok);
    EXPECT_EQ(windows.lines, r.lines);
    EXPECT_TRUE(sameCells(windows.data.pointList, r.data.pointList));
}

TEST_F(ImporterTest, PTXNonFiniteCoordinatesGiveEmptyCells)
{
    const Import r = import(initByPTXFile, ptxHeader("1", "5") +
                                               "nan 1 1 1\n1 inf 1 1\n1 1 1e39 1\n1 -NaN 1 1\n1 1 1 1\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.lines.back(), "Point Number: 1");
    for (int k = 0; k < 4; ++k)
        expectCell(r.data.pointList[k], {0, 0, 0}, kWhite, Point::Deleted);
    EXPECT_EQ(r.data.pointList[4].flag, 0u);
}

TEST_F(ImporterTest, PTXRejectsWrongWordCounts)
{
    // Tabs do not separate words.
    for (const char* line : {"1 2 3 4 5", "1 2 3 4 5 6 7 8", "", "   ", "1\t2\t3\t4", "1 2 3"}) {
        const Import r = import(initByPTXFile, ptxHeader("1", "2") + "1 1 1 1\n" + line + "\n");
        EXPECT_FALSE(r.ok) << line;
        EXPECT_EQ(r.lines.back(), "Error: piont data") << line;
        EXPECT_EQ(r.data.pointList.size(), 1u); // cells read before the failure stay
    }
}

TEST_F(ImporterTest, PTXTruncatedAtEveryLineFails)
{
    const std::string text = ptxHeader("2", "2") + "1 1 1 1\n2 2 2 1\n3 3 3 1\n4 4 4 1\n";
    std::vector<std::string> lines;
    for (std::size_t at = 0, next; (next = text.find('\n', at)) != std::string::npos; at = next + 1)
        lines.push_back(text.substr(at, next - at + 1));
    ASSERT_EQ(lines.size(), 14u);
    std::string prefix;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        std::string expected;
        if (k == 0)
            expected = "Error: read number of columns";
        else if (k == 1)
            expected = "Error: read number of rows";
        else if (k < 6)
            expected = "Error: read Scaner Location row " + std::to_string(k - 2);
        else if (k < 10)
            expected = "Error: read Transfer Matrix row " + std::to_string(k - 6);
        else
            expected = "Error: read piont";
        EXPECT_EQ(lastLine(initByPTXFile, prefix), expected) << k;
        EXPECT_EQ(lastLine(initByPTXFile, crlf(prefix)), expected) << k;
        prefix += lines[k];
    }
    EXPECT_TRUE(import(initByPTXFile, prefix).ok);
    // Cut inside the last data line.
    EXPECT_EQ(lastLine(initByPTXFile, prefix.substr(0, prefix.size() - 5)), "Error: piont data");
}

TEST_F(ImporterTest, PTXBadSizesFailWithoutAllocating)
{
    EXPECT_EQ(lastLine(initByPTXFile, ptxHeader("0", "3")), "Error: number of columns");
    EXPECT_EQ(lastLine(initByPTXFile, ptxHeader("abc", "3")), "Error: number of columns");
    EXPECT_EQ(lastLine(initByPTXFile, ptxHeader("2", "-3")), "Error: number of rows");
    EXPECT_EQ(lastLine(initByPTXFile, ptxHeader("65536", "65536")), "Error: number of points");

    const Import r = import(initByPTXFile, ptxHeader("2147483647", "1") + "1 1 1 1\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.lines.back(), "Error: read piont");
    EXPECT_LT(r.data.pointList.capacity(), 1000u);

    const Import missing = run(initByPTXFile, dir.file("missing.ptx"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.lines, Lines{"Error: open file stream ... " + dir.file("missing.ptx")});
}

TEST_F(ImporterTest, NumbersDoNotDependOnTheLocale)
{
    const std::string old = std::setlocale(LC_ALL, nullptr);
    bool found = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8", "nl_NL.UTF-8"})
        if (std::setlocale(LC_ALL, name)) {
            found = true;
            break;
        }
    if (!found)
        GTEST_SKIP() << "no comma-decimal locale installed";
    const Import r = import(initByPTXFile, ptxHeader("1", "1") + "1.5 2.25 -3.125 0.5\n");
    std::setlocale(LC_ALL, old.c_str());
    ASSERT_TRUE(r.ok);
    expectCell(r.data.pointList[0], {1.5f, 2.25f, -3.125f}, Color(255, 255, 255, 127), 0);
}

// ---- PTS

TEST_F(ImporterTest, PTSReadsPointsOnly)
{
    const Import r = import(initByPTSFile, "3\r\n1 2 3 99 10 20 300\r\n4  5 6 0 1 2 3 extra\r\n7 nan 9 0 1 2 3\r\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.lines, Lines{"number: 3"});
    EXPECT_EQ(r.data.width, 0);
    EXPECT_EQ(r.data.validPointNumber, 0u);
    ASSERT_EQ(r.data.pointList.size(), 3u);
    expectCell(r.data.pointList[0], {1, 2, 3}, Color(10, 20, 44, 255), 0);
    expectCell(r.data.pointList[1], {4, 5, 6}, Color(1, 2, 3, 255), 0);
    expectCell(r.data.pointList[2], {0, 0, 0}, Color(1, 2, 3, 255), Point::Deleted);

    const Import none = import(initByPTSFile, "0\n1 2 3 4 5 6 7\n");
    EXPECT_TRUE(none.ok);
    EXPECT_EQ(none.lines, Lines{"number: 0"});
    EXPECT_TRUE(none.data.pointList.empty());

    EXPECT_EQ(lastLine(initByPTSFile, ""), "Error: read number");
    EXPECT_EQ(lastLine(initByPTSFile, "2\n1 2 3 4 5 6\n"), "Error: piont data");
    EXPECT_EQ(lastLine(initByPTSFile, "2\n1 2 3 4 5 6 7\n"), "Error: read piont");
    EXPECT_LT(import(initByPTSFile, "2147483647\n1 2 3 4 5 6 7\n").data.pointList.capacity(), 1000u);
}

// ---- PCD

TEST_F(ImporterTest, PCDNanOrNonFiniteGivesEmptyWhiteCell)
{
    const Import r = import(initByPCDFile, pcdHeader("8", "1") +
                                               "1 2 3 0\nnan 1 2 0\n1 nan 2 0\n1 2 nan 0\n1 2 3 nan\n"
                                               "NaN 1 2 0\n1 inf 2 0\n1 2 1e39 0\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.lines, Lines{"Point Number: 1"});
    EXPECT_EQ(r.data.flag, 0);
    ASSERT_EQ(r.data.pointList.size(), 8u);
    expectCell(r.data.pointList[0], {1, 2, 3}, Color(0, 0, 0, 255), 0);
    for (int k = 1; k < 8; ++k)
        expectCell(r.data.pointList[k], {0, 0, 0}, kWhite, Point::Deleted);

    // "nan" before a carriage return is still "nan".
    const Import windows = import(initByPCDFile, crlf(pcdHeader("2", "1") + "1 2 3 0\n1 2 3 nan\n"));
    ASSERT_TRUE(windows.ok);
    EXPECT_EQ(windows.data.pointList[1].flag, unsigned(Point::Deleted));
}

TEST_F(ImporterTest, PCDShortFileIsPaddedAndFlagged)
{
    const Import r = import(initByPCDFile, pcdHeader("3", "2") + "1 2 3 0\n4 5 6 0\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.lines, Lines{"Point Number: 2"});
    EXPECT_EQ(r.data.flag, 1);
    EXPECT_EQ(r.data.width, 3);
    EXPECT_EQ(r.data.height, 2);
    ASSERT_EQ(r.data.pointList.size(), 6u);
    for (int k = 2; k < 6; ++k)
        expectCell(r.data.pointList[k], {0, 0, 0}, kWhite, Point::Deleted);

    // A line without words ends the data.
    const Import stop = import(initByPCDFile, pcdHeader("3", "1") + "1 2 3 0\n   \n4 5 6 0\n");
    ASSERT_TRUE(stop.ok);
    EXPECT_EQ(stop.data.flag, 1);
    EXPECT_EQ(stop.data.validPointNumber, 1u);
    EXPECT_EQ(stop.data.pointList.size(), 3u);

    // The file may even end right after its HEIGHT line.
    const std::string header = pcdHeader("2", "2");
    const Import headerOnly = import(initByPCDFile, header.substr(0, header.find("VIEWPOINT")));
    ASSERT_TRUE(headerOnly.ok);
    EXPECT_EQ(headerOnly.data.pointList.size(), 4u);
}

TEST_F(ImporterTest, PCDMalformedHeaderOrDataFails)
{
    const std::string header = pcdHeader("2", "1");
    const std::string sixLines = header.substr(0, header.find("WIDTH"));
    EXPECT_EQ(lastLine(initByPCDFile, sixLines), "Error: read WIDTH");
    EXPECT_EQ(lastLine(initByPCDFile, sixLines + "WIDTH\nHEIGHT 1\n"), "Error: read WIDTH");
    EXPECT_EQ(lastLine(initByPCDFile, sixLines + "WIDTH -2\nHEIGHT 1\n"), "Error: read WIDTH");
    EXPECT_EQ(lastLine(initByPCDFile, sixLines + "WIDTH 2\n"), "Error: read HEIGHT");
    EXPECT_EQ(lastLine(initByPCDFile, sixLines + "WIDTH 2\nHEIGHT -1\n"), "Error: read HEIGHT");
    EXPECT_EQ(lastLine(initByPCDFile, pcdHeader("65536", "65536")), "Error: number of points");
    // More cells than the file's bytes can hold: refused before any padding is allocated.
    EXPECT_EQ(lastLine(initByPCDFile, pcdHeader("100000000", "1") + "1 2 3 0\n"), "Error: number of points");
    // The 172-byte header alone holds 21 cells, so 21 are padded and 22 are refused.
    ASSERT_EQ(pcdHeader("21", "1").size(), 172u);
    EXPECT_EQ(lastLine(initByPCDFile, pcdHeader("22", "1")), "Error: number of points");
    const Import bound = import(initByPCDFile, pcdHeader("21", "1"));
    ASSERT_TRUE(bound.ok);
    EXPECT_EQ(bound.data.pointList.size(), 21u);
    EXPECT_EQ(lastLine(initByPCDFile, header + "1 2 3\n"), "Error: piont data");
    EXPECT_EQ(lastLine(initByPCDFile, header + "nan nan nan\n"), "Error: piont data");
    const Import missing = run(initByPCDFile, dir.file("missing.pcd"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.lines, Lines{"Error: open streamPCD ... " + dir.file("missing.pcd")});
}

TEST_F(ImporterTest, PCDWriteThenReadGivesTheValidCells)
{
    PointCloudData data;
    data.width = 4;
    data.height = 2;
    const std::vector<Vector3T<float>> positions = {
        {0.1f, -0.2f, 0.3f}, {123456.789f, -1e-30f, 3.4e38f}, {1e-40f, 7, -0.0f}, {1.0f / 3, 2.0f / 3, 1e7f}};
    const std::vector<Color> colors = {Color(0, 0, 0), Color(255, 255, 255), Color(0, 0, 1), Color(128, 0, 7)};
    for (std::size_t k = 0; k < positions.size(); ++k) {
        Point empty;
        empty.flag = Point::Deleted;
        empty.position = {9, 9, 9};
        data.pointList.push_back(empty);
        Point point;
        point.position = positions[k];
        point.color = colors[k];
        point.color.alpha = 17; // not written
        point.flag = k == 3 ? unsigned(Point::Selected) : 0u;
        data.pointList.push_back(point);
    }
    data.validPointNumber = 8; // the writer counts the valid cells itself

    testutil::CoutCapture capture;
    ASSERT_TRUE(exportPCDFile(data, dir.file("out.pcd")));
    EXPECT_TRUE(capture.text().empty());
    const std::string text = testutil::readFile(dir.file("out.pcd"));
    EXPECT_EQ(text.substr(0, text.find("DATA ascii\n") + 11), pcdHeader("4", "1", "4"));
    EXPECT_EQ(text.find('\r'), std::string::npos);

    const Import r = run(initByPCDFile, dir.file("out.pcd"));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.lines, Lines{"Point Number: 4"});
    EXPECT_EQ(r.data.flag, 0);
    EXPECT_EQ(r.data.width, 4);
    EXPECT_EQ(r.data.height, 1);
    ASSERT_EQ(r.data.pointList.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        const Point& p = r.data.pointList[k];
        EXPECT_EQ(std::memcmp(&p.position, &positions[k], sizeof(Vector3T<float>)), 0) << k;
        EXPECT_EQ(p.color, Color(colors[k].red, colors[k].green, colors[k].blue, 255)) << k;
        EXPECT_EQ(p.flag, 0u);
    }
}

TEST_F(ImporterTest, PCDColourPatternsRoundTrip)
{
    // Red below 128 makes the packed float subnormal; every pattern must come back.
    PointCloudData data;
    std::vector<std::uint32_t> patterns = {0x000001, 0x00FFFF, 0x7FFFFF, 0x800000, 0x800001, 0xFFFFFF};
    for (std::uint32_t v = 0; v < 0x1000000; v += 251)
        patterns.push_back(v);
    for (std::uint32_t v : patterns) {
        Point point;
        point.color = Color(static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 8),
                            static_cast<unsigned char>(v));
        point.position = {float(v), 1, 2};
        data.pointList.push_back(point);
    }
    ASSERT_TRUE(exportPCDFile(data, dir.file("colours.pcd")));
    const Import r = run(initByPCDFile, dir.file("colours.pcd"));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.data.pointList.size(), data.pointList.size());
    EXPECT_TRUE(sameCells(r.data.pointList, data.pointList));
}

TEST_F(ImporterTest, PCDWriterReportsFailures)
{
    PointCloudData data;
    data.pointList.resize(3);
    const std::string path = dir.file("no/such/folder.pcd");
    testutil::CoutCapture capture;
    EXPECT_FALSE(exportPCDFile(data, path));
    EXPECT_EQ(capture.lines(), Lines{"Error: open streamPCD ... " + path});
    if (std::FILE* full = std::fopen("/dev/full", "w")) {
        std::fclose(full);
        EXPECT_FALSE(exportPCDFile(data, "/dev/full"));
    }
}

// ---- JPGIS

using jpgisfixture::jpgis;

TEST_F(ImporterTest, JPGISGridPositionsAndLines)
{
    const Import r = import(initByJPGISFile, jpgis({"0 0", "2 1"}, {"10", "20.5", "-9999", "0", "1000", "1.5"}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.lines, (Lines{"rowX: 0", "rowY: 0", "highX: 2", "highY: 1", "westBoundLongitude: 135.5",
                              "eastBoundLongitude: 135.538", "southBoundLatitude: 35.25", "northBoundLatitude: 35.275",
                              "Number X: 3", "Number Y: 2", "Data Number: 6", "hightList.size(): 6",
                              "originLongitude: 135", "originLatitude: 35", "dLongitude: 0.0375061",
                              "dLatitude: 0.0250015", "earthRadius: 6.3675e+06", "x0: 55566.9", "y0: 30562",
                              "dx: 1389.4", "dy: 1389.26", "Point Number: 5"}));
    EXPECT_EQ(r.data.width, 3);
    EXPECT_EQ(r.data.height, 2);
    EXPECT_EQ(r.data.validPointNumber, 5u);
    ASSERT_EQ(r.data.pointList.size(), 6u);

    // Single and double precision mixed as the grid's positions were always computed.
    const double arc = 20004087.06;
    const float west = 135.5f, east = 135.5375f, south = 35.25f, north = 35.275f;
    const float x0 = float(double((west - 135.0f) / 180.0f) * arc);
    const float y0 = float(double((north - 35.0f) / 180.0f) * arc);
    const float dx = float(double((east - west) / 180.0f) * arc / 3);
    const float dy = float(double((north - south) / 180.0f) * arc / 2);
    const double left = x0 + dx * 0.5, top = y0 - dy * 0.5, s = double(0.001f);
    const float heights[] = {10, 20.5f, -9999, 0, 1000, 1.5f};
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) {
            const Vector3T<float> expected(float((double(float(i) * dx) + left) * s),
                                           float((top - double(float(j) * dy)) * s), heights[j * 3 + i] * 0.001f);
            expectCell(r.data.pointList[j * 3 + i], expected, Color(0, 0, 255, 255),
                       heights[j * 3 + i] < 0 ? unsigned(Point::Deleted) : 0u);
        }
    EXPECT_EQ(r.data.pointList[0].position, Vector3T<float>(56.26161193847656f, 29.867341995239258f, 10 * 0.001f));
    EXPECT_EQ(r.data.pointList[2].position.z, -9.999000549316406f);
    EXPECT_EQ(r.data.pointList[5].position.x, 59.040409088134766f);
    EXPECT_EQ(r.data.pointList[5].position.y, 28.478084564208984f);
}

TEST_F(ImporterTest, JPGISMissingCornersOrHeightsFail)
{
    const Import one = import(initByJPGISFile, jpgis({"0 0"}, {"1"}));
    EXPECT_FALSE(one.ok);
    EXPECT_EQ(one.lines, Lines{"Error: row or high date is not exist."});

    const Import five = import(initByJPGISFile, jpgis({"0 0", "2 1"}, {"1", "2", "3", "4", "5"}));
    EXPECT_FALSE(five.ok);
    ASSERT_GE(five.lines.size(), 3u);
    EXPECT_EQ(Lines(five.lines.end() - 3, five.lines.end()),
              (Lines{"Data Number: 6", "hightList.size(): 5", "Error: data number != hight list's size."}));

    EXPECT_EQ(lastLine(initByJPGISFile, jpgis({"0 0", "-1 0"}, {})), "Error: grid size is out of range.");
    EXPECT_EQ(lastLine(initByJPGISFile, jpgis({"0 0", "2147483647 2147483647"}, {"1"})),
              "Error: grid size is out of range.");
    const Import wide = import(initByJPGISFile, jpgis({"-2147483648 0", "2147483647 0"}, {"1"}));
    EXPECT_FALSE(wide.ok);
    EXPECT_EQ(wide.lines[8], "Number X: 4294967296");
}

TEST_F(ImporterTest, JPGISTakesOnlyProperElements)
{
    // One height among lines without a proper closing tag; the third corner is ignored and a
    // corner without a blank gives both numbers.
    std::string text = jpgis({"4", "4 4", "9 9"}, {"5"});
    text.insert(text.find("<alti>"), "<alti>6</alti\n<alti>6>x</alti>\n<alti>6<alti>\n<alti>6\n<alti>6</>\n"
                                     "<alti>6</altitude>\n6</alti>\n");
    // Only the closing tag names the element.
    text.replace(text.find("<alti>5</alti>"), 14, "<x>5</alti>");
    const Import r = import(initByJPGISFile, crlf(text));
    ASSERT_TRUE(r.ok) << r.lines.back();
    EXPECT_EQ(Lines(r.lines.begin(), r.lines.begin() + 4), (Lines{"rowX: 4", "rowY: 4", "highX: 4", "highY: 4"}));
    ASSERT_EQ(r.data.pointList.size(), 1u);
    EXPECT_EQ(r.data.pointList[0].position.z, 5 * 0.001f);
}

// ---- Test patterns

TEST(TestPatterns, TowerAndPyramidAppendTurnedCopies)
{
    PointCloudData in;
    in.pointList.resize(2);
    in.pointList[0].position = {1, 0, 0};
    in.pointList[1].position = {0, 0, 1};
    in.pointList[1].flag = Point::Deleted;
    PointCloudData out;
    out.width = 5;
    out.height = 6;
    out.validPointNumber = 7;
    out.pointList.resize(1);

    EXPECT_TRUE(getTowerPoints(&out, in));
    ASSERT_EQ(out.pointList.size(), 1u + 80u);
    EXPECT_EQ(out.width, 5);
    EXPECT_EQ(out.height, 6);
    EXPECT_EQ(out.validPointNumber, 7u);
    EXPECT_EQ(out.pointList[1].position, Vector3T<float>(1, 0, -4));
    EXPECT_EQ(out.pointList[2].flag, unsigned(Point::Deleted));
    // Level 2, turn 2 (90 degrees): (1, 2, -4) goes to (-4, 2, -1).
    const Point& turned = out.pointList[1 + 2 * (2 * 8 + 2)];
    EXPECT_NEAR(turned.position.x, -4, 1e-5);
    EXPECT_EQ(turned.position.y, 2);
    EXPECT_NEAR(turned.position.z, -1, 1e-5);

    PointCloudData pyramid;
    EXPECT_TRUE(getPyramidPoints(&pyramid, in));
    ASSERT_EQ(pyramid.pointList.size(), 2u * 60u);
    // (1, 0, 0) tilted by 10 degrees after the move to z = -2.8.
    const double c = std::cos(10 / 180.0 * 3.141592), s = std::sin(10 / 180.0 * 3.141592);
    EXPECT_NEAR(pyramid.pointList[0].position.x, 1, 1e-6);
    EXPECT_NEAR(pyramid.pointList[0].position.y, -2.8 * s, 1e-5);
    EXPECT_NEAR(pyramid.pointList[0].position.z, -2.8 * c, 1e-5);
    // Last copy: side 3 (270 degrees), level 4, m 4: moved by (4, 4, -4), then (x, z) -> (-z, x).
    const Point& last = pyramid.pointList[2 * 59];
    EXPECT_NEAR(last.position.x, -(-2.8 * c - 4), 1e-4);
    EXPECT_NEAR(last.position.y, -2.8 * s + 4, 1e-5);
    EXPECT_NEAR(last.position.z, 1 + 4, 1e-4);
}

} // namespace
