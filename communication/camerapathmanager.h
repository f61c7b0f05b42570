#ifndef COMMUNICATION_CAMERAPATHMANAGER_H
#define COMMUNICATION_CAMERAPATHMANAGER_H

#include "camerapath.h"
#include "color.h"
#include "object3d.h"

#include <cstdint>
#include <string>
#include <vector>

class AsciiFileOperator;
struct SceneParameter;

// Display settings shared by all camera paths.
struct CameraPathParameter
{
    std::int32_t lineWidth = 2; // in pixels
    Color lineColor = Color(100, 255, 255, 255);

    bool operator==(const CameraPathParameter& o) const
    {
        return lineWidth == o.lineWidth && lineColor == o.lineColor;
    }
    bool operator!=(const CameraPathParameter& o) const { return !(*this == o); }
};

// Owner of all camera paths (its children; the child index is the path's number in picking
// and in CameraPath.txt), their display settings and the two camera path files.
class CameraPathManager : public Object3D
{
    Q_OBJECT

public:
    explicit CameraPathManager(QObject* iParent = nullptr);

    std::vector<std::string> getPathNameList() const;
    // Null when there is no camera path at iIndex.
    CameraPath* getData(int iIndex) const;
    void setSelectedALL(bool iSelected);
    // -1 when no path is selected.
    void getFirstIndexSelected(int* oIndex) const;

    CameraPathParameter getPara() const;
    int getLineWidth() const;
    Color getLineColor() const;

    // Every path with a copy of iPara whose colour is chosen by the draw pass.
    void draw(CameraPathParameter iPara, const SceneParameter& iScenePara) const;

    // The colour child iIndex is drawn in: the type code of camera paths (3) in the type
    // pass, its index as a little-endian colour in the index pass, otherwise yellow when
    // highlighted, red when selected, else iLineColor.
    Color getDrawColor(int iIndex, const SceneParameter& iScenePara, const Color& iLineColor) const;

    // CameraPath.txt. A file that cannot be read whole leaves the paths as they were.
    bool exportData(const std::string& iFileName, std::string& iErrorMessage) const;
    bool saveData_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage) const;
    bool initDataFromTextFile(const std::string& iFileName, std::string& iErrorMessage);
    bool loadData_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage);
    bool loadData_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage);

    // CameraPathRendering.txt. A file that cannot be read whole changes nothing.
    bool exportRenderingParameter(const std::string& iFileName, std::string& iErrorMessage) const;
    bool saveRenderingParameter_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage) const;
    bool importRenderingParameter(const std::string& iFileName, std::string& iErrorMessage);
    bool loadRenderingParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage);
    bool loadRenderingParameter_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage);

    QWidget* createUI() override;
    bool isErasable() const override;

public slots:
    // Widths below 1 are out of range and ignored, as are values equal to the current one.
    void setLineWidth(int iValue);
    void setLineColor(const Color& iColor);

private:
    bool loadData(AsciiFileOperator& iStream, bool iWithVisibility, std::string& iErrorMessage);
    bool loadRenderingParameter(AsciiFileOperator& iStream, bool iWithVisibility, std::string& iErrorMessage);

    CameraPathParameter mPara;
};

#endif
