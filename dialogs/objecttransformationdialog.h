#ifndef DIALOGS_OBJECTTRANSFORMATIONDIALOG_H
#define DIALOGS_OBJECTTRANSFORMATIONDIALOG_H

#include <QDialog>
#include <QPointer>

class Scene;
class Ui_ObjectTransformationDialog;

// "Object Transformation": moves and turns one object by set steps. The object is the first
// selected point cloud, else the first selected polygon, else the clip box when it is selected;
// it is chosen again on every scene change while the dialog is visible. Moves run along the
// scene axes, turns about the object's own axes through its own origin.
class ObjectTransformationDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ObjectTransformationDialog(QWidget* iParent = nullptr);
    ~ObjectTransformationDialog() override;

    // Not owned; read when the dialog is shown and when a step is applied.
    void setModel(Scene* iScene);
    bool hasModel() const;

public slots:
    // Showing chooses the object and follows the scene; hiding stops following. Repeated shows
    // follow it once.
    void setVisible(bool iVisible) override;
    void connectUI();
    void connectTarget();
    void disconnectTarget();
    // Chooses the object and sets which groups and buttons are enabled; writes nothing.
    void updateUI();
    void updateTranslationUI();
    void updateRotationUI();
    // Each acts on the chosen object only while it exists; otherwise nothing happens.
    void setToReferencePoint();
    void setToOrigin();
    void initializeAttitude();
    void translateXP();
    void translateXM();
    void translateYP();
    void translateYM();
    void translateZP();
    void translateZM();
    void rotateXP();
    void rotateXM();
    void rotateYP();
    void rotateYM();
    void rotateZP();
    void rotateZM();

private:
    void translateTarget(double iX, double iY, double iZ);
    void rotateTarget(double iX, double iY, double iZ, double iSign);

    Ui_ObjectTransformationDialog* ui;
    QPointer<Scene> scene;
};

#endif
