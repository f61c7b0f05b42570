#include "renamedialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// The widgets of the running dialog, found by their form names.
struct Form
{
    QDialog* dialog = nullptr;
    QLineEdit* lineEdit = nullptr;
    QLabel* label = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

Form findForm()
{
    Form form;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        RenameDialog* dialog = qobject_cast<RenameDialog*>(widget);
        if (dialog && dialog->isVisible()) {
            form.dialog = dialog;
            form.lineEdit = dialog->findChild<QLineEdit*>("lineEdit");
            form.label = dialog->findChild<QLabel*>("label");
            form.ok = dialog->findChild<QPushButton*>("pushButtonOK");
            form.cancel = dialog->findChild<QPushButton*>("pushButtonCancel");
        }
    }
    return form;
}

// Runs RenameDialog::getName while iDrive works the open dialog; iDrive has to close it.
// A dialog left open is rejected so that a failing test cannot hang.
bool runGetName(std::string* ioName, const std::vector<std::string>* iUsedNames,
                const std::function<void(const Form&)>& iDrive)
{
    QTimer::singleShot(0, [&iDrive]() {
        const Form form = findForm();
        if (!form.dialog || !form.lineEdit || !form.label || !form.ok || !form.cancel) {
            ADD_FAILURE() << "no rename dialog with its form is open";
            if (form.dialog)
                form.dialog->reject();
            return;
        }
        iDrive(form);
        if (form.dialog->isVisible()) {
            ADD_FAILURE() << "the dialog was left open";
            form.dialog->reject();
        }
    });
    return RenameDialog::getName(ioName, iUsedNames);
}

void expectStatus(const Form& iForm, const char* iText, bool iOKEnabled)
{
    EXPECT_EQ(iForm.label->text().toStdString(), iText);
    EXPECT_EQ(iForm.ok->isEnabled(), iOKEnabled);
}

} // namespace

TEST(RenameDialogTest, FormLayout)
{
    RenameDialog dialog;
    EXPECT_EQ(dialog.objectName(), "RenameDialog");
    EXPECT_EQ(dialog.windowTitle(), "Rename");
    QGridLayout* grid = dialog.findChild<QGridLayout*>("gridLayout");
    ASSERT_NE(grid, nullptr);
    const struct
    {
        const char* name;
        int row, column, rowSpan, columnSpan;
    } cells[] = {{"lineEdit", 0, 0, 1, 3}, {"label", 1, 0, 1, 3}, {"pushButtonCancel", 2, 0, 1, 1},
                 {"pushButtonOK", 2, 2, 1, 1}};
    for (const auto& cell : cells) {
        QWidget* widget = dialog.findChild<QWidget*>(cell.name);
        ASSERT_NE(widget, nullptr) << cell.name;
        int row, column, rowSpan, columnSpan;
        grid->getItemPosition(grid->indexOf(widget), &row, &column, &rowSpan, &columnSpan);
        EXPECT_EQ(row, cell.row) << cell.name;
        EXPECT_EQ(column, cell.column) << cell.name;
        EXPECT_EQ(rowSpan, cell.rowSpan) << cell.name;
        EXPECT_EQ(columnSpan, cell.columnSpan) << cell.name;
    }
    EXPECT_EQ(grid->itemAtPosition(2, 1), nullptr);
    EXPECT_FALSE(dialog.findChild<QPushButton*>("pushButtonCancel")->autoDefault());
    EXPECT_TRUE(dialog.findChild<QPushButton*>("pushButtonOK")->autoDefault());
    EXPECT_EQ(dialog.findChild<QLabel*>("label")->text(), "TextLabel");
}

TEST(RenameDialogTest, EmptyStartDisablesOK)
{
    std::string name;
    const bool accepted = runGetName(&name, nullptr, [](const Form& form) {
        expectStatus(form, "Empty...", false);
        QTest::mouseClick(form.ok, Qt::LeftButton);
        QTest::keyClick(form.lineEdit, Qt::Key_Return);
        QTest::keyClick(form.lineEdit, Qt::Key_Enter);
        EXPECT_TRUE(form.dialog->isVisible());
        QTest::keyClicks(form.lineEdit, "a");
        expectStatus(form, "OK.", true);
        QTest::mouseClick(form.ok, Qt::LeftButton);
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(name, "a");
}

TEST(RenameDialogTest, UsedNamesDisableOK)
{
    const std::vector<std::string> used = {"Shot", "Other"};
    std::string name = "Shot";
    const bool accepted = runGetName(&name, &used, [](const Form& form) {
        expectStatus(form, "Named already...", false);
        QTest::keyClick(form.lineEdit, Qt::Key_Backspace);
        expectStatus(form, "OK.", true);
        QTest::keyClicks(form.lineEdit, "t");
        expectStatus(form, "Named already...", false);
        // Enter does not accept while OK is disabled.
        QTest::keyClick(form.lineEdit, Qt::Key_Return);
        EXPECT_TRUE(form.dialog->isVisible());

        form.lineEdit->setText("shot");
        expectStatus(form, "OK.", true);
        form.lineEdit->setText("Shot ");
        expectStatus(form, "OK.", true);
        form.lineEdit->setText("Other");
        expectStatus(form, "Named already...", false);
        form.lineEdit->clear();
        expectStatus(form, "Empty...", false);
        form.lineEdit->setText("Third");
        QTest::keyClick(form.lineEdit, Qt::Key_Return);
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(name, "Third");
}

TEST(RenameDialogTest, TextIsWrittenBackWhateverTheOutcome)
{
    std::string name = "Camera";
    bool accepted = runGetName(&name, nullptr, [](const Form& form) {
        expectStatus(form, "OK.", true);
        QTest::keyClicks(form.lineEdit, "Path");
        QTest::mouseClick(form.cancel, Qt::LeftButton);
    });
    EXPECT_FALSE(accepted);
    EXPECT_EQ(name, "CameraPath");

    accepted = runGetName(&name, nullptr, [](const Form& form) {
        QTest::keyClick(form.lineEdit, Qt::Key_Backspace);
        QTest::keyClick(form.dialog, Qt::Key_Escape);
    });
    EXPECT_FALSE(accepted);
    EXPECT_EQ(name, "CameraPat");

    // A used name can still be read back after a cancel.
    const std::vector<std::string> used = {"CameraPat"};
    accepted = runGetName(&name, &used, [](const Form& form) {
        expectStatus(form, "Named already...", false);
        form.dialog->close();
    });
    EXPECT_FALSE(accepted);
    EXPECT_EQ(name, "CameraPat");
}

TEST(RenameDialogTest, EmptyUsedNameAndEmptyList)
{
    const std::vector<std::string> usedEmpty = {""};
    std::string name;
    runGetName(&name, &usedEmpty, [](const Form& form) {
        expectStatus(form, "Named already...", false);
        form.cancel->click();
    });

    const std::vector<std::string> none;
    name = "x";
    const bool accepted = runGetName(&name, &none, [](const Form& form) {
        expectStatus(form, "OK.", true);
        form.ok->click();
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(name, "x");
}

TEST(RenameDialogTest, Utf8NamesRoundTripAndCompareAsBytes)
{
    const std::string shot = "\xe7\x82\xb9\xe7\xbe\xa4 \xc3\xa4"; // two CJK characters, a blank, a-umlaut
    const std::vector<std::string> used = {shot};
    std::string name = shot;
    const bool accepted = runGetName(&name, &used, [](const Form& form) {
        expectStatus(form, "Named already...", false);
        EXPECT_EQ(form.lineEdit->text().size(), 4);
        QTest::keyClick(form.lineEdit, Qt::Key_Backspace);
        expectStatus(form, "OK.", true);
        form.lineEdit->insert(QString::fromUtf8("\xc3\xb6"));
        form.ok->click();
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(name, "\xe7\x82\xb9\xe7\xbe\xa4 \xc3\xb6");

    // The name ends at its first zero byte.
    name = std::string("abc\0def", 7);
    runGetName(&name, nullptr, [](const Form& form) {
        EXPECT_EQ(form.lineEdit->text(), "abc");
        form.ok->click();
    });
    EXPECT_EQ(name, "abc");
}
