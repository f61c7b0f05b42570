#ifndef POINTCLOUD_POINTCLOUDEDITDIALOG_H
#define POINTCLOUD_POINTCLOUDEDITDIALOG_H

#include <QDialog>
#include <QPointer>
#include <QString>

#include <string>

class PointCloudManager;
class Ui_PointCloudEditDialog;

// Modeless window that hands one shot's data file to the point cloud editor program, waits for
// it, and makes every shot over that file drop its loaded data and read the edited file again.
class PointCloudEditDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PointCloudEditDialog(QWidget* iParent = nullptr);
    ~PointCloudEditDialog() override;

    // The manager whose shots are offered; not owned. A manager destroyed later leaves the
    // dialog idle.
    void setTarget(PointCloudManager* iTarget);
    // The folder that holds the shots' data files.
    void setFolderPath(const std::string& iFolderPath);

public slots:
    // Showing refreshes the list and follows the manager's structure; hiding stops following.
    void setVisible(bool iVisible) override;
    // Rebuilds the shot list; the first shot is chosen.
    void updateUI();
    // Edit needs a chosen shot; the file line names the chosen shot's data file.
    void updateEditButton();
    // Runs the editor on the chosen shot's data file; every shot over it then reads it again.
    void executeEditProcess();

protected:
    // The editor program: Brenmoor in the application folder.
    virtual QString getProgramPath() const;
    // Tells the user that the editor could not be started or did not end normally.
    virtual void showProcessError(const QString& iMessage);

private:
    void connectUI();
    void disconnectUI();
    void connectTarget();
    void disconnectTarget();
    void updatePointCloudLine();

    Ui_PointCloudEditDialog* ui;
    QPointer<PointCloudManager> target;
    std::string folderPath;
    bool mFollowing = false;
};

#endif
