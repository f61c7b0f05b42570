#ifndef TESTS_SUPPORT_PROGRAMTESTUTIL_H
#define TESTS_SUPPORT_PROGRAMTESTUTIL_H

#include <QGuiApplication>
#include <QString>

#include <cstdlib>

namespace testutil {

// The application folder that holds the built programs and their translations.
inline QString appDir()
{
    const char* dir = std::getenv("VISTREL_APP_DIR");
    return dir ? QString::fromLocal8Bit(dir) : QString();
}

// Whether windows and GL views can be shown (not on the offscreen or minimal platforms).
inline bool hasDisplay()
{
    const QString platform = QGuiApplication::platformName();
    return platform != "offscreen" && platform != "minimal";
}

} // namespace testutil

#endif
