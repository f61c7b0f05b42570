#include "measuremanager.h"

#include "asciifileoperator.h"
#include "labelcharsize.h"
#include "boundingbox.h"
#include "sceneparameter.h"
#include "sectionfile.h"
#include "stringdivider.h"

#include <cstdint>

namespace {

const char* const FL_MEASURE_DATA = "MeasureData";
const char* const FL_RENDERING_DATA = "MeasureRenderingData";
const char* const FL_VERSION_0_0 = "0.0";
const char* const FL_VERSION_0_1 = "0.1";

const char* const FL_LENGTH_LINE = "MeasureLengthData";
const char* const FL_ANGLE_LINE = "MeasureAngleData";
const char* const FL_LABEL_LINE = "MeasureLabel";
const char* const FL_LINE_LINE = "MeasureLine";

// The red byte of every measure in the object-type pass.
const std::uint32_t FL_OBJECT_TYPE = 1;

const int FL_TYPE_LENGTH = 0;
const int FL_TYPE_ANGLE = 1;

// One measure as read from "MeasureData", before anything is built from it.
struct FL_MeasureRecord
{
    int type = FL_TYPE_LENGTH;
    bool visible = true;
    std::vector<Vector3T<double>> points;
};

bool FL_isPrecision(int iPrecision)
{
    return iPrecision >= 0;
}

std::vector<std::string> FL_words(const std::string& iLine)
{
    StringDivider divider;
    divider.entry(' ');
    return divider.divide(iLine);
}

// A point line needs its three numbers.
bool FL_toPoint(const std::string& iLine, Vector3T<double>* oPoint)
{
    if (FL_words(iLine).size() < 3)
        return false;
    *oPoint = sectionfile::toVector(iLine);
    return true;
}

Measure* FL_createMeasure(int iType, const std::vector<Vector3T<double>>& iPoints, bool iVisible)
{
    Measure* measure = nullptr;
    if (iType == FL_TYPE_LENGTH) {
        measure = new MeasureLength();
        measure->setName("Length");
    } else {
        measure = new MeasureAngle();
        measure->setName("Angle");
    }
    measure->setPoints(iPoints);
    BoundingBox box;
    box.init(iPoints);
    measure->setBoundingBox(box);
    if (!iVisible)
        measure->disableState(Object3D::Visible);
    return measure;
}

// The body of "MeasureData" after the first line; versions 0.0 and 0.1 differ only in the
// lines between a measure's type line and its points.
bool FL_loadMeasureList(AsciiFileOperator& iStream, bool iVersion0_1, std::vector<FL_MeasureRecord>* oRecords,
                        std::string& iErrorMessage)
{
    // Only a bound for the loop below: the end of the file ends a count that is too large.
    int count = 0;
    if (!sectionfile::readInt(iStream, "MeasureListSize", &count, iErrorMessage))
        return false;
    if (count <= 0)
        return true;
    if (!sectionfile::readHeaderLine(iStream, "MeasureList", iErrorMessage))
        return false;

    for (int i = 0; i < count; ++i) {
        FL_MeasureRecord record;
        const std::string& typeLine = iStream.readLine();
        if (typeLine == FL_LENGTH_LINE) {
            record.type = FL_TYPE_LENGTH;
        } else if (typeLine == FL_ANGLE_LINE) {
            record.type = FL_TYPE_ANGLE;
        } else {
            iErrorMessage = "Unkown MeasureType: " + typeLine;
            return false;
        }
        const std::string generateError =
            record.type == FL_TYPE_LENGTH ? "Generate Error MeasureLength." : "Generate Error MeasureAngle.";

        if (iVersion0_1) {
            if (!AsciiFileOperator::isHeader(iStream.readLine(), "Visible")) {
                iErrorMessage = generateError;
                return false;
            }
            record.visible = AsciiFileOperator::toBoolean(iStream.readLine());
        } else {
            // Colour and label mode of the old layout are no longer used.
            if (!AsciiFileOperator::isHeader(iStream.readLine(), "Color")) {
                iErrorMessage = generateError;
                return false;
            }
            iStream.readLine();
            if (!AsciiFileOperator::isHeader(iStream.readLine(), "LabelMode")) {
                iErrorMessage = generateError;
                return false;
            }
            iStream.readLine();
        }

        if (!AsciiFileOperator::isHeader(iStream.readLine(), "Point")) {
            iErrorMessage = generateError;
            return false;
        }
        const int pointCount = record.type == FL_TYPE_LENGTH ? 2 : 3;
        for (int k = 0; k < pointCount; ++k) {
            Vector3T<double> point;
            if (!FL_toPoint(iStream.readLine(), &point)) {
                iErrorMessage = generateError;
                return false;
            }
            record.points.push_back(point);
        }
        oRecords->push_back(std::move(record));
    }
    return true;
}

bool FL_loadMeasureList_Ver0_0(AsciiFileOperator& iStream, std::vector<FL_MeasureRecord>* oRecords,
                               std::string& iErrorMessage)
{
    return FL_loadMeasureList(iStream, false, oRecords, iErrorMessage);
}

bool FL_loadMeasureList_Ver0_1(AsciiFileOperator& iStream, std::vector<FL_MeasureRecord>* oRecords,
                               std::string& iErrorMessage)
{
    return FL_loadMeasureList(iStream, true, oRecords, iErrorMessage);
}

// A colour line needs its three numbers; a shorter one fails as a missing value.
bool FL_readColor(AsciiFileOperator& iStream, const char* iKey, Color* oColor, std::string& iErrorMessage)
{
    std::string line;
    if (!sectionfile::readValueLine(iStream, iKey, &line, iErrorMessage))
        return false;
    if (FL_words(line).size() < 3) {
        iErrorMessage = std::string("Header: ") + iKey + " is not found.";
        return false;
    }
    *oColor = AsciiFileOperator::toMyColor(line);
    return true;
}

// The body of "MeasureRenderingData" after the first line; version 0.0 has no visibility.
bool FL_loadRendering(AsciiFileOperator& iStream, bool iVersion0_1, MeasureParameter* ioParameter, bool* ioVisible,
                      std::string& iErrorMessage)
{
    MeasureParameter& p = *ioParameter;
    if (iVersion0_1) {
        int visible = 0;
        if (!sectionfile::readInt(iStream, "Visibility", &visible, iErrorMessage))
            return false;
        *ioVisible = visible != 0;
    }
    int labelMode = 0;
    if (!sectionfile::readSectionWord(iStream, FL_LABEL_LINE, iErrorMessage) ||
        !sectionfile::readInt(iStream, "CharactorSize", &p.charSize, iErrorMessage) ||
        !FL_readColor(iStream, "CharactorColor", &p.charColor, iErrorMessage) ||
        !sectionfile::readInt(iStream, "Precision", &p.precision, iErrorMessage) ||
        !sectionfile::readInt(iStream, "LabelMode", &labelMode, iErrorMessage) ||
        !sectionfile::readSectionWord(iStream, FL_LINE_LINE, iErrorMessage) ||
        !sectionfile::readInt(iStream, "LineWidth", &p.lineWidth, iErrorMessage) ||
        !FL_readColor(iStream, "LineColor", &p.lineColor, iErrorMessage) ||
        !sectionfile::readInt(iStream, "ArrowLength", &p.arrowLength, iErrorMessage) ||
        !sectionfile::readInt(iStream, "ArrowArgument", &p.arrowArgument, iErrorMessage) ||
        !sectionfile::readInt(iStream, "ArcRadius", &p.arcRadius, iErrorMessage))
        return false;
    p.labelMode = static_cast<MeasureParameter::LabelMode>(labelMode);
    return true;
}

bool FL_loadRendering_Ver0_0(AsciiFileOperator& iStream, MeasureParameter* ioParameter, bool* ioVisible,
                             std::string& iErrorMessage)
{
    return FL_loadRendering(iStream, false, ioParameter, ioVisible, iErrorMessage);
}

bool FL_loadRendering_Ver0_1(AsciiFileOperator& iStream, MeasureParameter* ioParameter, bool* ioVisible,
                             std::string& iErrorMessage)
{
    return FL_loadRendering(iStream, true, ioParameter, ioVisible, iErrorMessage);
}

// A copy of the parameter with one field changed.
template <typename T>
MeasureParameter FL_with(MeasureParameter iParameter, T MeasureParameter::*iField, const T& iValue)
{
    iParameter.*iField = iValue;
    return iParameter;
}

} // namespace

MeasureManager::MeasureManager(QObject* iParent) : Object3D(iParent)
{
}

MeasureManager::~MeasureManager() = default;

bool MeasureManager::isErasable() const
{
    return false;
}

Color MeasureManager::getDrawColor(int iIndex, const SceneParameter& iScene, const Color& iLineColor) const
{
    if (iScene.drawPass == SceneParameter::ObjectTypePass)
        return Color::fromUInt32(FL_OBJECT_TYPE);
    if (iScene.drawPass == SceneParameter::ObjectIDPass)
        return Color::fromUInt32(static_cast<std::uint32_t>(iIndex));
    const Object3D* object = getObject(iIndex);
    if (object && object->hasState(Highlight))
        return Color(255, 255, 0, 255);
    if (object && object->hasState(Selected))
        return Color(255, 0, 0, 255);
    return iLineColor;
}

void MeasureManager::draw3DPart(MeasureParameter iParameter, const SceneParameter& iScene,
                                const Camera& iCamera) const
{
    if (!hasState(Visible))
        return;
    const Color lineColor = iParameter.lineColor;
    const int count = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < count; ++i) {
        const Measure* measure = getData(i);
        if (!measure)
            continue;
        iParameter.lineColor = getDrawColor(i, iScene, lineColor);
        measure->draw3DPart(iParameter, iCamera);
    }
}

void MeasureManager::draw2DPart(QPaintDevice* iDevice, MeasureParameter iParameter, const SceneParameter& iScene,
                                const Camera& iCamera) const
{
    if (!hasState(Visible))
        return;
    // The labels carry their own colours; the line colour is set only for parts drawn in it.
    const Color lineColor = iParameter.lineColor;
    const int count = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < count; ++i) {
        const Measure* measure = getData(i);
        if (!measure)
            continue;
        iParameter.lineColor = getDrawColor(i, iScene, lineColor);
        measure->draw2DPart(iDevice, iParameter, iCamera);
    }
}

bool MeasureManager::createMeasureLength(const std::vector<Vector3T<double>>& iPoints)
{
    if (iPoints.size() < 2)
        return false;
    addNewObject(FL_createMeasure(FL_TYPE_LENGTH, {iPoints[0], iPoints[1]}, true));
    return true;
}

bool MeasureManager::createMeasureAngle(const std::vector<Vector3T<double>>& iPoints)
{
    if (iPoints.size() < 3)
        return false;
    addNewObject(FL_createMeasure(FL_TYPE_ANGLE, {iPoints[0], iPoints[1], iPoints[2]}, true));
    return true;
}

Measure* MeasureManager::getData(int iIndex) const
{
    return qobject_cast<Measure*>(getObject(iIndex));
}

void MeasureManager::setSelectedALL(bool iSelected)
{
    const int count = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < count; ++i)
        getObject(i)->setState(Selected, iSelected);
    clearImageALL();
}

void MeasureManager::getFirstIndexSelected(int* oIndex) const
{
    const int count = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < count; ++i) {
        if (getObject(i)->hasState(Selected)) {
            *oIndex = i;
            return;
        }
    }
    *oIndex = -1;
}

void MeasureManager::clearImageALL()
{
    const int count = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < count; ++i)
        if (Measure* measure = getData(i))
            measure->labelImage.clear();
}

bool MeasureManager::applyParameter(const MeasureParameter& iParameter)
{
    if (iParameter == parameter)
        return false;
    const bool labelChanged = iParameter.charSize != parameter.charSize ||
                              iParameter.precision != parameter.precision ||
                              iParameter.charColor != parameter.charColor ||
                              iParameter.labelMode != parameter.labelMode;
    parameter = iParameter;
    if (labelChanged)
        clearImageALL();
    return true;
}

void MeasureManager::setCharSize(int iSize)
{
    if (!isLabelCharSize(iSize))
        return;
    if (applyParameter(FL_with(parameter, &MeasureParameter::charSize, iSize)))
        emit changedValue();
}

void MeasureManager::setPrecision(int iPrecision)
{
    if (!FL_isPrecision(iPrecision))
        return;
    if (applyParameter(FL_with(parameter, &MeasureParameter::precision, iPrecision)))
        emit changedValue();
}

void MeasureManager::setCharColor(const Color& iColor)
{
    if (applyParameter(FL_with(parameter, &MeasureParameter::charColor, iColor)))
        emit changedValue();
}

void MeasureManager::setLabelMode(MeasureParameter::LabelMode iMode)
{
    if (applyParameter(FL_with(parameter, &MeasureParameter::labelMode, iMode)))
        emit changedValue();
}

void MeasureManager::setLineWidth(int iWidth)
{
    if (applyParameter(FL_with(parameter, &MeasureParameter::lineWidth, iWidth)))
        emit changedValue();
}

void MeasureManager::setLineColor(const Color& iColor)
{
    if (applyParameter(FL_with(parameter, &MeasureParameter::lineColor, iColor)))
        emit changedValue();
}

void MeasureManager::setArrowLength(int iLength)
{
    if (applyParameter(FL_with(parameter, &MeasureParameter::arrowLength, iLength)))
        emit changedValue();
}

void MeasureManager::setArrowArgument(int iArgument)
{
    if (applyParameter(FL_with(parameter, &MeasureParameter::arrowArgument, iArgument)))
        emit changedValue();
}

void MeasureManager::setArcRadius(int iRadius)
{
    if (applyParameter(FL_with(parameter, &MeasureParameter::arcRadius, iRadius)))
        emit changedValue();
}

bool MeasureManager::exportMeasureALL(const std::string& iFilePath, std::string& iErrorMessage) const
{
    // Only the kinds the file knows are written, and counted.
    std::vector<const Measure*> measures;
    const int count = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < count; ++i) {
        const Measure* measure = getData(i);
        if (measure && (measure->getType() == FL_TYPE_LENGTH || measure->getType() == FL_TYPE_ANGLE))
            measures.push_back(measure);
    }

    const auto write = [&measures](AsciiFileOperator& iStream) {
        iStream << FL_MEASURE_DATA << ' ' << FL_VERSION_0_1 << endl;
        sectionfile::writeValue(iStream, "MeasureListSize",
                                AsciiFileOperator::toString(static_cast<int>(measures.size())));
        iStream << AsciiFileOperator::getHeader("MeasureList") << endl;
        for (const Measure* measure : measures) {
            iStream << (measure->getType() == FL_TYPE_LENGTH ? FL_LENGTH_LINE : FL_ANGLE_LINE) << endl;
            sectionfile::writeValue(iStream, "Visible", AsciiFileOperator::toString(measure->hasState(Visible)));
            iStream << AsciiFileOperator::getHeader("Point") << endl;
            for (const Vector3T<double>& point : measure->getPoints())
                iStream << AsciiFileOperator::toString(point) << endl;
        }
        return true;
    };
    return sectionfile::exportFile(iFilePath, FL_MEASURE_DATA, FL_VERSION_0_1,
                                   tr("Cannot open file for writting: ").toStdString(), write, iErrorMessage);
}

bool MeasureManager::generateFromTextFile(const std::string& iFilePath, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    std::vector<FL_MeasureRecord> records;
    switch (sectionfile::openToRead(stream, iFilePath, FL_MEASURE_DATA, {FL_VERSION_0_0, FL_VERSION_0_1},
                                    tr("Cannot open file for reading: ").toStdString(),
                                    tr("File Header Error.").toStdString(), iErrorMessage)) {
    case 0:
        if (!FL_loadMeasureList_Ver0_0(stream, &records, iErrorMessage))
            return false;
        break;
    case 1:
        if (!FL_loadMeasureList_Ver0_1(stream, &records, iErrorMessage))
            return false;
        break;
    default:
        return false;
    }

    for (int type : {FL_TYPE_LENGTH, FL_TYPE_ANGLE})
        for (const FL_MeasureRecord& record : records)
            if (record.type == type)
                addNewObject(FL_createMeasure(record.type, record.points, record.visible));
    return true;
}

bool MeasureManager::exportRenderingParameter(const std::string& iFilePath, std::string& iErrorMessage) const
{
    const auto write = [this](AsciiFileOperator& iStream) {
        const MeasureParameter& p = parameter;
        iStream << FL_RENDERING_DATA << ' ' << FL_VERSION_0_1 << endl;
        sectionfile::writeValue(iStream, "Visibility", AsciiFileOperator::toString(hasState(Visible)));
        iStream << FL_LABEL_LINE << endl;
        sectionfile::writeValue(iStream, "CharactorSize", AsciiFileOperator::toString(p.charSize));
        sectionfile::writeValue(iStream, "CharactorColor", AsciiFileOperator::toString(p.charColor));
        sectionfile::writeValue(iStream, "Precision", AsciiFileOperator::toString(p.precision));
        sectionfile::writeValue(iStream, "LabelMode", AsciiFileOperator::toString(static_cast<int>(p.labelMode)));
        iStream << FL_LINE_LINE << endl;
        sectionfile::writeValue(iStream, "LineWidth", AsciiFileOperator::toString(p.lineWidth));
        sectionfile::writeValue(iStream, "LineColor", AsciiFileOperator::toString(p.lineColor));
        sectionfile::writeValue(iStream, "ArrowLength", AsciiFileOperator::toString(p.arrowLength));
        sectionfile::writeValue(iStream, "ArrowArgument", AsciiFileOperator::toString(p.arrowArgument));
        sectionfile::writeValue(iStream, "ArcRadius", AsciiFileOperator::toString(p.arcRadius));
        return true;
    };
    return sectionfile::exportFile(iFilePath, FL_RENDERING_DATA, FL_VERSION_0_1,
                                   tr("Cannot open file for writting: ").toStdString(), write, iErrorMessage);
}

bool MeasureManager::importRenderingParameter(const std::string& iFilePath, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    MeasureParameter read = parameter;
    bool visible = hasState(Visible);
    switch (sectionfile::openToRead(stream, iFilePath, FL_RENDERING_DATA, {FL_VERSION_0_0, FL_VERSION_0_1},
                                    tr("Cannot open file for reading: ").toStdString(),
                                    tr("File Header Error.").toStdString(), iErrorMessage)) {
    case 0:
        if (!FL_loadRendering_Ver0_0(stream, &read, &visible, iErrorMessage))
            return false;
        break;
    case 1:
        if (!FL_loadRendering_Ver0_1(stream, &read, &visible, iErrorMessage))
            return false;
        break;
    default:
        return false;
    }

    // Sizes the labels cannot be drawn with are ignored, as the setters ignore them.
    if (!isLabelCharSize(read.charSize))
        read.charSize = parameter.charSize;
    if (!FL_isPrecision(read.precision))
        read.precision = parameter.precision;
    applyParameter(read);
    // One changedValue() in any case: from the visibility change, or else here.
    if (visible != hasState(Visible))
        setState(Visible, visible);
    else
        emit changedValue();
    return true;
}
