#include "camera.h"

#include "testutil.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

using V = Vector3T<double>;

const char* const kDefaultFile = "CameraParameter 0.0\n"
                                 "CameraData\n"
                                 "* Near\n"
                                 "0.01\n"
                                 "* Far\n"
                                 "100\n"
                                 "* Degree\n"
                                 "30\n"
                                 "* ViewPoint\n"
                                 "0 -10 0\n"
                                 "* LockOnPoint\n"
                                 "0 0 0\n"
                                 "* Upward\n"
                                 "0 0 1\n"
                                 "* WorkMode\n"
                                 "0\n"
                                 "* RotationCenterPoint\n"
                                 "0 0 0\n"
                                 "BookmarkData\n"
                                 "* Number\n"
                                 "0\n";

// One bookmark block as the file holds it.
std::string bookmarkLines(const std::string& iName, const std::string& iNear, const std::string& iViewPoint)
{
    return "* Name\n" + iName + "\n* Near\n" + iNear + "\n* Far\n100\n* Degree\n30\n* ViewPoint\n" + iViewPoint +
           "\n* LockOnPoint\n0 0 0\n* Upward\n0 0 1\n";
}

// The default file with the bookmark section replaced.
std::string fileWithBookmarks(const std::string& iCount, const std::string& iBlocks)
{
    std::string text = kDefaultFile;
    text.resize(text.size() - 2); // drop "0\n" of the count
    return text + iCount + "\n" + iBlocks;
}

Camera::LookAtData lookAtOf(const Camera& iCamera)
{
    Camera::LookAtData lookAt;
    iCamera.getLookAtData(&lookAt);
    return lookAt;
}

std::vector<std::string> bookmarkNames(const Camera& iCamera)
{
    std::vector<std::string> names;
    for (int i = 0; i < iCamera.countUpBookmark(); ++i) {
        std::string name;
        iCamera.getBookmarkName(&name, i);
        names.push_back(name);
    }
    return names;
}

bool readFile(Camera& ioCamera, const std::string& iPath, std::string* oError)
{
    testutil::CoutCapture capture;
    return ioCamera.initFromTextFile(iPath, *oError);
}

} // namespace

TEST(CameraParameterFileTest, DefaultCameraByteForByte)
{
    testutil::TempDir folder;
    const std::string path = folder.file("Camera.txt");
    Camera camera;
    std::string error = "untouched";
    {
        testutil::CoutCapture capture;
        ASSERT_TRUE(camera.exportCameraParameter(path, error));
        EXPECT_EQ(capture.text(), "CameraParameter Ver: 0.0\n");
    }
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(testutil::readFile(path), kDefaultFile);

    Camera other;
    QSignalSpy spy(&other, SIGNAL(changedValue()));
    {
        testutil::CoutCapture capture;
        ASSERT_TRUE(other.initFromTextFile(path, error));
        EXPECT_EQ(capture.text(), "CameraParameter Ver: 0.0\n");
    }
    EXPECT_EQ(spy.count(), 0); // the file holds what the camera already has
}

TEST(CameraParameterFileTest, BookmarksAndGeoreferencedValuesRoundTrip)
{
    testutil::TempDir folder;
    const std::string path = folder.file("Camera.txt");
    Camera camera;
    camera.recordNewBookmark("first view");
    Camera::LookAtData far;
    far.viewPoint = V(412345.678, 5423456.789, 312.25);
    far.lockOnPoint = V(412400.125, 5423500.5, 300.0625);
    far.upward = V(0.1, 0.2, 0.9);
    camera.setLookAtData(far);
    camera.setNear(0.3f);
    camera.setWorkMode(Camera::WalkThrough);
    camera.setRotationCenterPoint(V(1.0 / 3, -2e-7, 1e22));
    camera.recordNewBookmark("* starts with a star");
    camera.recordNewBookmark("");

    std::string error;
    {
        testutil::CoutCapture capture;
        ASSERT_TRUE(camera.exportCameraParameter(path, error));
    }
    const std::string text = testutil::readFile(path);
    const std::string expected =
        std::string("CameraParameter 0.0\nCameraData\n* Near\n0.3\n* Far\n100\n* Degree\n30\n"
                    "* ViewPoint\n412345.678 5.423456789e+06 312.25\n"
                    "* LockOnPoint\n412400.125 5.4235005e+06 300.0625\n"
                    "* Upward\n0.1 0.2 0.9\n"
                    "* WorkMode\n1\n"
                    "* RotationCenterPoint\n0.3333333333333333 -2e-07 1e+22\n"
                    "BookmarkData\n* Number\n3\n") +
        bookmarkLines("first view", "0.01", "0 -10 0") +
        "* Name\n* starts with a star\n* Near\n0.3\n* Far\n100\n* Degree\n30\n"
        "* ViewPoint\n412345.678 5.423456789e+06 312.25\n* LockOnPoint\n412400.125 5.4235005e+06 300.0625\n"
        "* Upward\n0.1 0.2 0.9\n"
        "* Name\n\n* Near\n0.3\n* Far\n100\n* Degree\n30\n"
        "* ViewPoint\n412345.678 5.423456789e+06 312.25\n* LockOnPoint\n412400.125 5.4235005e+06 300.0625\n"
        "* Upward\n0.1 0.2 0.9\n";
    EXPECT_EQ(text, expected);

    Camera copy;
    QSignalSpy spy(&copy, SIGNAL(changedValue()));
    ASSERT_TRUE(readFile(copy, path, &error));
    EXPECT_EQ(spy.count(), 4); // frustum, look-at, work mode, rotation centre
    const Camera::LookAtData lookAt = lookAtOf(copy);
    EXPECT_EQ(lookAt.viewPoint, far.viewPoint);
    EXPECT_EQ(lookAt.lockOnPoint, far.lockOnPoint);
    EXPECT_EQ(lookAt.upward, far.upward);
    V center;
    copy.getRotationCenterPoint(&center);
    EXPECT_EQ(center, V(1.0 / 3, -2e-7, 1e22));
    float nearValue = 0;
    copy.getNear(&nearValue);
    EXPECT_EQ(nearValue, 0.3f);
    EXPECT_EQ(bookmarkNames(copy), (std::vector<std::string>{"first view", "* starts with a star", ""}));

    ASSERT_TRUE(copy.setCameraToBookmark(1));
    EXPECT_EQ(lookAtOf(copy).viewPoint, far.viewPoint);
    ASSERT_TRUE(copy.setCameraToBookmark(0));
    EXPECT_EQ(lookAtOf(copy).viewPoint, V(0, -10, 0));
    copy.getNear(&nearValue);
    EXPECT_EQ(nearValue, 0.01f);
}

TEST(CameraParameterFileTest, NameWithLineBreaksIsWrittenOnOneLine)
{
    testutil::TempDir folder;
    const std::string path = folder.file("Camera.txt");
    Camera camera;
    camera.recordNewBookmark("north\nside\r\nview");
    std::string error;
    {
        testutil::CoutCapture capture;
        ASSERT_TRUE(camera.exportCameraParameter(path, error));
    }
    EXPECT_EQ(testutil::readFile(path), fileWithBookmarks("1", bookmarkLines("north side  view", "0.01", "0 -10 0")));
    Camera copy;
    ASSERT_TRUE(readFile(copy, path, &error));
    EXPECT_EQ(bookmarkNames(copy), std::vector<std::string>{"north side  view"});
}

TEST(CameraParameterFileTest, ReadingReplacesTheBookmarks)
{
    testutil::TempDir folder;
    const std::string first = folder.file("First.txt");
    const std::string second = folder.file("Second.txt");
    testutil::writeFile(first, fileWithBookmarks("2", bookmarkLines("a", "0.01", "0 -10 0") +
                                                          bookmarkLines("b", "0.01", "0 -10 0")));
    testutil::writeFile(second, fileWithBookmarks("0", ""));

    Camera camera;
    std::string error;
    ASSERT_TRUE(readFile(camera, first, &error));
    ASSERT_TRUE(readFile(camera, first, &error)); // the same project twice: not doubled
    EXPECT_EQ(bookmarkNames(camera), (std::vector<std::string>{"a", "b"}));
    ASSERT_TRUE(readFile(camera, second, &error)); // another project: none carried over
    EXPECT_EQ(camera.countUpBookmark(), 0);

    testutil::writeFile(second, fileWithBookmarks("-5", ""));
    camera.recordNewBookmark("old");
    ASSERT_TRUE(readFile(camera, second, &error));
    EXPECT_EQ(camera.countUpBookmark(), 0);
}

TEST(CameraParameterFileTest, BrokenFilesGiveTheirMessages)
{
    testutil::TempDir folder;
    const std::string path = folder.file("Camera.txt");
    struct Case
    {
        std::string text;
        std::string message;
    };
    const std::string good = kDefaultFile;
    auto replaced = [&good](const std::string& iFrom, const std::string& iTo) {
        std::string text = good;
        text.replace(text.find(iFrom), iFrom.size(), iTo);
        return text;
    };
    const std::vector<Case> cases = {
        {"", "File Header Error."},
        {"CameraParameter 0.0 extra\n", "File Header Error."},
        {"BackgroundData 0.0\n", "CameraParameter is not found."},
        {replaced("CameraData\n", "CameraData \n"), "CameraData is not found."},
        {replaced("* Near\n", "* Nearer\n"), "Header: Near is not found."},
        {replaced("* Far\n", "*Far\n"), "Header: Far is not found."},
        {replaced("* Degree\n", ""), "Header: Degree is not found."},
        {replaced("* ViewPoint\n", "* ViewPoint x\n"), "Header: ViewPoint is not found."},
        {replaced("* LockOnPoint\n", "\n"), "Header: LockOnPoint is not found."},
        {replaced("* Upward\n", "* upward\n"), "Header: Upward is not found."},
        {replaced("* WorkMode\n", "* ViewMode\n"), "Header: WorkMode is not found."},
        {replaced("* RotationCenterPoint\n", ""), "Header: RotationCenterPoint is not found."},
        {replaced("BookmarkData\n", "Bookmarks\n"), "BookmarkData is not found."},
        {replaced("* Number\n", "* Count\n"), "Header: Number is not found."},
        {good.substr(0, good.size() - 2), "Header: Number is not found."}, // the count line is missing
        {fileWithBookmarks("1", "* Title\nx\n"), "Header: Name is not found."},
        {fileWithBookmarks("1", "* Name\n"), "Header: Name is not found."},
        {fileWithBookmarks("1", bookmarkLines("x", "0.01", "0 -10 0").substr(0, 27)), "Header: Far is not found."},
    };
    for (const Case& c : cases) {
        testutil::writeFile(path, c.text);
        Camera camera;
        std::string error = "untouched";
        EXPECT_FALSE(readFile(camera, path, &error)) << c.message;
        EXPECT_EQ(error, c.message);
    }

    std::string error = "untouched";
    Camera camera;
    EXPECT_FALSE(camera.initFromTextFile(folder.file("Missing.txt"), error));
    EXPECT_EQ(error, "Cannot open file for reading: " + folder.file("Missing.txt"));

    // Another version fails without a message.
    testutil::writeFile(path, replaced("CameraParameter 0.0", "CameraParameter 0.1"));
    error = "untouched";
    EXPECT_FALSE(readFile(camera, path, &error));
    EXPECT_EQ(error, "untouched");

    {
        testutil::CoutCapture capture;
        error.clear();
        EXPECT_FALSE(camera.exportCameraParameter(folder.file("No/Camera.txt"), error));
        EXPECT_EQ(capture.text(), "");
    }
    EXPECT_EQ(error, "Cannot open file for writting: " + folder.file("No/Camera.txt"));
}

TEST(CameraParameterFileTest, DamagedBookmarksLeaveTheListAsItWas)
{
    testutil::TempDir folder;
    const std::string path = folder.file("Camera.txt");
    Camera camera;
    camera.recordNewBookmark("kept");
    std::string error;

    // A huge count with nothing behind it: no room reserved, the end of the file stops it.
    std::string text = fileWithBookmarks(std::to_string(INT_MAX), bookmarkLines("new", "0.01", "0 -10 0"));
    text = text.replace(text.find("* Near\n0.01"), 11, "* Near\n0.5"); // the camera part differs
    testutil::writeFile(path, text);
    EXPECT_FALSE(readFile(camera, path, &error));
    EXPECT_EQ(error, "Header: Name is not found.");
    EXPECT_EQ(bookmarkNames(camera), std::vector<std::string>{"kept"});
    float nearValue = 0;
    camera.getNear(&nearValue); // what came before the bookmarks stays applied
    EXPECT_EQ(nearValue, 0.5f);

    // The file ends where the last value line should be.
    const std::string block = bookmarkLines("new", "0.01", "0 -10 0");
    testutil::writeFile(path, fileWithBookmarks("1", block.substr(0, block.size() - 6)));
    EXPECT_FALSE(readFile(camera, path, &error));
    EXPECT_EQ(error, "Header: Upward is not found.");
    EXPECT_EQ(bookmarkNames(camera), std::vector<std::string>{"kept"});

    // Without the last line break the value is still there.
    testutil::writeFile(path, fileWithBookmarks("1", block.substr(0, block.size() - 1)));
    ASSERT_TRUE(readFile(camera, path, &error));
    EXPECT_EQ(bookmarkNames(camera), std::vector<std::string>{"new"});
}

TEST(CameraBookmarkTest, OperationsAndSignals)
{
    Camera camera;
    QSignalSpy spy(&camera, SIGNAL(changedValue()));
    EXPECT_EQ(camera.countUpBookmark(), 0);
    EXPECT_TRUE(camera.deleteALLBookmark()); // signals even when empty
    EXPECT_EQ(spy.count(), 1);

    EXPECT_TRUE(camera.recordNewBookmark("home"));
    camera.setViewPoint(V(0, -20, 0));
    EXPECT_TRUE(camera.recordNewBookmark("back"));
    EXPECT_EQ(spy.count(), 4);
    EXPECT_EQ(camera.countUpBookmark(), 2);

    std::string name = "none";
    for (int index : {-1, 2, INT_MIN}) {
        EXPECT_FALSE(camera.getBookmarkName(&name, index));
        EXPECT_FALSE(camera.recordBookmark(index));
        EXPECT_FALSE(camera.setCameraToBookmark(index));
        EXPECT_FALSE(camera.renameBookmark("x", index));
        EXPECT_FALSE(camera.deleteBookmark(index));
    }
    EXPECT_EQ(name, "none");
    EXPECT_FALSE(camera.deleteBookmark(camera.countUpBookmark()));
    EXPECT_EQ(spy.count(), 4);

    // The current view again: true, nothing emitted.
    EXPECT_TRUE(camera.setCameraToBookmark(1));
    EXPECT_EQ(spy.count(), 4);
    EXPECT_TRUE(camera.setCameraToBookmark(0));
    EXPECT_EQ(lookAtOf(camera).viewPoint, V(0, -10, 0));
    EXPECT_EQ(spy.count(), 5);

    camera.setNear(2.0f);
    EXPECT_TRUE(camera.recordBookmark(1)); // overwrites the view, keeps the name
    EXPECT_TRUE(camera.renameBookmark("front", 1));
    EXPECT_EQ(spy.count(), 8);
    EXPECT_TRUE(camera.getBookmarkName(&name, 1));
    EXPECT_EQ(name, "front");
    camera.setNear(0.01f);
    EXPECT_TRUE(camera.setCameraToBookmark(1));
    float nearValue = 0;
    camera.getNear(&nearValue);
    EXPECT_EQ(nearValue, 2.0f);
    EXPECT_EQ(lookAtOf(camera).viewPoint, V(0, -10, 0));

    EXPECT_TRUE(camera.deleteBookmark(0)); // later ones move down
    EXPECT_EQ(bookmarkNames(camera), std::vector<std::string>{"front"});
    EXPECT_TRUE(camera.deleteALLBookmark());
    EXPECT_EQ(camera.countUpBookmark(), 0);
}
