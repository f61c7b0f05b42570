#include "clipbox.h"

#include "asciifileoperator.h"
#include "sectionfile.h"

#include <qopengl.h>

#include <cmath>

namespace {

const char* const FL_DATA_NAME = "ClipBoxData";
const char* const FL_VERSION_0_0 = "0.0";

// Corners of the unit cube and its faces, each wound counter-clockwise seen from outside:
// two faces across x, two across y, two across z.
const float FL_CORNERS[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
const int FL_FACES[6][4] = {{4, 7, 3, 0}, {1, 2, 6, 5}, {0, 1, 5, 4}, {7, 6, 2, 3}, {3, 2, 1, 0}, {4, 5, 6, 7}};

void FL_setColor(const Color& iColor)
{
    glColor4ub(iColor.red, iColor.green, iColor.blue, iColor.alpha);
}

void FL_drawFace(int iFace, GLenum iMode)
{
    glBegin(iMode);
    for (int corner : FL_FACES[iFace])
        glVertex3fv(FL_CORNERS[corner]);
    glEnd();
}

// Face alpha of a clarity in percent; clarities outside 0 to 100 (the setter and the file take
// any value) stay within the byte.
unsigned char FL_getAlpha(float iClarity)
{
    const float alpha = std::trunc((100.0f - iClarity) * 255.0f / 100.0f);
    if (!(alpha > 0.0f))
        return 0;
    if (alpha > 255.0f)
        return 255;
    return static_cast<unsigned char>(alpha);
}

} // namespace

ClipBox::ClipBox(QObject* iParent) : Object3D(iParent)
{
    disableState(Visible);
    setEnable(false);
    setScale(Vector3T<double>(0.5, 0.5, 0.5));
    setClarity(80.0f);
}

bool ClipBox::isErasable() const
{
    return false;
}

void ClipBox::setEnable(bool iEnable)
{
    if (iEnable == enable)
        return;
    enable = iEnable;
    emit changedValue();
}

void ClipBox::setClarity(float iClarity)
{
    if (iClarity == clarity)
        return;
    clarity = iClarity;
    emit changedValue();
}

void ClipBox::setScale(const Vector3T<double>& iScale)
{
    if (iScale == scale)
        return;
    scale = iScale;
    // The bounding box follows the scale. Its setter already reports the change with
    // changedValue(); a second one would only repaint twice.
    const BoundingBox box(getBoundingBox().getCenter(), scale);
    if (box != getBoundingBox())
        setBoundingBox(box);
    else
        emit changedValue();
}

void ClipBox::getPlanes(std::vector<Vector4T<double>>* oPlanes) const
{
    const Matrix4x4T<double>& m = getMatrix();
    const Vector3T<double> t(m(0, 3), m(1, 3), m(2, 3));
    for (int axis = 0; axis < 3; ++axis) {
        const Vector3T<double> a(m(0, axis), m(1, axis), m(2, axis));
        const double s = static_cast<double>(static_cast<float>(scale[axis]));
        const double at = a.dot(t);
        oPlanes->emplace_back(a.x, a.y, a.z, s - at);
        oPlanes->emplace_back(-a.x, -a.y, -a.z, s + at);
    }
}

void ClipBox::beginClip() const
{
    std::vector<Vector4T<double>> planes;
    getPlanes(&planes);
    for (int i = 0; i < 6; ++i) {
        const GLdouble equation[4] = {planes[i].x, planes[i].y, planes[i].z, planes[i].w};
        glEnable(GL_CLIP_PLANE0 + i);
        glClipPlane(GL_CLIP_PLANE0 + i, equation);
    }
}

void ClipBox::endClip() const
{
    for (int i = 0; i < 6; ++i)
        glDisable(GL_CLIP_PLANE0 + i);
}

void ClipBox::draw(int iLineWidth, const SceneParameter& iParameter) const
{
    if (!hasState(Visible))
        return;

    Color edge;
    Color faces[3];
    const bool normalPass =
        iParameter.drawPass != SceneParameter::ObjectIDPass && iParameter.drawPass != SceneParameter::ObjectTypePass;
    if (iParameter.drawPass == SceneParameter::ObjectIDPass) {
        edge = Color(0, 0, 0, 0); // the one clip box has ID 0
        faces[0] = faces[1] = faces[2] = edge;
    } else if (iParameter.drawPass == SceneParameter::ObjectTypePass) {
        edge = Color(5, 0, 0, 0); // the clip box's object type
        faces[0] = faces[1] = faces[2] = edge;
    } else {
        const unsigned char alpha = FL_getAlpha(clarity);
        edge = Color(0, 0, 0, 255);
        faces[0] = Color(255, 0, 0, alpha);
        faces[1] = Color(0, 255, 0, alpha);
        faces[2] = Color(0, 0, 255, alpha);
    }

    glPushMatrix();
    GLfloat matrix[16];
    const Matrix4x4T<double>& m = getMatrix();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            matrix[4 * c + r] = static_cast<GLfloat>(m(r, c));
    glMultMatrixf(matrix);
    glScalef(static_cast<GLfloat>(scale.x), static_cast<GLfloat>(scale.y), static_cast<GLfloat>(scale.z));

    if (normalPass) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    glLineWidth(static_cast<GLfloat>(iLineWidth));
    FL_setColor(edge);
    for (int face = 0; face < 6; ++face)
        FL_drawFace(face, GL_LINE_LOOP);

    // Only the faces turned towards the viewer are filled.
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    for (int face = 0; face < 6; ++face) {
        FL_setColor(faces[face / 2]);
        FL_drawFace(face, GL_POLYGON);
    }
    glDisable(GL_CULL_FACE);

    if (normalPass)
        glDisable(GL_BLEND);
    glPopMatrix();
}

bool ClipBox::exportParameter(const std::string& iFilePath, std::string& iErrorMessage) const
{
    return sectionfile::exportFile(
        iFilePath, FL_DATA_NAME, FL_VERSION_0_0, tr("Cannot open file for writting: ").toStdString() + iFilePath,
        [&](AsciiFileOperator& iStream) { return saveParameter_Ver0_0(iStream, iErrorMessage); }, iErrorMessage);
}

bool ClipBox::saveParameter_Ver0_0(AsciiFileOperator& iStream, std::string& /*iErrorMessage*/) const
{
    const Matrix4x4T<double>& m = getMatrix();
    iStream << FL_DATA_NAME << ' ' << FL_VERSION_0_0 << endl;
    sectionfile::writeValue(iStream, "Visible", AsciiFileOperator::toString(hasState(Visible)));
    sectionfile::writeValue(iStream, "Enable", AsciiFileOperator::toString(enable));
    sectionfile::writeValue(iStream, "Scale", AsciiFileOperator::toString(scale));
    sectionfile::writeValue(iStream, "Translation",
                            AsciiFileOperator::toString(Vector3T<double>(m(0, 3), m(1, 3), m(2, 3))));
    iStream << AsciiFileOperator::getHeader("Attribute") << endl;
    for (int r = 0; r < 3; ++r)
        iStream << AsciiFileOperator::toString(Vector3T<double>(m(r, 0), m(r, 1), m(r, 2))) << endl;
    sectionfile::writeValue(iStream, "Clarity", AsciiFileOperator::toString(clarity));
    return true;
}

bool ClipBox::initWithTextFile(const std::string& iFilePath, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    if (sectionfile::openToRead(stream, iFilePath, FL_DATA_NAME, {FL_VERSION_0_0},
                                tr("Cannot open file for reading: ").toStdString() + iFilePath,
                                tr("File Header Error.").toStdString(), iErrorMessage) == 0)
        return loadParameter_Ver0_0(stream, iErrorMessage);
    return false;
}

bool ClipBox::loadParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    std::string visible;
    std::string enableLine;
    std::string scaleLine;
    std::string translation;
    std::string attribute[3];
    std::string clarityLine;
    if (!sectionfile::readValueLine(iStream, "Visible", &visible, iErrorMessage) ||
        !sectionfile::readValueLine(iStream, "Enable", &enableLine, iErrorMessage) ||
        !sectionfile::readValueLine(iStream, "Scale", &scaleLine, iErrorMessage) ||
        !sectionfile::readValueLine(iStream, "Translation", &translation, iErrorMessage) ||
        !sectionfile::readValueLines(iStream, "Attribute", attribute, 3, iErrorMessage) ||
        !sectionfile::readValueLine(iStream, "Clarity", &clarityLine, iErrorMessage))
        return false;

    const Vector3T<double> t = sectionfile::toVector(translation);
    Matrix4x4T<double> matrix;
    for (int r = 0; r < 3; ++r) {
        const Vector3T<double> row = sectionfile::toVector(attribute[r]);
        matrix(r, 0) = row.x;
        matrix(r, 1) = row.y;
        matrix(r, 2) = row.z;
        matrix(r, 3) = t[r];
    }

    setState(Visible, AsciiFileOperator::toBoolean(visible));
    setEnable(AsciiFileOperator::toBoolean(enableLine));
    setScale(sectionfile::toVector(scaleLine));
    setMatrix(matrix);
    setClarity(AsciiFileOperator::toFloat(clarityLine));
    return true;
}
