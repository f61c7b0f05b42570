#ifndef COMMUNICATION_COMMENTMANAGER_H
#define COMMUNICATION_COMMENTMANAGER_H

#include "color.h"
#include "comment.h"
#include "object3d.h"

#include <cstdint>
#include <string>
#include <vector>

class AsciiFileOperator;
class Camera;
class QPaintDevice;
struct SceneParameter;

// Display settings shared by all comments.
struct CommentParameter
{
    std::int32_t charSize = 14; // point size of the label font
    Color titleColor = Color(255, 150, 100, 255);
    Color textColor = Color(255, 200, 150, 255);
    std::int32_t lineWidth = 2; // leader lines, in pixels
    Color lineColor = Color(255, 100, 50, 255);

    bool operator==(const CommentParameter& o) const
    {
        return charSize == o.charSize && titleColor == o.titleColor && textColor == o.textColor &&
               lineWidth == o.lineWidth && lineColor == o.lineColor;
    }
    bool operator!=(const CommentParameter& o) const { return !(*this == o); }
};

// Owner of all comments (its children, in creation order; the child index is the comment's
// number in picking and in Comment.txt), their display settings and the two comment files.
class CommentManager : public Object3D
{
    Q_OBJECT

public:
    explicit CommentManager(QObject* iParent = nullptr);

    CommentParameter getPara() const;
    int getCharSize() const;
    Color getTitleColor() const;
    Color getTextColor() const;
    int getLineWidth() const;
    Color getLineColor() const;

    // Setters ignore values out of range (sizes and widths below 1) and values equal to the
    // current one; a change of what the labels show empties every label image.
    void setCharSize(int iValue);
    void setTitleColor(const Color& iColor);
    void setTextColor(const Color& iColor);
    void setLineWidth(int iValue);
    void setLineColor(const Color& iColor);

    // The colour child iIndex is drawn in: the type code of comments (2) in the type
    // pass, its index as a little-endian colour in the index pass, otherwise yellow when
    // highlighted, red when selected, else iLineColor.
    Color getDrawColor(int iIndex, const SceneParameter& iScenePara, const Color& iLineColor) const;

    QWidget* createUI() override;
    bool isErasable() const override;

public slots:
    // False, with nothing added, for an empty title.
    bool createComment(Vector3T<double> iPoint, std::string iTitle, std::vector<std::string> iText);
    // Null when there is no comment at iIndex.
    Comment* getData(int iIndex) const;
    void setSelectedALL(bool iSelected);
    // -1 when no comment is selected.
    void getFirstIndexSelected(int* oIndex) const;
    // Silent: the next frame renders the labels again.
    void clearImageALL();

    // Comment.txt. A file that cannot be read whole leaves the comments as they were.
    bool exportData(const std::string& iFileName, std::string& iErrorMessage) const;
    bool saveData_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage) const;
    bool saveData_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage) const;
    bool initDataFromTextFile(const std::string& iFileName, std::string& iErrorMessage);
    bool loadData_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage);
    bool loadData_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage);

    // CommentRendering.txt. A file that cannot be read whole changes nothing.
    bool exportRenderingParameter(const std::string& iFileName, std::string& iErrorMessage) const;
    bool saveRenderingParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage) const;
    bool saveRenderingParameter_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage) const;
    bool importRenderingParameter(const std::string& iFileName, std::string& iErrorMessage);
    bool loadRenderingParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage);
    bool loadRenderingParameter_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage);

    void draw3DPart(CommentParameter iPara, const SceneParameter& iScenePara, const Camera& iCamera) const;
    void draw2DPart(QPaintDevice* iQPaintDevice, CommentParameter iPara, const SceneParameter& iScenePara,
                    const Camera& iCamera) const;

private:
    bool loadData(AsciiFileOperator& iStream, bool iWithVisibility, std::string& iErrorMessage);
    bool loadRenderingParameter(AsciiFileOperator& iStream, bool iWithVisibility, std::string& iErrorMessage);

    CommentParameter mPara;
};

#endif
