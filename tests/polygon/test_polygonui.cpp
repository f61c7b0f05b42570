// The mesh and manager panels driven through their widgets: every field edits the model,
// filling the widgets writes nothing back, a repeated show acts once per click, and a panel
// outlives its mesh.
#include "polygon.h"
#include "polygonform.h"
#include "polygonmanager.h"
#include "polygonmanagerform.h"
#include "renamedialog.h"

#include "formtestutil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using formtest::child;
using V = Vector3T<double>;

TEST(PolygonPanelTest, EditsNameVisibilityAndPositionAndSurvivesTheMesh)
{
    PolygonManager manager;
    QPointer<MyPolygon> mesh = new MyPolygon;
    mesh->setName("Bridge");
    mesh->setPosition(V(1.23456, -2, 3000000));
    manager.addNewObject(mesh);
    std::unique_ptr<PolygonForm> form(qobject_cast<PolygonForm*>(mesh->createUI()));
    ASSERT_TRUE(form);
    form->show();
    form->show();
    EXPECT_EQ(child<QLineEdit>(form.get(), "lineEditName")->text(), "Bridge");
    EXPECT_EQ(child<QDoubleSpinBox>(form.get(), "doubleSpinBoxPositionZ")->value(), 1000000.0);
    // Showing, rounded and clamped as the boxes are, wrote nothing back.
    V position;
    mesh->getPosition(&position);
    EXPECT_EQ(position, V(1.23456, -2, 3000000));

    formtest::typeValue(child<QDoubleSpinBox>(form.get(), "doubleSpinBoxPositionY"), "7.5");
    mesh->getPosition(&position);
    EXPECT_EQ(position, V(1.23456, 7.5, 3000000));

    QCheckBox* visible = child<QCheckBox>(form.get(), "checkBoxVisible");
    formtest::clickCheckBox(visible);
    EXPECT_FALSE(mesh->hasState(Object3D::Visible));

    formtest::answerModal<RenameDialog>([](RenameDialog* iPrompt) {
        iPrompt->findChild<QLineEdit*>("lineEdit")->setText("Pier");
        iPrompt->findChild<QPushButton*>("pushButtonOK")->click();
    });
    QTest::mouseClick(child<QToolButton>(form.get(), "toolButtonRename"), Qt::LeftButton);
    EXPECT_EQ(mesh->getName(), "Pier");
    EXPECT_EQ(child<QLineEdit>(form.get(), "lineEditName")->text(), "Pier");

    // Turned: the attitude follows.
    Matrix4x4T<double> turned = mesh->getMatrix();
    turned(0, 0) = 0;
    turned(0, 1) = -1;
    turned(1, 0) = 1;
    turned(1, 1) = 0;
    mesh->setMatrix(turned);
    QTableView* attitude = child<QTableView>(form.get(), "tableViewAttitude");
    EXPECT_EQ(attitude->model()->index(0, 1).data(Qt::EditRole).toDouble(), -1.0);

    manager.deleteObject(mesh);
    ASSERT_TRUE(mesh.isNull());
    EXPECT_FALSE(visible->isEnabled());
    visible->setEnabled(true);
    formtest::clickCheckBox(visible);
    form->hide();
    form->show();
}

TEST(PolygonPanelTest, ManagerPanelEditsEveryField)
{
    PolygonManager manager;
    std::unique_ptr<PolygonManagerForm> form(qobject_cast<PolygonManagerForm*>(manager.createUI()));
    ASSERT_TRUE(form);
    form->show();
    QComboBox* pointMode = child<QComboBox>(form.get(), "comboBoxPointContourColorMode");
    ASSERT_EQ(pointMode->count(), 8);
    EXPECT_EQ(pointMode->itemText(7), "Coordinate Contour (Global Z)");
    EXPECT_EQ(child<QSpinBox>(form.get(), "spinBoxPointSize")->value(), 4);
    EXPECT_EQ(formtest::buttonColor(form.get(), "pushButtonPolygonEdgeColor"), QColor(200, 200, 200));
    EXPECT_EQ(manager.getRenderingParameter(), PolygonRenderingParameter());

    formtest::clickCheckBox(child<QCheckBox>(form.get(), "checkBoxPointVisible"));
    formtest::typeValue(child<QSpinBox>(form.get(), "spinBoxPointSize"), "7");
    pointMode->setFocus();
    QTest::keyClick(pointMode, Qt::Key_End);
    formtest::typeValue(child<QDoubleSpinBox>(form.get(), "doubleSpinBoxPointContourValueMax"), "12.5");
    formtest::typeValue(child<QDoubleSpinBox>(form.get(), "doubleSpinBoxPointContourValueMin"), "-3");
    formtest::clickCheckBox(child<QCheckBox>(form.get(), "checkBoxPolygonVisible"));
    QComboBox* polygonMode = child<QComboBox>(form.get(), "comboBoxPolygonContourColorMode");
    polygonMode->setFocus();
    QTest::keyClick(polygonMode, Qt::Key_Down);
    formtest::typeValue(child<QDoubleSpinBox>(form.get(), "doubleSpinBoxPolygonContourValueMax"), "4");
    formtest::typeValue(child<QDoubleSpinBox>(form.get(), "doubleSpinBoxPolygonContourValueMin"), "5");
    formtest::clickCheckBox(child<QCheckBox>(form.get(), "checkBoxPolygonEdgeVisible"));
    const char* swatches[] = {"pushButtonPointContourColorMax", "pushButtonPointContourColorMin",
                              "pushButtonPolygonContourColorMax", "pushButtonPolygonContourColorMin",
                              "pushButtonPolygonEdgeColor"};
    for (int k = 0; k < 5; ++k) {
        formtest::answerColor(QColor(10 * k, 20, 30), true);
        QTest::mouseClick(child<QPushButton>(form.get(), swatches[k]), Qt::LeftButton);
    }

    const PolygonRenderingParameter p = manager.getRenderingParameter();
    EXPECT_FALSE(p.pointVisible);
    EXPECT_EQ(p.pointSize, 7);
    EXPECT_EQ(p.pointContourColorMode, 7);
    EXPECT_EQ(p.pointContourValueMax, 12.5f);
    EXPECT_EQ(p.pointContourValueMin, -3.0f);
    EXPECT_FALSE(p.polygonVisible);
    EXPECT_EQ(p.polygonContourColorMode, 1);
    // Min above Max is kept as entered.
    EXPECT_EQ(p.polygonContourValueMax, 4.0f);
    EXPECT_EQ(p.polygonContourValueMin, 5.0f);
    EXPECT_FALSE(p.polygonEdgeVisible);
    EXPECT_EQ(p.pointContourColorMax, Color(0, 20, 30, 255));
    EXPECT_EQ(p.polygonEdgeColor, Color(40, 20, 30, 255));
    EXPECT_EQ(formtest::buttonColor(form.get(), "pushButtonPolygonEdgeColor"), QColor(40, 20, 30));

    // Cancelled: nothing changes. Shown again: one click, one dialog.
    form->show();
    int dialogs = 0;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&dialogs]() {
        if (QColorDialog* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
            ++dialogs;
            dialog->setCurrentColor(QColor(1, 1, 1));
            dialog->reject();
        }
    });
    watcher.start(10);
    QTest::mouseClick(child<QPushButton>(form.get(), "pushButtonPolygonEdgeColor"), Qt::LeftButton);
    watcher.stop();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(manager.getRenderingParameter(), p);
}
