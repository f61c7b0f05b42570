#include "viewwindow.h"

#include "camera.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTranslator>

#include <cmath>

void installTranslation(const QString& iFileName)
{
    QTranslator* translator = new QTranslator(QCoreApplication::instance());
    translator->load(iFileName, QCoreApplication::applicationDirPath());
    QCoreApplication::installTranslator(translator);
}

// The texts belong to the main window of each program.
ViewWindow::ViewWindow(QWidget* parent) : QMainWindow(parent)
{
    cameraModeBox = new QComboBox(this);
    cameraModeBox->addItem(QCoreApplication::translate("MainWindow", "Observation"));
    cameraModeBox->addItem(QCoreApplication::translate("MainWindow", "WalkThrough"));
    // Used with the mouse only: a focused combo box would take F, V and the arrows for its item search.
    cameraModeBox->setFocusPolicy(Qt::NoFocus);
    connect(cameraModeBox, SIGNAL(currentIndexChanged(int)), this, SLOT(setCameraWorkMode(int)));
}

void ViewWindow::setView(QWidget* iView, Camera* iCamera)
{
    mView = iView;
    mCamera = iCamera;
    // The view holds the focus from the start and gets it back when a popup closes; it passes
    // every key on to this window.
    mView->setFocus();
    connect(mView, SIGNAL(mouseMove(QMouseEvent*)), this, SLOT(showMousePosition(QMouseEvent*)));
    connect(mCamera, SIGNAL(changedValue()), this, SLOT(updateActionCamera()));
}

QAction* ViewWindow::makeAction(const QString& iText, const QString& iStatusTip, const char* iSlot,
                                QKeySequence::StandardKey iShortcut)
{
    QAction* action = new QAction(iText, this);
    action->setStatusTip(iStatusTip);
    if (iShortcut != QKeySequence::UnknownKey)
        action->setShortcuts(iShortcut);
    connect(action, SIGNAL(triggered()), this, iSlot);
    return action;
}

QMenu* ViewWindow::addActionMenu(const QString& iTitle, const std::vector<QAction*>& iActions)
{
    QMenu* menu = menuBar()->addMenu(iTitle);
    for (QAction* action : iActions) {
        if (action)
            menu->addAction(action);
        else
            menu->addSeparator();
    }
    return menu;
}

void ViewWindow::updateActionCamera()
{
    int mode = 0;
    if (mCamera)
        mCamera->getWorkMode(&mode);
    cameraModeBox->setCurrentIndex(mode);
}

void ViewWindow::setCameraWorkMode(int iMode)
{
    if (mCamera)
        mCamera->setWorkMode(iMode);
}

void ViewWindow::changeToObservationMode()
{
    setCameraWorkMode(0);
}

void ViewWindow::changeToWalkThroughMode()
{
    setCameraWorkMode(1);
}

void ViewWindow::showMousePosition(QMouseEvent* iEvent)
{
    const long x = std::lround(iEvent->localPos().x());
    const long y = (mView ? mView->height() : 0) - std::lround(iEvent->localPos().y());
    statusBar()->showMessage(QCoreApplication::translate("MainWindow", "IX: %1, IY: %2").arg(x).arg(y));
}

void ViewWindow::setDialogs(ViewWindowDialogs* iDialogs)
{
    mDialogs = iDialogs;
}

void ViewWindow::showObjectBrowseDialog()
{
    if (mDialogs)
        mDialogs->showObjectBrowseDialog();
}

void ViewWindow::showObjectPropertyDialog()
{
    if (mDialogs)
        mDialogs->showObjectPropertyDialog();
}

void ViewWindow::showSceneDialog()
{
    if (mDialogs)
        mDialogs->showSceneDialog();
}

void ViewWindow::showMouseSettingDialog()
{
    if (mDialogs)
        mDialogs->showMouseSettingDialog();
}

void ViewWindow::showCameraWorkDialog()
{
    if (mDialogs)
        mDialogs->showCameraWorkDialog();
}
