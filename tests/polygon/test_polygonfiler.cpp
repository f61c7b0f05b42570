// Mesh files and grid triangulation: STL in the forms exporters write (ASCII with LF or CRLF
// line ends, binary, binary with a "solid" header), malformed and truncated files, welding,
// the writers' round trips and JPGIS grids.
#include "polygonfiler.h"

#include "jpgisfixture.h"
#include "processrun.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using testutil::CoutCapture;
using testutil::TempDir;
using testutil::writeFile;
using V = Vector3T<float>;

namespace {

// The twelve triangles of the unit cube, as an exporter lists them: corners repeated per facet.
std::vector<std::array<V, 3>> cubeFacets()
{
    const V p[8] = {V(0, 0, 0), V(1, 0, 0), V(1, 1, 0), V(0, 1, 0), V(0, 0, 1), V(1, 0, 1), V(1, 1, 1), V(0, 1, 1)};
    const int f[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                          {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
    std::vector<std::array<V, 3>> facets;
    for (const auto& t : f)
        facets.push_back({p[t[0]], p[t[1]], p[t[2]]});
    return facets;
}

// ASCII STL as CAD programs write it: named solid, indented lines, scientific numbers.
std::string asciiSTL(const std::vector<std::array<V, 3>>& iFacets, const std::string& iEnd, const std::string& iIndent)
{
    std::ostringstream text;
    text << "solid part-7" << iEnd;
    for (const auto& facet : iFacets) {
        text << iIndent << "facet normal 0.000000e+00 0.000000e+00 -1.000000e+00" << iEnd;
        text << iIndent << iIndent << "outer loop" << iEnd;
        for (const V& v : facet)
            text << iIndent << iIndent << iIndent << "vertex " << std::scientific << v.x << " " << v.y << " " << v.z
                 << iEnd;
        text << iIndent << iIndent << "endloop" << iEnd;
        text << iIndent << "endfacet" << iEnd;
    }
    text << "endsolid part-7" << iEnd;
    return text.str();
}

void putU32(std::string* ioBytes, std::uint32_t iValue)
{
    for (int k = 0; k < 4; ++k)
        ioBytes->push_back(static_cast<char>((iValue >> (8 * k)) & 0xFF));
}

void putF32(std::string* ioBytes, float iValue)
{
    std::uint32_t bits;
    std::memcpy(&bits, &iValue, 4);
    putU32(ioBytes, bits);
}

std::string binarySTL(const std::vector<std::array<V, 3>>& iFacets, const std::string& iHeader)
{
    std::string bytes = iHeader;
    bytes.resize(80, '\0');
    putU32(&bytes, static_cast<std::uint32_t>(iFacets.size()));
    for (const auto& facet : iFacets) {
        for (int k = 0; k < 3; ++k)
            putF32(&bytes, 0.0f);
        for (const V& v : facet) {
            putF32(&bytes, v.x);
            putF32(&bytes, v.y);
            putF32(&bytes, v.z);
        }
        bytes.append(2, '\0');
    }
    return bytes;
}

std::string readAll(const std::string& iPath)
{
    std::ifstream in(iPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PolygonFilerTest : public ::testing::Test
{
protected:
    // The mesh read from a file of the given name and bytes; the message is kept.
    std::unique_ptr<PolygonData> import(const std::string& iName, const std::string& iBytes)
    {
        const std::string path = mDir.file(iName);
        writeFile(path, iBytes);
        CoutCapture quiet;
        std::unique_ptr<PolygonData> data(PolygonFiler(path).importPolygonDataFile(mMessage));
        mOutput = quiet.lines();
        return data;
    }

    TempDir mDir;
    std::string mMessage;
    std::vector<std::string> mOutput;
};

} // namespace

TEST_F(PolygonFilerTest, ExportedCubesWeldToEightVerticesInEveryForm)
{
    const auto cube = cubeFacets();
    std::string upper = asciiSTL(cube, "\r\n", "  ");
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    // A text whose bytes 80 to 83 read as the count 2, so that its size would also suit binary.
    std::string countInName = "solid " + std::string(74, 'x') + std::string("\x02\0\0\0", 4);
    countInName += asciiSTL(cube, "\n", " ").substr(std::string("solid part-7").size());
    struct Form
    {
        const char* what;
        std::string bytes;
    } forms[] = {
        {"ascii LF", asciiSTL(cube, "\n", "  ")},
        {"ascii CRLF", asciiSTL(cube, "\r\n", "  ")},
        {"ascii tabs", asciiSTL(cube, "\n", "\t")},
        {"ascii upper case", upper},
        {"ascii with a binary size", countInName},
        {"binary", binarySTL(cube, "binary STL from a scanner")},
        {"binary with a solid header", binarySTL(cube, "solid exported by a CAD program")},
        {"binary with trailing bytes", binarySTL(cube, "") + "trailing bytes"},
        {"binary with a solid header and text after it", binarySTL(cube, "solid x") + "\nendsolid x\n"},
    };
    for (const Form& form : forms) {
        SCOPED_TRACE(form.what);
        const std::unique_ptr<PolygonData> mesh = import("cube.stl", form.bytes);
        ASSERT_TRUE(mesh);
        EXPECT_EQ(mOutput.at(1), form.what[0] == 'a' ? "File is STL(ASCII)." : "File is STL(Binary).");
        EXPECT_EQ(mesh->triangles.size(), 12u);
        EXPECT_EQ(mesh->points.size(), 8u);
        EXPECT_EQ(mesh->colors, std::vector<Color>(8, Color(100, 100, 0, 255)));
        // Triangle 0 is (0,0,0) (1,1,0) (1,0,0), its corners in file order.
        EXPECT_EQ(mesh->points[mesh->triangles[0].index[1]], V(1, 1, 0));
        EXPECT_EQ(mesh->points[mesh->triangles[0].index[2]], V(1, 0, 0));
    }
}

TEST_F(PolygonFilerTest, MalformedAndTruncatedFilesAreRefused)
{
    const auto cube = cubeFacets();
    const std::string ascii = asciiSTL(cube, "\n", " ");
    // No closing line, a vertex line with three words, a first line that is not "solid".
    EXPECT_FALSE(import("open.stl", ascii.substr(0, ascii.rfind("endsolid"))));
    EXPECT_EQ(mOutput.back(), "False: loadSTLFile_ASCII");
    std::string shortVertex = ascii;
    shortVertex.replace(shortVertex.find("vertex"), 6, "vertex 1");
    shortVertex.replace(shortVertex.find("vertex 1 ") + 8, 30, "");
    EXPECT_FALSE(import("short.stl", shortVertex));
    EXPECT_FALSE(import("first.stl", "solidmodel\n" + ascii.substr(ascii.find('\n') + 1)));

    const std::string binary = binarySTL(cube, "");
    // Cut inside a record, cut inside the head, and a count of 2^32 - 1 in a file of 84 bytes:
    // refused on the size, before anything is allocated for the count.
    EXPECT_FALSE(import("cut.stl", binary.substr(0, binary.size() - 10)));
    EXPECT_EQ(mOutput.back(), "False: loadSTLFile_Binary");
    EXPECT_EQ(mMessage, "Cannot read the STL file: " + mDir.file("cut.stl"));
    EXPECT_FALSE(import("head.stl", binary.substr(0, 60)));
    std::string huge = binary.substr(0, 80);
    putU32(&huge, 0xFFFFFFFFu);
    EXPECT_FALSE(import("huge.stl", huge));
    EXPECT_EQ(mOutput.at(mOutput.size() - 2),
              "File is shorter than its triangle number needs: 214748364834 bytes expected.");

    // A count of 0 is an empty mesh.
    const std::unique_ptr<PolygonData> empty = import("empty.stl", binarySTL({}, ""));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->points.empty() && empty->triangles.empty());
}

// Mervane reads a "solid" file as binary only when bytes no text holds come before its first
// whole facet: a binary file cut short gets the binary reader's message, a text with a stray
// byte further on the text reader's. A binary file read as text has its refused line echoed
// short and printable.
TEST_F(PolygonFilerTest, BinaryBytesOfSolidHeadedFilesAreNotShownRaw)
{
    // The head holds the lines the text reader skips, so that the records come as a vertex line.
    const std::string binary = binarySTL(cubeFacets(), "solid \x1b[2J\x07\nfacet\nouter loop\n");
    std::vector<std::array<V, 3>> facets = cubeFacets();
    facets.insert(facets.end(), facets.begin(), facets.end());
    std::string text = asciiSTL(facets, "\n", " ");
    std::size_t at = 0;
    for (int k = 0; k < 61; ++k) // the first vertex of facet 21
        at = text.find("vertex ", at) + 1;
    text[at + 5] = '\x01';
    struct Case
    {
        const char* what;
        std::string bytes;
        std::vector<std::string> lines; // from the form found to the reader's failure, before the error
    } cases[] = {
        {"binary cut short", binary.substr(0, 84 + 50 * 3),
         {"File is STL(Binary).", "triangle number = 12",
          "File is shorter than its triangle number needs: 684 bytes expected.", "False: loadSTLFile_Binary"}},
        {"text with a control byte", text,
         {"File is STL(ASCII).", "Error Line...", R"(vertex\x011.000000e+00)", "1.000000e+00", "0.000000e+00",
          "False: loadSTLFile_ASCII"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(mDir.file("in.stl"), c.bytes);
        const std::vector<std::string> lines =
            testutil::runProgram(testutil::programPath("Mervane"), {"in.stl", "out.zrply"}, mDir.path()).lines;
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end() - 1), c.lines);
    }
    writeFile(mDir.file("binary.stl"), binary);
    CoutCapture echo;
    EXPECT_FALSE(PolygonFiler(mDir.file("binary.stl")).importSTLFile_ASCII());
    std::string zeros; // the head's padding: 80 characters of it
    for (int k = 0; k < 20; ++k)
        zeros += R"(\x00)";
    EXPECT_EQ(echo.lines(), (std::vector<std::string>{"Error Line...", zeros + "...", "False: loadSTLFile_ASCII"}));
}

TEST_F(PolygonFilerTest, WeldingJoinsEqualPositionsAndDropsNonFiniteTriangles)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::array<V, 3>> facets = {
        {V(0, 0, 0), V(1, 0, 0), V(0, 1, 0)},
        {V(1, 0, 0), V(1, 1, 0), V(-0.0f, 1, 0)}, // shares an edge; -0.0 welds with 0.0
        {V(nan, 0, 0), V(1, 0, 0), V(0, 1, 0)},
        {V(0, 0, 0), V(inf, 0, 0), V(0, 1, 0)},
        {V(5, 5, 5), V(5, 5, 5), V(5, 5, 5)}, // degenerate, kept
    };
    const std::unique_ptr<PolygonData> mesh = import("weld.stl", binarySTL(facets, ""));
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->triangles.size(), 3u);
    EXPECT_EQ(mesh->points.size(), 5u);
    EXPECT_EQ(mesh->triangles[1].index[2], mesh->triangles[0].index[2]);
    EXPECT_EQ(mesh->triangles[2].index[0], mesh->triangles[2].index[1]);
    EXPECT_EQ(mOutput.back(), "Triangles with non-finite coordinates dropped: 2");
}

TEST_F(PolygonFilerTest, SuffixChoosesTheReader)
{
    const std::string bytes = binarySTL(cubeFacets(), "");
    mMessage = "kept";
    EXPECT_FALSE(import("model.STL", bytes));
    EXPECT_EQ(mMessage, "Unknown File Format...");
    mMessage = "kept";
    EXPECT_FALSE(import("noSuffix", bytes));
    EXPECT_EQ(mMessage, "kept");
    // Dots in a folder's name are no suffix.
    ASSERT_EQ(mkdir(mDir.file("survey.2026").c_str(), 0700), 0);
    EXPECT_FALSE(import("survey.2026/plain", bytes));
    EXPECT_EQ(mMessage, "kept");
    EXPECT_TRUE(import("a.b.stl", bytes));
    EXPECT_FALSE(import("missing.xml", "<Dataset/>"));
    EXPECT_EQ(mMessage, "Failure: Reading JPGIS File...");
}

TEST_F(PolygonFilerTest, WritersRoundTrip)
{
    PolygonData mesh;
    ASSERT_TRUE(mesh.init(3, 2));
    mesh.points[4] = V(0.1f, 412345.678f, -3.25e-7f);
    Triangle degenerate;
    mesh.triangles.push_back(degenerate);

    const std::string ascii = mDir.file("out.stl");
    ASSERT_TRUE(PolygonFiler(ascii).exportSTLFile_ASCII(mesh));
    const std::string text = readAll(ascii);
    EXPECT_EQ(text.substr(0, 6), "solid\n");
    EXPECT_NE(text.find("facet normal 0 0 0\n"), std::string::npos);
    CoutCapture quiet;
    std::unique_ptr<PolygonData> back(PolygonFiler(ascii).importSTLFile_ASCII());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->triangles.size(), mesh.triangles.size());
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(back->points[back->triangles[t].index[k]], mesh.points[mesh.triangles[t].index[k]]);

    // Binary: written, read and written again byte for byte.
    const std::string binary = mDir.file("out_binary.stl");
    const std::string again = mDir.file("again.stl");
    ASSERT_TRUE(PolygonFiler(binary).exportSTLFile_Binary(mesh));
    EXPECT_EQ(readAll(binary).size(), 84u + 50u * mesh.triangles.size());
    std::unique_ptr<PolygonData> read(PolygonFiler(binary).importSTLFile_Binary());
    ASSERT_TRUE(read);
    ASSERT_TRUE(PolygonFiler(again).exportSTLFile_Binary(*read));
    EXPECT_EQ(readAll(again), readAll(binary));

    EXPECT_FALSE(PolygonFiler(mDir.file("no/such/folder.stl")).exportSTLFile_ASCII(mesh));
    EXPECT_FALSE(PolygonFiler("/dev/full").exportSTLFile_Binary(mesh));
    Triangle dangling;
    dangling.index[0] = 99;
    mesh.triangles.push_back(dangling);
    EXPECT_FALSE(PolygonFiler(binary).exportSTLFile_Binary(mesh));
}

TEST(PolygonGridTest, QuadsBecomeTrianglesByTheirEmptyCorners)
{
    // Column after column: cell number = column x rows + row.
    auto grid = [](int iColumns, int iRows, const std::set<int>& iEmpty) {
        PointCloudData data;
        data.width = iColumns;
        data.height = iRows;
        for (int c = 0; c < iColumns; ++c)
            for (int r = 0; r < iRows; ++r) {
                Point point;
                point.position = V(float(c), float(r), 0.0f);
                point.flag = iEmpty.count(c * iRows + r) ? Point::Deleted : 0u;
                data.pointList.push_back(point);
                data.validPointNumber += point.isValid() ? 1 : 0;
            }
        return data;
    };
    auto triangles = [](const PolygonData& iMesh) {
        std::vector<std::array<unsigned, 3>> list;
        for (const Triangle& t : iMesh.triangles)
            list.push_back({t.index[0], t.index[1], t.index[2]});
        return list;
    };
    using T3 = std::vector<std::array<unsigned, 3>>;
    CoutCapture output;

    PolygonData full;
    ASSERT_TRUE(full.init(grid(2, 2, {}), false, 1));
    EXPECT_EQ(full.points.size(), 4u);
    // a = (0,0) 0, b = (0,1) 1, c = (1,0) 2, d = (1,1) 3.
    EXPECT_EQ(triangles(full), (T3{{0, 2, 1}, {1, 2, 3}}));
    const std::vector<std::string> lines = output.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "State Map [ 0 ] = 1"), lines.end());

    PolygonData oneEmpty;
    ASSERT_TRUE(oneEmpty.init(grid(2, 2, {0}), false, 1));
    EXPECT_EQ(triangles(oneEmpty), (T3{{0, 1, 2}})); // b, c, d renumbered 0, 1, 2
    PolygonData twoEmpty;
    EXPECT_FALSE(twoEmpty.init(grid(2, 2, {0, 3}), false, 1));
    EXPECT_EQ(twoEmpty.points.size(), 2u);

    PolygonData pitch2;
    ASSERT_TRUE(pitch2.init(grid(5, 5, {}), false, 2));
    EXPECT_EQ(pitch2.points.size(), 25u);
    EXPECT_EQ(pitch2.triangles.size(), 8u);

    // Refused before anything is added: no pitch, and cells that do not fill the grid.
    PolygonData refused;
    EXPECT_FALSE(refused.init(grid(3, 3, {}), false, 0));
    PointCloudData ragged = grid(3, 3, {});
    ragged.pointList.pop_back();
    EXPECT_FALSE(refused.init(ragged, true, 1));
    PointCloudData oversized = grid(2, 2, {});
    oversized.width = 1 << 20;
    oversized.height = 1 << 20;
    EXPECT_FALSE(refused.init(oversized, true, 1));
    EXPECT_TRUE(refused.points.empty());

    // Non-finite cells count as empty.
    PointCloudData withNaN = grid(2, 2, {});
    withNaN.pointList[3].position.z = std::numeric_limits<float>::quiet_NaN();
    PolygonData nanMesh;
    ASSERT_TRUE(nanMesh.init(withNaN, false, 1));
    EXPECT_EQ(nanMesh.points.size(), 3u);
    EXPECT_EQ(nanMesh.triangles.size(), 1u);
}

TEST_F(PolygonFilerTest, JPGISGridsAreTriangulatedRowAfterRow)
{
    // 3 columns x 2 rows; one cell without data.
    const std::unique_ptr<PolygonData> mesh =
        import("dem.xml", jpgisfixture::jpgis({"0 0", "2 1"}, {"10", "20.5", "-9999", "0", "1000", "1.5"}));
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->points.size(), 5u);
    // Quad (0,0)-(1,1) full gives two, quad (0,1)-(1,2) with one empty corner gives one.
    EXPECT_EQ(mesh->triangles.size(), 3u);
    EXPECT_NE(std::find(mOutput.begin(), mOutput.end(), "row major = true"), mOutput.end());

    EXPECT_FALSE(import("flat.xml", jpgisfixture::jpgis({"0 0", "0 0"}, {"1"})));
    EXPECT_EQ(mMessage, "Failure: Creating Polygon from JPGIS File...");
}
