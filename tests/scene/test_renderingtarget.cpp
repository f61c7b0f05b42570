#include "renderingtarget.h"

#include "testutil.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

const char* const kObjectKeys[] = {"DrawBackground", "DrawRotationCenterPoint", "DrawOriginAxis",
                                   "DrawManipulator", "DrawClipBox",            "DrawReferencePoint",
                                   "DrawPointCloud",  "DrawMeasure",            "DrawComment",
                                   "DrawCameraPath"};
const char* const kInfomationKeys[] = {"ShowDrawFlagInfomation", "ShowCameraWorkInfomation",
                                       "ShowBackgroundRenderingInfomation", "ShowPointCloudRenderingInfomation"};

// A file of the given data name with one value line per key; values[i] for key i.
template <std::size_t N>
std::string fileText(const char* iDataName, const char* const (&iKeys)[N], const std::string (&iValues)[N])
{
    std::string text = std::string(iDataName) + " 0.0\n";
    for (std::size_t i = 0; i < N; ++i)
        text += std::string("* ") + iKeys[i] + "\n" + iValues[i] + "\n";
    return text;
}

std::string objectFile(const std::string (&iValues)[10])
{
    return fileText("ObjectRenderingData", kObjectKeys, iValues);
}

std::string infomationFile(const std::string (&iValues)[4])
{
    return fileText("InfomationRenderingData", kInfomationKeys, iValues);
}

bool readObject(RenderingTarget& ioTarget, const std::string& iPath, std::string* oError,
                std::string* oOutput = nullptr)
{
    testutil::CoutCapture capture;
    const bool result = ioTarget.initObjectWithTextFile(iPath, *oError);
    if (oOutput)
        *oOutput = capture.text();
    return result;
}

bool readInfomation(RenderingTarget& ioTarget, const std::string& iPath, std::string* oError,
                    std::string* oOutput = nullptr)
{
    testutil::CoutCapture capture;
    const bool result = ioTarget.initInfomationWithTextFile(iPath, *oError);
    if (oOutput)
        *oOutput = capture.text();
    return result;
}

bool equal(const RenderingTarget::ObjectData& iA, const RenderingTarget::ObjectData& iB)
{
    return !(iA != iB);
}

bool equal(const RenderingTarget::InfomationData& iA, const RenderingTarget::InfomationData& iB)
{
    return !(iA != iB);
}

} // namespace

TEST(RenderingTargetTest, EveryObjectFlagTakesPartInTheComparison)
{
    bool RenderingTarget::ObjectData::*const flags[] = {
        &RenderingTarget::ObjectData::drawBackground,   &RenderingTarget::ObjectData::drawRotationCenterPoint,
        &RenderingTarget::ObjectData::drawOriginAxis,   &RenderingTarget::ObjectData::drawManipulator,
        &RenderingTarget::ObjectData::drawClipBox,      &RenderingTarget::ObjectData::drawReferencePoint,
        &RenderingTarget::ObjectData::drawPointCloud,   &RenderingTarget::ObjectData::drawMeasure,
        &RenderingTarget::ObjectData::drawMeasureLabel, &RenderingTarget::ObjectData::drawComment,
        &RenderingTarget::ObjectData::drawCommentLabel, &RenderingTarget::ObjectData::drawCameraPath};
    RenderingTarget target;
    QSignalSpy spy(&target, SIGNAL(changedValue()));
    for (auto flag : flags) {
        EXPECT_TRUE(target.objectData.*flag);
        RenderingTarget::ObjectData data = target.objectData;
        data.*flag = false;
        EXPECT_TRUE(data != target.objectData);
        const int before = spy.count();
        target.setObjectData(data);
        EXPECT_EQ(spy.count(), before + 1);
        target.setObjectData(data);
        EXPECT_EQ(spy.count(), before + 1);
    }
    EXPECT_EQ(spy.count(), 12);
}

TEST(RenderingTargetTest, InfomationSettersSignalOnlyRealChanges)
{
    RenderingTarget target;
    QSignalSpy spy(&target, SIGNAL(changedValue()));
    EXPECT_FALSE(target.infomationData.showDrawFlagInfomation);
    EXPECT_FALSE(target.infomationData.showPointCloudRenderingInfomation);

    RenderingTarget::InfomationData data;
    target.setInfomationData(data);
    EXPECT_EQ(spy.count(), 0);
    data.showBackgroundRenderingInfomation = true;
    target.setInfomationData(data);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_TRUE(target.infomationData.showBackgroundRenderingInfomation);

    target.setVisibleInfomationALL(true);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_TRUE(target.infomationData.showDrawFlagInfomation);
    EXPECT_TRUE(target.infomationData.showCameraWorkInfomation);
    EXPECT_TRUE(target.infomationData.showPointCloudRenderingInfomation);
    target.setVisibleInfomationALL(true);
    EXPECT_EQ(spy.count(), 2);
    target.setVisibleInfomationALL(false);
    EXPECT_EQ(spy.count(), 3);
    EXPECT_TRUE(equal(target.infomationData, RenderingTarget::InfomationData()));
}

TEST(RenderingTargetTest, SetVisibleObjectAllLeavesViewAidsAndLabels)
{
    RenderingTarget target;
    QSignalSpy spy(&target, SIGNAL(changedValue()));
    target.setVisibleObjectALL(false);
    EXPECT_EQ(spy.count(), 1);
    const RenderingTarget::ObjectData& data = target.objectData;
    EXPECT_TRUE(data.drawBackground);
    EXPECT_TRUE(data.drawManipulator);
    EXPECT_TRUE(data.drawClipBox);
    EXPECT_TRUE(data.drawReferencePoint);
    EXPECT_TRUE(data.drawMeasureLabel);
    EXPECT_TRUE(data.drawCommentLabel);
    EXPECT_FALSE(data.drawRotationCenterPoint);
    EXPECT_FALSE(data.drawOriginAxis);
    EXPECT_FALSE(data.drawPointCloud);
    EXPECT_FALSE(data.drawMeasure);
    EXPECT_FALSE(data.drawComment);
    EXPECT_FALSE(data.drawCameraPath);
    target.setVisibleObjectALL(false);
    EXPECT_EQ(spy.count(), 1);

    // One of the six differing is enough for one signal.
    RenderingTarget::ObjectData some = target.objectData;
    some.drawComment = true;
    target.setObjectData(some);
    spy.clear();
    target.setVisibleObjectALL(false);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_FALSE(target.objectData.drawComment);
    target.setVisibleObjectALL(true);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_TRUE(equal(target.objectData, RenderingTarget::ObjectData()));
}

TEST(RenderingTargetFileTest, DefaultsByteForByte)
{
    testutil::TempDir dir;
    RenderingTarget target;
    std::string error;
    {
        testutil::CoutCapture capture;
        ASSERT_TRUE(target.exportObjectRenderingParameter(dir.file("ObjectRendering.txt"), error));
        ASSERT_TRUE(target.exportInfomation(dir.file("InfomationRendering.txt"), error));
        EXPECT_EQ(capture.text(), "ObjectRenderingData Ver: 0.0\nInfomationRenderingData Ver: 0.0\n");
    }
    const std::string ones[10] = {"1", "1", "1", "1", "1", "1", "1", "1", "1", "1"};
    const std::string zeros[4] = {"0", "0", "0", "0"};
    const std::string object = testutil::readFile(dir.file("ObjectRendering.txt"));
    EXPECT_EQ(object, objectFile(ones));
    EXPECT_EQ(std::count(object.begin(), object.end(), '\n'), 21);
    EXPECT_EQ(testutil::readFile(dir.file("InfomationRendering.txt")),
              "InfomationRenderingData 0.0\n"
              "* ShowDrawFlagInfomation\n0\n"
              "* ShowCameraWorkInfomation\n0\n"
              "* ShowBackgroundRenderingInfomation\n0\n"
              "* ShowPointCloudRenderingInfomation\n0\n");
}

TEST(RenderingTargetFileTest, RoundTripWithOneSignalPerFile)
{
    testutil::TempDir dir;
    RenderingTarget target;
    RenderingTarget::ObjectData object;
    object.drawRotationCenterPoint = false;
    object.drawClipBox = false;
    object.drawMeasure = false;
    object.drawCameraPath = false;
    object.drawMeasureLabel = false; // never saved
    target.setObjectData(object);
    RenderingTarget::InfomationData infomation;
    infomation.showCameraWorkInfomation = true;
    infomation.showPointCloudRenderingInfomation = true;
    target.setInfomationData(infomation);

    std::string error;
    {
        testutil::CoutCapture capture;
        ASSERT_TRUE(target.exportObjectRenderingParameter(dir.file("ObjectRendering.txt"), error));
        ASSERT_TRUE(target.exportInfomation(dir.file("InfomationRendering.txt"), error));
    }
    const std::string objectValues[10] = {"1", "0", "1", "1", "0", "1", "1", "0", "1", "0"};
    EXPECT_EQ(testutil::readFile(dir.file("ObjectRendering.txt")), objectFile(objectValues));
    const std::string infomationValues[4] = {"0", "1", "0", "1"};
    EXPECT_EQ(testutil::readFile(dir.file("InfomationRendering.txt")), infomationFile(infomationValues));

    RenderingTarget read;
    QSignalSpy spy(&read, SIGNAL(changedValue()));
    std::string output;
    ASSERT_TRUE(readObject(read, dir.file("ObjectRendering.txt"), &error, &output)) << error;
    EXPECT_EQ(output, "ObjectRenderingData Ver: 0.0\n");
    EXPECT_EQ(spy.count(), 1);
    ASSERT_TRUE(readInfomation(read, dir.file("InfomationRendering.txt"), &error, &output)) << error;
    EXPECT_EQ(output, "InfomationRenderingData Ver: 0.0\n");
    EXPECT_EQ(spy.count(), 2);
    object.drawMeasureLabel = true; // a load switches the label flags back on
    EXPECT_TRUE(equal(read.objectData, object));
    EXPECT_TRUE(equal(read.infomationData, infomation));

    // Equal flags: no signal.
    ASSERT_TRUE(readObject(read, dir.file("ObjectRendering.txt"), &error)) << error;
    ASSERT_TRUE(readInfomation(read, dir.file("InfomationRendering.txt"), &error)) << error;
    EXPECT_EQ(spy.count(), 2);

    // Only the label flag differs: the load turns it on with one signal.
    RenderingTarget::ObjectData labelOff = read.objectData;
    labelOff.drawCommentLabel = false;
    read.setObjectData(labelOff);
    spy.clear();
    ASSERT_TRUE(readObject(read, dir.file("ObjectRendering.txt"), &error)) << error;
    EXPECT_EQ(spy.count(), 1);
    EXPECT_TRUE(read.objectData.drawCommentLabel);
}

TEST(RenderingTargetFileTest, ValueLinesReadAsIntegers)
{
    testutil::TempDir dir;
    const std::string values[4] = {"2", "abc", "-1", "0"};
    testutil::writeFile(dir.file("InfomationRendering.txt"), infomationFile(values));
    RenderingTarget target;
    std::string error;
    ASSERT_TRUE(readInfomation(target, dir.file("InfomationRendering.txt"), &error)) << error;
    EXPECT_TRUE(target.infomationData.showDrawFlagInfomation);
    EXPECT_FALSE(target.infomationData.showCameraWorkInfomation);
    EXPECT_TRUE(target.infomationData.showBackgroundRenderingInfomation);
    EXPECT_FALSE(target.infomationData.showPointCloudRenderingInfomation);
}

TEST(RenderingTargetFileTest, BrokenObjectFilesReportAndChangeNothing)
{
    testutil::TempDir dir;
    const std::string zeros[10] = {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0"};
    const std::string whole = objectFile(zeros);
    std::string noClipBox = whole;
    noClipBox.erase(noClipBox.find("* DrawClipBox\n0\n"), 16);
    std::string renamed = whole;
    renamed.replace(renamed.find("DrawComment"), 11, "DrawKomment");
    struct Case
    {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"", "File Header Error."},
        {"ObjectRenderingData\n", "File Header Error."},
        {"InfomationRenderingData 0.0\n* DrawBackground\n0\n", "ObjectRenderingData is not found."},
        {noClipBox, "Header: DrawClipBox is not found."},
        {renamed, "Header: DrawComment is not found."},
        {"ObjectRenderingData 0.0\n", "Header: DrawBackground is not found."},
        // Truncated: at a header, before a value line, inside a header.
        {whole.substr(0, whole.find("* DrawPointCloud")), "Header: DrawPointCloud is not found."},
        {whole.substr(0, whole.find("* DrawPointCloud") + 17), "Header: DrawPointCloud is not found."},
        {whole.substr(0, whole.size() - 2), "Header: DrawCameraPath is not found."},
        {whole.substr(0, whole.size() - 8), "Header: DrawCameraPath is not found."},
    };
    for (const Case& c : cases) {
        testutil::writeFile(dir.file("ObjectRendering.txt"), c.text);
        RenderingTarget target;
        QSignalSpy spy(&target, SIGNAL(changedValue()));
        std::string error;
        EXPECT_FALSE(readObject(target, dir.file("ObjectRendering.txt"), &error)) << c.text;
        EXPECT_EQ(error, c.message) << c.text;
        EXPECT_EQ(spy.count(), 0) << c.text;
        EXPECT_TRUE(equal(target.objectData, RenderingTarget::ObjectData())) << c.text;
    }
    // The last value without its line feed still counts.
    testutil::writeFile(dir.file("ObjectRendering.txt"), whole.substr(0, whole.size() - 1));
    RenderingTarget target;
    std::string error;
    ASSERT_TRUE(readObject(target, dir.file("ObjectRendering.txt"), &error)) << error;
    EXPECT_FALSE(target.objectData.drawCameraPath);
}

TEST(RenderingTargetFileTest, BrokenInfomationFilesReportAndChangeNothing)
{
    testutil::TempDir dir;
    const std::string ones[4] = {"1", "1", "1", "1"};
    const std::string whole = infomationFile(ones);
    struct Case
    {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"InfomationRenderingData 0.0 0.1\n", "File Header Error."},
        {"ObjectRenderingData 0.0\n", "InfomationRenderingData is not found."},
        {whole.substr(0, whole.find("* ShowBackground")), "Header: ShowBackgroundRenderingInfomation is not found."},
        {whole.substr(0, whole.size() - 2), "Header: ShowPointCloudRenderingInfomation is not found."},
    };
    for (const Case& c : cases) {
        testutil::writeFile(dir.file("InfomationRendering.txt"), c.text);
        RenderingTarget target;
        QSignalSpy spy(&target, SIGNAL(changedValue()));
        std::string error;
        EXPECT_FALSE(readInfomation(target, dir.file("InfomationRendering.txt"), &error)) << c.text;
        EXPECT_EQ(error, c.message) << c.text;
        EXPECT_EQ(spy.count(), 0) << c.text;
        EXPECT_TRUE(equal(target.infomationData, RenderingTarget::InfomationData())) << c.text;
    }
}

TEST(RenderingTargetFileTest, OpenAndWriteFailures)
{
    testutil::TempDir dir;
    RenderingTarget target;
    std::string error;
    std::string output;
    const std::string missing = dir.file("missing.txt");
    EXPECT_FALSE(readObject(target, missing, &error, &output));
    EXPECT_EQ(error, "Cannot open file for reading: " + missing);
    EXPECT_FALSE(readInfomation(target, missing, &error, &output));
    EXPECT_EQ(error, "Cannot open file for reading: " + missing);
    EXPECT_EQ(output, "");

    const std::string noFolder = dir.file("no/ObjectRendering.txt");
    EXPECT_FALSE(target.exportObjectRenderingParameter(noFolder, error));
    EXPECT_EQ(error, "Cannot open file for writting: " + noFolder);
    {
        testutil::CoutCapture capture;
        EXPECT_FALSE(target.exportObjectRenderingParameter("/dev/full", error));
        EXPECT_EQ(error, "Cannot open file for writting: /dev/full");
        error.clear();
        EXPECT_FALSE(target.exportInfomation("/dev/full", error));
        EXPECT_EQ(error, "Cannot open file for writting: /dev/full");
    }

    // An unknown version fails and leaves the message as it was.
    testutil::writeFile(dir.file("ObjectRendering.txt"), "ObjectRenderingData 0.1\n");
    error = "before";
    EXPECT_FALSE(readObject(target, dir.file("ObjectRendering.txt"), &error, &output));
    EXPECT_EQ(error, "before");
    EXPECT_EQ(output, "");
}
