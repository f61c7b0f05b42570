#ifndef POINTCLOUD_POINTCLOUDMANAGERFORM_H
#define POINTCLOUD_POINTCLOUDMANAGERFORM_H

#include <QPointer>
#include <QWidget>

class PointCloudManager;
class Ui_PointCloudManagerForm;

// Property panel of the point cloud manager: shot and point numbers, the manager's visibility
// and the point render settings (size, contour mode, range and colours). Follows the manager
// only while visible. In the editor (BRENMOOR) the check box, named checkBoxPointVisible and
// placed in the "Point" group, switches the point drawing, and there is no "Shot Color" mode.
class PointCloudManagerForm : public QWidget
{
    Q_OBJECT

public:
    explicit PointCloudManagerForm(QWidget* iParent = nullptr);
    ~PointCloudManagerForm() override;

    // The manager to show and edit; not owned. A manager destroyed later leaves the panel idle.
    void setTarget(PointCloudManager* iTarget);

public slots:
    // Showing refreshes the widgets and follows the manager's changes; hiding stops following.
    void setVisible(bool iVisible) override;
    void updateUI();
#ifndef BRENMOOR
    void changedVisibility();
#endif
    void setPointVisible(bool iVisible);
    void setPointSize(int iSize);
    void setPointContourColorMode();
    void setPointContourValueMax();
    void setPointContourValueMin();
    void setPointContourColorMax();
    void setPointContourColorMin();

private:
    void initUI();
    void connectTarget();
    void disconnectTarget();
    void connectUI();
    void disconnectUI();
    void enableUI(bool iEnabled);

    Ui_PointCloudManagerForm* ui;
    QPointer<PointCloudManager> target;
    bool mFollowing = false;
};

#endif
