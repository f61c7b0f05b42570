#include "commentmanager.h"

#include "asciifileoperator.h"
#include "labelcharsize.h"
#include "camera.h"
#include "sceneparameter.h"
#include "sectionfile.h"

#include <memory>
#include <utility>

namespace {

const char* const FL_DATA_NAME = "CommentData";
const char* const FL_RENDERING_DATA_NAME = "CommentRenderingData";
const char* const FL_VERSION_0_0 = "0.0";
const char* const FL_VERSION_0_1 = "0.1";

// The type code of comments in the object-type pass.
const unsigned char FL_OBJECT_TYPE = 2;

void FL_writeComments(AsciiFileOperator& iStream, const CommentManager& iManager, bool iWithVisibility)
{
    // The count must match the blocks written, should anything but comments be listed.
    std::vector<const Comment*> comments;
    for (int i = 0; i < static_cast<int>(iManager.getObjectSetSize()); ++i)
        if (const Comment* comment = iManager.getData(i))
            comments.push_back(comment);
    sectionfile::writeValue(iStream, "CommentListSize", AsciiFileOperator::toString(static_cast<int>(comments.size())));
    iStream << AsciiFileOperator::getHeader("CommentList") << endl;
    for (const Comment* comment : comments) {
        sectionfile::writeValue(iStream, "Title", sectionfile::toLine(comment->getName()));
        if (iWithVisibility)
            sectionfile::writeValue(iStream, "Visible",
                                    AsciiFileOperator::toString(comment->hasState(Object3D::Visible)));
        const std::vector<std::string> text = comment->getText();
        sectionfile::writeValue(iStream, "TextLineNumber", AsciiFileOperator::toString(static_cast<int>(text.size())));
        iStream << AsciiFileOperator::getHeader("Text") << endl;
        for (const std::string& line : text)
            iStream << sectionfile::toLine(line) << endl;
        sectionfile::writeValue(iStream, "Point", AsciiFileOperator::toString(comment->getPoint()));
    }
}

void FL_writeRenderingParameter(AsciiFileOperator& iStream, const CommentParameter& iPara)
{
    iStream << "CommentCharactor" << endl;
    sectionfile::writeValue(iStream, "CharactorSize", AsciiFileOperator::toString(static_cast<int>(iPara.charSize)));
    sectionfile::writeValue(iStream, "TitleColor", AsciiFileOperator::toString(iPara.titleColor));
    sectionfile::writeValue(iStream, "TextColor", AsciiFileOperator::toString(iPara.textColor));
    iStream << "CommentLine" << endl;
    sectionfile::writeValue(iStream, "LineWidth", AsciiFileOperator::toString(static_cast<int>(iPara.lineWidth)));
    sectionfile::writeValue(iStream, "LineColor", AsciiFileOperator::toString(iPara.lineColor));
}

// Stores the value when it differs from the field; true when it was stored.
template <typename T>
bool FL_store(T& ioField, const T& iValue)
{
    if (iValue == ioField)
        return false;
    ioField = iValue;
    return true;
}

// Opens a file of either version for reading; the index of its version, or -1.
int FL_openToRead(AsciiFileOperator& ioStream, const std::string& iFileName, const char* iDataName,
                  std::string& iErrorMessage)
{
    return sectionfile::openToRead(ioStream, iFileName, iDataName, {FL_VERSION_0_0, FL_VERSION_0_1},
                                   CommentManager::tr("Cannot open file for reading: ").toStdString(),
                                   CommentManager::tr("File Header Error.").toStdString(), iErrorMessage);
}

} // namespace

CommentManager::CommentManager(QObject* iParent) : Object3D(iParent)
{
}

CommentParameter CommentManager::getPara() const
{
    return mPara;
}

int CommentManager::getCharSize() const
{
    return mPara.charSize;
}

Color CommentManager::getTitleColor() const
{
    return mPara.titleColor;
}

Color CommentManager::getTextColor() const
{
    return mPara.textColor;
}

int CommentManager::getLineWidth() const
{
    return mPara.lineWidth;
}

Color CommentManager::getLineColor() const
{
    return mPara.lineColor;
}

void CommentManager::setCharSize(int iValue)
{
    if (!isLabelCharSize(iValue) || !FL_store(mPara.charSize, iValue))
        return;
    clearImageALL();
    emit changedValue();
}

void CommentManager::setTitleColor(const Color& iColor)
{
    if (!FL_store(mPara.titleColor, iColor))
        return;
    clearImageALL();
    emit changedValue();
}

void CommentManager::setTextColor(const Color& iColor)
{
    if (!FL_store(mPara.textColor, iColor))
        return;
    clearImageALL();
    emit changedValue();
}

void CommentManager::setLineWidth(int iValue)
{
    // GL refuses line widths below 1.
    if (iValue >= 1 && FL_store(mPara.lineWidth, iValue))
        emit changedValue();
}

void CommentManager::setLineColor(const Color& iColor)
{
    if (FL_store(mPara.lineColor, iColor))
        emit changedValue();
}

Color CommentManager::getDrawColor(int iIndex, const SceneParameter& iScenePara, const Color& iLineColor) const
{
    if (iScenePara.drawPass == SceneParameter::ObjectTypePass)
        return Color(FL_OBJECT_TYPE, 0, 0, 0);
    if (iScenePara.drawPass == SceneParameter::ObjectIDPass)
        return Color::fromUInt32(static_cast<std::uint32_t>(iIndex));
    const Object3D* object = getObject(iIndex);
    if (object && object->hasState(Highlight))
        return Color(255, 255, 0, 255);
    if (object && object->hasState(Selected))
        return Color(255, 0, 0, 255);
    return iLineColor;
}

bool CommentManager::isErasable() const
{
    return false;
}

bool CommentManager::createComment(Vector3T<double> iPoint, std::string iTitle, std::vector<std::string> iText)
{
    Comment* comment = Comment::create(iPoint, std::move(iTitle), std::move(iText));
    if (!comment)
        return false;
    addNewObject(comment);
    return true;
}

Comment* CommentManager::getData(int iIndex) const
{
    return qobject_cast<Comment*>(getObject(iIndex));
}

void CommentManager::setSelectedALL(bool iSelected)
{
    const int size = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < size; ++i) {
        Object3D* object = getObject(i);
        if (iSelected)
            object->enableState(Selected);
        else
            object->disableState(Selected);
    }
    clearImageALL();
}

void CommentManager::getFirstIndexSelected(int* oIndex) const
{
    const int size = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < size; ++i) {
        if (getObject(i)->hasState(Selected)) {
            *oIndex = i;
            return;
        }
    }
    *oIndex = -1;
}

void CommentManager::clearImageALL()
{
    const int size = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < size; ++i)
        if (Comment* comment = getData(i))
            comment->labelImage.clear();
}

bool CommentManager::exportData(const std::string& iFileName, std::string& iErrorMessage) const
{
    return sectionfile::exportFile(
        iFileName, FL_DATA_NAME, FL_VERSION_0_1, tr("Cannot open file for writting: ").toStdString(),
        [&](AsciiFileOperator& iStream) { return saveData_Ver0_1(iStream, iErrorMessage); }, iErrorMessage);
}

bool CommentManager::saveData_Ver0_0(AsciiFileOperator& iStream, std::string& /*iErrorMessage*/) const
{
    iStream << FL_DATA_NAME << ' ' << FL_VERSION_0_0 << endl;
    FL_writeComments(iStream, *this, false);
    return true;
}

bool CommentManager::saveData_Ver0_1(AsciiFileOperator& iStream, std::string& /*iErrorMessage*/) const
{
    iStream << FL_DATA_NAME << ' ' << FL_VERSION_0_1 << endl;
    FL_writeComments(iStream, *this, true);
    return true;
}

bool CommentManager::initDataFromTextFile(const std::string& iFileName, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    switch (FL_openToRead(stream, iFileName, FL_DATA_NAME, iErrorMessage)) {
    case 0:
        return loadData_Ver0_0(stream, iErrorMessage);
    case 1:
        return loadData_Ver0_1(stream, iErrorMessage);
    }
    return false;
}

bool CommentManager::loadData_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    return loadData(iStream, false, iErrorMessage);
}

bool CommentManager::loadData_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    return loadData(iStream, true, iErrorMessage);
}

bool CommentManager::loadData(AsciiFileOperator& iStream, bool iWithVisibility, std::string& iErrorMessage)
{
    std::string line;
    int size = 0;
    if (!sectionfile::readInt(iStream, "CommentListSize", &size, iErrorMessage) ||
        !sectionfile::readHeaderLine(iStream, "CommentList", iErrorMessage))
        return false;

    // The comments are read into a list of their own and replace the present ones only when
    // the whole file could be read. The counts come from the file: nothing is reserved from
    // them, and a file that ends early fails at the first missing line.
    std::vector<std::unique_ptr<Comment>> comments;
    for (int i = 0; i < size; ++i) {
        std::string title;
        if (!sectionfile::readValueLine(iStream, "Title", &title, iErrorMessage))
            return false;
        bool visible = true;
        if (iWithVisibility) {
            if (!sectionfile::readValueLine(iStream, "Visible", &line, iErrorMessage))
                return false;
            visible = AsciiFileOperator::toBoolean(line);
        }
        int lineNumber = 0;
        if (!sectionfile::readInt(iStream, "TextLineNumber", &lineNumber, iErrorMessage) ||
            !sectionfile::readHeaderLine(iStream, "Text", iErrorMessage))
            return false;
        std::vector<std::string> text;
        for (int k = 0; k < lineNumber; ++k) {
            const std::string& textLine = iStream.readLine();
            // Past the end the "* Point" header that must follow the text is missing too.
            if (textLine.empty() && iStream.atEnd()) {
                iErrorMessage = "Header: Point is not found.";
                return false;
            }
            text.push_back(textLine);
        }
        Vector3T<double> point;
        if (!sectionfile::readVector(iStream, "Point", &point, iErrorMessage))
            return false;

        // Not Comment::create: it refuses the empty title that a renamed comment can have,
        // and every file written here must read back.
        std::unique_ptr<Comment> comment = std::make_unique<Comment>(nullptr);
        comment->set(point, std::move(title), std::move(text));
        if (!visible)
            comment->disableState(Visible);
        comments.push_back(std::move(comment));
    }

    const bool changed = getObjectSetSize() > 0 || !comments.empty();
    const bool blocked = blockSignals(true);
    clearObject();
    for (std::unique_ptr<Comment>& comment : comments)
        addNewObject(comment.release());
    blockSignals(blocked);
    if (changed) {
        emit changedStructure();
        emit changedValue();
    }
    return true;
}

bool CommentManager::exportRenderingParameter(const std::string& iFileName, std::string& iErrorMessage) const
{
    return sectionfile::exportFile(
        iFileName, FL_RENDERING_DATA_NAME, FL_VERSION_0_1, tr("Cannot open file for writting: ").toStdString(),
        [&](AsciiFileOperator& iStream) { return saveRenderingParameter_Ver0_1(iStream, iErrorMessage); },
        iErrorMessage);
}

bool CommentManager::saveRenderingParameter_Ver0_0(AsciiFileOperator& iStream, std::string& /*iErrorMessage*/) const
{
    iStream << FL_RENDERING_DATA_NAME << ' ' << FL_VERSION_0_0 << endl;
    FL_writeRenderingParameter(iStream, mPara);
    return true;
}

bool CommentManager::saveRenderingParameter_Ver0_1(AsciiFileOperator& iStream, std::string& /*iErrorMessage*/) const
{
    iStream << FL_RENDERING_DATA_NAME << ' ' << FL_VERSION_0_1 << endl;
    sectionfile::writeValue(iStream, "Visibility", AsciiFileOperator::toString(hasState(Visible)));
    FL_writeRenderingParameter(iStream, mPara);
    return true;
}

bool CommentManager::importRenderingParameter(const std::string& iFileName, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    switch (FL_openToRead(stream, iFileName, FL_RENDERING_DATA_NAME, iErrorMessage)) {
    case 0:
        return loadRenderingParameter_Ver0_0(stream, iErrorMessage);
    case 1:
        return loadRenderingParameter_Ver0_1(stream, iErrorMessage);
    }
    return false;
}

bool CommentManager::loadRenderingParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    return loadRenderingParameter(iStream, false, iErrorMessage);
}

bool CommentManager::loadRenderingParameter_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    return loadRenderingParameter(iStream, true, iErrorMessage);
}

bool CommentManager::loadRenderingParameter(AsciiFileOperator& iStream, bool iWithVisibility,
                                            std::string& iErrorMessage)
{
    std::string line;
    bool visible = hasState(Visible);
    if (iWithVisibility) {
        if (!sectionfile::readValueLine(iStream, "Visibility", &line, iErrorMessage))
            return false;
        visible = AsciiFileOperator::toBoolean(line);
    }
    int charSize = 0;
    if (!sectionfile::readSectionWord(iStream, "CommentCharactor", iErrorMessage) ||
        !sectionfile::readInt(iStream, "CharactorSize", &charSize, iErrorMessage) ||
        !sectionfile::readValueLine(iStream, "TitleColor", &line, iErrorMessage))
        return false;
    const Color titleColor = AsciiFileOperator::toMyColor(line);
    if (!sectionfile::readValueLine(iStream, "TextColor", &line, iErrorMessage))
        return false;
    const Color textColor = AsciiFileOperator::toMyColor(line);
    int lineWidth = 0;
    if (!sectionfile::readSectionWord(iStream, "CommentLine", iErrorMessage) ||
        !sectionfile::readInt(iStream, "LineWidth", &lineWidth, iErrorMessage) ||
        !sectionfile::readValueLine(iStream, "LineColor", &line, iErrorMessage))
        return false;
    const Color lineColor = AsciiFileOperator::toMyColor(line);

    // Sizes the drawing cannot use are out of range, as for the setters; the current
    // values stay.
    CommentParameter para = mPara;
    if (isLabelCharSize(charSize))
        para.charSize = charSize;
    para.titleColor = titleColor;
    para.textColor = textColor;
    if (lineWidth >= 1)
        para.lineWidth = lineWidth;
    para.lineColor = lineColor;

    const bool labelChanged =
        para.charSize != mPara.charSize || para.titleColor != mPara.titleColor || para.textColor != mPara.textColor;
    const bool changed = para != mPara;
    mPara = para;
    if (labelChanged)
        clearImageALL();
    if (visible != hasState(Visible)) {
        setState(Visible, visible); // emits changedValue() for both changes
        return true;
    }
    if (changed)
        emit changedValue();
    return true;
}

void CommentManager::draw3DPart(CommentParameter iPara, const SceneParameter& iScenePara, const Camera& iCamera) const
{
    if (!hasState(Visible))
        return;
    const int size = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < size; ++i) {
        const Comment* comment = getData(i);
        if (!comment)
            continue;
        CommentParameter para = iPara;
        para.lineColor = getDrawColor(i, iScenePara, iPara.lineColor);
        comment->draw3DPart(para, iCamera);
    }
}

void CommentManager::draw2DPart(QPaintDevice* iQPaintDevice, CommentParameter iPara, const SceneParameter& iScenePara,
                                const Camera& iCamera) const
{
    if (!hasState(Visible))
        return;
    const int size = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < size; ++i) {
        const Comment* comment = getData(i);
        if (!comment)
            continue;
        CommentParameter para = iPara;
        const Color color = getDrawColor(i, iScenePara, iPara.lineColor);
        para.titleColor = color;
        para.textColor = color;
        para.lineColor = color;
        comment->draw2DPart(iQPaintDevice, para, iCamera);
    }
}
