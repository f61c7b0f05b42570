#include "fileoperation_svo.h"
#include "rawio.h"
#include "sectionfile.h"

#include "testutil.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

using testutil::CoutCapture;
using testutil::TempDir;

namespace {

const char* const kCannotOpen = "cannot open";
const char* const kHeaderError = "header error";

// Opens iBytes as a section file of data name "TestData" with versions 0.0 and 0.1.
int openBytes(const TempDir& iDir, const std::string& iBytes, AsciiFileOperator& oStream, std::string& oMessage,
              std::string* oPrinted = nullptr)
{
    const std::string path = iDir.file("section.txt");
    testutil::writeFile(path, iBytes);
    CoutCapture capture;
    const int index =
        sectionfile::openToRead(oStream, path, "TestData", {"0.0", "0.1"}, kCannotOpen, kHeaderError, oMessage);
    if (oPrinted)
        *oPrinted = capture.text();
    return index;
}

} // namespace

TEST(SectionFile, OpenToReadGivesTheVersionIndexAndPrintsTheVersionLine)
{
    TempDir dir;
    AsciiFileOperator stream;
    std::string message = "untouched";
    std::string printed;
    EXPECT_EQ(openBytes(dir, "TestData 0.1\nnext\n", stream, message, &printed), 1);
    EXPECT_EQ(printed, "TestData Ver: 0.1\n");
    EXPECT_EQ(message, "untouched");
    EXPECT_EQ(stream.readLine(), "next");

    AsciiFileOperator first;
    EXPECT_EQ(openBytes(dir, "  TestData   0.0  \n", first, message, &printed), 0);
    EXPECT_EQ(printed, "TestData Ver: 0.0\n");
}

TEST(SectionFile, OpenToReadReportsEachFailureAndPrintsNothing)
{
    TempDir dir;
    std::string message;
    std::string printed;

    AsciiFileOperator missing;
    CoutCapture capture;
    EXPECT_EQ(sectionfile::openToRead(missing, dir.file("absent.txt"), "TestData", {"0.0"}, kCannotOpen,
                                      kHeaderError, message),
              -1);
    EXPECT_EQ(message, kCannotOpen);
    EXPECT_EQ(capture.text(), "");

    for (const char* bytes : {"", "TestData\n", "TestData 0.0 extra\n"}) {
        AsciiFileOperator stream;
        message.clear();
        EXPECT_EQ(openBytes(dir, bytes, stream, message, &printed), -1) << bytes;
        EXPECT_EQ(message, kHeaderError) << bytes;
        EXPECT_EQ(printed, "") << bytes;
    }

    AsciiFileOperator other;
    EXPECT_EQ(openBytes(dir, "OtherData 0.0\n", other, message, &printed), -1);
    EXPECT_EQ(message, "TestData is not found.");
    EXPECT_EQ(printed, "");

    // An unknown version fails without a message of its own.
    AsciiFileOperator newer;
    message = "untouched";
    EXPECT_EQ(openBytes(dir, "TestData 0.2\n", newer, message, &printed), -1);
    EXPECT_EQ(message, "untouched");
    EXPECT_EQ(printed, "");
}

TEST(SectionFile, ValueLinesNeedTheirHeaderAndEveryLine)
{
    TempDir dir;
    const std::string path = dir.file("values.txt");
    testutil::writeFile(path, "Word\n* Single\nvalue\n* Empty\n\n* Triple\na\nb\nc\n* Short\nx\n");
    AsciiFileOperator stream;
    ASSERT_TRUE(stream.openFile(path, true));
    std::string message;
    std::string line;
    std::string lines[3];
    EXPECT_TRUE(sectionfile::readSectionWord(stream, "Word", message));
    EXPECT_TRUE(sectionfile::readValueLine(stream, "Single", &line, message));
    EXPECT_EQ(line, "value");
    // An empty value line inside the file is a value.
    EXPECT_TRUE(sectionfile::readValueLine(stream, "Empty", &line, message));
    EXPECT_EQ(line, "");
    EXPECT_TRUE(sectionfile::readValueLines(stream, "Triple", lines, 3, message));
    EXPECT_EQ(lines[2], "c");
    // The file ends before the second line.
    EXPECT_FALSE(sectionfile::readValueLines(stream, "Short", lines, 2, message));
    EXPECT_EQ(message, "Header: Short is not found.");

    testutil::writeFile(path, "Other\n* Wrong\n1\n*Key\n1\n* Key\n");
    ASSERT_TRUE(stream.openFile(path, true));
    EXPECT_FALSE(sectionfile::readSectionWord(stream, "Word", message));
    EXPECT_EQ(message, "Word is not found.");
    int number = 0;
    EXPECT_FALSE(sectionfile::readInt(stream, "Key", &number, message));
    EXPECT_EQ(message, "Header: Key is not found.");
    stream.readLine();
    // "*Key" is one word, not a header.
    EXPECT_FALSE(sectionfile::readHeaderLine(stream, "Key", message));
    stream.readLine();
    // A header as the last line has no value.
    float value = 7.0f;
    EXPECT_FALSE(sectionfile::readFloat(stream, "Key", &value, message));
    EXPECT_EQ(value, 7.0f);
}

TEST(SectionFile, VectorsReadBackAtFullPrecision)
{
    const Vector3T<double> far(412345.678901234, -5678901.23456789, 1e-9);
    EXPECT_EQ(sectionfile::toVector(AsciiFileOperator::toString(far)), far);
    EXPECT_EQ(sectionfile::toVector("  1.5   -2  "), Vector3T<double>(1.5, -2, 0));
    EXPECT_EQ(sectionfile::toVector(""), Vector3T<double>());
    // Words past the third are ignored; a word that is no number reads as 0.
    EXPECT_EQ(sectionfile::toVector("1 x 3 4"), Vector3T<double>(1, 0, 3));
    // Tabs do not separate words.
    EXPECT_EQ(sectionfile::toVector("1\t2 3"), Vector3T<double>(1, 3, 0));

    TempDir dir;
    const std::string path = dir.file("vector.txt");
    testutil::writeFile(path, "* Point\n0.1 0.2 0.3\n* Count\n-12\n");
    AsciiFileOperator stream;
    ASSERT_TRUE(stream.openFile(path, true));
    std::string message;
    Vector3T<double> point;
    int count = 0;
    EXPECT_TRUE(sectionfile::readVector(stream, "Point", &point, message));
    EXPECT_EQ(point, Vector3T<double>(0.1, 0.2, 0.3));
    EXPECT_TRUE(sectionfile::readInt(stream, "Count", &count, message));
    EXPECT_EQ(count, -12);
}

TEST(SectionFile, ExportWritesTheFileAndReportsWhatFailed)
{
    TempDir dir;
    const std::string path = dir.file("out.txt");
    std::string message;
    {
        CoutCapture capture;
        EXPECT_TRUE(sectionfile::exportFile(
            path, "TestData", "0.1", kCannotOpen,
            [](AsciiFileOperator& iStream) {
                iStream << "TestData 0.1" << endl;
                sectionfile::writeValue(iStream, "Name", sectionfile::toLine("two\r\nlines"));
                return true;
            },
            message));
        EXPECT_EQ(capture.text(), "TestData Ver: 0.1\n");
    }
    EXPECT_EQ(testutil::readFile(path), "TestData 0.1\n* Name\ntwo  lines\n");

    // The writer's failure is passed on and its message kept.
    CoutCapture capture;
    EXPECT_FALSE(sectionfile::exportFile(
        path, "TestData", "0.1", kCannotOpen,
        [&message](AsciiFileOperator&) {
            message = "writer";
            return false;
        },
        message));
    EXPECT_EQ(message, "writer");

    bool ran = false;
    {
        CoutCapture nothing;
        EXPECT_FALSE(sectionfile::exportFile(
            dir.file("no/such/folder.txt"), "TestData", "0.1", kCannotOpen,
            [&ran](AsciiFileOperator&) { return ran = true; }, message));
        EXPECT_EQ(nothing.text(), "");
    }
    EXPECT_EQ(message, kCannotOpen);
    EXPECT_FALSE(ran);

    // A full disk fails at the close.
    std::ifstream full("/dev/full");
    if (full.good()) {
        message.clear();
        EXPECT_FALSE(sectionfile::exportFile(
            "/dev/full", "TestData", "0.1", kCannotOpen,
            [](AsciiFileOperator& iStream) {
                iStream << std::string(1 << 16, 'x') << endl;
                return true;
            },
            message));
        EXPECT_EQ(message, kCannotOpen);
    }
}

TEST(SectionFile, BinaryFilesOpenOnlyWithTheirHeader)
{
    TempDir dir;
    const std::string path = dir.file("data.bin");
    std::string message;
    {
        std::ofstream out(path, std::ios::binary);
        ASSERT_TRUE(writeHeader(out, "FileID", "0.0", "Data"));
    }
    rawio::InputFile in;
    EXPECT_TRUE(sectionfile::openBinaryFile(in, path, "FileID", "0.0", "Data", message));
    EXPECT_EQ(message, "");

    {
        CoutCapture capture;
        rawio::InputFile other;
        EXPECT_FALSE(sectionfile::openBinaryFile(other, path, "FileID", "0.1", "Data", message));
        EXPECT_EQ(capture.text(), "Error Version: 0.0\n");
        EXPECT_EQ(message, "");
    }

    // A header length longer than the file.
    std::string bytes;
    testutil::appendRaw(&bytes, std::uint32_t(40));
    bytes += "FileID";
    testutil::writeFile(path, bytes);
    rawio::InputFile shortFile;
    EXPECT_FALSE(sectionfile::openBinaryFile(shortFile, path, "FileID", "0.0", "Data", message));
    EXPECT_EQ(message, "File is broken: " + path);

    rawio::InputFile missing;
    EXPECT_FALSE(sectionfile::openBinaryFile(missing, dir.file("absent.bin"), "FileID", "0.0", "Data", message));
    EXPECT_EQ(message, "Cannot open file for reading: " + dir.file("absent.bin"));
}

TEST(SectionFile, VoxelCountRefusesResolutionsBeyondAnInt)
{
    int count = -1;
    EXPECT_TRUE(sectionfile::voxelCount(0, &count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(sectionfile::voxelCount(kMaxVoxelResolution, &count));
    EXPECT_EQ(count, kMaxVoxelResolution * kMaxVoxelResolution * kMaxVoxelResolution);
    count = -1;
    EXPECT_FALSE(sectionfile::voxelCount(kMaxVoxelResolution + 1, &count));
    EXPECT_FALSE(sectionfile::voxelCount(-1, &count));
    EXPECT_EQ(count, -1);
}
