#include "object3d.h"

#include <algorithm>
#include <cmath>

namespace {

// The rotation angle convention of the scene: degrees times this over 180.
const double FL_PI = 3.141592;


} // namespace

Object3D::Object3D(QObject* iParent) : QObject(iParent)
{
}

Object3D::~Object3D()
{
    // Taken out of the list first: a child's destroyed() must not find itself listed while
    // the list is walked.
    std::vector<Object3D*> objects;
    objects.swap(mObjects);
    for (Object3D* object : objects)
        delete object;
}

QWidget* Object3D::createUI()
{
    return nullptr;
}

bool Object3D::isErasable() const
{
    return true;
}

bool Object3D::isCrossing(const std::vector<Vector4T<double>>& iPlanes) const
{
    std::vector<Vector3T<double>> points;
    getBoundingPoints(&points);
    if (points.empty())
        return false;
    if (iPlanes.empty())
        return true;
    for (const Vector3T<double>& p : points) {
        bool inside = true;
        for (const Vector4T<double>& plane : iPlanes) {
            if (!(plane.x * p.x + plane.y * p.y + plane.z * p.z <= plane.w)) {
                inside = false;
                break;
            }
        }
        if (inside)
            return true;
    }
    return false;
}

bool Object3D::hasState(State iState) const
{
    return (mState & iState) != 0;
}

bool Object3D::isReportingSelectionState() const
{
    return mReportingSelectionState;
}

const std::string& Object3D::getName() const
{
    return mName;
}

const Matrix4x4T<double>& Object3D::getMatrix() const
{
    return mMatrix;
}

const BoundingBox& Object3D::getBoundingBox() const
{
    return mBoundingBox;
}

const std::string& Object3D::getDataFileName() const
{
    return mDataFileName;
}

void Object3D::getPosition(Vector3T<double>* oPosition) const
{
    oPosition->x = mMatrix(0, 3);
    oPosition->y = mMatrix(1, 3);
    oPosition->z = mMatrix(2, 3);
}

void Object3D::getBoundingPoints(std::vector<Vector3T<double>>* oPoints) const
{
    std::vector<Vector3T<double>> corners;
    if (mObjects.empty()) {
        mBoundingBox.getBoundingPoints(&corners);
        for (const Vector3T<double>& corner : corners)
            oPoints->push_back(mMatrix.transform(corner));
        return;
    }

    Vector3T<float> lo;
    Vector3T<float> hi;
    bool first = true;
    for (const Object3D* object : mObjects) {
        corners.clear();
        object->mBoundingBox.getBoundingPoints(&corners);
        for (const Vector3T<double>& corner : corners) {
            const Vector3T<float> p(object->mMatrix.transform(corner));
            if (first) {
                lo = p;
                hi = p;
                first = false;
                continue;
            }
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], p[a]);
                hi[a] = std::max(hi[a], p[a]);
            }
        }
    }
    const Vector3T<double> l(lo);
    const Vector3T<double> h(hi);
    const Vector3T<double> box[8] = {{l.x, l.y, l.z}, {h.x, l.y, l.z}, {h.x, h.y, l.z}, {l.x, h.y, l.z},
                                     {l.x, l.y, h.z}, {h.x, l.y, h.z}, {h.x, h.y, h.z}, {l.x, h.y, h.z}};
    for (const Vector3T<double>& corner : box)
        oPoints->push_back(mMatrix.transform(corner));
}

unsigned int Object3D::getObjectSetSize() const
{
    return static_cast<unsigned int>(mObjects.size());
}

int Object3D::getIndex(const Object3D* iObject) const
{
    const auto it = std::find(mObjects.begin(), mObjects.end(), iObject);
    return it == mObjects.end() ? -1 : static_cast<int>(it - mObjects.begin());
}

Object3D* Object3D::getObject(int iIndex) const
{
    if (iIndex < 0 || static_cast<std::size_t>(iIndex) >= mObjects.size())
        return nullptr;
    return mObjects[static_cast<std::size_t>(iIndex)];
}

void Object3D::emitStateSignal(State iState)
{
    switch (iState) {
    case Selected:
        emit changedState_Selected();
        break;
    case Highlight:
        emit changedState_Highlight();
        break;
    case Visible:
        emit changedState_Visible();
        break;
    }
    reportValue((iState & Visible) == 0);
}

void Object3D::reportValue(bool iSelectionStateOnly)
{
    // Restored afterwards: a listener may report another change from inside this one.
    const bool outer = mReportingSelectionState;
    mReportingSelectionState = iSelectionStateOnly;
    emit changedValue();
    mReportingSelectionState = outer;
}

void Object3D::enableState(Object3D::State iState)
{
    if (hasState(iState))
        return;
    mState = static_cast<unsigned char>(mState | iState);
    emitStateSignal(iState);
}

void Object3D::disableState(Object3D::State iState)
{
    if (!hasState(iState))
        return;
    mState = static_cast<unsigned char>(mState & ~iState);
    emitStateSignal(iState);
}

void Object3D::setState(Object3D::State iState, bool iVisible)
{
    if (iVisible)
        enableState(iState);
    else
        disableState(iState);
}

void Object3D::setName(std::string iName)
{
    if (iName == mName)
        return;
    mName = std::move(iName);
    emit changedName();
    reportValue(false);
}

void Object3D::setMatrix(Matrix4x4T<double> iMatrix)
{
    // Element-wise !=, so a NaN on either side counts as a change.
    if (!(iMatrix != mMatrix))
        return;
    mMatrix = iMatrix;
    emit changedMatrix();
    reportValue(false);
}

void Object3D::setPosition(const Vector3T<double>& iPosition)
{
    Matrix4x4T<double> matrix = mMatrix;
    matrix(0, 3) = iPosition.x;
    matrix(1, 3) = iPosition.y;
    matrix(2, 3) = iPosition.z;
    matrix(3, 3) = 1.0;
    setMatrix(matrix);
}

void Object3D::translate(const Vector3T<double>& iTranslation)
{
    if (iTranslation.dot(iTranslation) == 0.0)
        return;
    Matrix4x4T<double> matrix = mMatrix;
    matrix(0, 3) += iTranslation.x;
    matrix(1, 3) += iTranslation.y;
    matrix(2, 3) += iTranslation.z;
    matrix(3, 3) = 1.0;
    setMatrix(matrix);
}

void Object3D::rotate(const Vector3T<double>& iAxis, double iDegree)
{
    if (iAxis.dot(iAxis) == 0.0 || iDegree == 0.0)
        return;
    setMatrix(mMatrix * getRotationMatrix(iAxis, iDegree / 180.0 * FL_PI));
}

void Object3D::setBoundingBox(const BoundingBox& iSource)
{
    if (iSource == mBoundingBox)
        return;
    mBoundingBox = iSource;
    emit changedBoudingBox();
    reportValue(false);
}

void Object3D::setDataFileName(const std::string& iFileName)
{
    if (iFileName == mDataFileName)
        return;
    mDataFileName = iFileName;
    emit changedDataFileName();
    reportValue(false);
}

void Object3D::addNewObject(Object3D* iObject)
{
    // A second entry of one child would free it twice; the object itself would free itself.
    if (!iObject || iObject == this || getIndex(iObject) >= 0)
        return;
    mObjects.push_back(iObject);
    // Relayed as this object's change, of the kind the child reported.
    connect(iObject, &Object3D::changedValue, this,
            [this, iObject]() { reportValue(iObject->isReportingSelectionState()); });
    connect(iObject, &QObject::destroyed, this, [this, iObject]() { forgetObject(iObject); });
    emit changedStructure();
    reportValue(false);
}

void Object3D::deleteObject(Object3D* iObject)
{
    const auto it = std::find(mObjects.begin(), mObjects.end(), iObject);
    if (it == mObjects.end())
        return;
    mObjects.erase(it);
    delete iObject;
    emit changedStructure();
    reportValue(false);
}

void Object3D::clearObject()
{
    std::vector<Object3D*> objects;
    objects.swap(mObjects);
    for (Object3D* object : objects)
        delete object;
    emit changedStructure();
    reportValue(false);
}

void Object3D::forgetObject(Object3D* iObject)
{
    const auto it = std::find(mObjects.begin(), mObjects.end(), iObject);
    if (it == mObjects.end())
        return;
    mObjects.erase(it);
    emit changedStructure();
    reportValue(false);
}
