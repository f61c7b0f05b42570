#include "commentform.h"

#include "comment.h"
#include "formfunction.h"
#include "ui_commentform.h"

#include <QTextBlock>
#include <QTextDocument>

CommentForm::CommentForm(QWidget* iParent) : ObjectPanel(iParent), ui(new Ui_CommentForm)
{
    ui->setupUi(this);
}

CommentForm::~CommentForm()
{
    delete ui;
}

void CommentForm::setTarget(Comment* iTarget)
{
    setPanelTarget(iTarget);
}

Comment* CommentForm::target() const
{
    return static_cast<Comment*>(panelTarget());
}

void CommentForm::refresh()
{
    updateGUI();
}

void CommentForm::setVisible(bool iVisible)
{
    // Hidden, the panel writes nothing.
    if (!iVisible)
        disconnectUI();
    ObjectPanel::setVisible(iVisible);
}

std::vector<std::string> CommentForm::getTextLines(const QPlainTextEdit* iEdit)
{
    std::vector<std::string> lines;
    const QTextDocument* document = iEdit->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        lines.push_back(block.text().toUtf8().toStdString());
    return lines;
}

void CommentForm::connectUI()
{
    connect(ui->lineEditTitle, SIGNAL(textChanged(QString)), this, SLOT(setComment()), Qt::UniqueConnection);
    connect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(setComment()), Qt::UniqueConnection);
    connect(ui->plainTextEdit, SIGNAL(textChanged()), this, SLOT(setComment()), Qt::UniqueConnection);
    connect(ui->doubleSpinBoxX, SIGNAL(valueChanged(double)), this, SLOT(setComment()), Qt::UniqueConnection);
    connect(ui->doubleSpinBoxY, SIGNAL(valueChanged(double)), this, SLOT(setComment()), Qt::UniqueConnection);
    connect(ui->doubleSpinBoxZ, SIGNAL(valueChanged(double)), this, SLOT(setComment()), Qt::UniqueConnection);
}

void CommentForm::disconnectUI()
{
    disconnect(ui->lineEditTitle, SIGNAL(textChanged(QString)), this, SLOT(setComment()));
    disconnect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(setComment()));
    disconnect(ui->plainTextEdit, SIGNAL(textChanged()), this, SLOT(setComment()));
    disconnect(ui->doubleSpinBoxX, SIGNAL(valueChanged(double)), this, SLOT(setComment()));
    disconnect(ui->doubleSpinBoxY, SIGNAL(valueChanged(double)), this, SLOT(setComment()));
    disconnect(ui->doubleSpinBoxZ, SIGNAL(valueChanged(double)), this, SLOT(setComment()));
}

void CommentForm::enableUI(bool iEnabled)
{
    ui->lineEditTitle->setEnabled(iEnabled);
    ui->checkBoxVisible->setEnabled(iEnabled);
    ui->plainTextEdit->setEnabled(iEnabled);
    ui->doubleSpinBoxX->setEnabled(iEnabled);
    ui->doubleSpinBoxY->setEnabled(iEnabled);
    ui->doubleSpinBoxZ->setEnabled(iEnabled);
}

void CommentForm::updateGUI()
{
    if (!target()) {
        disconnectUI();
        enableUI(false);
        return;
    }
    enableUI(true);
    disconnectUI();

    // A widget that already shows the value is left alone, so that the refresh following the
    // user's own typing keeps the cursor where it is.
    const QString title = QString::fromStdString(target()->getName());
    if (ui->lineEditTitle->text() != title)
        ui->lineEditTitle->setText(title);
    ui->checkBoxVisible->setChecked(target()->hasState(Object3D::Visible));
    const std::vector<std::string> text = target()->getText();
    if (getTextLines(ui->plainTextEdit) != text) {
        ui->plainTextEdit->clear();
        for (const std::string& line : text)
            ui->plainTextEdit->appendPlainText(QString::fromStdString(line));
    }

    mFilledPoint = target()->getPoint();
    setSpinBoxValue(ui->doubleSpinBoxX, mFilledPoint.x);
    setSpinBoxValue(ui->doubleSpinBoxY, mFilledPoint.y);
    setSpinBoxValue(ui->doubleSpinBoxZ, mFilledPoint.z);
    mShownPoint = Vector3T<double>(ui->doubleSpinBoxX->value(), ui->doubleSpinBoxY->value(),
                                   ui->doubleSpinBoxZ->value());

    connectUI();
}

void CommentForm::setComment()
{
    if (!target())
        return;
    // Boxes show three decimals within their range; a coordinate the user did not edit keeps
    // its full value.
    const Vector3T<double> shown(ui->doubleSpinBoxX->value(), ui->doubleSpinBoxY->value(),
                                 ui->doubleSpinBoxZ->value());
    const Vector3T<double> point(shown.x == mShownPoint.x ? mFilledPoint.x : shown.x,
                                 shown.y == mShownPoint.y ? mFilledPoint.y : shown.y,
                                 shown.z == mShownPoint.z ? mFilledPoint.z : shown.z);
    const bool visible = ui->checkBoxVisible->isChecked();
    const std::string title = ui->lineEditTitle->text().toUtf8().toStdString();
    const std::vector<std::string> text = getTextLines(ui->plainTextEdit);

    // Each call below refreshes the panel through changedValue(); the comment may go meanwhile.
    QPointer<Comment> comment = target();
    comment->set(point, title, text);
    if (!comment)
        return;
    comment->setState(Object3D::Visible, visible);
}

QWidget* Comment::createUI()
{
    CommentForm* form = new CommentForm(nullptr);
    form->setTarget(this);
    return form;
}
