#ifndef SCENE_RENDERINGTARGET_H
#define SCENE_RENDERINGTARGET_H

#include <QObject>

#include <string>

class AsciiFileOperator;

// What the 3D view draws (object draw flags) and which information blocks it overlays.
class RenderingTarget : public QObject
{
    Q_OBJECT

public:
    // Each flag is saved under the key of the same name with a capital first letter; the two
    // label flags are never saved.
    struct ObjectData
    {
        bool drawBackground = true;
        bool drawRotationCenterPoint = true; // shown in the Observation work mode only
        bool drawOriginAxis = true;
        bool drawManipulator = true;
        bool drawClipBox = true;
        bool drawReferencePoint = true;
        bool drawPointCloud = true;
        bool drawMeasure = true;
        bool drawMeasureLabel = true; // needs drawMeasure as well; off while the view turns
        bool drawComment = true;
        bool drawCommentLabel = true; // needs drawComment as well; off while the view turns
        bool drawCameraPath = true;

        bool operator!=(const ObjectData& iData) const;
    };

    struct InfomationData
    {
        bool showDrawFlagInfomation = false;
        bool showCameraWorkInfomation = false;
        bool showBackgroundRenderingInfomation = false;
        bool showPointCloudRenderingInfomation = false;

        bool operator!=(const InfomationData& iData) const;
    };

    explicit RenderingTarget(QObject* iParent = nullptr);
    ~RenderingTarget() override;

    // Read freely; changed only through the setters below so that the change is signalled.
    ObjectData objectData;
    InfomationData infomationData;

    // Rotation centre, origin axis, point clouds, measures, comments and camera paths; the
    // view aids and the label flags stay as they are. One signal at most.
    void setVisibleObjectALL(bool iVisible);
    void setVisibleInfomationALL(bool iVisible);

    // The section files "ObjectRenderingData" and "InfomationRenderingData". A failed read
    // changes nothing.
    bool exportObjectRenderingParameter(const std::string& iFileName, std::string& iErrorMessage) const;
    bool saveObjectRenderingParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage) const;
    bool initObjectWithTextFile(const std::string& iFileName, std::string& iErrorMessage);
    bool loadObjectRenderingParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage);

    bool exportInfomation(const std::string& iFileName, std::string& iErrorMessage) const;
    bool saveInfomationRenderingParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage) const;
    bool initInfomationWithTextFile(const std::string& iFileName, std::string& iErrorMessage);
    bool loadInfomationRenderingParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage);

signals:
    void changedValue();

public slots:
    void setObjectData(const RenderingTarget::ObjectData& iData);
    void setInfomationData(const RenderingTarget::InfomationData& iData);

private:
    // Open, write through iSave, close; shared by the two exports.
    bool exportFile(const std::string& iFileName, const char* iDataName,
                    bool (RenderingTarget::*iSave)(AsciiFileOperator&, std::string&) const,
                    std::string& iErrorMessage) const;
    // Open and check the first line, then read through iLoad; shared by the two inits.
    bool initFile(const std::string& iFileName, const char* iDataName,
                  bool (RenderingTarget::*iLoad)(AsciiFileOperator&, std::string&), std::string& iErrorMessage);
};

#endif
