// The point cloud render settings, their ranges and their section file.
#include "pointcloudparameter.h"

#include "asciifileoperator.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

using testutil::readFile;
using testutil::writeFile;

// Stored fields of two parameter blocks agree.
void expectStoredEqual(const PointCloudParameter& iA, const PointCloudParameter& iB)
{
    EXPECT_EQ(iA.pointSize, iB.pointSize);
    EXPECT_EQ(iA.pointContourMode, iB.pointContourMode);
    EXPECT_EQ(iA.contourValueMax, iB.contourValueMax);
    EXPECT_EQ(iA.contourValueMin, iB.contourValueMin);
    EXPECT_EQ(iA.contourColorMax, iB.contourColorMax);
    EXPECT_EQ(iA.contourColorMin, iB.contourColorMin);
    EXPECT_EQ(iA.delayLoad, iB.delayLoad);
    EXPECT_EQ(iA.normalLevel, iB.normalLevel);
    EXPECT_EQ(iA.roughLevel, iB.roughLevel);
}

// Every field, the unstored ones included.
void expectAllEqual(const PointCloudParameter& iA, const PointCloudParameter& iB)
{
    expectStoredEqual(iA, iB);
    EXPECT_EQ(iA.colorMode, iB.colorMode);
    EXPECT_EQ(iA.targetLevel, iB.targetLevel);
    EXPECT_EQ(iA.updateDrawData, iB.updateDrawData);
    EXPECT_EQ(iA.darkVoxel, iB.darkVoxel);
    EXPECT_EQ(iA.pointVisible, iB.pointVisible);
}

PointCloudParameter sample()
{
    PointCloudParameter parameter;
    parameter.pointSize = 7;
    parameter.pointContourMode = 3;
    parameter.contourValueMax = 1.0f / 3;
    parameter.contourValueMin = -0.1f;
    parameter.contourColorMax = Color(1, 2, 3);
    parameter.contourColorMin = Color(250, 128, 0);
    parameter.delayLoad = true;
    parameter.normalLevel = 1;
    parameter.roughLevel = 2;
    return parameter;
}

const char* const flSampleBody = "* PointSize\n7\n"
                                 "* ContourMode\n3\n"
                                 "* ContourValueMax\n0.33333334\n"
                                 "* ContourValueMin\n-0.1\n"
                                 "* ContourColorMax\n1 2 3\n"
                                 "* ContourColorMin\n250 128 0\n"
                                 "* DelayLoad\n1\n"
                                 "* LoadLevelNormal\n1\n"
                                 "* LoadLevelRough\n2\n";

std::string sampleFile01(bool iVisible)
{
    return std::string("PointCloudRenderingData 0.1\n* Visibility\n") + (iVisible ? "1" : "0") + "\n" + flSampleBody;
}

// A block whose every field differs from the defaults and from sample().
PointCloudParameter current()
{
    PointCloudParameter parameter;
    parameter.colorMode = PointCloudParameter::ZLevel;
    parameter.targetLevel = 2;
    parameter.normalLevel = 2;
    parameter.roughLevel = 1;
    parameter.updateDrawData = false;
    parameter.darkVoxel = true;
    parameter.pointVisible = false;
    parameter.pointSize = 9;
    parameter.pointContourMode = 5;
    parameter.contourValueMax = 8.5f;
    parameter.contourValueMin = 2.25f;
    parameter.contourColorMax = Color(9, 9, 9);
    parameter.contourColorMin = Color(8, 8, 8);
    return parameter;
}

class RenderSettingFileTest : public ::testing::Test
{
protected:
    // Reads iText as a settings file into current() and visibility true.
    bool read(const std::string& iText)
    {
        writeFile(mPath, iText);
        mParameter = current();
        mVisible = true;
        mError = "untouched";
        testutil::CoutCapture capture;
        const bool ok = initPointCloudRenderSetting(mPath, &mParameter, &mVisible, mError);
        mOutput = capture.text();
        return ok;
    }

    void expectUnchanged()
    {
        expectAllEqual(mParameter, current());
        EXPECT_TRUE(mVisible);
    }

    testutil::TempDir mDir;
    const std::string mPath = mDir.file("Scene.txt");
    PointCloudParameter mParameter;
    bool mVisible = true;
    std::string mError;
    std::string mOutput;
};

} // namespace

TEST(PointCloudParameter, DefaultsAndRanges)
{
    const PointCloudParameter parameter;
    EXPECT_EQ(parameter.colorMode, PointCloudParameter::PointColor);
    EXPECT_EQ(parameter.targetLevel, 0);
    EXPECT_EQ(parameter.normalLevel, 0);
    EXPECT_EQ(parameter.roughLevel, 0);
    EXPECT_FALSE(parameter.delayLoad);
    EXPECT_TRUE(parameter.updateDrawData);
    EXPECT_FALSE(parameter.darkVoxel);
    EXPECT_TRUE(parameter.pointVisible);
    EXPECT_EQ(parameter.pointSize, 4);
    EXPECT_EQ(parameter.pointContourMode, 0);
    EXPECT_EQ(parameter.contourValueMax, 1.0f);
    EXPECT_EQ(parameter.contourValueMin, 0.0f);
    EXPECT_EQ(parameter.contourColorMax, Color(255, 0, 0, 255));
    EXPECT_EQ(parameter.contourColorMin, Color(0, 0, 255, 255));
    EXPECT_EQ(int(PointCloudParameter::ZLevel), 6);

    for (int level : {0, 1, 2})
        EXPECT_TRUE(PointCloudParameter::isValidLevel(level)) << level;
    for (int level : {-1, 3, -2147483647 - 1})
        EXPECT_FALSE(PointCloudParameter::isValidLevel(level)) << level;
    for (int size : {1, 4, 10})
        EXPECT_TRUE(PointCloudParameter::isValidPointSize(size)) << size;
    for (int size : {0, 11, -1})
        EXPECT_FALSE(PointCloudParameter::isValidPointSize(size)) << size;
}

TEST_F(RenderSettingFileTest, ExportWritesVersion01ByteForByte)
{
    testutil::CoutCapture capture;
    std::string error = "untouched";
    ASSERT_TRUE(exportPointCloudRenderSetting(mPath, sample(), false, error));
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(capture.text(), "PointCloudRenderSetting Ver: 0.1\n");
    EXPECT_EQ(readFile(mPath), sampleFile01(false));

    // The defaults, visible; the file is truncated first.
    ASSERT_TRUE(exportPointCloudRenderSetting(mPath, PointCloudParameter(), true, error));
    EXPECT_EQ(readFile(mPath), "PointCloudRenderingData 0.1\n* Visibility\n1\n* PointSize\n4\n* ContourMode\n0\n"
                               "* ContourValueMax\n1\n* ContourValueMin\n0\n* ContourColorMax\n255 0 0\n"
                               "* ContourColorMin\n0 0 255\n* DelayLoad\n0\n* LoadLevelNormal\n0\n"
                               "* LoadLevelRough\n0\n");
}

TEST_F(RenderSettingFileTest, Version00WriterHasNoVisibility)
{
    AsciiFileOperator stream;
    ASSERT_TRUE(stream.openFile(mPath, false));
    std::string error;
    EXPECT_TRUE(savePointCloudRenderSetting_Ver0_0(stream, sample(), error));
    ASSERT_TRUE(stream.closeFile());
    EXPECT_EQ(readFile(mPath), std::string("PointCloudRenderingData 0.0\n") + flSampleBody);
}

TEST_F(RenderSettingFileTest, ReadsBothVersionsIntoTheStoredFieldsOnly)
{
    // 0.1 sets the visibility; the fields that are not stored keep the caller's values.
    ASSERT_TRUE(read(sampleFile01(false))) << mError;
    EXPECT_EQ(mOutput, "PointCloudRenderSetting Ver: 0.1\n");
    EXPECT_EQ(mError, "untouched");
    EXPECT_FALSE(mVisible);
    expectStoredEqual(mParameter, sample());
    EXPECT_EQ(mParameter.colorMode, PointCloudParameter::ZLevel);
    EXPECT_EQ(mParameter.targetLevel, 2);
    EXPECT_FALSE(mParameter.updateDrawData);
    EXPECT_TRUE(mParameter.darkVoxel);
    EXPECT_FALSE(mParameter.pointVisible);

    // 0.0 leaves the visibility alone.
    ASSERT_TRUE(read(std::string("PointCloudRenderingData 0.0\n") + flSampleBody)) << mError;
    EXPECT_EQ(mOutput, "PointCloudRenderSetting Ver: 0.0\n");
    EXPECT_TRUE(mVisible);
    expectStoredEqual(mParameter, sample());

    // Lines after the last key are not read.
    EXPECT_TRUE(read(sampleFile01(true) + "* Extra\ngarbage\n"));
}

TEST_F(RenderSettingFileTest, RoundTripIsExactUnderACommaLocale)
{
    const std::string old = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
        if (std::setlocale(LC_ALL, name))
            break;
    PointCloudParameter written = sample();
    written.contourValueMax = 412345.678f;
    written.contourValueMin = 1.0e-7f;
    std::string error;
    testutil::CoutCapture capture;
    const bool exported = exportPointCloudRenderSetting(mPath, written, true, error);
    PointCloudParameter read;
    bool visible = false;
    const bool imported = initPointCloudRenderSetting(mPath, &read, &visible, error);
    std::setlocale(LC_ALL, old.c_str());
    ASSERT_TRUE(exported);
    ASSERT_TRUE(imported) << error;
    EXPECT_TRUE(visible);
    expectStoredEqual(read, written);
}

TEST_F(RenderSettingFileTest, ValuesOutOfRangeAreSkippedAndTheRestApplies)
{
    const std::string text = "PointCloudRenderingData 0.1\n* Visibility\n0\n* PointSize\n11\n* ContourMode\n12\n"
                             "* ContourValueMax\n5\n* ContourValueMin\n-5\n* ContourColorMax\n1 2 3\n"
                             "* ContourColorMin\n4 5 6\n* DelayLoad\n-3\n* LoadLevelNormal\n-1\n"
                             "* LoadLevelRough\n3\n";
    ASSERT_TRUE(read(text)) << mError;
    EXPECT_FALSE(mVisible);
    EXPECT_EQ(mParameter.pointSize, 9);
    EXPECT_EQ(mParameter.normalLevel, 2);
    EXPECT_EQ(mParameter.roughLevel, 1);
    // The contour mode has no range; any non-zero integer is a true DelayLoad.
    EXPECT_EQ(mParameter.pointContourMode, 12);
    EXPECT_TRUE(mParameter.delayLoad);
    EXPECT_EQ(mParameter.contourValueMax, 5.0f);
    EXPECT_EQ(mParameter.contourValueMin, -5.0f);
    EXPECT_EQ(mParameter.contourColorMax, Color(1, 2, 3, 255));
    EXPECT_EQ(mParameter.contourColorMin, Color(4, 5, 6, 255));

    std::string zero = text;
    zero.replace(zero.find("\n11\n"), 4, "\n0\n");
    ASSERT_TRUE(read(zero)) << mError;
    EXPECT_EQ(mParameter.pointSize, 9);
    EXPECT_EQ(mParameter.pointContourMode, 12);
}

TEST_F(RenderSettingFileTest, BrokenFilesFailWithTheirMessageAndChangeNothing)
{
    std::string error;
    PointCloudParameter parameter = current();
    bool visible = true;
    const std::string missing = mDir.file("none.txt");
    EXPECT_FALSE(initPointCloudRenderSetting(missing, &parameter, &visible, error));
    EXPECT_EQ(error, "Cannot open file for reading: " + missing);

    EXPECT_FALSE(read(""));
    EXPECT_EQ(mError, "File Header Error.");
    EXPECT_FALSE(read("PointCloudRenderingData\n"));
    EXPECT_EQ(mError, "File Header Error.");
    EXPECT_FALSE(read("PointCloudRenderingData 0.1 extra\n"));
    EXPECT_EQ(mError, "File Header Error.");
    EXPECT_FALSE(read("CameraParameter 0.1\n"));
    EXPECT_EQ(mError, "PointCloudRenderingData is not found.");
    expectUnchanged();

    // An unknown version fails without a message or a version line.
    EXPECT_FALSE(read("PointCloudRenderingData 0.2\n" + sampleFile01(false).substr(28)));
    EXPECT_EQ(mError, "untouched");
    EXPECT_EQ(mOutput, "");
    expectUnchanged();

    // The fourth key line names another key: nothing of the first three applies.
    std::string wrongKey = sampleFile01(false);
    wrongKey.replace(wrongKey.find("ContourValueMax"), 15, "ContourValueMin");
    EXPECT_FALSE(read(wrongKey));
    EXPECT_EQ(mError, "Header: ContourValueMax is not found.");
    EXPECT_EQ(mOutput, "PointCloudRenderSetting Ver: 0.1\n");
    expectUnchanged();

    EXPECT_FALSE(read("PointCloudRenderingData 0.1\n* PointSize\n7\n"));
    EXPECT_EQ(mError, "Header: Visibility is not found.");
    // Version 0.0 has no Visibility key.
    EXPECT_FALSE(read("PointCloudRenderingData 0.0\n* Visibility\n1\n"));
    EXPECT_EQ(mError, "Header: PointSize is not found.");
    expectUnchanged();

    // Cut before the last value line, and before the last header line.
    const std::string full = sampleFile01(false);
    EXPECT_FALSE(read(full.substr(0, full.size() - 2)));
    EXPECT_EQ(mError, "Header: LoadLevelRough is not found.");
    EXPECT_FALSE(read(full.substr(0, full.find("* LoadLevelRough"))));
    EXPECT_EQ(mError, "Header: LoadLevelRough is not found.");
    expectUnchanged();
}

TEST_F(RenderSettingFileTest, FailedWritesAreReported)
{
    std::string error;
    const std::string noFolder = mDir.file("none/Scene.txt");
    EXPECT_FALSE(exportPointCloudRenderSetting(noFolder, sample(), true, error));
    EXPECT_EQ(error, "Cannot open file for writting: " + noFolder);

    // Opens, but nothing reaches the disk.
    error.clear();
    testutil::CoutCapture capture;
    EXPECT_FALSE(exportPointCloudRenderSetting("/dev/full", sample(), true, error));
    EXPECT_EQ(error, "Cannot open file for writting: /dev/full");
}
