#ifndef COMMUNICATION_MEASUREMANAGER_H
#define COMMUNICATION_MEASUREMANAGER_H

#include "measure.h"
#include "object3d.h"

#include <string>
#include <vector>

class AsciiFileOperator;
class Camera;
class QPaintDevice;
struct SceneParameter;

// Owner of every length and angle measure of the scene, in insertion order, with the display
// settings they share. Reads and writes the section files "MeasureData" (the measures) and
// "MeasureRenderingData" (the settings and the manager's visibility). GUI thread only.
class MeasureManager : public Object3D
{
    Q_OBJECT

public:
    explicit MeasureManager(QObject* iParent = nullptr);
    ~MeasureManager() override;

    // A new MeasureManagerForm, owned by the caller (defined with the form).
    QWidget* createUI() override;
    // The manager itself is never deleted by the scene.
    bool isErasable() const override;

    // The colour child iIndex is drawn in: its index or the measures' type code in the
    // picking passes, else yellow when highlighted, red when selected, iLineColor otherwise.
    Color getDrawColor(int iIndex, const SceneParameter& iScene, const Color& iLineColor) const;

    // Nothing while the manager is not Visible; the children in index order, each with the
    // line colour of getDrawColor.
    void draw3DPart(MeasureParameter iParameter, const SceneParameter& iScene, const Camera& iCamera) const;
    void draw2DPart(QPaintDevice* iDevice, MeasureParameter iParameter, const SceneParameter& iScene,
                    const Camera& iCamera) const;

    // "Measure.txt": written in the newest version; read in every version. A failed read adds
    // nothing; a read that succeeds appends the lengths, then the angles, in file order.
    bool exportMeasureALL(const std::string& iFilePath, std::string& iErrorMessage) const;
    bool generateFromTextFile(const std::string& iFilePath, std::string& iErrorMessage);
    // "MeasureRendering.txt": the settings and the manager's visibility; a failed read
    // changes nothing.
    bool exportRenderingParameter(const std::string& iFilePath, std::string& iErrorMessage) const;
    bool importRenderingParameter(const std::string& iFilePath, std::string& iErrorMessage);

    // Read by the scene and the settings panel; written through the setters and the reader.
    MeasureParameter parameter;

public slots:
    // A new visible measure named "Length" from the first two points (at least two needed).
    bool createMeasureLength(const std::vector<Vector3T<double>>& iPoints);
    // A new visible measure named "Angle" from the first three points (at least three needed).
    bool createMeasureAngle(const std::vector<Vector3T<double>>& iPoints);
    // Null when iIndex is out of range or the child there is no measure.
    Measure* getData(int iIndex) const;
    // Selects or deselects every measure, then drops all labels.
    void setSelectedALL(bool iSelected);
    // The first selected measure's index, or -1.
    void getFirstIndexSelected(int* oIndex) const;
    // Empties every measure's label image so that the next frame renders it anew.
    void clearImageALL();

    // Each ignores values out of range and the value already held; a change of one of the
    // first four drops all labels. changedValue() on every change.
    void setCharSize(int iSize); // 1 to kMaxLabelCharSize
    void setPrecision(int iPrecision); // 0 and more
    void setCharColor(const Color& iColor);
    void setLabelMode(MeasureParameter::LabelMode iMode);
    void setLineWidth(int iWidth);
    void setLineColor(const Color& iColor);
    void setArrowLength(int iLength);
    void setArrowArgument(int iArgument);
    void setArcRadius(int iRadius);

private:
    // Applies the label fields of iParameter (dropping labels when one changed) and the
    // others; false when nothing differed.
    bool applyParameter(const MeasureParameter& iParameter);
};

#endif
