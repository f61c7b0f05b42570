#ifndef POINTCLOUD_POINTCLOUDFORM_H
#define POINTCLOUD_POINTCLOUDFORM_H

#include <QPointer>
#include <QWidget>

class PointCloud;
class QStandardItemModel;
class Ui_PointCloudForm;

// Property panel of one shot: name, visibility, colour, position, the read-only attitude, the
// data file and the point number. Follows the shot only while visible. The editor's form
// (BRENMOOR) has no colour row.
class PointCloudForm : public QWidget
{
    Q_OBJECT

public:
    explicit PointCloudForm(QWidget* iParent = nullptr);
    ~PointCloudForm() override;

    // The shot to show and edit; not owned. A shot destroyed later leaves the panel idle.
    void setTarget(PointCloud* iTarget);

public slots:
    // Showing refreshes the widgets and follows the shot's changes; hiding stops following.
    void setVisible(bool iVisible) override;
    void updateUI();
    void renameShot();
    void changeVisibility();
#ifndef BRENMOOR
    void setColor();
#endif
    void setPositionX(double iX);
    void setPositionY(double iY);
    void setPositionZ(double iZ);

private:
    void initUI();
    void connectUI();
    void disconnectUI();
    void connectTarget();
    void disconnectTarget();
    void enabledUI(bool iEnabled);

    Ui_PointCloudForm* ui;
    QPointer<PointCloud> target;
    QStandardItemModel* mAttitudeModel = nullptr;
    bool mFollowing = false;
};

#endif
