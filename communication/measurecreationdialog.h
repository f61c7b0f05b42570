#ifndef COMMUNICATION_MEASURECREATIONDIALOG_H
#define COMMUNICATION_MEASURECREATIONDIALOG_H

#include <QDialog>
#include <QPointer>

class MeasureManager;
class ReferencePointManager;
class Ui_MeasureCreationDialog;

// Modeless dialog that lists the picked reference points and turns them into a length or an
// angle measure. Follows the reference points only while visible.
class MeasureCreationDialog : public QDialog
{
    Q_OBJECT

public:
    explicit MeasureCreationDialog(QWidget* iParent = nullptr);
    ~MeasureCreationDialog() override;

    // Neither is owned; both are set before the dialog is shown.
    void setTarget(MeasureManager* iTarget);
    void setRPM(ReferencePointManager* iPoints);

public slots:
    // Deselects every measure, then follows or stops following the reference points.
    void setVisible(bool iVisible) override;
    void updateUI();
    void deleteLastPoint();
    void deleteALLPoint();
    void measureLength();
    void measureAngle();

private:
    void connectUI();

    Ui_MeasureCreationDialog* ui;
    QPointer<MeasureManager> target;
    QPointer<ReferencePointManager> points;
};

#endif
