#ifndef COMMUNICATION_CAMERAPATHFORM_H
#define COMMUNICATION_CAMERAPATHFORM_H

#include "objectpanel.h"

class CameraPath;
class Ui_CameraPathForm;

// Property panel of one camera path: name, visibility and the view points of its check points.
// Only the visibility is editable. Follows the path only while visible.
class CameraPathForm : public ObjectPanel
{
    Q_OBJECT

public:
    explicit CameraPathForm(QWidget* iParent = nullptr);
    ~CameraPathForm() override;

    // Not owned. A path destroyed later leaves the panel disabled.
    void setTarget(CameraPath* iTarget);

public slots:
    void updateUI();
    void changeVisibility();

protected:
    void refresh() override;

private:
    CameraPath* target() const;
    void enableUI(bool iEnabled);

    Ui_CameraPathForm* ui;
};

#endif
