#ifndef SCENE_CLIPBOX_H
#define SCENE_CLIPBOX_H

#include "object3d.h"
#include "sceneparameter.h"

#include <string>
#include <vector>

class AsciiFileOperator;

// The box that cuts the scene down to what lies inside it: placed and turned by the object
// matrix, reaching from minus to plus the scale along each of its own axes. The fields are
// read directly; writes go through the setters so that changes are reported.
class ClipBox : public Object3D
{
    Q_OBJECT

public:
    explicit ClipBox(QObject* iParent = nullptr);

    // A new ClipBoxForm bound to this box, owned by the caller. Defined with the form in the
    // dialogs library.
    QWidget* createUI() override;
    bool isErasable() const override;

    // Appends six planes (a, b, c, d) keeping the points with a·x + b·y + c·z + d >= 0, in
    // the coordinates of the box's matrix.
    void getPlanes(std::vector<Vector4T<double>>* oPlanes) const;
    // GL clip planes 0 to 5; the enable flag is the caller's business.
    void beginClip() const;
    void endClip() const;
    // Translucent faces with black edges, or the picking colours; nothing while hidden.
    void draw(int iLineWidth, const SceneParameter& iParameter) const;

    // The clip box file "ClipBoxData" 0.0.
    bool exportParameter(const std::string& iFilePath, std::string& iErrorMessage) const;
    bool initWithTextFile(const std::string& iFilePath, std::string& iErrorMessage);
    bool saveParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage) const;
    // Applies nothing unless the whole content was read.
    bool loadParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage);

    bool enable = false;
    // Transparency of the faces in percent: 0 opaque, 100 invisible.
    float clarity = 80.0f;
    // Half extent along the box's own axes.
    Vector3T<double> scale;

public slots:
    void setEnable(bool iEnable);
    void setClarity(float iClarity);
    void setScale(const Vector3T<double>& iScale);
};

#endif
