#ifndef DIALOGS_MOUSESETTINGDIALOG_H
#define DIALOGS_MOUSESETTINGDIALOG_H

#include <QDialog>
#include <QPointer>

class MouseOperator;
class Ui_MouseSettingDialog;

// "Mouse Setting": the camera's length and angle per pixel of mouse movement, the ratios shared
// by every mouse operator. Each change of a box goes to the ratio at once.
class MouseSettingDialog : public QDialog
{
    Q_OBJECT

public:
    explicit MouseSettingDialog(QWidget* iParent = nullptr);
    ~MouseSettingDialog() override;

    // Not owned; the ratios are the operator's class-wide ones, the pointer only binds the dialog.
    void setModel(MouseOperator* iModel);
    bool hasModel() const;

public slots:
    // Without a model the dialog is neither shown nor hidden. Showing fills the boxes from the
    // ratios without writing them back.
    void setVisible(bool iVisible) override;

private slots:
    void valueChangedTranslation(double iValue);
    void valueChangedRotation(double iValue);

private:
    Ui_MouseSettingDialog* ui;
    QPointer<MouseOperator> model;
};

#endif
