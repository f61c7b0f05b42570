#include "fileoperation_object.h"

#include "testutil.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

using testutil::CoutCapture;
using testutil::readFile;
using testutil::TempDir;
using testutil::writeFile;

ObjectInfo sampleInfo()
{
    ObjectInfo info;
    info.name = "/data/scans/site A.zrpcd";
    info.visible = false;
    info.color = Color(12, 200, 255, 7);
    for (int i = 0; i < 16; ++i)
        info.matrix.m[i] = 0;
    info.matrix(0, 1) = -1;
    info.matrix(1, 0) = 1;
    info.matrix(2, 2) = 1;
    info.matrix(3, 3) = 1;
    // Georeferenced placement: these only survive a text form that keeps every digit.
    info.matrix(0, 3) = 53412345.678;
    info.matrix(1, 3) = -0.1;
    info.matrix(2, 3) = 1e-7;
    info.center = Vector3T<double>(412345.6789012, 2.5, -1000000);
    info.size = Vector3T<double>(0.5, 1.0 / 3.0, 100);
    info.dataFilePath = "site A.zrpcd";
    return info;
}

const char* const flSampleText = "ObjectInfo 0.1\n"
                                 "* Name\n"
                                 "/data/scans/site A.zrpcd\n"
                                 "* Visible\n"
                                 "0\n"
                                 "* Color\n"
                                 "12 200 255\n"
                                 "* Matrix\n"
                                 "0 -1 0 5.3412345678e+07 1 0 0 -0.1 0 0 1 1e-07 0 0 0 1\n"
                                 "* Center\n"
                                 "412345.6789012 2.5 -1e+06\n"
                                 "* Size\n"
                                 "0.5 0.3333333333333333 100\n"
                                 "* DataFilePath\n"
                                 "site A.zrpcd\n";

// The fifteen lines of a valid file, to be broken one at a time.
std::vector<std::string> sampleLines()
{
    std::vector<std::string> lines;
    std::string text = flSampleText;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string joinLines(const std::vector<std::string>& iLines)
{
    std::string text;
    for (const std::string& line : iLines)
        text += line + "\n";
    return text;
}

void expectSameInfo(const ObjectInfo& a, const ObjectInfo& b)
{
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.visible, b.visible);
    EXPECT_EQ(a.color, b.color);
    EXPECT_EQ(a.matrix, b.matrix);
    EXPECT_EQ(a.center, b.center);
    EXPECT_EQ(a.size, b.size);
    EXPECT_EQ(a.dataFilePath, b.dataFilePath);
}

// A record that no file gives, to see that a failed read leaves it alone.
ObjectInfo untouchedInfo()
{
    ObjectInfo info;
    info.name = "untouched";
    info.visible = true;
    info.color = Color(1, 2, 3, 4);
    info.matrix(0, 3) = 9;
    info.center = Vector3T<double>(7, 8, 9);
    info.size = Vector3T<double>(1, 1, 1);
    info.dataFilePath = "keep.zrpcd";
    return info;
}

struct LoadResult
{
    bool ok;
    std::string error;
    std::vector<std::string> printed;
    ObjectInfo info;
};

LoadResult loadText(const TempDir& iDir, const std::string& iText,
                    ObjectFileForm iForm = ObjectFileForm::WithVisible)
{
    const std::string path = iDir.file("object.shot");
    writeFile(path, iText);
    LoadResult result;
    result.info = untouchedInfo();
    CoutCapture capture;
    result.ok = loadObjectFile(&result.info, path, result.error, iForm);
    result.printed = capture.lines();
    return result;
}

} // namespace

TEST(ObjectFile, WritesFifteenLinesAndReadsThemBackExactly)
{
    TempDir dir;
    const std::string path = dir.file("Shot_0.shot");
    std::string error = "before";
    ASSERT_TRUE(saveObjectFile(sampleInfo(), path, error));
    EXPECT_EQ(error, "before");
    EXPECT_EQ(readFile(path), flSampleText);

    ObjectInfo info;
    CoutCapture capture;
    ASSERT_TRUE(loadObjectFile(&info, path, error));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"ObjectInfo Ver: 0.1"});
    EXPECT_EQ(error, "before");

    ObjectInfo expected = sampleInfo();
    expected.color.alpha = 255; // alpha is not stored
    expectSameInfo(info, expected);

    // Saving what was read gives the same bytes again.
    const std::string again = dir.file("Shot_1.shot");
    ASSERT_TRUE(saveObjectFile(info, again, error));
    EXPECT_EQ(readFile(again), flSampleText);
}

TEST(ObjectFile, DefaultRecordAndNameEdgeCases)
{
    TempDir dir;
    const std::string path = dir.file("Polygon_3.polygon");
    std::string error;
    ObjectInfo info;
    info.name = "";
    info.dataFilePath = "  two  spaces ";
    ASSERT_TRUE(saveObjectFile(info, path, error));
    EXPECT_EQ(readFile(path), "ObjectInfo 0.1\n* Name\n\n* Visible\n1\n* Color\n255 255 255\n"
                              "* Matrix\n1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n* Center\n0 0 0\n* Size\n0 0 0\n"
                              "* DataFilePath\n  two  spaces \n");

    ObjectInfo read = untouchedInfo();
    CoutCapture capture;
    ASSERT_TRUE(loadObjectFile(&read, path, error));
    expectSameInfo(read, info);
}

TEST(ObjectFile, LenientValueLines)
{
    TempDir dir;
    std::vector<std::string> lines = sampleLines();
    lines[1] = "  *   Name  "; // blanks around the two words are accepted
    lines[4] = "2";
    lines[8] = "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17";
    lines[10] = "1.5";
    LoadResult r = loadText(dir, joinLines(lines) + "trailing line\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.info.visible);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(r.info.matrix.m[i], i + 1);
    EXPECT_EQ(r.info.center, Vector3T<double>(1.5, 0, 0));

    lines[4] = "no number";
    lines[8] = "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15";
    lines[6] = "300 -1 7 99";
    r = loadText(dir, joinLines(lines));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(r.info.visible);
    EXPECT_EQ(r.info.matrix, Matrix4x4T<double>::identity());
    EXPECT_EQ(r.info.color, Color(44, 255, 7, 255));

    // A last line without its line feed is still read.
    std::string text = flSampleText;
    text.pop_back();
    r = loadText(dir, text);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.info.dataFilePath, "site A.zrpcd");
}

TEST(ObjectFile, BrokenFileHeaders)
{
    TempDir dir;
    std::string error = "before";
    ObjectInfo info = untouchedInfo();
    const std::string missing = dir.file("missing.shot");
    {
        CoutCapture capture;
        EXPECT_FALSE(loadObjectFile(&info, missing, error));
        EXPECT_EQ(capture.text(), "");
    }
    EXPECT_EQ(error, "Cannot open file for reading: " + missing);
    expectSameInfo(info, untouchedInfo());

    const std::vector<std::string> lines = sampleLines();
    const std::string rest = joinLines(std::vector<std::string>(lines.begin() + 1, lines.end()));
    struct Case
    {
        std::string firstLine;
        std::string error;
        std::vector<std::string> printed;
    };
    const std::vector<Case> cases = {
        {"ObjectInfo 0.1 extra", "File Header Error.", {"File Header Error."}},
        {"ObjectInfo", "File Header Error.", {"File Header Error."}},
        {"", "File Header Error.", {"File Header Error."}},
        {"PolygonInfo 0.1", "ObjectInfo is not found.", {"ObjectInfo is not found.", "keyward: PolygonInfo"}},
        {"objectinfo 0.1", "ObjectInfo is not found.", {"ObjectInfo is not found.", "keyward: objectinfo"}},
        {"ObjectInfo 0.0", "File Format Error.", {"File Format Error.", "Keyward: ObjectInfo", "Version: 0.0"}},
        {"ObjectInfo 0.2", "File Format Error.", {"File Format Error.", "Keyward: ObjectInfo", "Version: 0.2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstLine);
        const LoadResult r = loadText(dir, c.firstLine + "\n" + rest);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.printed, c.printed);
        expectSameInfo(r.info, untouchedInfo());
    }

    // Line ends of another platform: the carriage return stays in the version word.
    std::string crlf;
    for (const std::string& line : sampleLines())
        crlf += line + "\r\n";
    const LoadResult r = loadText(dir, crlf);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "File Format Error.");
    expectSameInfo(r.info, untouchedInfo());

    const LoadResult empty = loadText(dir, "");
    EXPECT_FALSE(empty.ok);
    EXPECT_EQ(empty.error, "File Header Error.");
}

TEST(ObjectFile, EachMissingSectionHeaderIsNamed)
{
    TempDir dir;
    const std::vector<std::string> keys = {"Name", "Visible", "Color", "Matrix", "Center", "Size", "DataFilePath"};
    for (std::size_t k = 0; k < keys.size(); ++k) {
        SCOPED_TRACE(keys[k]);
        const std::size_t headerLine = 1 + 2 * k;
        const std::string expected = "Header: " + keys[k] + " is not found.";

        // Removed, renamed without the blank after the star, in other letter case, or cut off.
        std::vector<std::string> removed = sampleLines();
        removed.erase(removed.begin() + static_cast<long>(headerLine));
        std::vector<std::string> noBlank = sampleLines();
        noBlank[headerLine] = "*" + keys[k];
        std::vector<std::string> otherCase = sampleLines();
        otherCase[headerLine] = "* " + std::string(1, char(keys[k][0] + 32)) + keys[k].substr(1);
        std::vector<std::string> cut = sampleLines();
        cut.resize(headerLine);

        for (const std::vector<std::string>& lines : {removed, noBlank, otherCase, cut}) {
            const LoadResult r = loadText(dir, joinLines(lines));
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.error, expected);
            EXPECT_EQ(r.printed, std::vector<std::string>{"ObjectInfo Ver: 0.1"});
            expectSameInfo(r.info, untouchedInfo());
        }
    }
}

TEST(ObjectFile, FailedWritesAreReported)
{
    TempDir dir;
    const std::string path = dir.file("no such folder/Shot_0.shot");
    std::string error;
    EXPECT_FALSE(saveObjectFile(sampleInfo(), path, error));
    EXPECT_EQ(error, "Cannot open file for writting: " + path);
    struct stat status;
    EXPECT_NE(stat(dir.file("no such folder").c_str(), &status), 0);

    // A device that refuses every byte: the file opens, the data does not arrive.
    if (stat("/dev/full", &status) != 0)
        GTEST_SKIP() << "no /dev/full";
    error.clear();
    EXPECT_FALSE(saveObjectFile(sampleInfo(), "/dev/full", error));
    EXPECT_EQ(error, "Cannot open file for writting: /dev/full");
}

// The editor's form: the same file without the Visible section.
const char* const flEditorText = "ObjectInfo 0.1\n* Name\n north  wall 2\n* Color\n12 200 255\n"
                                 "* Matrix\n0 -1 0 5.3412345678e+07 1 0 0 -0.1 0 0 1 1e-07 0 0 0 1\n"
                                 "* Center\n412345.6789012 2.5 -1e+06\n* Size\n0.5 0.3333333333333333 100\n"
                                 "* DataFilePath\nsite A.zrpcd\n";

TEST(ObjectFile, EditorFormWritesThirteenLinesAndKeepsTheCallersVisibility)
{
    TempDir dir;
    ObjectInfo info = sampleInfo();
    info.name = " north  wall 2";
    const std::string path = dir.file("Shot_0.shot");
    std::string error = "before";
    ASSERT_TRUE(saveObjectFile(info, path, error, ObjectFileForm::WithoutVisible));
    EXPECT_EQ(readFile(path), flEditorText);

    for (const bool visible : {false, true}) {
        ObjectInfo read;
        read.visible = visible;
        CoutCapture capture;
        ASSERT_TRUE(loadObjectFile(&read, path, error, ObjectFileForm::WithoutVisible));
        EXPECT_EQ(capture.lines(), std::vector<std::string>{"ObjectInfo Ver: 0.1"});
        EXPECT_EQ(error, "before");
        ObjectInfo expected = info;
        expected.visible = visible;
        expected.color.alpha = 255;
        expectSameInfo(read, expected);

        const std::string again = dir.file("again.shot");
        ASSERT_TRUE(saveObjectFile(read, again, error, ObjectFileForm::WithoutVisible));
        EXPECT_EQ(readFile(again), flEditorText);
    }
}

TEST(ObjectFile, EachFormRefusesTheOther)
{
    TempDir dir;
    const std::vector<std::string> printed = {"ObjectInfo Ver: 0.1"};
    LoadResult r = loadText(dir, flSampleText, ObjectFileForm::WithoutVisible);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Header: Color is not found.");
    EXPECT_EQ(r.printed, printed);
    expectSameInfo(r.info, untouchedInfo());

    r = loadText(dir, flEditorText);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Header: Visible is not found.");
    EXPECT_EQ(r.printed, printed);
    expectSameInfo(r.info, untouchedInfo());

    // A wrong version is named in the message in both forms, not only on standard output.
    std::string text = flEditorText;
    text.replace(text.find("0.1"), 3, "0.0");
    r = loadText(dir, text, ObjectFileForm::WithoutVisible);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "File Format Error.");
    EXPECT_EQ(r.printed, (std::vector<std::string>{"File Format Error.", "Keyward: ObjectInfo", "Version: 0.0"}));
}

TEST(ObjectFile, EditorFormSectionHeaders)
{
    TempDir dir;
    const std::vector<std::string> keys = {"Name", "Color", "Matrix", "Center", "Size", "DataFilePath"};
    std::string spaced = flEditorText;
    for (const std::string& key : keys)
        spaced.replace(spaced.find("* " + key + "\n"), 2 + key.size(), "*    " + key + "  ");
    const LoadResult r = loadText(dir, spaced, ObjectFileForm::WithoutVisible);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.info.name, " north  wall 2");
    EXPECT_EQ(r.info.dataFilePath, "site A.zrpcd");

    for (const std::string& key : keys) {
        SCOPED_TRACE(key);
        std::string text = flEditorText;
        text.replace(text.find("* " + key + "\n"), 2 + key.size(), "* " + key + " extra");
        const LoadResult bad = loadText(dir, text, ObjectFileForm::WithoutVisible);
        EXPECT_FALSE(bad.ok);
        EXPECT_EQ(bad.error, "Header: " + key + " is not found.");
        expectSameInfo(bad.info, untouchedInfo());
    }
}
