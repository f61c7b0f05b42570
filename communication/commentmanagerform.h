#ifndef COMMUNICATION_COMMENTMANAGERFORM_H
#define COMMUNICATION_COMMENTMANAGERFORM_H

#include <QPointer>
#include <QWidget>

class CommentManager;
class Ui_CommentManagerForm;

// Panel of the display settings shared by all comments and of their common visibility.
// Follows the manager only while visible.
class CommentManagerForm : public QWidget
{
    Q_OBJECT

public:
    explicit CommentManagerForm(QWidget* iParent = nullptr);
    ~CommentManagerForm() override;

    // Not owned.
    void setTarget(CommentManager* iTarget);

public slots:
    void setVisible(bool iVisible) override;
    void updateUI();
    void changedVisibility();
    void changeCharacterSize();
    void changeTitleColor();
    void changeTextColor();
    void changeLineWidth();
    void changeLineColor();

private:
    void connectUI();
    void disconnectUI();
    void connectTarget();
    void disconnectTarget();
    void enableUI(bool iEnabled);

    Ui_CommentManagerForm* ui;
    QPointer<CommentManager> target;
};

#endif
