#include "mainwindow.h"
#include "stagedfile.h"

#include <QApplication>

int main(int argc, char** argv)
{
    stagedfile::ignoreFileSizeSignal();
    stagedfile::raiseOpenFileLimit();
    QApplication application(argc, argv);
    installTranslation("Vistrel_Japanese.qm");
    MainWindow window;
    window.show();
    return application.exec();
}
