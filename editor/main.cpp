#include "mainwindow.h"
#include "stagedfile.h"

#include <QApplication>

int main(int argc, char** argv)
{
    stagedfile::ignoreFileSizeSignal();
    stagedfile::removeOnSignals();
    QApplication application(argc, argv);
    installTranslation("Brenmoor_Japanese.qm");
    MainWindow window;
    window.show();
    // The arguments as the system gave them, so that a path in any script opens.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 2)
        window.open(arguments.at(1).toUtf8().toStdString());
    return application.exec();
}
