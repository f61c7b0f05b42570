#ifndef COMMUNICATION_COMMENTCREATIONDIALOG_H
#define COMMUNICATION_COMMENTCREATIONDIALOG_H

#include <QDialog>
#include <QPointer>

class CommentManager;
class ReferencePointManager;
class Ui_CommentCreationDialog;

// Dialog in which a title, a text and a point (typed, or the last picked reference point) make
// a new comment. Follows the reference points only while visible.
class CommentCreationDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CommentCreationDialog(QWidget* iParent = nullptr);
    ~CommentCreationDialog() override;

    // Neither is owned; both are set before the dialog is shown.
    void setTarget(CommentManager* iTarget);
    void setRPM(ReferencePointManager* iPoints);

public slots:
    // Showing a hidden dialog empties its fields.
    void setVisible(bool iVisible) override;
    void connectUI();
    void clearUI();
    void updateUI();
    void setPoint();
    void createNewComment();

private:
    Ui_CommentCreationDialog* ui;
    QPointer<CommentManager> target;
    QPointer<ReferencePointManager> points;
};

#endif
