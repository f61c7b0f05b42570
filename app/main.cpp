#include "mainwindow.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTranslator translator;
    // Without the translation the English texts stay.
    translator.load("Vistrel_Japanese.qm", QCoreApplication::applicationDirPath());
    application.installTranslator(&translator);
    MainWindow window;
    window.show();
    return application.exec();
}
