#ifndef COMMUNICATION_CAMERAPATHMANAGERFORM_H
#define COMMUNICATION_CAMERAPATHMANAGERFORM_H

#include "objectpanel.h"

class CameraPathManager;
class Ui_CameraPathManagerForm;

// Panel of the line settings shared by all camera paths and of their common visibility.
// Follows the manager only while visible.
class CameraPathManagerForm : public ObjectPanel
{
    Q_OBJECT

public:
    explicit CameraPathManagerForm(QWidget* iParent = nullptr);
    ~CameraPathManagerForm() override;

    // Not owned.
    void setTarget(CameraPathManager* iTarget);

public slots:
    void updateUI();
    void changedVisibility();
    void changeLineWidth();
    void changeLineColor();

protected:
    void refresh() override;

private:
    CameraPathManager* target() const;
    void connectUI();
    void disconnectUI();
    void enableUI(bool iEnabled);

    Ui_CameraPathManagerForm* ui;
};

#endif
