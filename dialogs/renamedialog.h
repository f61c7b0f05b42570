#ifndef DIALOGS_RENAMEDIALOG_H
#define DIALOGS_RENAMEDIALOG_H

#include <QDialog>

#include <string>
#include <vector>

class Ui_RenameDialog;

// The modal name prompt: refuses an empty name and the names already in use.
class RenameDialog : public QDialog
{
    Q_OBJECT

public:
    // Runs a fresh dialog on *ioName, which receives the field's text whatever the outcome;
    // true only when the dialog was accepted. iUsedNames may be null.
    static bool getName(std::string* ioName, const std::vector<std::string>* iUsedNames);

    explicit RenameDialog(QWidget* iParent = nullptr);
    ~RenameDialog() override;

    // The name as UTF-8, up to its first zero byte; the check runs on it in any case.
    void setName(const std::string& iName);
    std::string getName() const;

private slots:
    void checkName(const QString& iName);

private:
    Ui_RenameDialog* ui;
    std::vector<std::string> usedNames;
};

#endif
