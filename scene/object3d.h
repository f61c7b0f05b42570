#ifndef SCENE_OBJECT3D_H
#define SCENE_OBJECT3D_H

#include "boundingbox.h"
#include "matrix4x4.h"
#include "vector3.h"

#include <QObject>

#include <string>
#include <vector>

class QWidget;

// Base of every scene object and manager: state bits, name, placement matrix, bounding box in
// the object's own coordinates, data file name and a list of owned children. Setters report a
// real change through their own signal and then changedValue(), and are silent otherwise.
// GUI thread only.
class Object3D : public QObject
{
    Q_OBJECT

public:
    enum State : unsigned char
    {
        Selected = 1,
        Visible = 2,
        Highlight = 4
    };

    explicit Object3D(QObject* iParent = nullptr);
    // Destroys the children still listed.
    ~Object3D() override;

    // A new panel that edits the object, owned by the caller; none here.
    virtual QWidget* createUI();
    virtual bool isErasable() const;
    // Whether a bounding point lies on the inner side (a·x + b·y + c·z <= d) of every plane.
    virtual bool isCrossing(const std::vector<Vector4T<double>>& iPlanes) const;

    // True when any bit of iState is set.
    bool hasState(State iState) const;
    // True while the changedValue() going out reports only a Selected or Highlight change, of
    // this object or of a child relayed through it. Neither alters the picking passes.
    bool isReportingSelectionState() const;
    const std::string& getName() const;
    const Matrix4x4T<double>& getMatrix() const;
    const BoundingBox& getBoundingBox() const;
    const std::string& getDataFileName() const;
    void getPosition(Vector3T<double>* oPosition) const;

    // Appends eight points in scene coordinates: the corners of the own box, or, with
    // children, of the box round the children's placed boxes.
    void getBoundingPoints(std::vector<Vector3T<double>>* oPoints) const;

    unsigned int getObjectSetSize() const;
    // -1 when iObject is not a child.
    int getIndex(const Object3D* iObject) const;
    // Null when iIndex is out of range.
    Object3D* getObject(int iIndex) const;

signals:
    void changedValue();
    void changedState_Visible();
    void changedState_Selected();
    void changedState_Highlight();
    void changedName();
    void changedMatrix();
    void changedBoudingBox();
    void changedDataFileName();
    void changedStructure();

public slots:
    void enableState(Object3D::State iState);
    void disableState(Object3D::State iState);
    void setState(Object3D::State iState, bool iVisible);
    void setName(std::string iName);
    void setMatrix(Matrix4x4T<double> iMatrix);
    void setPosition(const Vector3T<double>& iPosition);
    // Along the scene axes.
    void translate(const Vector3T<double>& iTranslation);
    // About iAxis (not normalised) through the own origin, in the own coordinates.
    void rotate(const Vector3T<double>& iAxis, double iDegree);
    void setBoundingBox(const BoundingBox& iSource);
    void setDataFileName(const std::string& iFileName);
    // Takes ownership; null, the object itself and a child already listed are ignored.
    void addNewObject(Object3D* iObject);
    // Destroys a listed child; anything else is ignored.
    void deleteObject(Object3D* iObject);
    void clearObject();

private:
    void emitStateSignal(State iState);
    // Emits changedValue(), told as selection-only or not for isReportingSelectionState().
    void reportValue(bool iSelectionStateOnly);
    // Drops a child that was destroyed by someone else, so that it is not freed again.
    void forgetObject(Object3D* iObject);

    unsigned char mState = Visible;
    bool mReportingSelectionState = false;
    std::string mName;
    Matrix4x4T<double> mMatrix;
    BoundingBox mBoundingBox;
    std::string mDataFileName;
    std::vector<Object3D*> mObjects;
};

#endif
