#ifndef COMMUNICATION_COMMENTFORM_H
#define COMMUNICATION_COMMENTFORM_H

#include "vector3.h"

#include "objectpanel.h"

#include <string>
#include <vector>

class Comment;
class QPlainTextEdit;
class Ui_CommentForm;

// Property panel of one comment: title, visibility, text and point, each change written back
// at once. Follows the comment only while visible.
class CommentForm : public ObjectPanel
{
    Q_OBJECT

public:
    explicit CommentForm(QWidget* iParent = nullptr);
    ~CommentForm() override;

    // Not owned. A comment destroyed later leaves the panel disabled.
    void setTarget(Comment* iTarget);

    // One UTF-8 line per text block; an empty document gives one empty line.
    static std::vector<std::string> getTextLines(const QPlainTextEdit* iEdit);

public slots:
    void setVisible(bool iVisible) override;
    void updateGUI();
    void setComment();

protected:
    void refresh() override;

private:
    Comment* target() const;
    void connectUI();
    void disconnectUI();
    void enableUI(bool iEnabled);

    Ui_CommentForm* ui;
    // The point as the boxes were filled with it, and as the boxes show it: a coordinate whose
    // box was not edited since is written back unrounded.
    Vector3T<double> mFilledPoint;
    Vector3T<double> mShownPoint;
};

#endif
