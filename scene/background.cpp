#include "background.h"

#include "asciifileoperator.h"
#include "sectionfile.h"

#include <QCoreApplication>
#include <qopengl.h>

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
    return sectionfile::exportFile(
        iFileName, FL_DATA_NAME, FL_VERSION_0_0, tr("Cannot open file for writting: ").toStdString() + iFileName,
        [&](AsciiFileOperator& iStream) { return saveParameter_Ver0_0(iStream, iErrorMessage); }, iErrorMessage);
}

bool Background::saveParameter_Ver0_0(AsciiFileOperator& iStream, std::string& /*iErrorMessage*/) const
{
    iStream << FL_DATA_NAME << ' ' << FL_VERSION_0_0 << endl;
    sectionfile::writeValue(iStream, "RenderingMode", AsciiFileOperator::toString(static_cast<int>(mRenderingMode)));
    sectionfile::writeValue(iStream, "Color1", AsciiFileOperator::toString(mColor1));
    sectionfile::writeValue(iStream, "Color2", AsciiFileOperator::toString(mColor2));
    return true;
}

bool Background::initWithTextFile(const std::string& iFileName, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    if (sectionfile::openToRead(stream, iFileName, FL_DATA_NAME, {FL_VERSION_0_0},
                                tr("Cannot open file for reading: ").toStdString() + iFileName,
                                tr("File Header Error.").toStdString(), iErrorMessage) == 0)
        return loadParameter_Ver0_0(stream, iErrorMessage);
    return false;
}

bool Background::loadParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    std::string modeLine;
    std::string color1Line;
    std::string color2Line;
    if (!sectionfile::readValueLine(iStream, "RenderingMode", &modeLine, iErrorMessage) ||
        !sectionfile::readValueLine(iStream, "Color1", &color1Line, iErrorMessage) ||
        !sectionfile::readValueLine(iStream, "Color2", &color2Line, iErrorMessage))
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
