#ifndef COMMUNICATION_CAMERAPATHFORM_H
#define COMMUNICATION_CAMERAPATHFORM_H

#include <QPointer>
#include <QWidget>

class CameraPath;
class Ui_CameraPathForm;

// Property panel of one camera path: name, visibility and the view points of its check points.
// Only the visibility is editable. Follows the path only while visible.
class CameraPathForm : public QWidget
{
    Q_OBJECT

public:
    explicit CameraPathForm(QWidget* iParent = nullptr);
    ~CameraPathForm() override;

    // Not owned. A path destroyed later leaves the panel disabled.
    void setTarget(CameraPath* iTarget);

public slots:
    void setVisible(bool iVisible) override;
    void updateUI();
    void changeVisibility();

private:
    void connectTarget();
    void disconnectTarget();
    void enableUI(bool iEnabled);

    Ui_CameraPathForm* ui;
    QPointer<CameraPath> target;
};

#endif
