#include "mainwindow.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTranslator translator;
    installTranslation(&translator, "Vistrel_Japanese.qm");
    MainWindow window;
    window.show();
    return application.exec();
}
