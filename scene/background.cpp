#include "background.h"

#include "asciifileoperator.h"

#include <QCoreApplication>
#include <qopengl.h>

#include <iostream>

namespace {

const char* const FL_DATA_NAME = "BackgroundData";
const char* const FL_VERSION_0_0 = "0.0";

// Indexed by mode; shown and compared through the translation of the Background context.
const char* const FL_MODE_NAMES[] = {
    QT_TRANSLATE_NOOP("Background", "Uniform"),
    QT_TRANSLATE_NOOP("Background", "Gradient Top to Bottom"),
    QT_TRANSLATE_NOOP("Background", "Gradient LeftTop to RigthBottom"),
    QT_TRANSLATE_NOOP("Background", "Gradient Left to Right"),
    QT_TRANSLATE_NOOP("Background", "Gradient LeftBottom to RigthTop"),
    QT_TRANSLATE_NOOP("Background", "Gradient Inside to Outside"),
};
constexpr int FL_MODE_COUNT = sizeof(FL_MODE_NAMES) / sizeof(FL_MODE_NAMES[0]);

bool FL_isMode(int iMode)
{
    return iMode >= 0 && iMode < FL_MODE_COUNT;
}

std::string FL_translatedName(int iMode)
{
    return QCoreApplication::translate("Background", FL_MODE_NAMES[iMode]).toUtf8().toStdString();
}

void FL_printVersion()
{
    std::cout << FL_DATA_NAME << " Ver: " << FL_VERSION_0_0 << std::endl;
}

void FL_writeValue(AsciiFileOperator& iStream, const char* iKey, const std::string& iValue)
{
    iStream << AsciiFileOperator::getHeader(iKey) << endl;
    iStream << iValue << endl;
}

// The line after the header line of iKey; a missing header, or a file that ends before the
// value line, fails with "Header: <key> is not found.".
bool FL_readValueLine(AsciiFileOperator& iStream, const char* iKey, std::string* oLine, std::string& iErrorMessage)
{
    if (AsciiFileOperator::isHeader(iStream.readLine(), iKey)) {
        *oLine = iStream.readLine();
        if (!(oLine->empty() && iStream.atEnd()))
            return true;
    }
    iErrorMessage = std::string("Header: ") + iKey + " is not found.";
    return false;
}

void FL_color(const Color& iColor)
{
    glColor3f(iColor.red / 255.0f, iColor.green / 255.0f, iColor.blue / 255.0f);
}

} // namespace

Background::Background(QObject* iParent) : QObject(iParent) {}

Background::~Background() = default;

void Background::setRenderingMode(Background::RenderingMode iMode)
{
    if (iMode == mRenderingMode)
        return;
    mRenderingMode = iMode;
    emit changedValue();
}

void Background::setColor1(Color iColor)
{
    if (iColor == mColor1)
        return;
    mColor1 = iColor;
    emit changedValue();
}

void Background::setColor2(Color iColor)
{
    if (iColor == mColor2)
        return;
    mColor2 = iColor;
    emit changedValue();
}

std::string Background::toString(RenderingMode iMode)
{
    return FL_translatedName(FL_isMode(iMode) ? iMode : Uniform);
}

Background::RenderingMode Background::toRenderingMode(const std::string& iName)
{
    for (int mode = 0; mode < FL_MODE_COUNT; ++mode)
        if (iName == FL_translatedName(mode))
            return static_cast<RenderingMode>(mode);
    return Uniform;
}

void Background::draw() const
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -1.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    const Color& c1 = mColor1;
    const Color& c2 = mColor2;
    // The per-channel mean, kept in float so that an odd sum keeps its half step.
    const auto midColor = [&c1, &c2]() {
        glColor3f((c1.red + c2.red) * 0.5f / 255.0f, (c1.green + c2.green) * 0.5f / 255.0f,
                  (c1.blue + c2.blue) * 0.5f / 255.0f);
    };

    switch (mRenderingMode) {
    case Uniform:
        glBegin(GL_POLYGON);
        FL_color(c1);
        glVertex2f(-1.0f, 1.0f);
        glVertex2f(1.0f, 1.0f);
        glVertex2f(1.0f, -1.0f);
        glVertex2f(-1.0f, -1.0f);
        glEnd();
        break;
    case GradientTopToBottom:
        glBegin(GL_POLYGON);
        FL_color(c1);
        glVertex2f(-1.0f, 1.0f);
        glVertex2f(1.0f, 1.0f);
        FL_color(c2);
        glVertex2f(1.0f, -1.0f);
        glVertex2f(-1.0f, -1.0f);
        glEnd();
        break;
    case GradientLeftTopToRightBottom:
        glBegin(GL_POLYGON);
        FL_color(c1);
        glVertex2f(-1.0f, 1.0f);
        midColor();
        glVertex2f(1.0f, 1.0f);
        FL_color(c2);
        glVertex2f(1.0f, -1.0f);
        midColor();
        glVertex2f(-1.0f, -1.0f);
        glEnd();
        break;
    case GradientLeftToRight:
        glBegin(GL_POLYGON);
        FL_color(c1);
        glVertex2f(-1.0f, 1.0f);
        FL_color(c2);
        glVertex2f(1.0f, 1.0f);
        glVertex2f(1.0f, -1.0f);
        FL_color(c1);
        glVertex2f(-1.0f, -1.0f);
        glEnd();
        break;
    case GradientLeftBottomToRightTop:
        glBegin(GL_POLYGON);
        FL_color(c1);
        glVertex2f(-1.0f, -1.0f);
        midColor();
        glVertex2f(-1.0f, 1.0f);
        FL_color(c2);
        glVertex2f(1.0f, 1.0f);
        midColor();
        glVertex2f(1.0f, -1.0f);
        glEnd();
        break;
    case GradientInsideToOutside:
        glBegin(GL_TRIANGLE_FAN);
        FL_color(c1);
        glVertex2f(0.0f, 0.0f);
        FL_color(c2);
        glVertex2f(-1.0f, 1.0f);
        glVertex2f(1.0f, 1.0f);
        glVertex2f(1.0f, -1.0f);
        glVertex2f(-1.0f, -1.0f);
        glVertex2f(-1.0f, 1.0f);
        glEnd();
        break;
    }

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

bool Background::exportParameter(const std::string& iFileName, std::string& iErrorMessage) const
{
    AsciiFileOperator stream;
    if (!stream.openFile(iFileName, false)) {
        iErrorMessage = tr("Cannot open file for writting: ").toStdString() + iFileName;
        return false;
    }
    FL_printVersion();
    saveParameter_Ver0_0(stream, iErrorMessage);
    // A full disk must not pass for a saved background.
    if (!stream.closeFile()) {
        iErrorMessage = tr("Cannot open file for writting: ").toStdString() + iFileName;
        return false;
    }
    return true;
}

bool Background::saveParameter_Ver0_0(AsciiFileOperator& iStream, std::string& /*iErrorMessage*/) const
{
    iStream << FL_DATA_NAME << ' ' << FL_VERSION_0_0 << endl;
    FL_writeValue(iStream, "RenderingMode", AsciiFileOperator::toString(static_cast<int>(mRenderingMode)));
    FL_writeValue(iStream, "Color1", AsciiFileOperator::toString(mColor1));
    FL_writeValue(iStream, "Color2", AsciiFileOperator::toString(mColor2));
    return true;
}

bool Background::initWithTextFile(const std::string& iFileName, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    if (!stream.openFile(iFileName, true)) {
        iErrorMessage = tr("Cannot open file for reading: ").toStdString() + iFileName;
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
        FL_printVersion();
        return loadParameter_Ver0_0(stream, iErrorMessage);
    }
    return false;
}

bool Background::loadParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    std::string modeLine;
    std::string color1Line;
    std::string color2Line;
    if (!FL_readValueLine(iStream, "RenderingMode", &modeLine, iErrorMessage) ||
        !FL_readValueLine(iStream, "Color1", &color1Line, iErrorMessage) ||
        !FL_readValueLine(iStream, "Color2", &color2Line, iErrorMessage))
        return false;
    // The mode selects what draw() paints and what the dialogs show; an unknown one is refused
    // rather than kept as a background that paints nothing.
    const int mode = AsciiFileOperator::toInt(modeLine);
    if (!FL_isMode(mode)) {
        iErrorMessage = "RenderingMode is out of range.";
        return false;
    }
    setRenderingMode(static_cast<RenderingMode>(mode));
    setColor1(AsciiFileOperator::toMyColor(color1Line));
    setColor2(AsciiFileOperator::toMyColor(color2Line));
    return true;
}
