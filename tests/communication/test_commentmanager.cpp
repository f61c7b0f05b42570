#include "commentmanager.h"

#include "asciifileoperator.h"
#include "sceneparameter.h"
#include "testutil.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using V = Vector3T<double>;

const char* const kDefaultRendering = "CommentRenderingData 0.1\n* Visibility\n1\nCommentCharactor\n"
                                      "* CharactorSize\n14\n* TitleColor\n255 150 100\n* TextColor\n255 200 150\n"
                                      "CommentLine\n* LineWidth\n2\n* LineColor\n255 100 50\n";

// Comment 0 at georeferenced coordinates with awkward text lines; comment 1 hidden, with an
// empty title and no text.
const char* const kPopulated = "CommentData 0.1\n* CommentListSize\n2\n* CommentList\n"
                               "* Title\nStation A\n* Visible\n1\n* TextLineNumber\n4\n* Text\n"
                               "first\n* Point\ntwo lines\ncr \n"
                               "* Point\n412345.678 5.423456789e+06 -12.5\n"
                               "* Title\n\n* Visible\n0\n* TextLineNumber\n0\n* Text\n"
                               "* Point\n0.3333333333333333 -2e-07 1e+22\n";

const char* const kVersion0_0 = "CommentData 0.0\n* CommentListSize\n1\n* CommentList\n"
                                "* Title\nOld\n* TextLineNumber\n1\n* Text\nhello\n* Point\n1 2 3\n";

void populate(CommentManager& ioManager)
{
    ioManager.createComment(V(412345.678, 5423456.789, -12.5), "Station A", {"first", "* Point", "two\nlines", "cr\r"});
    ioManager.createComment(V(1.0 / 3, -2e-7, 1e22), "x", {});
    ioManager.getData(1)->set(V(1.0 / 3, -2e-7, 1e22), "", {});
    ioManager.getData(1)->disableState(Object3D::Visible);
}

bool readComments(CommentManager& ioManager, const std::string& iPath, std::string& ioError)
{
    testutil::CoutCapture capture;
    return ioManager.initDataFromTextFile(iPath, ioError);
}

bool readRendering(CommentManager& ioManager, const std::string& iPath, std::string& ioError)
{
    testutil::CoutCapture capture;
    return ioManager.importRenderingParameter(iPath, ioError);
}

std::vector<std::string> splitLines(const std::string& iText)
{
    std::vector<std::string> lines;
    std::istringstream in(iText);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string joinLines(const std::vector<std::string>& iLines)
{
    std::string text;
    for (const std::string& line : iLines)
        text += line + "\n";
    return text;
}

} // namespace

TEST(CommentManagerTest, CreateSelectAndLookUp)
{
    CommentManager manager;
    EXPECT_EQ(manager.getPara(), CommentParameter());
    EXPECT_EQ(manager.getPara().textColor, Color(255, 200, 150, 255));
    EXPECT_FALSE(manager.isErasable());

    QSignalSpy structure(&manager, SIGNAL(changedStructure()));
    EXPECT_FALSE(manager.createComment(V(1, 2, 3), "", {"Text"}));
    EXPECT_EQ(manager.getObjectSetSize(), 0u);
    EXPECT_EQ(structure.count(), 0);
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(manager.createComment(V(1, 2, 3), "Title", {"Text"}));
    EXPECT_EQ(structure.count(), 6);
    EXPECT_TRUE(manager.getData(5)->hasState(Object3D::Visible));
    EXPECT_EQ(manager.getData(-1), nullptr);
    EXPECT_EQ(manager.getData(6), nullptr);

    int first = 7;
    manager.getFirstIndexSelected(&first);
    EXPECT_EQ(first, -1);
    manager.getData(5)->enableState(Object3D::Selected);
    manager.getData(2)->enableState(Object3D::Selected);
    manager.getFirstIndexSelected(&first);
    EXPECT_EQ(first, 2);

    manager.getData(0)->labelImage.assign(4, 1);
    manager.setSelectedALL(false);
    manager.getFirstIndexSelected(&first);
    EXPECT_EQ(first, -1);
    EXPECT_TRUE(manager.getData(0)->labelImage.empty());
}

TEST(CommentManagerTest, SettersSignalOnceAndClearLabelsOnlyForLabelSettings)
{
    CommentManager manager;
    manager.createComment(V(), "a", {"b"});
    Comment* comment = manager.getData(0);
    QSignalSpy value(&manager, SIGNAL(changedValue()));

    manager.setCharSize(0);
    manager.setCharSize(-4);
    manager.setCharSize(100);
    manager.setCharSize(30000);
    manager.setCharSize(14);
    manager.setLineWidth(0);
    manager.setLineWidth(2);
    manager.setLineColor(manager.getLineColor());
    EXPECT_EQ(value.count(), 0);
    EXPECT_EQ(manager.getPara(), CommentParameter());

    comment->labelImage.assign(4, 1);
    manager.setLineWidth(3);
    manager.setLineColor(Color(1, 2, 3, 4));
    EXPECT_EQ(value.count(), 2);
    EXPECT_FALSE(comment->labelImage.empty());

    manager.setCharSize(20);
    EXPECT_EQ(value.count(), 3);
    EXPECT_TRUE(comment->labelImage.empty());
    comment->labelImage.assign(4, 1);
    manager.setTitleColor(Color(1, 1, 1, 0));
    EXPECT_TRUE(comment->labelImage.empty());
    comment->labelImage.assign(4, 1);
    manager.setTextColor(Color(0, 0, 0, 255));
    EXPECT_TRUE(comment->labelImage.empty());
    EXPECT_EQ(value.count(), 5);
    EXPECT_EQ(manager.getCharSize(), 20);
    EXPECT_EQ(manager.getLineWidth(), 3);
}

TEST(CommentManagerTest, PassColours)
{
    CommentManager manager;
    for (int i = 0; i < 300; ++i)
        manager.createComment(V(), "c", {});
    SceneParameter scene;
    const Color own(9, 8, 7, 6);
    scene.drawPass = SceneParameter::ObjectTypePass;
    EXPECT_EQ(manager.getDrawColor(299, scene, own), Color(2, 0, 0, 0));
    scene.drawPass = SceneParameter::ObjectIDPass;
    EXPECT_EQ(manager.getDrawColor(258, scene, own), Color(2, 1, 0, 0));
    EXPECT_EQ(manager.getDrawColor(299, scene, own), Color(43, 1, 0, 0));

    scene.drawPass = SceneParameter::NormalPass;
    EXPECT_EQ(manager.getDrawColor(299, scene, own), own);
    manager.getData(299)->enableState(Object3D::Selected);
    EXPECT_EQ(manager.getDrawColor(299, scene, own), Color(255, 0, 0, 255));
    manager.getData(299)->enableState(Object3D::Highlight);
    EXPECT_EQ(manager.getDrawColor(299, scene, own), Color(255, 255, 0, 255));
}

TEST(CommentManagerTest, FilesByteForByteAndRoundTrip)
{
    testutil::CoutCapture quiet; // the checks below capture what they look at
    testutil::TempDir folder;
    const std::string data = folder.file("Comment.txt");
    const std::string rendering = folder.file("CommentRendering.txt");
    std::string error = "untouched";

    CommentManager empty;
    {
        testutil::CoutCapture capture;
        ASSERT_TRUE(empty.exportData(data, error));
        ASSERT_TRUE(empty.exportRenderingParameter(rendering, error));
        EXPECT_EQ(capture.text(), "CommentData Ver: 0.1\nCommentRenderingData Ver: 0.1\n");
    }
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(testutil::readFile(data), "CommentData 0.1\n* CommentListSize\n0\n* CommentList\n");
    EXPECT_EQ(testutil::readFile(rendering), kDefaultRendering);

    CommentManager manager;
    populate(manager);
    {
        testutil::CoutCapture capture;
        ASSERT_TRUE(manager.exportData(data, error));
    }
    EXPECT_EQ(testutil::readFile(data), kPopulated);

    CommentManager other;
    other.createComment(V(), "old", {});
    QSignalSpy structure(&other, SIGNAL(changedStructure()));
    QSignalSpy value(&other, SIGNAL(changedValue()));
    {
        testutil::CoutCapture capture;
        ASSERT_TRUE(other.initDataFromTextFile(data, error));
        EXPECT_EQ(capture.text(), "CommentData Ver: 0.1\n");
    }
    EXPECT_EQ(structure.count(), 1);
    EXPECT_EQ(value.count(), 1);
    ASSERT_EQ(other.getObjectSetSize(), 2u);
    EXPECT_EQ(other.getData(0)->getPoint(), V(412345.678, 5423456.789, -12.5));
    EXPECT_EQ(other.getData(0)->getText(), (std::vector<std::string>{"first", "* Point", "two lines", "cr "}));
    EXPECT_EQ(other.getData(1)->getName(), "");
    EXPECT_EQ(other.getData(1)->getPoint(), V(1.0 / 3, -2e-7, 1e22));
    EXPECT_FALSE(other.getData(1)->hasState(Object3D::Visible));
    ASSERT_TRUE(other.exportData(data, error));
    EXPECT_EQ(testutil::readFile(data), kPopulated);

    // Rendering settings and the manager's visibility.
    manager.setCharSize(9);
    manager.setLineWidth(4);
    manager.setTitleColor(Color(1, 2, 3));
    manager.disableState(Object3D::Visible);
    ASSERT_TRUE(manager.exportRenderingParameter(rendering, error));
    CommentManager copy;
    ASSERT_TRUE(readRendering(copy, rendering, error));
    EXPECT_EQ(copy.getPara(), manager.getPara());
    EXPECT_FALSE(copy.hasState(Object3D::Visible));
    EXPECT_EQ(error, "untouched");

    // Failed opens and writes are reported.
    EXPECT_FALSE(manager.exportData(folder.file("none/Comment.txt"), error));
    EXPECT_EQ(error, "Cannot open file for writting: ");
    std::ifstream full("/dev/full");
    if (full) {
        error.clear();
        EXPECT_FALSE(manager.exportRenderingParameter("/dev/full", error));
        EXPECT_EQ(error, "Cannot open file for writting: ");
    }
}

TEST(CommentManagerTest, ReadsVersion0_0)
{
    testutil::TempDir folder;
    const std::string path = folder.file("Comment.txt");
    CommentManager manager;
    manager.createComment(V(1, 2, 3), "Old", {"hello"});
    AsciiFileOperator stream;
    std::string error;
    ASSERT_TRUE(stream.openFile(path, false));
    ASSERT_TRUE(manager.saveData_Ver0_0(stream, error));
    ASSERT_TRUE(stream.closeFile());
    EXPECT_EQ(testutil::readFile(path), kVersion0_0);

    manager.getData(0)->disableState(Object3D::Visible);
    {
        testutil::CoutCapture capture;
        ASSERT_TRUE(manager.initDataFromTextFile(path, error));
        EXPECT_EQ(capture.text(), "CommentData Ver: 0.0\n");
    }
    ASSERT_EQ(manager.getObjectSetSize(), 1u);
    EXPECT_TRUE(manager.getData(0)->hasState(Object3D::Visible));
    EXPECT_EQ(manager.getData(0)->getText(), std::vector<std::string>{"hello"});

    // Version 0.0 rendering: no visibility line, the manager keeps its own.
    std::string text = kDefaultRendering;
    text.replace(0, text.find("CommentCharactor"), "CommentRenderingData 0.0\n");
    testutil::writeFile(path, text);
    manager.disableState(Object3D::Visible);
    ASSERT_TRUE(stream.openFile(folder.file("r0.txt"), false));
    ASSERT_TRUE(manager.saveRenderingParameter_Ver0_0(stream, error));
    ASSERT_TRUE(stream.closeFile());
    EXPECT_EQ(testutil::readFile(folder.file("r0.txt")), text);
    manager.setCharSize(30);
    ASSERT_TRUE(readRendering(manager, path, error));
    EXPECT_EQ(manager.getPara(), CommentParameter());
    EXPECT_FALSE(manager.hasState(Object3D::Visible));
}

TEST(CommentManagerTest, BrokenCommentFilesLeaveTheCommentsAsTheyWere)
{
    testutil::TempDir folder;
    const std::string path = folder.file("Comment.txt");
    CommentManager manager;
    manager.createComment(V(), "Keep", {});
    QSignalSpy value(&manager, SIGNAL(changedValue()));

    auto expectFailure = [&](const std::string& iText, const std::string& iMessage) {
        testutil::writeFile(path, iText);
        std::string error = "untouched";
        EXPECT_FALSE(readComments(manager, path, error)) << iText;
        EXPECT_EQ(error, iMessage) << iText;
        ASSERT_EQ(manager.getObjectSetSize(), 1u);
        EXPECT_EQ(manager.getData(0)->getName(), "Keep");
    };
    expectFailure("", "File Header Error.");
    expectFailure("CommentData\n", "File Header Error.");
    expectFailure("Comments 0.1\n", "CommentData is not found.");
    expectFailure("CommentData 0.2\n* CommentListSize\n0\n* CommentList\n", "untouched");
    // Counts are not trusted: the read stops where the file ends.
    expectFailure("CommentData 0.0\n* CommentListSize\n2147483647\n* CommentList\n"
                  "* Title\nA\n* TextLineNumber\n0\n* Text\n* Point\n1 2 3\n",
                  "Header: Title is not found.");
    expectFailure("CommentData 0.0\n* CommentListSize\n1\n* CommentList\n"
                  "* Title\nA\n* TextLineNumber\n1000000000\n* Text\nonly\n",
                  "Header: Point is not found.");

    // Each header of the populated file replaced in turn.
    const std::vector<std::string> lines = splitLines(kPopulated);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].rfind("* ", 0) != 0 || (lines[i] == "* Point" && lines[i - 1] == "first"))
            continue;
        std::vector<std::string> broken = lines;
        broken[i] = "* Wrong";
        expectFailure(joinLines(broken), "Header: " + lines[i].substr(2) + " is not found.");
    }
    // Every truncation at a line end fails.
    const std::string text = kPopulated;
    for (std::size_t end = text.find('\n'); end + 1 < text.size(); end = text.find('\n', end + 1)) {
        testutil::writeFile(path, text.substr(0, end + 1));
        std::string error;
        EXPECT_FALSE(readComments(manager, path, error)) << end;
        EXPECT_EQ(manager.getObjectSetSize(), 1u);
    }
    std::string error;
    EXPECT_FALSE(manager.initDataFromTextFile(folder.file("missing.txt"), error));
    EXPECT_EQ(error, "Cannot open file for reading: ");
    EXPECT_EQ(value.count(), 0);

    // A list size of 0 empties the manager.
    testutil::writeFile(path, "CommentData 0.1\n* CommentListSize\n0\n* CommentList\n");
    EXPECT_TRUE(readComments(manager, path, error));
    EXPECT_EQ(manager.getObjectSetSize(), 0u);
}

TEST(CommentManagerTest, RenderingFileChecksAndRanges)
{
    testutil::TempDir folder;
    const std::string path = folder.file("CommentRendering.txt");
    CommentManager manager;
    manager.createComment(V(), "a", {});
    Comment* comment = manager.getData(0);
    QSignalSpy value(&manager, SIGNAL(changedValue()));

    const std::vector<std::string> lines = splitLines(kDefaultRendering);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i][0] >= '0' && lines[i][0] <= '9')
            continue;
        std::vector<std::string> broken = lines;
        broken[i] = "Wrong";
        testutil::writeFile(path, joinLines(broken));
        std::string error;
        EXPECT_FALSE(readRendering(manager, path, error));
        const std::string key = lines[i].rfind("* ", 0) == 0 ? "Header: " + lines[i].substr(2) : lines[i];
        EXPECT_EQ(error, key + " is not found.");
    }
    EXPECT_EQ(value.count(), 0);

    // Sizes the drawing cannot use are ignored; the rest applies, with one signal, and new
    // label settings drop the labels.
    std::vector<std::string> changed = lines;
    changed[2] = "0";
    changed[5] = "0";
    changed[9] = "1 2 3";
    changed[12] = "-3";
    changed[14] = "4 5 6";
    testutil::writeFile(path, joinLines(changed));
    comment->labelImage.assign(4, 1);
    std::string error;
    ASSERT_TRUE(readRendering(manager, path, error));
    EXPECT_EQ(value.count(), 1);
    EXPECT_FALSE(manager.hasState(Object3D::Visible));
    EXPECT_EQ(manager.getCharSize(), 14);
    EXPECT_EQ(manager.getLineWidth(), 2);
    EXPECT_EQ(manager.getTextColor(), Color(1, 2, 3, 255));
    EXPECT_EQ(manager.getLineColor(), Color(4, 5, 6, 255));
    EXPECT_TRUE(comment->labelImage.empty());

    ASSERT_TRUE(readRendering(manager, path, error));
    EXPECT_EQ(value.count(), 1);

    // A size beyond the panel's range would make huge label images: ignored as well.
    changed[5] = "30000";
    testutil::writeFile(path, joinLines(changed));
    ASSERT_TRUE(readRendering(manager, path, error));
    EXPECT_EQ(manager.getCharSize(), 14);
    changed[5] = "99";
    testutil::writeFile(path, joinLines(changed));
    ASSERT_TRUE(readRendering(manager, path, error));
    EXPECT_EQ(manager.getCharSize(), 99);
}
