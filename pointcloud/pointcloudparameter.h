#ifndef POINTCLOUD_POINTCLOUDPARAMETER_H
#define POINTCLOUD_POINTCLOUDPARAMETER_H

#include "color.h"

#include <string>

class AsciiFileOperator;

// The render settings that the point cloud manager keeps for all of its shots.
struct PointCloudParameter
{
    enum ColorMode
    {
        PointColor = 0,
        ShotColor = 1,
        GroupColor = 2,
        Intensity = 3,
        XLevel = 4,
        YLevel = 5,
        ZLevel = 6,
    };

    ColorMode colorMode = PointColor;
    // 0 or 1: point level, 2: node level only.
    int targetLevel = 0;
    // The target level while the view rests and while it is dragged.
    int normalLevel = 0;
    int roughLevel = 0;
    bool delayLoad = false;
    bool updateDrawData = true;
    bool darkVoxel = false;
    bool pointVisible = true;
    int pointSize = 4;
    // The shader's colour mode; not range-checked.
    int pointContourMode = 0;
    float contourValueMax = 1.0f;
    float contourValueMin = 0.0f;
    Color contourColorMax{255, 0, 0, 255};
    Color contourColorMin{0, 0, 255, 255};

    // The ranges the manager's setters accept; a value outside is ignored, and so is one read
    // from a settings file. Levels are tested as unsigned, so a negative level is refused.
    static bool isValidLevel(int iLevel) { return static_cast<unsigned>(iLevel) <= 2u; }
    static bool isValidPointSize(int iSize) { return iSize >= 1 && iSize <= 10; }
};

// The section file "PointCloudRenderingData" (a project's "Scene.txt"): the stored settings and
// the manager's Visible state. Version 0.1 is written; 0.0 (without the visibility) and 0.1 are
// read. colorMode, targetLevel, updateDrawData, darkVoxel and pointVisible are not stored.
//
// The manager's exportPointParameter, initPointWithTextFile and save/load operations of each
// version are thin wrappers around these:
//
//   bool visible = hasState(Visible);
//   PointCloudParameter read = parameter;
//   if (!initPointCloudRenderSetting(path, &read, &visible, error)) return false;
//   setState(Visible, visible); setPointSize(read.pointSize); ... one setter per stored value,
//   in file order, so that each real change emits changedValue() once.

// Opens iFilePath for writing, prints "PointCloudRenderSetting Ver: 0.1" and writes the 0.1
// section; false with "Cannot open file for writting: <path>" when the file cannot be opened
// or not all of it reached the disk.
bool exportPointCloudRenderSetting(const std::string& iFilePath, const PointCloudParameter& iParameter,
                                   bool iVisible, std::string& iErrorMessage);
// Write one version's section, first line included; false when a write failed.
bool savePointCloudRenderSetting_Ver0_1(AsciiFileOperator& iStream, const PointCloudParameter& iParameter,
                                        bool iVisible, std::string& iErrorMessage);
bool savePointCloudRenderSetting_Ver0_0(AsciiFileOperator& iStream, const PointCloudParameter& iParameter,
                                        std::string& iErrorMessage);

// Reads the section at iFilePath. On success the stored values are put into *ioParameter (a
// point size or level outside its range keeps the value the caller put there) and, for version
// 0.1, the visibility into *ioVisible. On failure neither is touched and iErrorMessage says why
// ("Cannot open file for reading: <path>", "File Header Error.", "PointCloudRenderingData is
// not found.", "Header: <key> is not found."); an unknown version fails with the message
// untouched.
bool initPointCloudRenderSetting(const std::string& iFilePath, PointCloudParameter* ioParameter, bool* ioVisible,
                                 std::string& iErrorMessage);

// The editor's form of the file: version 0.0 only, written and read as above. Reading another
// version fails with "<path>: PointCloudRenderingData version <version> is not supported.".
bool exportPointCloudRenderSetting_Ver0_0(const std::string& iFilePath, const PointCloudParameter& iParameter,
                                          std::string& iErrorMessage);
bool initPointCloudRenderSetting_Ver0_0(const std::string& iFilePath, PointCloudParameter* ioParameter,
                                        std::string& iErrorMessage);
// Read one version's body (the lines after the first), all or nothing, as above.
bool loadPointCloudRenderSetting_Ver0_0(AsciiFileOperator& iStream, PointCloudParameter* ioParameter,
                                        std::string& iErrorMessage);
bool loadPointCloudRenderSetting_Ver0_1(AsciiFileOperator& iStream, PointCloudParameter* ioParameter,
                                        bool* ioVisible, std::string& iErrorMessage);

#endif
