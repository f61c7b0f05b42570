#ifndef DIALOGS_CLIPBOXFORM_H
#define DIALOGS_CLIPBOXFORM_H

#include <QPointer>
#include <QWidget>

class ClipBox;
class QStandardItemModel;
class Ui_ClipBoxForm;

// Property panel of the clip box: visibility, clipping, centre, full edge lengths, clarity and
// the read-only attitude. Follows the box only while visible.
class ClipBoxForm : public QWidget
{
    Q_OBJECT

public:
    explicit ClipBoxForm(QWidget* iParent = nullptr);
    ~ClipBoxForm() override;

    // The box to show and edit; not owned. A box destroyed later leaves the panel idle.
    void setTarget(ClipBox* iTarget);

public slots:
    // Showing refreshes the widgets and follows the box's changes; hiding stops following.
    void setVisible(bool iVisible) override;

private slots:
    void updateUI();
    void setVisibleFlag(bool iChecked);
    void setEnableFlag(bool iChecked);
    // Edge lengths: the box keeps half of them as its scale.
    void setScaleX(double iX);
    void setScaleY(double iY);
    void setScaleZ(double iZ);
    void setCenterX(double iX);
    void setCenterY(double iY);
    void setCenterZ(double iZ);
    void setClarity(double iClarity);

private:
    void connectUI();
    void disconnectUI();
    void connectTarget();
    void disconnectTarget();
    void setScaleComponent(int iAxis, double iLength);

    Ui_ClipBoxForm* ui;
    QPointer<ClipBox> target;
    QStandardItemModel* mAttitudeModel = nullptr;
    QMetaObject::Connection mTargetConnection;
    bool mFollowing = false;
};

#endif
