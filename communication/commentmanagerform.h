#ifndef COMMUNICATION_COMMENTMANAGERFORM_H
#define COMMUNICATION_COMMENTMANAGERFORM_H

#include "objectpanel.h"

class CommentManager;
class Ui_CommentManagerForm;

// Panel of the display settings shared by all comments and of their common visibility.
// Follows the manager only while visible.
class CommentManagerForm : public ObjectPanel
{
    Q_OBJECT

public:
    explicit CommentManagerForm(QWidget* iParent = nullptr);
    ~CommentManagerForm() override;

    // Not owned.
    void setTarget(CommentManager* iTarget);

public slots:
    void updateUI();
    void changedVisibility();
    void changeCharacterSize();
    void changeTitleColor();
    void changeTextColor();
    void changeLineWidth();
    void changeLineColor();

protected:
    void refresh() override;

private:
    CommentManager* target() const;
    void connectUI();
    void disconnectUI();
    void enableUI(bool iEnabled);

    Ui_CommentManagerForm* ui;
};

#endif
