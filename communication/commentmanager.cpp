#include "commentmanager.h"

#include "asciifileoperator.h"
#include "camera.h"
#include "numberformat.h"
#include "sceneparameter.h"

#include <iostream>
#include <memory>
#include <utility>

namespace {

const char* const FL_DATA_NAME = "CommentData";
const char* const FL_RENDERING_DATA_NAME = "CommentRenderingData";
const char* const FL_VERSION_0_0 = "0.0";
const char* const FL_VERSION_0_1 = "0.1";

// The type code of comments in the object-type pass.
const unsigned char FL_OBJECT_TYPE = 2;

void FL_printVersion(const char* iDataName, const char* iVersion)
{
    std::cout << iDataName << " Ver: " << iVersion << std::endl;
}

// A title or text line is one line of the file: a line break inside it would end the line
// there and shift every line after it, so breaks are written as blanks.
std::string FL_toLine(std::string iText)
{
    for (char& c : iText)
        if (c == '\n' || c == '\r')
            c = ' ';
    return iText;
}

void FL_writeValue(AsciiFileOperator& iStream, const std::string& iKey, const std::string& iValue)
{
    iStream << AsciiFileOperator::getHeader(iKey) << endl;
    iStream << iValue << endl;
}

// The line after the header line of iKey. A missing header, or a file that ends before
// the value line, fails with "Header: <key> is not found.".
bool FL_readValueLine(AsciiFileOperator& iStream, const std::string& iKey, std::string* oLine,
                      std::string& iErrorMessage)
{
    if (AsciiFileOperator::isHeader(iStream.readLine(), iKey)) {
        *oLine = iStream.readLine();
        if (!(oLine->empty() && iStream.atEnd()))
            return true;
    }
    iErrorMessage = "Header: " + iKey + " is not found.";
    return false;
}

// Three blank-separated doubles at full precision (a point at georeferenced coordinates
// must read back exactly); missing words read as 0.
Vector3T<double> FL_toVector(const std::string& iText)
{
    Vector3T<double> vector;
    const char* p = iText.data();
    const char* const last = p + iText.size();
    for (int i = 0; i < 3; ++i) {
        while (p != last && *p == ' ')
            ++p;
        const char* const begin = p;
        while (p != last && *p != ' ')
            ++p;
        if (begin == p)
            break;
        numberformat::parseDouble(begin, p, &vector[i]);
    }
    return vector;
}

void FL_writeComments(AsciiFileOperator& iStream, const CommentManager& iManager, bool iWithVisibility)
{
    // The count must match the blocks written, should anything but comments be listed.
    std::vector<const Comment*> comments;
    for (int i = 0; i < static_cast<int>(iManager.getObjectSetSize()); ++i)
        if (const Comment* comment = iManager.getData(i))
            comments.push_back(comment);
    FL_writeValue(iStream, "CommentListSize", AsciiFileOperator::toString(static_cast<int>(comments.size())));
    iStream << AsciiFileOperator::getHeader("CommentList") << endl;
    for (const Comment* comment : comments) {
        FL_writeValue(iStream, "Title", FL_toLine(comment->getName()));
        if (iWithVisibility)
            FL_writeValue(iStream, "Visible", AsciiFileOperator::toString(comment->hasState(Object3D::Visible)));
        const std::vector<std::string> text = comment->getText();
        FL_writeValue(iStream, "TextLineNumber", AsciiFileOperator::toString(static_cast<int>(text.size())));
        iStream << AsciiFileOperator::getHeader("Text") << endl;
        for (const std::string& line : text)
            iStream << FL_toLine(line) << endl;
        FL_writeValue(iStream, "Point", AsciiFileOperator::toString(comment->getPoint()));
    }
}

void FL_writeRenderingParameter(AsciiFileOperator& iStream, const CommentParameter& iPara)
{
    iStream << "CommentCharactor" << endl;
    FL_writeValue(iStream, "CharactorSize", AsciiFileOperator::toString(static_cast<int>(iPara.charSize)));
    FL_writeValue(iStream, "TitleColor", AsciiFileOperator::toString(iPara.titleColor));
    FL_writeValue(iStream, "TextColor", AsciiFileOperator::toString(iPara.textColor));
    iStream << "CommentLine" << endl;
    FL_writeValue(iStream, "LineWidth", AsciiFileOperator::toString(static_cast<int>(iPara.lineWidth)));
    FL_writeValue(iStream, "LineColor", AsciiFileOperator::toString(iPara.lineColor));
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
    if (iValue < 1 || iValue == mPara.charSize)
        return;
    mPara.charSize = iValue;
    clearImageALL();
    emit changedValue();
}

void CommentManager::setTitleColor(const Color& iColor)
{
    if (iColor == mPara.titleColor)
        return;
    mPara.titleColor = iColor;
    clearImageALL();
    emit changedValue();
}

void CommentManager::setTextColor(const Color& iColor)
{
    if (iColor == mPara.textColor)
        return;
    mPara.textColor = iColor;
    clearImageALL();
    emit changedValue();
}

void CommentManager::setLineWidth(int iValue)
{
    // GL refuses line widths below 1.
    if (iValue < 1 || iValue == mPara.lineWidth)
        return;
    mPara.lineWidth = iValue;
    emit changedValue();
}

void CommentManager::setLineColor(const Color& iColor)
{
    if (iColor == mPara.lineColor)
        return;
    mPara.lineColor = iColor;
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

QWidget* CommentManager::createUI()
{
    // No property form yet.
    return nullptr;
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
    AsciiFileOperator stream;
    if (!stream.openFile(iFileName, false)) {
        iErrorMessage = tr("Cannot open file for writting: ").toStdString();
        return false;
    }
    FL_printVersion(FL_DATA_NAME, FL_VERSION_0_1);
    saveData_Ver0_1(stream, iErrorMessage);
    // A full disk must not pass for saved comments.
    if (!stream.closeFile()) {
        iErrorMessage = tr("Cannot open file for writting: ").toStdString();
        return false;
    }
    return true;
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
    if (!stream.openFile(iFileName, true)) {
        iErrorMessage = tr("Cannot open file for reading: ").toStdString();
        return false;
    }
    std::string name;
    std::string version;
    if (!AsciiFileOperator::getFileHeader(stream.readLine(), &name, &version)) {
        iErrorMessage = tr("File Header Error.").toStdString();
        return false;
    }
    if (name != FL_DATA_NAME) {
        iErrorMessage = std::string(FL_DATA_NAME) + " is not found.";
        return false;
    }
    if (version == FL_VERSION_0_0) {
        FL_printVersion(FL_DATA_NAME, FL_VERSION_0_0);
        return loadData_Ver0_0(stream, iErrorMessage);
    }
    if (version == FL_VERSION_0_1) {
        FL_printVersion(FL_DATA_NAME, FL_VERSION_0_1);
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
    if (!FL_readValueLine(iStream, "CommentListSize", &line, iErrorMessage))
        return false;
    const int size = AsciiFileOperator::toInt(line);
    if (!AsciiFileOperator::isHeader(iStream.readLine(), "CommentList")) {
        iErrorMessage = "Header: CommentList is not found.";
        return false;
    }

    // The comments are read into a list of their own and replace the present ones only when
    // the whole file could be read. The counts come from the file: nothing is reserved from
    // them, and a file that ends early fails at the first missing line.
    std::vector<std::unique_ptr<Comment>> comments;
    for (int i = 0; i < size; ++i) {
        std::string title;
        if (!FL_readValueLine(iStream, "Title", &title, iErrorMessage))
            return false;
        bool visible = true;
        if (iWithVisibility) {
            if (!FL_readValueLine(iStream, "Visible", &line, iErrorMessage))
                return false;
            visible = AsciiFileOperator::toBoolean(line);
        }
        if (!FL_readValueLine(iStream, "TextLineNumber", &line, iErrorMessage))
            return false;
        const int lineNumber = AsciiFileOperator::toInt(line);
        if (!AsciiFileOperator::isHeader(iStream.readLine(), "Text")) {
            iErrorMessage = "Header: Text is not found.";
            return false;
        }
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
        if (!FL_readValueLine(iStream, "Point", &line, iErrorMessage))
            return false;

        // Not Comment::create: it refuses the empty title that a renamed comment can have,
        // and every file written here must read back.
        std::unique_ptr<Comment> comment = std::make_unique<Comment>(nullptr);
        comment->set(FL_toVector(line), std::move(title), std::move(text));
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
    AsciiFileOperator stream;
    if (!stream.openFile(iFileName, false)) {
        iErrorMessage = tr("Cannot open file for writting: ").toStdString();
        return false;
    }
    FL_printVersion(FL_RENDERING_DATA_NAME, FL_VERSION_0_1);
    saveRenderingParameter_Ver0_1(stream, iErrorMessage);
    if (!stream.closeFile()) {
        iErrorMessage = tr("Cannot open file for writting: ").toStdString();
        return false;
    }
    return true;
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
    FL_writeValue(iStream, "Visibility", AsciiFileOperator::toString(hasState(Visible)));
    FL_writeRenderingParameter(iStream, mPara);
    return true;
}

bool CommentManager::importRenderingParameter(const std::string& iFileName, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    if (!stream.openFile(iFileName, true)) {
        iErrorMessage = tr("Cannot open file for reading: ").toStdString();
        return false;
    }
    std::string name;
    std::string version;
    if (!AsciiFileOperator::getFileHeader(stream.readLine(), &name, &version)) {
        iErrorMessage = tr("File Header Error.").toStdString();
        return false;
    }
    if (name != FL_RENDERING_DATA_NAME) {
        iErrorMessage = std::string(FL_RENDERING_DATA_NAME) + " is not found.";
        return false;
    }
    if (version == FL_VERSION_0_0) {
        FL_printVersion(FL_RENDERING_DATA_NAME, FL_VERSION_0_0);
        return loadRenderingParameter_Ver0_0(stream, iErrorMessage);
    }
    if (version == FL_VERSION_0_1) {
        FL_printVersion(FL_RENDERING_DATA_NAME, FL_VERSION_0_1);
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
        if (!FL_readValueLine(iStream, "Visibility", &line, iErrorMessage))
            return false;
        visible = AsciiFileOperator::toBoolean(line);
    }
    if (iStream.readLine() != "CommentCharactor") {
        iErrorMessage = "CommentCharactor is not found.";
        return false;
    }
    if (!FL_readValueLine(iStream, "CharactorSize", &line, iErrorMessage))
        return false;
    const int charSize = AsciiFileOperator::toInt(line);
    if (!FL_readValueLine(iStream, "TitleColor", &line, iErrorMessage))
        return false;
    const Color titleColor = AsciiFileOperator::toMyColor(line);
    if (!FL_readValueLine(iStream, "TextColor", &line, iErrorMessage))
        return false;
    const Color textColor = AsciiFileOperator::toMyColor(line);
    if (iStream.readLine() != "CommentLine") {
        iErrorMessage = "CommentLine is not found.";
        return false;
    }
    if (!FL_readValueLine(iStream, "LineWidth", &line, iErrorMessage))
        return false;
    const int lineWidth = AsciiFileOperator::toInt(line);
    if (!FL_readValueLine(iStream, "LineColor", &line, iErrorMessage))
        return false;
    const Color lineColor = AsciiFileOperator::toMyColor(line);

    // Sizes the drawing cannot use are out of range, as for the setters; the current
    // values stay.
    CommentParameter para = mPara;
    if (charSize >= 1)
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
