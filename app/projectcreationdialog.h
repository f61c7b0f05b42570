#ifndef APP_PROJECTCREATIONDIALOG_H
#define APP_PROJECTCREATIONDIALOG_H

#include <QDialog>
#include <QString>

class Ui_ProjectCreationDialog;

// The modal prompt for a new project's name and folder. The texts are handed on as typed;
// the project operator judges them.
class ProjectCreationDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ProjectCreationDialog(QWidget* iParent = nullptr);
    ~ProjectCreationDialog() override;

    QString getProjectFolderPath() const;
    QString getProjectName() const;

private slots:
    // Offers the typed folder as the start; a cancelled choice keeps the typed text.
    void clickedButtonBrowseDirectory();
    void clickedButtonOK();
    void clickedButtonCancel();

private:
    Ui_ProjectCreationDialog* ui;
};

#endif
