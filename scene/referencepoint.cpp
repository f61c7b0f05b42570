#include "referencepoint.h"

#include <qopengl.h>

ReferencePointManager::ReferencePointManager(QObject* iParent) : QObject(iParent)
{
}

ReferencePointManager::~ReferencePointManager() = default;

const Vector3T<double>* ReferencePointManager::getPreviewPoint() const
{
    return mPreviewPoint.get();
}

void ReferencePointManager::enablePreviewPoint(const Vector3T<double>& iPoint)
{
    if (!mPreviewPoint)
        mPreviewPoint = std::make_unique<Vector3T<double>>();
    *mPreviewPoint = iPoint;
    emit changedStructure();
}

void ReferencePointManager::disablePreviewPoint()
{
    mPreviewPoint.reset();
    emit changedStructure();
}

void ReferencePointManager::addNewReferencePoint(const Vector3T<double>& iPoint)
{
    if (pointLimit != 0 && referencePoints.size() >= pointLimit)
        return;
    referencePoints.push_back(iPoint);
    emit changedStructure();
}

void ReferencePointManager::deleteReferencePointLast()
{
    if (referencePoints.empty())
        return;
    referencePoints.pop_back();
    emit changedStructure();
}

void ReferencePointManager::deleteReferencePointALL()
{
    if (referencePoints.empty())
        return;
    referencePoints.clear();
    emit changedStructure();
}

void ReferencePointManager::draw(int iPointSize, int iLineWidth) const
{
    glPointSize(static_cast<GLfloat>(iPointSize));
    glColor3ub(0, 255, 0);
    glBegin(GL_POINTS);
    for (const Vector3T<double>& p : referencePoints)
        glVertex3d(p.x, p.y, p.z);
    glEnd();

    glLineWidth(static_cast<GLfloat>(iLineWidth));
    glColor3ub(100, 255, 100);
    glBegin(GL_LINE_STRIP);
    for (const Vector3T<double>& p : referencePoints)
        glVertex3d(p.x, p.y, p.z);
    glEnd();

    if (!mPreviewPoint)
        return;
    const Vector3T<double>& preview = *mPreviewPoint;
    glPointSize(static_cast<GLfloat>(iPointSize));
    glColor3ub(100, 255, 100);
    glBegin(GL_POINTS);
    glVertex3d(preview.x, preview.y, preview.z);
    glEnd();

    if (referencePoints.empty())
        return;
    const Vector3T<double>& last = referencePoints.back();
    glLineWidth(static_cast<GLfloat>(iLineWidth));
    glColor3ub(200, 255, 200);
    glBegin(GL_LINE_STRIP);
    glVertex3d(last.x, last.y, last.z);
    glVertex3d(preview.x, preview.y, preview.z);
    glEnd();
}
