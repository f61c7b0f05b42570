#include "comment.h"

#include "camera.h"
#include "commentmanager.h"

#include <QSignalBlocker>
#include <qopengl.h>

#include <utility>

Comment::Comment(Object3D* iParent) : Object3D(iParent)
{
}

Comment* Comment::create(Vector3T<double> iPoint, std::string iTitle, std::vector<std::string> iText)
{
    if (iTitle.empty())
        return nullptr;
    Comment* comment = new Comment(nullptr);
    comment->set(iPoint, std::move(iTitle), std::move(iText));
    return comment;
}

void Comment::set(Vector3T<double> iPoint, std::string iTitle, std::vector<std::string> iText)
{
    mPoint = iPoint;
    mLabelPoint = iPoint + Vector3T<double>(1.0, 1.0, 1.0);
    mText = std::move(iText);

    BoundingBox box;
    box.init({mPoint, mLabelPoint});
    const bool nameChanged = iTitle != getName();
    const bool boxChanged = box != getBoundingBox();
    {
        // One changedValue() for the whole edit; the specific signals still go out below.
        const QSignalBlocker blocker(this);
        setName(std::move(iTitle));
        setBoundingBox(box);
    }
    if (nameChanged)
        emit changedName();
    if (boxChanged)
        emit changedBoudingBox();

    labelImage.clear();
    emit changedValue();
}

std::vector<std::string> Comment::getText() const
{
    return mText;
}

Vector3T<double> Comment::getPoint() const
{
    return mPoint;
}

Vector3T<double> Comment::getLabelPoint() const
{
    return mLabelPoint;
}

void Comment::draw3DPart(const CommentParameter& iPara, const Camera& iCamera) const
{
    if (!hasState(Visible))
        return;
    const Vector3T<double> device = iCamera.convertValueFromModelToGLDevice(mPoint);
    if (device.z < 0.0 || device.z > 1.0)
        return;
    glColor4ub(iPara.lineColor.red, iPara.lineColor.green, iPara.lineColor.blue, iPara.lineColor.alpha);
    glLineWidth(static_cast<GLfloat>(iPara.lineWidth));
    glBegin(GL_LINES);
    glVertex3d(mPoint.x, mPoint.y, mPoint.z);
    glVertex3d(mLabelPoint.x, mLabelPoint.y, mLabelPoint.z);
    glEnd();
}

void Comment::draw2DPart(QPaintDevice* /*iQPaintDevice*/, const CommentParameter& /*iPara*/,
                         const Camera& /*iCamera*/) const
{
    if (!hasState(Visible) || labelImage.empty())
        return;
    // The fields are written from outside: an image shorter than its stated size would make
    // glDrawPixels read past its end.
    if (labelWidth <= 0 || labelHeight <= 0 ||
        labelImage.size() / 4 / static_cast<std::size_t>(labelWidth) < static_cast<std::size_t>(labelHeight))
        return;
    glRasterPos3d(mLabelPoint.x, mLabelPoint.y, mLabelPoint.z);
    glDrawPixels(labelWidth, labelHeight, GL_RGBA, GL_UNSIGNED_BYTE, labelImage.data());
}

