#ifndef TESTS_SUPPORT_PROGRAMTESTUTIL_H
#define TESTS_SUPPORT_PROGRAMTESTUTIL_H

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QString>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

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

// Makes one change and expects the view to show another picture soon after, with no mouse
// input to the view (which would repaint it anyway). Nothing else may cover the view.
inline void expectRepaint(QWidget* iView, const char* iChange, const std::function<void()>& iMake)
{
    const auto shown = [iView] { return QGuiApplication::primaryScreen()->grabWindow(iView->winId()).toImage(); };
    QTest::qWait(100); // a repaint still owed comes first
    const QImage before = shown();
    iMake();
    bool repainted = false;
    for (int i = 0; i < 40 && !repainted; ++i) {
        QTest::qWait(25);
        repainted = shown() != before;
    }
    EXPECT_TRUE(repainted) << iChange;
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
