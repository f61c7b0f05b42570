#ifndef TESTS_SUPPORT_GLFRAME_H
#define TESTS_SUPPORT_GLFRAME_H

// An RGBA8 frame buffer of iSize x iSize pixels in a GL widget's context, with one model unit
// per pixel (orthographic, x and y from 0 to iSize), cleared white, for drawing and reading
// back pixel by pixel. Needs a display: check available() first.
#include "color.h"

#include <QGLFramebufferObject>
#include <QGLWidget>
#include <QGuiApplication>
#include <QtTest/QTest>

#include <memory>
#include <vector>

class GLFrame
{
public:
    static bool available()
    {
        const QString platform = QGuiApplication::platformName();
        return platform != "offscreen" && platform != "minimal";
    }

    explicit GLFrame(int iSize) : mSize(iSize)
    {
        QGLFormat format;
        format.setAlpha(true);
        format.setSampleBuffers(false);
        mWidget = std::make_unique<QGLWidget>(format);
        mWidget->resize(iSize, iSize);
        mWidget->show();
        if (!QTest::qWaitForWindowExposed(mWidget.get()))
            return;
        mWidget->makeCurrent();
        if (!mWidget->isValid())
            return;
        // An RGBA8 target keeps alpha whatever the window's visual offers.
        QGLFramebufferObjectFormat fboFormat;
        fboFormat.setInternalTextureFormat(GL_RGBA8);
        fboFormat.setSamples(0);
        mTarget = std::make_unique<QGLFramebufferObject>(iSize, iSize, fboFormat);
        if (!mTarget->isValid() || !mTarget->bind()) {
            mTarget.reset();
            return;
        }
        glViewport(0, 0, iSize, iSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, iSize, 0, iSize, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_BLEND);
        glDisable(GL_DITHER);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_POINT_SMOOTH);
        glDisable(GL_LINE_SMOOTH);
        glShadeModel(GL_SMOOTH);
        clear();
    }

    ~GLFrame()
    {
        if (mTarget)
            mTarget->release();
        mTarget.reset();
        if (mWidget)
            mWidget->doneCurrent();
    }

    GLFrame(const GLFrame&) = delete;
    GLFrame& operator=(const GLFrame&) = delete;

    bool isValid() const { return mTarget != nullptr; }
    QGLWidget* widget() const { return mWidget.get(); }

    void clear() const
    {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    Color read(int iX, int iY) const
    {
        glFinish();
        Color c(1, 2, 3, 4);
        glReadPixels(iX, iY, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &c);
        return c;
    }

    std::vector<Color> readAll() const
    {
        glFinish();
        std::vector<Color> all(static_cast<std::size_t>(mSize * mSize));
        glReadPixels(0, 0, mSize, mSize, GL_RGBA, GL_UNSIGNED_BYTE, all.data());
        return all;
    }

    int countNot(const Color& iColor) const
    {
        int n = 0;
        for (const Color& c : readAll())
            n += c != iColor;
        return n;
    }

private:
    int mSize;
    std::unique_ptr<QGLWidget> mWidget;
    std::unique_ptr<QGLFramebufferObject> mTarget;
};

#endif
