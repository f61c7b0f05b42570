#ifndef DIALOGS_SCENEDIALOG_H
#define DIALOGS_SCENEDIALOG_H

#include <QDialog>
#include <QPointer>

class Background;
class QCheckBox;
class RenderingTarget;
class Ui_SceneDialog;

// "Scene": the drawing of the rotation centre and the origin axes (in the editor, BRENMOOR, also
// of the point cloud), and the background's mode and two colours. Only the user's actions reach
// the models; while visible the dialog follows both models.
class SceneDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SceneDialog(QWidget* iParent = nullptr);
    ~SceneDialog() override;

    // Neither is owned.
    void setModel(RenderingTarget* iRenderingTarget, Background* iBackground);
    bool hasModel() const;

public slots:
    // Without both models the dialog is neither shown nor hidden.
    void setVisible(bool iVisible) override;

private slots:
    void updateRenderingTarget();
    void setVisibleRotationCenter(bool iVisible);
    void setVisibleOrigin(bool iVisible);
#ifdef BRENMOOR
    void setVisiblePointCloud(bool iVisible);
#endif
    void updateBackground();
    void setBackgroundMode(QString iMode);
    void changeBackgroundColor1();
    void changeBackgroundColor2();

private:
    void initRenderingTarget();
    void initBackground();
    void connectRenderingTarget();
    void connectBackground();
    void disconnectRenderingTarget();
    void disconnectBackground();

    Ui_SceneDialog* ui;
#ifdef BRENMOOR
    QCheckBox* checkBoxPointCloud = nullptr;
#endif
    QPointer<RenderingTarget> renderingTarget;
    QPointer<Background> background;
};

#endif
