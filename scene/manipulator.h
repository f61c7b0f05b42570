#ifndef SCENE_MANIPULATOR_H
#define SCENE_MANIPULATOR_H

#include "color.h"
#include "matrix4x4.h"
#include "sceneparameter.h"
#include "vector3.h"

#include <QObject>

// The on-screen gizmo that moves and turns the selected objects: axis lines for translation
// along the world axes and rings for rotation, drawn at its own place. Not a scene object.
class Manipulator : public QObject
{
    Q_OBJECT

public:
    // Handle numbers; they are also the manipulator's picking IDs.
    enum Handle : int
    {
        TranslateX = 0,
        TranslateY = 1,
        TranslateZ = 2,
        RotateX = 3,
        RotateY = 4,
        RotateZ = 5,
        NoHandle = 6
    };

    explicit Manipulator(QObject* iParent = nullptr);

    bool isVisible() const;
    const Matrix4x4T<double>& getMatrix() const;

    // Rings, then axes, in the colours of the draw pass; ignores the visible flag.
    void draw(int iLineWidth, const SceneParameter& iParameter) const;
    void drawXYZAxis(int iLineWidth, const Color& iX, const Color& iY, const Color& iZ) const;
    void drawXYZRing(int iLineWidth, const Color& iX, const Color& iY, const Color& iZ) const;

    // Under the pointer or being dragged; set directly by the mouse operations.
    int activeHandle = NoHandle;

public slots:
    void setVisible(bool iVisible);
    void setMatrix(const Matrix4x4T<double>& iMatrix);
    // Along the world axes; emits translated() for every non-zero vector.
    void translate(const Vector3T<double>& iTranslation);
    // About iAxis (not normalised) in the manipulator's own frame, keeping its place; emits
    // rotated() for every non-zero axis.
    void rotate(const Vector3T<double>& iAxis, double iDegree);

signals:
    void changedVisible(bool iVisible);
    void changedMatrix();
    void translated(const Vector3T<double>& iTranslation);
    void rotated(const Vector3T<double>& iAxis, double iDegree);

private:
    bool mVisible = false;
    Matrix4x4T<double> mMatrix;
};

#endif
