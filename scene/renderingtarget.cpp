#include "renderingtarget.h"

#include "asciifileoperator.h"
#include "sectionfile.h"

namespace {

const char* const FL_OBJECT_DATA_NAME = "ObjectRenderingData";
const char* const FL_INFOMATION_DATA_NAME = "InfomationRenderingData";
const char* const FL_VERSION_0_0 = "0.0";

template <typename Data>
struct FL_Key
{
    const char* key;
    bool Data::*flag;
};

using FL_ObjectKey = FL_Key<RenderingTarget::ObjectData>;
using FL_InfomationKey = FL_Key<RenderingTarget::InfomationData>;

// The saved flags in file order; the two label flags have no key.
const FL_ObjectKey FL_OBJECT_KEYS[] = {
    {"DrawBackground", &RenderingTarget::ObjectData::drawBackground},
    {"DrawRotationCenterPoint", &RenderingTarget::ObjectData::drawRotationCenterPoint},
    {"DrawOriginAxis", &RenderingTarget::ObjectData::drawOriginAxis},
    {"DrawManipulator", &RenderingTarget::ObjectData::drawManipulator},
    {"DrawClipBox", &RenderingTarget::ObjectData::drawClipBox},
    {"DrawReferencePoint", &RenderingTarget::ObjectData::drawReferencePoint},
    {"DrawPointCloud", &RenderingTarget::ObjectData::drawPointCloud},
    {"DrawMeasure", &RenderingTarget::ObjectData::drawMeasure},
    {"DrawComment", &RenderingTarget::ObjectData::drawComment},
    {"DrawCameraPath", &RenderingTarget::ObjectData::drawCameraPath},
};

const FL_InfomationKey FL_INFOMATION_KEYS[] = {
    {"ShowDrawFlagInfomation", &RenderingTarget::InfomationData::showDrawFlagInfomation},
    {"ShowCameraWorkInfomation", &RenderingTarget::InfomationData::showCameraWorkInfomation},
    {"ShowBackgroundRenderingInfomation", &RenderingTarget::InfomationData::showBackgroundRenderingInfomation},
    {"ShowPointCloudRenderingInfomation", &RenderingTarget::InfomationData::showPointCloudRenderingInfomation},
};

template <typename Data, std::size_t N>
void FL_write(AsciiFileOperator& iStream, const char* iDataName, const FL_Key<Data> (&iKeys)[N], const Data& iData)
{
    iStream << iDataName << ' ' << FL_VERSION_0_0 << endl;
    for (const FL_Key<Data>& key : iKeys)
        sectionfile::writeValue(iStream, key.key, AsciiFileOperator::toString(iData.*key.flag));
}

// Reads every keyed flag into oData.
template <typename Data, std::size_t N>
bool FL_read(AsciiFileOperator& iStream, const FL_Key<Data> (&iKeys)[N], Data* oData, std::string& iErrorMessage)
{
    std::string line;
    for (const FL_Key<Data>& key : iKeys) {
        if (!sectionfile::readValueLine(iStream, key.key, &line, iErrorMessage))
            return false;
        oData->*key.flag = AsciiFileOperator::toBoolean(line);
    }
    return true;
}

} // namespace

bool RenderingTarget::ObjectData::operator!=(const ObjectData& iData) const
{
    return drawBackground != iData.drawBackground || drawRotationCenterPoint != iData.drawRotationCenterPoint ||
           drawOriginAxis != iData.drawOriginAxis || drawManipulator != iData.drawManipulator ||
           drawClipBox != iData.drawClipBox || drawReferencePoint != iData.drawReferencePoint ||
           drawPointCloud != iData.drawPointCloud || drawMeasure != iData.drawMeasure ||
           drawMeasureLabel != iData.drawMeasureLabel || drawComment != iData.drawComment ||
           drawCommentLabel != iData.drawCommentLabel || drawCameraPath != iData.drawCameraPath;
}

bool RenderingTarget::InfomationData::operator!=(const InfomationData& iData) const
{
    return showDrawFlagInfomation != iData.showDrawFlagInfomation ||
           showCameraWorkInfomation != iData.showCameraWorkInfomation ||
           showBackgroundRenderingInfomation != iData.showBackgroundRenderingInfomation ||
           showPointCloudRenderingInfomation != iData.showPointCloudRenderingInfomation;
}

RenderingTarget::RenderingTarget(QObject* iParent) : QObject(iParent) {}

RenderingTarget::~RenderingTarget() = default;

void RenderingTarget::setObjectData(const RenderingTarget::ObjectData& iData)
{
    if (!(iData != objectData))
        return;
    objectData = iData;
    emit changedValue();
}

void RenderingTarget::setInfomationData(const RenderingTarget::InfomationData& iData)
{
    if (!(iData != infomationData))
        return;
    infomationData = iData;
    emit changedValue();
}

void RenderingTarget::setVisibleObjectALL(bool iVisible)
{
    ObjectData data = objectData;
    data.drawRotationCenterPoint = iVisible;
    data.drawOriginAxis = iVisible;
    data.drawPointCloud = iVisible;
    data.drawMeasure = iVisible;
    data.drawComment = iVisible;
    data.drawCameraPath = iVisible;
    setObjectData(data);
}

void RenderingTarget::setVisibleInfomationALL(bool iVisible)
{
    InfomationData data;
    data.showDrawFlagInfomation = iVisible;
    data.showCameraWorkInfomation = iVisible;
    data.showBackgroundRenderingInfomation = iVisible;
    data.showPointCloudRenderingInfomation = iVisible;
    setInfomationData(data);
}

bool RenderingTarget::exportFile(const std::string& iFileName, const char* iDataName,
                                 bool (RenderingTarget::*iSave)(AsciiFileOperator&, std::string&) const,
                                 std::string& iErrorMessage) const
{
    return sectionfile::exportFile(
        iFileName, iDataName, FL_VERSION_0_0, tr("Cannot open file for writting: ").toStdString() + iFileName,
        [&](AsciiFileOperator& iStream) { return (this->*iSave)(iStream, iErrorMessage); }, iErrorMessage);
}

bool RenderingTarget::initFile(const std::string& iFileName, const char* iDataName,
                               bool (RenderingTarget::*iLoad)(AsciiFileOperator&, std::string&),
                               std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    if (sectionfile::openToRead(stream, iFileName, iDataName, {FL_VERSION_0_0},
                                tr("Cannot open file for reading: ").toStdString() + iFileName,
                                tr("File Header Error.").toStdString(), iErrorMessage) == 0)
        return (this->*iLoad)(stream, iErrorMessage);
    return false;
}

bool RenderingTarget::exportObjectRenderingParameter(const std::string& iFileName, std::string& iErrorMessage) const
{
    return exportFile(iFileName, FL_OBJECT_DATA_NAME, &RenderingTarget::saveObjectRenderingParameter_Ver0_0,
                      iErrorMessage);
}

bool RenderingTarget::saveObjectRenderingParameter_Ver0_0(AsciiFileOperator& iStream,
                                                          std::string& /*iErrorMessage*/) const
{
    FL_write(iStream, FL_OBJECT_DATA_NAME, FL_OBJECT_KEYS, objectData);
    return true;
}

bool RenderingTarget::initObjectWithTextFile(const std::string& iFileName, std::string& iErrorMessage)
{
    return initFile(iFileName, FL_OBJECT_DATA_NAME, &RenderingTarget::loadObjectRenderingParameter_Ver0_0,
                    iErrorMessage);
}

bool RenderingTarget::loadObjectRenderingParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    ObjectData data;
    if (!FL_read(iStream, FL_OBJECT_KEYS, &data, iErrorMessage))
        return false;
    setObjectData(data);
    return true;
}

bool RenderingTarget::exportInfomation(const std::string& iFileName, std::string& iErrorMessage) const
{
    return exportFile(iFileName, FL_INFOMATION_DATA_NAME, &RenderingTarget::saveInfomationRenderingParameter_Ver0_0,
                      iErrorMessage);
}

bool RenderingTarget::saveInfomationRenderingParameter_Ver0_0(AsciiFileOperator& iStream,
                                                              std::string& /*iErrorMessage*/) const
{
    FL_write(iStream, FL_INFOMATION_DATA_NAME, FL_INFOMATION_KEYS, infomationData);
    return true;
}

bool RenderingTarget::initInfomationWithTextFile(const std::string& iFileName, std::string& iErrorMessage)
{
    return initFile(iFileName, FL_INFOMATION_DATA_NAME, &RenderingTarget::loadInfomationRenderingParameter_Ver0_0,
                    iErrorMessage);
}

bool RenderingTarget::loadInfomationRenderingParameter_Ver0_0(AsciiFileOperator& iStream,
                                                              std::string& iErrorMessage)
{
    InfomationData data;
    if (!FL_read(iStream, FL_INFOMATION_KEYS, &data, iErrorMessage))
        return false;
    setInfomationData(data);
    return true;
}
