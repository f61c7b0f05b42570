#ifndef COMMUNICATION_COMMENT_H
#define COMMUNICATION_COMMENT_H

#include "object3d.h"
#include "vector3.h"

#include <string>
#include <vector>

class Camera;
class QPaintDevice;
struct CommentParameter;

// A note pinned to a point of the scene: the title is the object's name, the text lines are
// shown in a label image at the anchor, one unit further along each axis than the point, and
// a leader line joins point and anchor. The scene renders the label into the three label
// fields whenever the image is empty; the comment only draws what is stored there.
class Comment : public Object3D
{
    Q_OBJECT

public:
    explicit Comment(Object3D* iParent = nullptr);

    // Null for an empty title; otherwise a new comment without parent, owned by the caller.
    static Comment* create(Vector3T<double> iPoint, std::string iTitle, std::vector<std::string> iText);

    // Point, anchor, text, name and bounding box at once; the label image is emptied so that
    // it is rendered again. Accepts an empty title. Emits changedValue() once.
    void set(Vector3T<double> iPoint, std::string iTitle, std::vector<std::string> iText);

    std::vector<std::string> getText() const;
    Vector3T<double> getPoint() const;
    Vector3T<double> getLabelPoint() const;

    // The leader line, unless the point lies outside the depth range of the current frame.
    void draw3DPart(const CommentParameter& iPara, const Camera& iCamera) const;
    // The stored label image at the anchor.
    void draw2DPart(QPaintDevice* iQPaintDevice, const CommentParameter& iPara, const Camera& iCamera) const;

    QWidget* createUI() override;

    // Rendered label: labelWidth × labelHeight RGBA pixels, bottom row first; empty when it
    // must be rendered again (width and height then mean nothing).
    std::vector<unsigned char> labelImage;
    int labelWidth = 0;
    int labelHeight = 0;

private:
    Vector3T<double> mPoint;
    Vector3T<double> mLabelPoint;
    std::vector<std::string> mText;
};

#endif
