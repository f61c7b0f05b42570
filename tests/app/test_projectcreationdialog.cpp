#include "projectcreationdialog.h"

#include "testutil.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

QWidget* widgetAt(QGridLayout* iLayout, int iRow, int iColumn)
{
    QLayoutItem* item = iLayout->itemAtPosition(iRow, iColumn);
    return item ? item->widget() : nullptr;
}

// Runs iAnswer on the file dialog once it is up; the browse button's click returns after it.
void clickBrowseAnswering(ProjectCreationDialog& iDialog, const std::function<void(QFileDialog*)>& iAnswer)
{
    // Qt's own dialog, which can be driven; a platform dialog could not.
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
    QTimer poll;
    bool answered = false;
    QObject::connect(&poll, &QTimer::timeout, [&]() {
        QFileDialog* fileDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (fileDialog && !answered) {
            answered = true;
            iAnswer(fileDialog);
        }
    });
    poll.start(10);
    QTest::mouseClick(iDialog.findChild<QPushButton*>("pushButtonBrowseDirectory"), Qt::LeftButton);
    EXPECT_TRUE(answered);
}

} // namespace

TEST(ProjectCreationDialogTest, FormLayoutAndTexts)
{
    ProjectCreationDialog dialog;
    EXPECT_EQ(dialog.objectName(), "ProjectCreationDialog");
    EXPECT_EQ(dialog.windowTitle(), "Project Creation");
    EXPECT_EQ(dialog.size(), QSize(324, 125));
    EXPECT_EQ(dialog.sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    EXPECT_EQ(dialog.sizePolicy().verticalPolicy(), QSizePolicy::Maximum);

    QGridLayout* outer = dialog.findChild<QGridLayout*>("gridLayout_3");
    QGridLayout* inner = dialog.findChild<QGridLayout*>("gridLayout");
    ASSERT_TRUE(outer && inner);
    EXPECT_EQ(dialog.layout(), outer);
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    outer->getItemPosition(outer->indexOf(inner), &row, &column, &rowSpan, &columnSpan);
    EXPECT_EQ(row, 0);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(columnSpan, 2);

    QLabel* name = dialog.findChild<QLabel*>("label");
    QLabel* folder = dialog.findChild<QLabel*>("label_2");
    QPushButton* browse = dialog.findChild<QPushButton*>("pushButtonBrowseDirectory");
    QPushButton* ok = dialog.findChild<QPushButton*>("pushButtonOK");
    QPushButton* cancel = dialog.findChild<QPushButton*>("pushButtonCancel");
    ASSERT_TRUE(name && folder && browse && ok && cancel);
    EXPECT_EQ(widgetAt(inner, 0, 0), name);
    EXPECT_EQ(widgetAt(inner, 0, 1), dialog.findChild<QLineEdit*>("lineEditProjectName"));
    EXPECT_EQ(widgetAt(inner, 1, 0), folder);
    EXPECT_EQ(widgetAt(inner, 1, 1), dialog.findChild<QLineEdit*>("lineEditProjectFolder"));
    EXPECT_EQ(widgetAt(inner, 1, 2), browse);
    EXPECT_EQ(widgetAt(outer, 1, 0), ok);
    EXPECT_EQ(widgetAt(outer, 1, 1), cancel);

    EXPECT_EQ(name->text(), "Name:");
    EXPECT_EQ(folder->text(), "Folder:");
    EXPECT_EQ(name->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(folder->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(browse->text(), "Browse...");
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(cancel->text(), "Cancel");
}

TEST(ProjectCreationDialogTest, TextsAreHandedOnAsTyped)
{
    ProjectCreationDialog dialog;
    dialog.show();
    // OK is never held back: the project operator judges the texts.
    EXPECT_TRUE(dialog.findChild<QPushButton*>("pushButtonOK")->isEnabled());
    QTest::keyClicks(dialog.findChild<QLineEdit*>("lineEditProjectName"), QString(" Site 1 "));
    QTest::keyClicks(dialog.findChild<QLineEdit*>("lineEditProjectFolder"), "relative/folder/");
    EXPECT_EQ(dialog.getProjectName(), QString(" Site 1 "));
    EXPECT_EQ(dialog.getProjectFolderPath(), "relative/folder/");

    QTest::mouseClick(dialog.findChild<QPushButton*>("pushButtonOK"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());

    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton*>("pushButtonCancel"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(ProjectCreationDialogTest, BrowseReplacesTheFolderOnlyWhenChosen)
{
    testutil::TempDir start;
    testutil::TempDir chosen;
    ProjectCreationDialog dialog;
    dialog.show();
    QLineEdit* folder = dialog.findChild<QLineEdit*>("lineEditProjectFolder");
    folder->setText(QString::fromStdString(start.path()));

    // Cancelled: the typed text stays; the typed folder was offered as the start.
    clickBrowseAnswering(dialog, [&](QFileDialog* iFileDialog) {
        EXPECT_EQ(iFileDialog->windowTitle(), "ProjectFolder");
        EXPECT_EQ(iFileDialog->directory().absolutePath().toStdString(), start.path());
        EXPECT_TRUE(iFileDialog->testOption(QFileDialog::ShowDirsOnly));
        iFileDialog->reject();
    });
    EXPECT_EQ(folder->text().toStdString(), start.path());

    clickBrowseAnswering(dialog, [&](QFileDialog* iFileDialog) {
        iFileDialog->setDirectory(QString::fromStdString(chosen.path()));
        static_cast<QDialog*>(iFileDialog)->accept();
    });
    EXPECT_EQ(folder->text().toStdString(), chosen.path());
    EXPECT_TRUE(dialog.isVisible());
}
