#ifndef COMMUNICATION_CAMERAPATHMANAGERFORM_H
#define COMMUNICATION_CAMERAPATHMANAGERFORM_H

#include <QPointer>
#include <QWidget>

class CameraPathManager;
class Ui_CameraPathManagerForm;

// Panel of the line settings shared by all camera paths and of their common visibility.
// Follows the manager only while visible.
class CameraPathManagerForm : public QWidget
{
    Q_OBJECT

public:
    explicit CameraPathManagerForm(QWidget* iParent = nullptr);
    ~CameraPathManagerForm() override;

    // Not owned.
    void setTarget(CameraPathManager* iTarget);

public slots:
    void setVisible(bool iVisible) override;
    void updateUI();
    void changedVisibility();
    void changeLineWidth();
    void changeLineColor();

private:
    void connectUI();
    void disconnectUI();
    void connectTarget();
    void disconnectTarget();
    void enableUI(bool iEnabled);

    Ui_CameraPathManagerForm* ui;
    QPointer<CameraPathManager> target;
};

#endif
