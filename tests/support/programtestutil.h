#ifndef TESTS_SUPPORT_PROGRAMTESTUTIL_H
#define TESTS_SUPPORT_PROGRAMTESTUTIL_H

#include <QFile>
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

// Whether the running process iPid ignores the signal iSignal (the SigIgn mask in /proc). Its
// parent must not ignore it, or the child has the setting from there.
inline bool ignoresSignal(qint64 iPid, int iSignal)
{
    QFile status(QString("/proc/%1/status").arg(iPid));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const int at = text.indexOf("SigIgn:");
    return at >= 0 && (text.mid(at + 7, 17).trimmed().toULongLong(nullptr, 16) >> (iSignal - 1)) & 1u;
}

} // namespace testutil

#endif
