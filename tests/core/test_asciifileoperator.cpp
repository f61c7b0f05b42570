#include "asciifileoperator.h"
#include "stringdivider.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <locale>
#include <string>
#include <vector>

namespace {

std::string tempPath(const std::string& iName)
{
    const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "test_asciifileoperator";
    std::filesystem::create_directories(folder);
    return (folder / iName).string();
}

void writeBytes(const std::string& iPath, const std::string& iBytes)
{
    std::ofstream(iPath, std::ios::binary) << iBytes;
}

std::string readBytes(const std::string& iPath)
{
    std::ifstream in(iPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// All lines until atEnd, as a section reader walks a file.
std::vector<std::string> readAll(AsciiFileOperator& iOperator)
{
    std::vector<std::string> lines;
    while (!iOperator.atEnd())
        lines.push_back(iOperator.readLine());
    return lines;
}

struct CommaDecimal : std::numpunct<char>
{
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

} // namespace

TEST(StringDivider, SplitsAtDelimitersAndDropsEmptyWords)
{
    EXPECT_TRUE(TEST_StringDivider());

    StringDivider none;
    EXPECT_EQ(none.divide("a b"), std::vector<std::string>{"a b"});
    EXPECT_TRUE(none.divide("").empty());

    StringDivider divider;
    divider.entry(' ');
    divider.entry(' ');
    divider.entry(',');
    EXPECT_TRUE(divider.divide("").empty());
    EXPECT_TRUE(divider.divide(" ,, ").empty());
    EXPECT_EQ(divider.divide(",a,,b c "), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(divider.divide("a\tb"), std::vector<std::string>{"a\tb"});
}

TEST(AsciiFileOperator, RecognisesFileAndSectionHeaders)
{
    std::string name = "old", version = "old";
    EXPECT_FALSE(AsciiFileOperator::getFileHeader("ObjectInfo 0.1 extra", &name, &version));
    EXPECT_FALSE(AsciiFileOperator::getFileHeader("ObjectInfo", &name, &version));
    EXPECT_FALSE(AsciiFileOperator::getFileHeader("", &name, &version));
    EXPECT_FALSE(AsciiFileOperator::getFileHeader("ObjectInfo\t0.1", &name, &version));
    EXPECT_EQ(name, "old");
    EXPECT_EQ(version, "old");
    EXPECT_TRUE(AsciiFileOperator::getFileHeader("  ObjectInfo   0.1 ", &name, &version));
    EXPECT_EQ(name, "ObjectInfo");
    EXPECT_EQ(version, "0.1");
    EXPECT_TRUE(AsciiFileOperator::getFileHeader("ObjectInfo 0.1\r", &name, &version));
    EXPECT_EQ(version, "0.1\r"); // lines keep their carriage return

    EXPECT_EQ(AsciiFileOperator::getHeader("Camera"), "* Camera");
    EXPECT_TRUE(AsciiFileOperator::isHeader("* Camera", "Camera"));
    EXPECT_TRUE(AsciiFileOperator::isHeader("*  Camera ", "Camera"));
    EXPECT_FALSE(AsciiFileOperator::isHeader("*Camera", "Camera"));
    EXPECT_FALSE(AsciiFileOperator::isHeader("* Camera Data", "Camera"));
    EXPECT_FALSE(AsciiFileOperator::isHeader("* camera", "Camera"));
    EXPECT_FALSE(AsciiFileOperator::isHeader("# Camera", "Camera"));
    EXPECT_FALSE(AsciiFileOperator::isHeader("*", ""));
    EXPECT_FALSE(AsciiFileOperator::isHeader("", "Camera"));
}

TEST(AsciiFileOperator, ConvertsValueTypes)
{
    EXPECT_EQ(AsciiFileOperator::toString(Color(10, 20, 30, 40)), "10 20 30");
    EXPECT_EQ(AsciiFileOperator::toMyColor("10 20 30"), Color(10, 20, 30, 255));
    EXPECT_EQ(AsciiFileOperator::toMyColor("  256  -1 511 7"), Color(0, 255, 255, 255));
    EXPECT_EQ(AsciiFileOperator::toMyColor("99999999999 -99999999999 x"), Color(255, 0, 0, 255));
    EXPECT_EQ(AsciiFileOperator::toMyColor("10 20"), Color(10, 20, 0, 255));
    EXPECT_EQ(AsciiFileOperator::toMyColor(""), Color(0, 0, 0, 255));

    EXPECT_EQ(AsciiFileOperator::toMyVector3D("0.1 0.2 0.3"), Vector3D(double(0.1f), double(0.2f), double(0.3f)));
    EXPECT_EQ(AsciiFileOperator::toMyVector3D(" 1  2 3 4"), Vector3D(1, 2, 3));
    EXPECT_EQ(AsciiFileOperator::toMyVector3D("1 2"), Vector3D(1, 2, 0));
    EXPECT_EQ(AsciiFileOperator::toMyVector3D("1e300 -1e300 x"),
              Vector3D(HUGE_VAL, -HUGE_VAL, 0)); // float range exceeded: infinity, not undefined

    EXPECT_EQ(AsciiFileOperator::toString(Vector4D(1, -2, 0.5, 1e6)), "1 -2 0.5 1e+06");
    Matrix4x4D m;
    for (int i = 0; i < 16; ++i)
        m.m[i] = i + 0.5;
    m.m[3] = 412345.678;
    m.m[7] = 1.0 / 3;
    const std::string text = AsciiFileOperator::toString(m);
    EXPECT_EQ(text, "0.5 1.5 2.5 412345.678 4.5 5.5 6.5 0.3333333333333333 8.5 9.5 10.5 11.5 12.5 13.5 14.5 15.5");
    EXPECT_EQ(AsciiFileOperator::toMyMatrix4x4D(text), m);
    EXPECT_EQ(AsciiFileOperator::toMyMatrix4x4D(text + " 99"), m);
    EXPECT_EQ(AsciiFileOperator::toMyMatrix4x4D(text.substr(0, text.rfind(' '))), Matrix4x4D::identity());
    EXPECT_EQ(AsciiFileOperator::toMyMatrix4x4D(""), Matrix4x4D::identity());

    EXPECT_TRUE(AsciiFileOperator::toBoolean(" 2"));
    EXPECT_FALSE(AsciiFileOperator::toBoolean("yes"));
}

TEST(AsciiFileOperator, SectionFileRoundTripsByteForByte)
{
    const std::string path = tempPath("section.txt");
    const Color color(10, 20, 30, 40);
    const Vector3D center(412345.5, -0.25, 1e6);
    Matrix4x4D matrix;
    matrix.m[3] = 412345.678;
    matrix.m[7] = 5412345.123;
    matrix.m[11] = 1.0 / 3;
    {
        AsciiFileOperator out;
        ASSERT_TRUE(out.openFile(path, false));
        out << "ObjectInfo" << ' ' << std::string("0.1") << endl;
        out << AsciiFileOperator::getHeader("Values") << endl;
        out << 42 << ' ' << true << ' ' << 0.1f << ' ' << 412345.678 << ' ' << 18446744073709551615ul << endl;
        out << AsciiFileOperator::toString(color) << endl;
        out << AsciiFileOperator::toString(center) << endl;
        out << AsciiFileOperator::toString(matrix);
        out.endl();
        EXPECT_TRUE(out.good());
        EXPECT_TRUE(out.closeFile());
    }
    EXPECT_EQ(readBytes(path), "ObjectInfo 0.1\n"
                               "* Values\n"
                               "42 1 0.1 412345.678 18446744073709551615\n"
                               "10 20 30\n"
                               "412345.5 -0.25 1e+06\n"
                               "1 0 0 412345.678 0 1 0 5.412345123e+06 0 0 1 0.3333333333333333 0 0 0 1\n");

    AsciiFileOperator in;
    ASSERT_TRUE(in.openFile(path, true));
    std::string name, version;
    ASSERT_TRUE(AsciiFileOperator::getFileHeader(in.readLine(), &name, &version));
    EXPECT_EQ(name + version, "ObjectInfo0.1");
    EXPECT_TRUE(AsciiFileOperator::isHeader(in.readLine(), "Values"));
    const std::string values = in.readLine();
    EXPECT_EQ(AsciiFileOperator::toInt(values), 42);
    EXPECT_EQ(AsciiFileOperator::toMyColor(in.readLine()), Color(10, 20, 30, 255));
    EXPECT_EQ(AsciiFileOperator::toMyVector3D(in.readLine()), center); // all three are float values
    EXPECT_EQ(AsciiFileOperator::toMyMatrix4x4D(in.readLine()), matrix);
    EXPECT_FALSE(in.atEnd());
    EXPECT_EQ(in.readLine(), "");
    EXPECT_TRUE(in.atEnd());
}

TEST(AsciiFileOperator, ReadsMalformedAndTruncatedFiles)
{
    AsciiFileOperator never;
    EXPECT_FALSE(never.atEnd());
    EXPECT_EQ(never.readLine(), "");
    EXPECT_FALSE(never.atEnd());

    const std::string path = tempPath("malformed.txt");
    writeBytes(path, "Data 0.1\r\n\n*Joined\n*  Spaced   \nlast without feed");
    AsciiFileOperator in;
    ASSERT_TRUE(in.openFile(path, true));
    EXPECT_EQ(readAll(in), (std::vector<std::string>{"Data 0.1\r", "", "*Joined", "*  Spaced   ", "last without feed"}));
    // Past the end the buffer is empty, not the last line again.
    EXPECT_EQ(in.readLine(), "");
    EXPECT_TRUE(in.atEnd());

    ASSERT_TRUE(in.openFile(path, true)); // reopening starts over
    EXPECT_FALSE(in.atEnd());
    EXPECT_EQ(in.read(-3), "");
    EXPECT_EQ(in.read(4), "Data");
    EXPECT_EQ(in.read(0), "");
    in.readLine();
    in.readLine();
    in.readLine();
    in.readLine();
    EXPECT_EQ(in.read(20), std::string("last without feed\0\0\0", 20));
    EXPECT_TRUE(in.atEnd());

    const std::string empty = tempPath("empty.txt");
    writeBytes(empty, "");
    ASSERT_TRUE(in.openFile(empty, true));
    EXPECT_EQ(readAll(in), std::vector<std::string>{""});

    EXPECT_FALSE(in.openFile(tempPath("missing/none.txt"), true));
    EXPECT_FALSE(in.atEnd());
}

TEST(AsciiFileOperator, ReadsAndWritesAtOnceAndReportsFailedWrites)
{
    const std::string source = tempPath("source.txt");
    const std::string copy = tempPath("copy.txt");
    writeBytes(source, "a\nb\n");
    AsciiFileOperator op;
    ASSERT_TRUE(op.openFile(source, true));
    ASSERT_TRUE(op.openFile(copy, false));
    while (!op.atEnd()) {
        const std::string line = op.readLine();
        if (!op.atEnd())
            op << line >> endl;
    }
    EXPECT_TRUE(op.closeFile());
    EXPECT_EQ(readBytes(copy), "a\nb\n");

    AsciiFileOperator closed;
    closed << 1 << "x" << endl; // nothing is open: nothing happens
    EXPECT_FALSE(closed.good());
    EXPECT_TRUE(closed.closeFile());
    EXPECT_FALSE(closed.openFile(tempPath("missing/out.txt"), false));
    EXPECT_FALSE(closed.good());

    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    AsciiFileOperator full;
    ASSERT_TRUE(full.openFile("/dev/full", false));
    full << std::string(100, 'x');
    full.endl();
    EXPECT_FALSE(full.good());
    EXPECT_FALSE(full.closeFile());
}

TEST(AsciiFileOperator, WritesNumbersWithoutTheGlobalLocale)
{
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    const std::string path = tempPath("locale.txt");
    {
        AsciiFileOperator out;
        ASSERT_TRUE(out.openFile(path, false));
        out << 1.5 << ' ' << 0.25f << ' ' << 1234567 << ' ' << 1234567ul << endl;
        EXPECT_TRUE(out.closeFile());
    }
    std::locale::global(previous);
    EXPECT_EQ(readBytes(path), "1.5 0.25 1234567 1234567\n");
}
