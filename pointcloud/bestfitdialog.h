#ifndef POINTCLOUD_BESTFITDIALOG_H
#define POINTCLOUD_BESTFITDIALOG_H

#include <QDialog>
#include <QPointer>

class PointCloudManager;
class Ui_BestFitDialog;

// Modeless window that fits a target shot onto a base shot with the four best fit parameters.
// Follows the manager's shot list only while visible.
class BestFitDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BestFitDialog(QWidget* iParent = nullptr);
    ~BestFitDialog() override;

    // The manager whose shots are offered; not owned. A manager destroyed later leaves the
    // dialog idle.
    void setTarget(PointCloudManager* iTarget);

public slots:
    // Showing refreshes the lists and follows the manager; hiding stops following.
    void setVisible(bool iVisible) override;
    void connectShotName();
    void disconnectShotName();
    // Rebuilds both lists only when the shot names differ from them, so that ordinary value
    // changes keep the user's choice.
    void updateShotName();
    // Execute needs two different shots.
    void updateExecuteButton();
    // Runs the fit with the dialog's parameters; blocks until it ends. A run that cannot go on
    // (shots without point matrix, no pairs) is explained in a message box.
    void execute();

private:
    Ui_BestFitDialog* ui;
    QPointer<PointCloudManager> target;
    bool mFollowing = false;
};

#endif
