#include "mainwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    installTranslation("Vistrel_Japanese.qm");
    MainWindow window;
    window.show();
    return application.exec();
}
