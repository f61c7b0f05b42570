#ifndef TESTS_SUPPORT_FORMTESTUTIL_H
#define TESTS_SUPPORT_FORMTESTUTIL_H

// Driving panels and dialogs through their widgets: child look-up, answers to modal dialogs
// and typed spin box values.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QPalette>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace formtest {

template <typename T>
T* child(QWidget* iForm, const char* iName)
{
    T* found = iForm->findChild<T*>(iName);
    EXPECT_NE(found, nullptr) << iName;
    return found;
}

// Runs iAnswer on the modal dialog or popup menu of kind T as soon as it is up, from inside its
// loop. Gives up after a few seconds, so that a dialog that never comes does not leave the timer
// behind.
template <typename T>
void answerModal(std::function<void(T*)> iAnswer)
{
    QTimer* timer = new QTimer;
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, iAnswer, ticks]() {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog)
            dialog = qobject_cast<T*>(QApplication::activePopupWidget());
        if (!dialog) {
            if (++*ticks > 500) {
                ADD_FAILURE() << "no modal dialog came up";
                timer->stop();
                timer->deleteLater();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        iAnswer(dialog);
    });
    timer->start(10);
}

inline void answerColor(const QColor& iColor, bool iAccept)
{
    answerModal<QColorDialog>([iColor, iAccept](QColorDialog* iDialog) {
        iDialog->setCurrentColor(iColor);
        if (iAccept)
            iDialog->accept();
        else
            iDialog->reject();
    });
}

// Chooses iPath in the next file dialog.
inline void answerFolder(const QString& iPath)
{
    answerModal<QFileDialog>([iPath](QFileDialog* iDialog) {
        // Entering the folder chooses it; a name typed into the field is matched against a
        // listing that may not be loaded yet.
        iDialog->setDirectory(iPath);
        // QFileDialog's own accept checks the choice; it is protected there, public in QDialog.
        static_cast<QDialog*>(iDialog)->accept();
    });
}

inline QColor buttonColor(QWidget* iForm, const char* iName)
{
    return child<QPushButton>(iForm, iName)->palette().color(QPalette::Active, QPalette::Button);
}

// A click on the box's indicator: the middle of a wide check box is outside its click area.
inline void clickCheckBox(QAbstractButton* iBox)
{
    QTest::mouseClick(iBox, Qt::LeftButton, Qt::NoModifier, QPoint(6, iBox->height() / 2));
}

// Replaces a spin box's text by typing, as a user does: select all, type, confirm.
inline void typeValue(QAbstractSpinBox* iBox, const QString& iText)
{
    iBox->setFocus();
    QTest::keyClick(iBox, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(iBox, iText);
    QTest::keyClick(iBox, Qt::Key_Return);
}

} // namespace formtest

#endif
