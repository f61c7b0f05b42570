#include "manipulator.h"

#include <qopengl.h>

#include <cmath>

namespace {

const double FL_PI = 3.141592;
const int FL_RING_POINTS = 72;
const float FL_GUIDE_LENGTH = 1000.0f;


void FL_setColor(const Color& iColor)
{
    glColor4ub(iColor.red, iColor.green, iColor.blue, iColor.alpha);
}

void FL_drawLine(float iX0, float iY0, float iZ0, float iX1, float iY1, float iZ1)
{
    glBegin(GL_LINES);
    glVertex3f(iX0, iY0, iZ0);
    glVertex3f(iX1, iY1, iZ1);
    glEnd();
}

} // namespace

Manipulator::Manipulator(QObject* iParent) : QObject(iParent)
{
}

bool Manipulator::isVisible() const
{
    return mVisible;
}

const Matrix4x4T<double>& Manipulator::getMatrix() const
{
    return mMatrix;
}

void Manipulator::setVisible(bool iVisible)
{
    if (iVisible == mVisible)
        return;
    mVisible = iVisible;
    emit changedVisible(mVisible);
}

void Manipulator::setMatrix(const Matrix4x4T<double>& iMatrix)
{
    // Element-wise !=, so a NaN on either side counts as a change.
    if (!(iMatrix != mMatrix))
        return;
    mMatrix = iMatrix;
    emit changedMatrix();
}

void Manipulator::translate(const Vector3T<double>& iTranslation)
{
    if (iTranslation.dot(iTranslation) == 0.0)
        return;
    Matrix4x4T<double> matrix = mMatrix;
    matrix(0, 3) += iTranslation.x;
    matrix(1, 3) += iTranslation.y;
    matrix(2, 3) += iTranslation.z;
    matrix(3, 3) = 1.0;
    setMatrix(matrix);
    emit translated(iTranslation);
}

void Manipulator::rotate(const Vector3T<double>& iAxis, double iDegree)
{
    if (iAxis.dot(iAxis) == 0.0)
        return;
    setMatrix(mMatrix * getRotationMatrix(iAxis, iDegree / 180.0 * FL_PI));
    emit rotated(iAxis, iDegree);
}

void Manipulator::draw(int iLineWidth, const SceneParameter& iParameter) const
{
    Color ringX, ringY, ringZ, axisX, axisY, axisZ;
    if (iParameter.drawPass == SceneParameter::ObjectIDPass) {
        ringX = Color(RotateX, 0, 0, 0);
        ringY = Color(RotateY, 0, 0, 0);
        ringZ = Color(RotateZ, 0, 0, 0);
        axisX = Color(TranslateX, 0, 0, 0);
        axisY = Color(TranslateY, 0, 0, 0);
        axisZ = Color(TranslateZ, 0, 0, 0);
    } else if (iParameter.drawPass == SceneParameter::ObjectTypePass) {
        const Color type(4, 0, 0, 0); // the manipulator's object type
        ringX = ringY = ringZ = axisX = axisY = axisZ = type;
    } else {
        // The active handle is drawn lighter.
        auto light = [this](int iHandle) -> unsigned char { return activeHandle == iHandle ? 155 : 0; };
        ringX = Color(255, light(RotateX), light(RotateX), 255);
        ringY = Color(light(RotateY), 255, light(RotateY), 255);
        ringZ = Color(light(RotateZ), light(RotateZ), 255, 255);
        axisX = Color(255, light(TranslateX), light(TranslateX), 255);
        axisY = Color(light(TranslateY), 255, light(TranslateY), 255);
        axisZ = Color(light(TranslateZ), light(TranslateZ), 255, 255);
    }
    drawXYZRing(iLineWidth, ringX, ringY, ringZ);
    drawXYZAxis(iLineWidth, axisX, axisY, axisZ);
}

void Manipulator::drawXYZAxis(int iLineWidth, const Color& iX, const Color& iY, const Color& iZ) const
{
    glPushMatrix();
    // Only the place: the axes stay parallel to the world axes.
    glTranslated(mMatrix(0, 3), mMatrix(1, 3), mMatrix(2, 3));

    glLineWidth(static_cast<GLfloat>(iLineWidth));
    FL_setColor(iX);
    FL_drawLine(-1, 0, 0, 1, 0, 0);
    FL_setColor(iY);
    FL_drawLine(0, -1, 0, 0, 1, 0);
    FL_setColor(iZ);
    FL_drawLine(0, 0, -1, 0, 0, 1);

    glLineWidth(static_cast<GLfloat>(iLineWidth * 0.5));
    const float g = FL_GUIDE_LENGTH;
    switch (activeHandle) {
    case TranslateX:
        FL_setColor(iX);
        FL_drawLine(-g, 0, 0, g, 0, 0);
        break;
    case TranslateY:
        FL_setColor(iY);
        FL_drawLine(0, -g, 0, 0, g, 0);
        break;
    case TranslateZ:
        FL_setColor(iZ);
        FL_drawLine(0, 0, -g, 0, 0, g);
        break;
    default:
        break;
    }
    glPopMatrix();
}

void Manipulator::drawXYZRing(int iLineWidth, const Color& iX, const Color& iY, const Color& iZ) const
{
    glPushMatrix();
    // The whole matrix: the rings turn with the manipulator.
    GLfloat matrix[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            matrix[4 * c + r] = static_cast<GLfloat>(mMatrix(r, c));
    glMultMatrixf(matrix);

    float cosines[FL_RING_POINTS];
    float sines[FL_RING_POINTS];
    for (int i = 0; i < FL_RING_POINTS; ++i) {
        const float theta = static_cast<float>(i) * 5.0f / 180.0f * static_cast<float>(FL_PI);
        cosines[i] = std::cos(theta);
        sines[i] = std::sin(theta);
    }

    glLineWidth(static_cast<GLfloat>(iLineWidth));
    FL_setColor(iX);
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < FL_RING_POINTS; ++i)
        glVertex3f(0.0f, cosines[i], sines[i]);
    glEnd();
    FL_setColor(iY);
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < FL_RING_POINTS; ++i)
        glVertex3f(sines[i], 0.0f, cosines[i]);
    glEnd();
    FL_setColor(iZ);
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < FL_RING_POINTS; ++i)
        glVertex3f(cosines[i], sines[i], 0.0f);
    glEnd();

    // Guide lines along the two axes that span the active ring's plane.
    glLineWidth(static_cast<GLfloat>(iLineWidth * 0.5));
    const float g = FL_GUIDE_LENGTH;
    switch (activeHandle) {
    case RotateX:
        FL_setColor(iX);
        FL_drawLine(0, -g, 0, 0, g, 0);
        FL_drawLine(0, 0, -g, 0, 0, g);
        break;
    case RotateY:
        FL_setColor(iY);
        FL_drawLine(-g, 0, 0, g, 0, 0);
        FL_drawLine(0, 0, -g, 0, 0, g);
        break;
    case RotateZ:
        FL_setColor(iZ);
        FL_drawLine(-g, 0, 0, g, 0, 0);
        FL_drawLine(0, -g, 0, 0, g, 0);
        break;
    default:
        break;
    }
    glPopMatrix();
}
