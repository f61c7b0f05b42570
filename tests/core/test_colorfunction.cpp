#include "colorfunction.h"

#include <QApplication>
#include <QColorDialog>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

void expectRgba(const QColor& iColor, int iRed, int iGreen, int iBlue, int iAlpha)
{
    EXPECT_TRUE(iColor.isValid());
    EXPECT_EQ(iColor.red(), iRed);
    EXPECT_EQ(iColor.green(), iGreen);
    EXPECT_EQ(iColor.blue(), iBlue);
    EXPECT_EQ(iColor.alpha(), iAlpha);
}

// Runs iAnswer on the colour dialog as soon as it is up, from inside its modal loop.
void answerDialog(std::function<void(QColorDialog*)> iAnswer, QPointer<QColorDialog>* oSeen)
{
    QTimer* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, iAnswer, oSeen]() {
        QColorDialog* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        *oSeen = dialog;
        timer->stop();
        timer->deleteLater();
        iAnswer(dialog);
    });
    timer->start(10);
}

} // namespace

TEST(ColorFunctionTest, ConversionsAndBrightness)
{
    const Color color(10, 20, 30, 40);
    const QColor q = convert(color);
    expectRgba(q, 10, 20, 30, 40);
    EXPECT_EQ(convert(q), color);
    EXPECT_EQ(convert(QColor(255, 0, 128, 0)), Color(255, 0, 128, 0));

    EXPECT_EQ(getBrightness(-5, -7, -1), 0.0f);
    EXPECT_EQ(getBrightness(255, 0, 128), 1.0f);
    EXPECT_FLOAT_EQ(getBrightness(51, 0, 0), 0.2f);
    const unsigned int red51 = 0xFF000033u; // alpha is not looked at
    EXPECT_FLOAT_EQ(getBrightness(red51), 0.2f);
    const unsigned int blue128 = 0x00800000u;
    EXPECT_FLOAT_EQ(getBrightness(blue128), 128.0f / 255.0f);
    const unsigned int green = 0x0000FF00u;
    EXPECT_EQ(getBrightness(green), 1.0f);
}

TEST(ColorFunctionTest, HsvRamp)
{
    const QColor red(255, 0, 0, 100);  // hue 0
    const QColor blue(0, 0, 255, 100); // hue 2/3
    // An empty or reversed range is opaque black.
    expectRgba(getColorInterpolatedByHSV(5, 1, 1, red, blue), 0, 0, 0, 255);
    expectRgba(getColorInterpolatedByHSV(5, 1, 2, red, blue), 0, 0, 0, 255);
    // Outside the range: the end colours, made opaque.
    expectRgba(getColorInterpolatedByHSV(-3, 10, 0, red, blue), 0, 0, 255, 255);
    expectRgba(getColorInterpolatedByHSV(12, 10, 0, red, blue), 255, 0, 0, 255);
    expectRgba(getColorInterpolatedByHSV(NAN, 10, 0, red, blue), 0, 0, 255, 255);
    // Hue blended as a number: half way is 1/3 (green), a quarter of the way 1/2 (cyan).
    expectRgba(getColorInterpolatedByHSV(5, 10, 0, red, blue), 0, 255, 0, 255);
    expectRgba(getColorInterpolatedByHSV(2.5f, 10, 0, red, blue), 0, 255, 255, 255);
    expectRgba(getColorInterpolatedByHSV(10, 10, 0, red, blue), 255, 0, 0, 255);

    // Black has no hue: the ramp to red keeps red's hue and only darkens.
    const QColor darkRed = getColorInterpolatedByHSV(5, 10, 0, red, QColor(0, 0, 0));
    EXPECT_TRUE(darkRed.isValid());
    EXPECT_EQ(darkRed.value(), 128);
    EXPECT_EQ(darkRed.hue(), 0);
    EXPECT_GT(darkRed.red(), darkRed.green());
    EXPECT_EQ(darkRed.green(), darkRed.blue());
    // Grey to white: both without hue.
    expectRgba(getColorInterpolatedByHSV(1, 2, 0, QColor(255, 255, 255), QColor(0, 0, 0)), 128, 128, 128, 255);
}

TEST(ColorFunctionTest, ColorDialogAcceptAndCancel)
{
    QPointer<QColorDialog> seen;
    QColor chosen(9, 9, 9);
    answerDialog(
        [](QColorDialog* iDialog) {
            EXPECT_EQ(iDialog->currentColor(), QColor(10, 20, 30));
            EXPECT_FALSE(iDialog->testOption(QColorDialog::ShowAlphaChannel));
            iDialog->setCurrentColor(QColor(1, 2, 3));
            iDialog->accept();
        },
        &seen);
    EXPECT_TRUE(getColorWithColorDialog(chosen, QColor(10, 20, 30), nullptr));
    expectRgba(chosen, 1, 2, 3, 255);
    EXPECT_TRUE(seen.isNull()); // destroyed before returning

    answerDialog(
        [](QColorDialog* iDialog) {
            iDialog->setCurrentColor(QColor(200, 100, 0));
            iDialog->reject();
        },
        &seen);
    EXPECT_FALSE(getColorWithColorDialog(chosen, QColor(10, 20, 30), nullptr));
    expectRgba(chosen, 1, 2, 3, 255);
    EXPECT_TRUE(seen.isNull());
}
