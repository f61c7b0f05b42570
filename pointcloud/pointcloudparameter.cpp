#include "pointcloudparameter.h"

#include "asciifileoperator.h"
#include "sectionfile.h"

#include <QCoreApplication>

#include <functional>
#include <iostream>

namespace {

const char* const FL_DATA_NAME = "PointCloudRenderingData";
const char* const FL_VERSION_0_0 = "0.0";
const char* const FL_VERSION_0_1 = "0.1";

// The messages are the manager's, so they are translated in its context.
const char* const FL_CANNOT_WRITE = QT_TRANSLATE_NOOP("PointCloudManager", "Cannot open file for writting: ");
const char* const FL_CANNOT_READ = QT_TRANSLATE_NOOP("PointCloudManager", "Cannot open file for reading: ");
const char* const FL_HEADER_ERROR = QT_TRANSLATE_NOOP("PointCloudManager", "File Header Error.");

std::string FL_translated(const char* iText)
{
    return QCoreApplication::translate("PointCloudManager", iText).toStdString();
}

void FL_printVersion(const char* iVersion)
{
    std::cout << "PointCloudRenderSetting Ver: " << iVersion << std::endl;
}

// The keys shared by both versions, after "Visibility".
void FL_writeCommon(AsciiFileOperator& iStream, const PointCloudParameter& iParameter)
{
    sectionfile::writeValue(iStream, "PointSize", AsciiFileOperator::toString(iParameter.pointSize));
    sectionfile::writeValue(iStream, "ContourMode", AsciiFileOperator::toString(iParameter.pointContourMode));
    sectionfile::writeValue(iStream, "ContourValueMax", AsciiFileOperator::toString(iParameter.contourValueMax));
    sectionfile::writeValue(iStream, "ContourValueMin", AsciiFileOperator::toString(iParameter.contourValueMin));
    sectionfile::writeValue(iStream, "ContourColorMax", AsciiFileOperator::toString(iParameter.contourColorMax));
    sectionfile::writeValue(iStream, "ContourColorMin", AsciiFileOperator::toString(iParameter.contourColorMin));
    sectionfile::writeValue(iStream, "DelayLoad", AsciiFileOperator::toString(iParameter.delayLoad));
    sectionfile::writeValue(iStream, "LoadLevelNormal", AsciiFileOperator::toString(iParameter.normalLevel));
    sectionfile::writeValue(iStream, "LoadLevelRough", AsciiFileOperator::toString(iParameter.roughLevel));
}

// Reads the keys from "PointSize" on into *ioParameter, skipping values out of range.
bool FL_readCommon(AsciiFileOperator& iStream, PointCloudParameter* ioParameter, std::string& iErrorMessage)
{
    int pointSize = 0;
    int contourMode = 0;
    float valueMax = 0.0f;
    float valueMin = 0.0f;
    std::string colorMax;
    std::string colorMin;
    int delayLoad = 0;
    int normalLevel = 0;
    int roughLevel = 0;
    if (!sectionfile::readInt(iStream, "PointSize", &pointSize, iErrorMessage) ||
        !sectionfile::readInt(iStream, "ContourMode", &contourMode, iErrorMessage) ||
        !sectionfile::readFloat(iStream, "ContourValueMax", &valueMax, iErrorMessage) ||
        !sectionfile::readFloat(iStream, "ContourValueMin", &valueMin, iErrorMessage) ||
        !sectionfile::readValueLine(iStream, "ContourColorMax", &colorMax, iErrorMessage) ||
        !sectionfile::readValueLine(iStream, "ContourColorMin", &colorMin, iErrorMessage) ||
        !sectionfile::readInt(iStream, "DelayLoad", &delayLoad, iErrorMessage) ||
        !sectionfile::readInt(iStream, "LoadLevelNormal", &normalLevel, iErrorMessage) ||
        !sectionfile::readInt(iStream, "LoadLevelRough", &roughLevel, iErrorMessage))
        return false;

    if (PointCloudParameter::isValidPointSize(pointSize))
        ioParameter->pointSize = pointSize;
    ioParameter->pointContourMode = contourMode;
    ioParameter->contourValueMax = valueMax;
    ioParameter->contourValueMin = valueMin;
    ioParameter->contourColorMax = AsciiFileOperator::toMyColor(colorMax);
    ioParameter->contourColorMin = AsciiFileOperator::toMyColor(colorMin);
    ioParameter->delayLoad = delayLoad != 0;
    if (PointCloudParameter::isValidLevel(normalLevel))
        ioParameter->normalLevel = normalLevel;
    if (PointCloudParameter::isValidLevel(roughLevel))
        ioParameter->roughLevel = roughLevel;
    return true;
}

// Opens iFilePath for writing, prints the version and has iWrite write the section; false when
// the file cannot be opened or not all of it reached the disk.
bool FL_export(const std::string& iFilePath, const char* iVersion, std::string& iErrorMessage,
               const std::function<void(AsciiFileOperator&)>& iWrite)
{
    AsciiFileOperator stream;
    if (!stream.openFile(iFilePath, false)) {
        iErrorMessage = FL_translated(FL_CANNOT_WRITE) + iFilePath;
        return false;
    }
    FL_printVersion(iVersion);
    iWrite(stream);
    // A full disk must not pass for saved settings.
    if (!stream.closeFile()) {
        iErrorMessage = FL_translated(FL_CANNOT_WRITE) + iFilePath;
        return false;
    }
    return true;
}

// Opens iFilePath and reads the header line; the stream is left at the first key.
bool FL_openForReading(AsciiFileOperator& ioStream, const std::string& iFilePath, std::string* oVersion,
                       std::string& iErrorMessage)
{
    if (!ioStream.openFile(iFilePath, true)) {
        iErrorMessage = FL_translated(FL_CANNOT_READ) + iFilePath;
        return false;
    }
    std::string name;
    if (!AsciiFileOperator::getFileHeader(ioStream.readLine(), &name, oVersion)) {
        iErrorMessage = FL_translated(FL_HEADER_ERROR);
        return false;
    }
    if (name != FL_DATA_NAME) {
        iErrorMessage = std::string(FL_DATA_NAME) + " is not found.";
        return false;
    }
    return true;
}

} // namespace

bool exportPointCloudRenderSetting(const std::string& iFilePath, const PointCloudParameter& iParameter,
                                   bool iVisible, std::string& iErrorMessage)
{
    return FL_export(iFilePath, FL_VERSION_0_1, iErrorMessage, [&](AsciiFileOperator& iStream) {
        savePointCloudRenderSetting_Ver0_1(iStream, iParameter, iVisible, iErrorMessage);
    });
}

bool exportPointCloudRenderSetting_Ver0_0(const std::string& iFilePath, const PointCloudParameter& iParameter,
                                          std::string& iErrorMessage)
{
    return FL_export(iFilePath, FL_VERSION_0_0, iErrorMessage, [&](AsciiFileOperator& iStream) {
        savePointCloudRenderSetting_Ver0_0(iStream, iParameter, iErrorMessage);
    });
}

bool savePointCloudRenderSetting_Ver0_1(AsciiFileOperator& iStream, const PointCloudParameter& iParameter,
                                        bool iVisible, std::string& /*iErrorMessage*/)
{
    iStream << FL_DATA_NAME << ' ' << FL_VERSION_0_1 << endl;
    sectionfile::writeValue(iStream, "Visibility", AsciiFileOperator::toString(iVisible));
    FL_writeCommon(iStream, iParameter);
    return iStream.good();
}

bool savePointCloudRenderSetting_Ver0_0(AsciiFileOperator& iStream, const PointCloudParameter& iParameter,
                                        std::string& /*iErrorMessage*/)
{
    iStream << FL_DATA_NAME << ' ' << FL_VERSION_0_0 << endl;
    FL_writeCommon(iStream, iParameter);
    return iStream.good();
}

bool initPointCloudRenderSetting(const std::string& iFilePath, PointCloudParameter* ioParameter, bool* ioVisible,
                                 std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    std::string version;
    if (!FL_openForReading(stream, iFilePath, &version, iErrorMessage))
        return false;
    if (version == FL_VERSION_0_0) {
        FL_printVersion(FL_VERSION_0_0);
        return loadPointCloudRenderSetting_Ver0_0(stream, ioParameter, iErrorMessage);
    }
    if (version == FL_VERSION_0_1) {
        FL_printVersion(FL_VERSION_0_1);
        return loadPointCloudRenderSetting_Ver0_1(stream, ioParameter, ioVisible, iErrorMessage);
    }
    return false;
}

bool initPointCloudRenderSetting_Ver0_0(const std::string& iFilePath, PointCloudParameter* ioParameter,
                                        std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    std::string version;
    if (!FL_openForReading(stream, iFilePath, &version, iErrorMessage))
        return false;
    if (version != FL_VERSION_0_0) {
        iErrorMessage = iFilePath + ": " + FL_DATA_NAME + " version " + version + " is not supported.";
        return false;
    }
    FL_printVersion(FL_VERSION_0_0);
    return loadPointCloudRenderSetting_Ver0_0(stream, ioParameter, iErrorMessage);
}

bool loadPointCloudRenderSetting_Ver0_0(AsciiFileOperator& iStream, PointCloudParameter* ioParameter,
                                        std::string& iErrorMessage)
{
    // Read aside and hand over only a complete section.
    PointCloudParameter read = *ioParameter;
    if (!FL_readCommon(iStream, &read, iErrorMessage))
        return false;
    *ioParameter = read;
    return true;
}

bool loadPointCloudRenderSetting_Ver0_1(AsciiFileOperator& iStream, PointCloudParameter* ioParameter,
                                        bool* ioVisible, std::string& iErrorMessage)
{
    std::string visibility;
    if (!sectionfile::readValueLine(iStream, "Visibility", &visibility, iErrorMessage))
        return false;
    const bool visible = AsciiFileOperator::toBoolean(visibility);
    PointCloudParameter read = *ioParameter;
    if (!FL_readCommon(iStream, &read, iErrorMessage))
        return false;
    *ioVisible = visible;
    *ioParameter = read;
    return true;
}
