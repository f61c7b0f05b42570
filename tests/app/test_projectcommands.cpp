#include "projectcommands.h"

#include "comment.h"
#include "commentmanager.h"
#include "global.h"
#include "projectcreationdialog.h"
#include "projectoperator.h"
#include "testutil.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using testutil::CoutCapture;
using testutil::TempDir;

namespace {

// Answers the modal windows that come up while it lives, one handler each, in order. A modal
// window beyond the handlers is closed and counted, so that a failing test cannot hang.
class ModalDriver
{
public:
    explicit ModalDriver(std::vector<std::function<void(QWidget*)>> iHandlers) : mHandlers(std::move(iHandlers))
    {
        QObject::connect(&mPoll, &QTimer::timeout, [this]() { answer(); });
        mPoll.start(5);
    }

    int answered() const { return mAnswered; }

private:
    void answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->property("answered").toBool())
            return;
        modal->setProperty("answered", true);
        if (mAnswered < static_cast<int>(mHandlers.size()))
            mHandlers[mAnswered](modal);
        else
            ADD_FAILURE() << "unexpected modal window: " << modal->windowTitle().toStdString();
        ++mAnswered;
        if (modal->isVisible())
            modal->close();
    }

    std::vector<std::function<void(QWidget*)>> mHandlers;
    QTimer mPoll;
    int mAnswered = 0;
};

struct Box
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Records a message box and closes it with its button.
std::function<void(QWidget*)> readBox(Box* oBox)
{
    return [oBox](QWidget* iModal) {
        QMessageBox* box = qobject_cast<QMessageBox*>(iModal);
        ASSERT_NE(box, nullptr);
        oBox->title = box->windowTitle();
        oBox->text = box->text();
        oBox->icon = box->icon();
        box->buttons().first()->click();
    };
}

// Fills the creation dialog and presses OK.
std::function<void(QWidget*)> fillDialog(const std::string& iFolder, const std::string& iName)
{
    return [iFolder, iName](QWidget* iModal) {
        ProjectCreationDialog* dialog = qobject_cast<ProjectCreationDialog*>(iModal);
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>("lineEditProjectFolder")->setText(QString::fromStdString(iFolder));
        dialog->findChild<QLineEdit*>("lineEditProjectName")->setText(QString::fromStdString(iName));
        QTest::mouseClick(dialog->findChild<QPushButton*>("pushButtonOK"), Qt::LeftButton);
    };
}

class ProjectCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string folder = temp.file("Current");
        mkdir(folder.c_str(), 0700);
        std::string message;
        CoutCapture quiet;
        ASSERT_TRUE(projectOperator.createNewProject(folder, "Current", message)) << message;
        // Something that closing the project would take away.
        getCommentManager()->addNewObject(new Comment);
    }

    void TearDown() override
    {
        std::string message;
        CoutCapture quiet;
        projectOperator.close(message);
    }

    bool currentProjectIsOpen() const
    {
        return projectOperator.hasProject() && projectOperator.getProjectName() == "Current" &&
               getCommentManager()->getObjectSetSize() == 1;
    }

    TempDir temp;
    QWidget window;
    ProjectOperator projectOperator;
};

} // namespace

TEST_F(ProjectCommandTest, CancelledCreationChangesNothing)
{
    ModalDriver driver({[](QWidget* iModal) {
        QTest::mouseClick(iModal->findChild<QPushButton*>("pushButtonCancel"), Qt::LeftButton);
    }});
    EXPECT_FALSE(projectcommand::createNewProject(&window, &projectOperator));
    EXPECT_EQ(driver.answered(), 1);
    EXPECT_TRUE(currentProjectIsOpen());
}

TEST_F(ProjectCommandTest, RefusedCreationKeepsTheOpenProject)
{
    const std::string busy = temp.file("Busy");
    mkdir(busy.c_str(), 0700);
    testutil::writeFile(busy + "/stray.txt", "x");
    const std::string fresh = temp.file("Fresh");
    mkdir(fresh.c_str(), 0700);
    struct Case
    {
        std::string folder;
        std::string name;
        const char* message;
    };
    const Case cases[] = {
        {fresh, "", "Name is empty..."},
        {"", "Name", "Folder is empty..."},
        {busy, "Name", "Project Folder is needed to be empty."},
        {fresh, "../Outside", "Name must not contain \"/\" or a line break, nor be \".\" or \"..\"."},
    };
    for (const Case& c : cases) {
        Box box;
        ModalDriver driver({fillDialog(c.folder, c.name), readBox(&box)});
        EXPECT_FALSE(projectcommand::createNewProject(&window, &projectOperator));
        EXPECT_EQ(driver.answered(), 2);
        EXPECT_EQ(box.title, "Error()");
        EXPECT_EQ(box.text.toStdString(), c.message);
        EXPECT_EQ(box.icon, QMessageBox::Information);
        EXPECT_TRUE(currentProjectIsOpen()) << c.message;
    }
}

TEST_F(ProjectCommandTest, AcceptedCreationReplacesTheProject)
{
    const std::string fresh = temp.file("Fresh");
    mkdir(fresh.c_str(), 0700);
    ModalDriver driver({fillDialog(fresh, "Fresh Project")});
    CoutCapture quiet;
    EXPECT_TRUE(projectcommand::createNewProject(&window, &projectOperator));
    EXPECT_EQ(driver.answered(), 1);
    EXPECT_TRUE(projectOperator.hasProject());
    EXPECT_EQ(projectOperator.getProjectName(), "Fresh Project");
    EXPECT_EQ(getCommentManager()->getObjectSetSize(), 0u);
    EXPECT_EQ(testutil::readFile(fresh + "/Fresh Project.bgp"), "ProjectData 0.1\n* ProjectName\nFresh Project\n");
}

TEST_F(ProjectCommandTest, FailedOpenIsShownPrintedAndLeavesNoProject)
{
    const std::string path = temp.file("not a project.bgp");
    testutil::writeFile(path, "Hello\n");
    Box box;
    ModalDriver driver({readBox(&box)});
    CoutCapture capture;
    EXPECT_FALSE(projectcommand::openProject(&window, &projectOperator, QString::fromStdString(path)));
    EXPECT_EQ(box.title, "File Open Error!!");
    EXPECT_EQ(box.text.toStdString(), "Error: ProjectFile... File Header Error.");
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(capture.lines().back(), "Error: ProjectFile... File Header Error.");
    EXPECT_FALSE(projectOperator.hasProject());
    EXPECT_EQ(getCommentManager()->getObjectSetSize(), 0u);
}

TEST_F(ProjectCommandTest, OpenReplacesTheProject)
{
    Box box;
    ModalDriver driver({readBox(&box)});
    CoutCapture quiet;
    const std::string path = projectOperator.getProjectFolderPath() + "/Current.bgp";
    EXPECT_TRUE(projectcommand::openProject(&window, &projectOperator, QString::fromStdString(path)));
    EXPECT_EQ(box.title, "File Open");
    EXPECT_EQ(box.text, "Opened Project File.");
    EXPECT_TRUE(projectOperator.hasProject());
    // The project was closed before it was read again: the unsaved comment is gone.
    EXPECT_EQ(getCommentManager()->getObjectSetSize(), 0u);
}

TEST_F(ProjectCommandTest, SaveFailureIsShown)
{
    const std::string scenes = projectOperator.getSceneFolderPath();
    ASSERT_EQ(std::system(("rm -rf '" + scenes + "'").c_str()), 0);
    Box box;
    ModalDriver driver({readBox(&box)});
    CoutCapture quiet;
    EXPECT_FALSE(projectcommand::saveProject(&window, &projectOperator));
    EXPECT_EQ(box.title, "Error");
    EXPECT_EQ(box.text.toStdString(), "Cannot open file for writting: " + scenes + "/FolderManager.txt: No such file or directory");
    EXPECT_EQ(box.icon, QMessageBox::Warning);

    mkdir(scenes.c_str(), 0700);
    ModalDriver silent({});
    EXPECT_TRUE(projectcommand::saveProject(&window, &projectOperator));
    EXPECT_EQ(silent.answered(), 0);
}
