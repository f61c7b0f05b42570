#include "binaryfileoperator.h"
#include "fileoperation_pointclouddata.h"
#include "rawio.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

using testutil::appendRaw;

namespace {

PointCloudData makeMatrix(int width, int height)
{
    PointCloudData data;
    data.width = width;
    data.height = height;
    for (int i = 0; i < width * height; ++i) {
        Point p;
        p.color = Color(i, 2 * i, 3 * i, 200);
        p.position = Vector3F(i * 0.5f, -i * 1.0f, 100.0f + i);
        p.flag = (i % 3 == 2) ? Point::Deleted : 0u;
        if (p.isValid())
            ++data.validPointNumber;
        data.pointList.push_back(p);
    }
    return data;
}

std::string handBuiltRecord(const PointCloudData& data)
{
    std::string bytes;
    appendRaw(&bytes, std::int32_t(data.width));
    appendRaw(&bytes, std::int32_t(data.height));
    appendRaw(&bytes, std::uint32_t(data.validPointNumber));
    for (const Point& p : data.pointList) {
        bytes += char(p.color.red);
        bytes += char(p.color.green);
        bytes += char(p.color.blue);
        bytes += char(p.color.alpha);
        appendRaw(&bytes, p.position.x);
        appendRaw(&bytes, p.position.y);
        appendRaw(&bytes, p.position.z);
        appendRaw(&bytes, std::uint32_t(p.flag));
    }
    return bytes;
}

bool samePoint(const Point& a, const Point& b)
{
    return a.color == b.color && a.position == b.position && a.flag == b.flag;
}

} // namespace

TEST(PointMatrixRecordTest, WritesHandBuiltBytesAndReadsThemBack)
{
    testutil::TempDir dir;
    const PointCloudData data = makeMatrix(3, 2);
    {
        testutil::CoutCapture out;
        std::ofstream stream(dir.file("m.bin"), std::ios::binary);
        ASSERT_TRUE(writePointCloudData(stream, data));
        EXPECT_EQ(out.text(), "width = 3\nheight = 2\npoint number = 4\n"
                              "Point Cloud dataset size = 6\nPoint data size = 20\n");
    }
    const std::string bytes = testutil::readFile(dir.file("m.bin"));
    EXPECT_EQ(bytes, handBuiltRecord(data));

    std::ifstream in(dir.file("m.bin"), std::ios::binary);
    PointCloudData back;
    back.pointList.resize(10);
    ASSERT_TRUE(loadPointCloudData(in, &back));
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_EQ(back.validPointNumber, 4u);
    ASSERT_EQ(back.pointList.size(), 6u);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_TRUE(samePoint(back.pointList[i], data.pointList[i])) << i;
}

TEST(PointMatrixRecordTest, EmptyMatrixIsTwelveBytes)
{
    testutil::TempDir dir;
    PointCloudData data;
    data.width = 0;
    data.height = 5;
    {
        testutil::CoutCapture quiet;
        std::ofstream stream(dir.file("e.bin"), std::ios::binary);
        ASSERT_TRUE(writePointCloudData(stream, data));
    }
    EXPECT_EQ(testutil::readFile(dir.file("e.bin")).size(), 12u);
    std::ifstream in(dir.file("e.bin"), std::ios::binary);
    PointCloudData back = makeMatrix(2, 2);
    ASSERT_TRUE(loadPointCloudData(in, &back));
    EXPECT_TRUE(back.pointList.empty());
}

TEST(PointMatrixRecordTest, SkipAndInfoLeaveStreamAfterRecord)
{
    testutil::TempDir dir;
    const PointCloudData data = makeMatrix(4, 3);
    std::string bytes = handBuiltRecord(data) + "TAIL";
    testutil::writeFile(dir.file("m.bin"), bytes);

    std::ifstream in(dir.file("m.bin"), std::ios::binary);
    ASSERT_TRUE(readPointCloudData(in));
    char tail[4];
    in.read(tail, 4);
    EXPECT_EQ(std::string(tail, 4), "TAIL");

    std::ifstream in2(dir.file("m.bin"), std::ios::binary);
    int w = 0, h = 0, valid = 0;
    ASSERT_TRUE(loadPointCloudMatrixInfo(in2, &w, &h, &valid));
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(valid, 8);
    EXPECT_EQ(in2.tellg(), std::streamoff(12 + 12 * 20));
}

TEST(PointMatrixRecordTest, DamagedRecordsFailWithoutAllocating)
{
    testutil::TempDir dir;
    const PointCloudData data = makeMatrix(3, 3);
    const std::string good = handBuiltRecord(data);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        testutil::writeFile(dir.file("t.bin"), good.substr(0, cut));
        std::ifstream in(dir.file("t.bin"), std::ios::binary);
        PointCloudData back;
        EXPECT_FALSE(loadPointCloudData(in, &back)) << cut;
        std::ifstream in2(dir.file("t.bin"), std::ios::binary);
        EXPECT_FALSE(readPointCloudData(in2)) << cut;
    }
    // Negative and huge sizes.
    const std::int32_t sizes[][2] = {{-1, 3}, {3, -1}, {0x7FFFFFFF, 0x7FFFFFFF}, {65536, 65536}};
    for (const auto& s : sizes) {
        std::string bytes = good;
        std::memcpy(&bytes[0], &s[0], 4);
        std::memcpy(&bytes[4], &s[1], 4);
        testutil::writeFile(dir.file("h.bin"), bytes);
        std::ifstream in(dir.file("h.bin"), std::ios::binary);
        PointCloudData back;
        EXPECT_FALSE(loadPointCloudData(in, &back));
        EXPECT_TRUE(back.pointList.empty());
    }
}

TEST(PointMatrixRecordTest, LoadPointDataReadsListedCells)
{
    testutil::TempDir dir;
    const PointCloudData data = makeMatrix(5, 4);
    testutil::writeFile(dir.file("m.bin"), handBuiltRecord(data));

    const std::vector<unsigned> indices{19, 0, 1, 2, 7, 7};
    std::ifstream in(dir.file("m.bin"), std::ios::binary);
    std::vector<Point> points;
    ASSERT_TRUE(loadPointData(in, &points, indices));
    ASSERT_EQ(points.size(), indices.size());
    for (size_t k = 0; k < indices.size(); ++k)
        EXPECT_TRUE(samePoint(points[k], data.pointList[indices[k]])) << k;

    std::ifstream in2(dir.file("m.bin"), std::ios::binary);
    EXPECT_FALSE(loadPointData(in2, &points, {3, 20}));

    bool volatile stop = true;
    std::ifstream in3(dir.file("m.bin"), std::ios::binary);
    std::vector<Point> stopped;
    EXPECT_TRUE(loadPointData(in3, &stopped, {1, 2}, &stop));
    ASSERT_EQ(stopped.size(), 2u);
    EXPECT_TRUE(samePoint(stopped[0], Point()));
}

TEST(BinaryFileOperatorTest, ReadsOnlyWhatFitsInOut)
{
    testutil::TempDir dir;
    std::string bytes;
    for (std::uint32_t i = 0; i < 30; ++i)
        appendRaw(&bytes, i);
    testutil::writeFile(dir.file("t.bin"), bytes);

    std::ifstream in(dir.file("t.bin"), std::ios::binary);
    in.seekg(12);
    std::vector<Triangle> none;
    EXPECT_TRUE(BinaryFileOperator::read<Triangle>(in, none, {0, 1}));
    EXPECT_TRUE(none.empty());

    // Two slots, three indices: only two records land, none past the end of out.
    std::vector<Triangle> two(2);
    ASSERT_TRUE(BinaryFileOperator::read<Triangle>(in, two, {1, 0, 5}));
    EXPECT_EQ(two[0].index[0], 6u);
    EXPECT_EQ(two[1].index[2], 5u);

    // Three slots, one index: the others keep their values.
    std::vector<Triangle> three(3);
    three[2].index[0] = 77;
    in.clear();
    in.seekg(12);
    ASSERT_TRUE(BinaryFileOperator::read<Triangle>(in, three, {2}));
    EXPECT_EQ(three[0].index[0], 9u);
    EXPECT_EQ(three[2].index[0], 77u);

    // A record past the end is a failed read.
    in.clear();
    in.seekg(12);
    std::vector<Triangle> far(1);
    EXPECT_FALSE(BinaryFileOperator::read<Triangle>(in, far, {100}));
}

TEST(RawIoTest, FitsRefusesOverflowingProducts)
{
    std::istringstream in(std::string(100, 'x'));
    EXPECT_TRUE(rawio::fits(in, 5, 20));
    EXPECT_FALSE(rawio::fits(in, 6, 20));
    EXPECT_FALSE(rawio::fits(in, ~std::uint64_t(0), 20));
    EXPECT_FALSE(rawio::fits(in, ~std::uint64_t(0) / 2 + 1, 2));
    std::vector<int> values;
    EXPECT_FALSE(rawio::readVector(in, &values, 26));
    EXPECT_TRUE(values.empty());
    EXPECT_TRUE(rawio::readVector(in, &values, 25));
    EXPECT_EQ(values.size(), 25u);
}

// The octree files' input file against a plain file stream: the same bytes, positions and states
// for reads of every size (inside the buffer, across refills, past the largest refill) after
// seeks from the start, the read position and the end, also before the start and past the end;
// and the bytes left are the size taken at open less the position.
TEST(RawIoTest, InputFileReadsAndSeeksAsAFileStream)
{
    testutil::TempDir dir;
    const std::string path = dir.file("data.bin");
    std::uint32_t r = 12345;
    const auto next = [&r] { return r = r * 1664525u + 1013904223u; };
    std::string bytes(300000, '\0');
    for (char& c : bytes)
        c = static_cast<char>(next() >> 24);
    testutil::writeFile(path, bytes);
    rawio::InputFile file(path);
    std::ifstream plain(path, std::ios::binary);
    const std::ios_base::seekdir ways[3] = {std::ios::beg, std::ios::cur, std::ios::end};
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE(step);
        file.clear();
        plain.clear();
        if (next() % 3 == 0) {
            const std::streamoff offset = std::streamoff(r >> 8) % 320000 - (r % 2 == 0 ? 0 : 310000);
            file.seekg(offset, ways[(r >> 4) % 3]);
            plain.seekg(offset, ways[(r >> 4) % 3]);
        } else {
            std::string fromFile((r >> 8) % ((r >> 4) % 8 == 0 ? 150000 : 700), '\0'), fromPlain = fromFile;
            file.read(&fromFile[0], std::streamsize(fromFile.size()));
            plain.read(&fromPlain[0], std::streamsize(fromPlain.size()));
            ASSERT_EQ(file.gcount(), plain.gcount());
            ASSERT_EQ(fromFile, fromPlain);
        }
        ASSERT_EQ(file.rdstate(), plain.rdstate());
        const std::streamoff position = plain.tellg();
        ASSERT_EQ(std::streamoff(file.tellg()), position);
        EXPECT_TRUE(position < 0 || rawio::bytesLeft(file) == std::int64_t(bytes.size()) - position);
    }
    rawio::InputFile folder(dir.path()); // no file: refused as one that cannot be opened
    EXPECT_TRUE(!folder.is_open() && folder.fail());
}
