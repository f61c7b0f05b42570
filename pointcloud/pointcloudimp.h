#ifndef POINTCLOUD_POINTCLOUDIMP_H
#define POINTCLOUD_POINTCLOUDIMP_H

#include "pointcloudinterface.h"

#include <memory>
#include <string>
#include <vector>

// A whole point list in memory: no octree, no level of detail. Every cell is drawn, empty ones
// too, at its stored position. In Vistrel it holds the matrix part of a point-matrix octree
// file, drawn in its stored colours. In Brenmoor it is the editable list: its points are marked
// selected and deleted and drawn in the mark colours (a selected point red at its brightness,
// a deleted one with alpha 0, which the point shader drops).
class PointCloudImp : public PointCloudInterface
{
public:
    // A new list owned by the caller, or null with the file reader's message.
    static PointCloudImp* generateFromBinaryFile_SVO(const std::string& iFilePath, std::string& iErrorMessage);
#ifdef BRENMOOR
    // A new list owned by the caller, made from a copy of iData; never fails.
    static PointCloudImp* generateFromPCD(const PointCloudData& iData, const std::string& iFilePath,
                                          std::string& iErrorMessage);
#endif

    ~PointCloudImp() override;
    PointCloudImp(const PointCloudImp&) = delete;
    PointCloudImp& operator=(const PointCloudImp&) = delete;

    std::string getFilePath() const override;
    // The matrix's valid point number.
    int getPointNumber() const override;
    // Box of the valid cells.
    Vector3T<double> getCenter() const override;
    Vector3T<double> getSize() const override;
    // The level is not used.
    void draw(int iLevel, int iPointSize) const override;
    void draw(int iLevel, int iPointSize, Color iColor) const override;
    PointCloudSVOInterface* getSVOInterface() override;
#ifdef BRENMOOR
    // A copy of the whole list with its marks; false without one.
    bool getPointCloudData(PointCloudData* oData) const override;
    void selectPointALL() override;
    void deselectPointALL() override;
    void selectPoint(const std::vector<Vector4T<double>>& iPlanes) override;
    void deselectPoint(const std::vector<Vector4T<double>>& iPlanes) override;
    // Selected points are marked deleted as well; nothing leaves the list.
    void deleteSelectedPoint() override;
#endif

    // Position and colour of every matrix cell, in cell order.
    const std::vector<Vector3T<float>>& getPositions() const;
    const std::vector<Color>& getColors() const;

private:
    PointCloudImp() = default;
    // The box, lists and count of the data just taken over.
    void initLists();
    // The draw colour of every cell: its stored colour in Vistrel, its mark colour in Brenmoor.
    void updateColors();
#ifdef BRENMOOR
    // Applies iChange to every point, then renews the colours.
    template <typename F>
    void changeMarks(F iChange);
#endif

    std::unique_ptr<PointCloudData> data;
    std::vector<Vector3T<float>> positions;
    std::vector<Color> colors;
    std::string filePath;
    int pointNumber = 0;
    Vector3T<double> center;
    Vector3T<double> size;
};

#endif
