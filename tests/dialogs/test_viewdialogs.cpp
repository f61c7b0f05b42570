// The scene rendering, mouse setting, object browser and object property dialogs over the
// program's scene model, driven through their widgets.
#include "background.h"
#include "camerapath.h"
#include "camerapathmanager.h"
#include "clipbox.h"
#include "clipboxform.h"
#include "comment.h"
#include "commentform.h"
#include "commentmanager.h"
#include "global.h"
#include "measuremanager.h"
#include "measuremanagerform.h"
#include "mouseoperator.h"
#include "mousesettingdialog.h"
#include "objectbrowsedialog.h"
#include "objectpropertydialog.h"
#include "pointcloud.h"
#include "pointcloudform.h"
#include "pointcloudmanager.h"
#include "polygon.h"
#include "polygonform.h"
#include "polygonmanager.h"
#include "renderingtarget.h"
#include "scene.h"
#include "scenedialog.h"
#include "scenestate.h"

#include "formtestutil.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPointer>
#include <QTableView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

using formtest::child;
using V = Vector3T<double>;

namespace {

// Every manager emptied and every selection cleared, before and after each test.
void clearScene()
{
    getPointCloudManager()->stopDataLoading();
    for (Object3D* manager : std::initializer_list<Object3D*>{getPointCloudManager(), getPolygonManager(),
                                                               getMeasureManager(), getCommentManager(),
                                                               getCameraPathManager()}) {
        manager->clearObject();
        manager->disableState(Object3D::Selected);
    }
    getClipBox()->disableState(Object3D::Selected);
}

PointCloud* addShot(const std::string& iName)
{
    PointCloud* shot = new PointCloud;
    shot->setName(iName);
    shot->setBoundingBox(BoundingBox(V(0, 0, 0), V(1, 1, 1)));
    getPointCloudManager()->addNewObject(shot);
    return shot;
}

class SceneModelTest : public ::testing::Test
{
protected:
    void SetUp() override { clearScene(); }
    void TearDown() override { clearScene(); }
};

void clickRow(QTreeWidget* iTree, QTreeWidgetItem* iRow, Qt::KeyboardModifiers iModifiers = Qt::NoModifier)
{
    iTree->scrollToItem(iRow);
    QTest::mouseClick(iTree->viewport(), Qt::LeftButton, iModifiers, iTree->visualItemRect(iRow).center());
}

} // namespace

TEST(MouseSettingDialogTest, BoxesSetTheRatiosWithinTheirRanges)
{
    MouseSettingDialog dialog;
    dialog.show();
    EXPECT_FALSE(dialog.isVisible());
    MouseOperator mouse;
    dialog.setModel(&mouse);
    MouseOperator::setTranslationRatio(0.1);
    MouseOperator::setRotationRatio(1.0);
    dialog.show();
    ASSERT_TRUE(dialog.isVisible());
    QDoubleSpinBox* translation = child<QDoubleSpinBox>(&dialog, "doubleSpinBoxTranslation");
    QDoubleSpinBox* rotation = child<QDoubleSpinBox>(&dialog, "doubleSpinBoxRotation");
    EXPECT_EQ(translation->value(), 0.1);
    EXPECT_EQ(rotation->value(), 1.0);

    formtest::typeValue(translation, "2.5");
    EXPECT_EQ(MouseOperator::getTranslationRatio(), 2.5);
    rotation->setFocus();
    QTest::keyClick(rotation, Qt::Key_Up);
    EXPECT_DOUBLE_EQ(MouseOperator::getRotationRatio(), 1.1);
    formtest::typeValue(translation, "5000");
    EXPECT_LE(MouseOperator::getTranslationRatio(), 1000.0);

    // A ratio outside the box's range, set elsewhere, is shown clamped and not written back.
    dialog.hide();
    MouseOperator::setRotationRatio(0.01);
    dialog.show();
    EXPECT_EQ(rotation->value(), 0.1);
    EXPECT_EQ(MouseOperator::getRotationRatio(), 0.01);
    MouseOperator::setTranslationRatio(0.1);
    MouseOperator::setRotationRatio(1.0);
}

TEST(SceneDialogTest, FlagsAndBackgroundFollowTheModelsWhileVisible)
{
    RenderingTarget target;
    Background background;
    SceneDialog dialog;
    dialog.show();
    EXPECT_FALSE(dialog.isVisible());
    dialog.setModel(&target, &background);
    RenderingTarget::ObjectData data = target.objectData;
    data.drawOriginAxis = false;
    target.setObjectData(data);
    dialog.show();
    ASSERT_TRUE(dialog.isVisible());
    QCheckBox* center = child<QCheckBox>(&dialog, "checkBoxRotationCenter");
    QCheckBox* origin = child<QCheckBox>(&dialog, "checkBoxOrigin");
    EXPECT_TRUE(center->isChecked());
    EXPECT_FALSE(origin->isChecked());

    // A click changes its one flag only.
    const RenderingTarget::ObjectData before = target.objectData;
    formtest::clickCheckBox(center);
    RenderingTarget::ObjectData expected = before;
    expected.drawRotationCenterPoint = false;
    EXPECT_FALSE(target.objectData != expected);

    QComboBox* mode = child<QComboBox>(&dialog, "comboBoxBackgroundMode");
    ASSERT_EQ(mode->count(), 6);
    EXPECT_EQ(mode->itemText(5), "Gradient Inside to Outside");
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_Home);
    EXPECT_EQ(background.getRenderingMode(), Background::RenderingMode(0));
    QTest::keyClick(mode, Qt::Key_Down);
    EXPECT_EQ(background.getRenderingMode(), Background::RenderingMode(1));

    formtest::answerColor(QColor(1, 2, 3), true);
    QTest::mouseClick(child<QPushButton>(&dialog, "pushButtonBackgroundColor2"), Qt::LeftButton);
    EXPECT_EQ(background.getColor2(), Color(1, 2, 3, 255));
    EXPECT_EQ(formtest::buttonColor(&dialog, "pushButtonBackgroundColor2"), QColor(1, 2, 3));
    const Color first = background.getColor1();
    formtest::answerColor(QColor(9, 9, 9), false);
    QTest::mouseClick(child<QPushButton>(&dialog, "pushButtonBackgroundColor1"), Qt::LeftButton);
    EXPECT_EQ(background.getColor1(), first);

    // Followed while visible, not while hidden.
    data = target.objectData;
    data.drawOriginAxis = true;
    target.setObjectData(data);
    EXPECT_TRUE(origin->isChecked());
    dialog.hide();
    background.setRenderingMode(Background::RenderingMode(4));
    EXPECT_EQ(mode->currentIndex(), 1);
    dialog.show();
    EXPECT_EQ(mode->currentIndex(), 4);
}

TEST_F(SceneModelTest, BrowserRowsSelectObjectsAndFollowTheScene)
{
    ObjectBrowseDialog dialog;
    dialog.setModel(getScene());
    dialog.show();
    QTreeWidget* tree = child<QTreeWidget>(&dialog, "treeWidgetObject");
    ASSERT_EQ(tree->topLevelItemCount(), 5);
    EXPECT_EQ(tree->topLevelItem(4)->text(0), "ClipBox");
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 0);

    PointCloud* a = addShot("a");
    PointCloud* b = addShot("b");
    ASSERT_TRUE(getMeasureManager()->createMeasureLength({V(0, 0, 0), V(1, 0, 0)}));
    QTRY_COMPARE(tree->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->child(1)->text(0), "b");
    EXPECT_EQ(tree->topLevelItem(0)->child(1)->text(1), "PointCloud");
    ASSERT_EQ(tree->topLevelItem(1)->childCount(), 1);

    // A click selects the row's object and deselects the others; Ctrl adds across managers.
    getClipBox()->enableState(Object3D::Selected);
    clickRow(tree, tree->topLevelItem(0)->child(1));
    EXPECT_TRUE(b->hasState(Object3D::Selected));
    EXPECT_FALSE(getClipBox()->hasState(Object3D::Selected));
    clickRow(tree, tree->topLevelItem(1)->child(0), Qt::ControlModifier);
    EXPECT_TRUE(b->hasState(Object3D::Selected));
    EXPECT_TRUE(getMeasureManager()->getData(0)->hasState(Object3D::Selected));
    // A manager row selects the manager, not its children.
    clickRow(tree, tree->topLevelItem(0));
    EXPECT_TRUE(getPointCloudManager()->hasState(Object3D::Selected));
    EXPECT_FALSE(a->hasState(Object3D::Selected) || b->hasState(Object3D::Selected));

    // Selected in the view: the row follows within a tick.
    a->enableState(Object3D::Selected);
    QTRY_VERIFY(tree->topLevelItem(0)->child(0)->isSelected());

    // A row acts on the object it shows even before the tree has caught up with a change.
    clickRow(tree, tree->topLevelItem(0)->child(1));
    ASSERT_TRUE(b->hasState(Object3D::Selected));
    getPointCloudManager()->deleteObject(a); // b moves to index 0; the rows still show a, b
    QPointer<PointCloud> survivor = b;
    dialog.findChildren<QAction*>()[1]->trigger(); // "Delete Selected Objects"
    EXPECT_TRUE(survivor.isNull());
    EXPECT_EQ(getPointCloudManager()->getObjectSetSize(), 0u);

    // The clip box row never deletes the box; a manager row empties its manager.
    clickRow(tree, tree->topLevelItem(4));
    clickRow(tree, tree->topLevelItem(1), Qt::ControlModifier);
    dialog.findChildren<QAction*>()[1]->trigger();
    EXPECT_EQ(getMeasureManager()->getObjectSetSize(), 0u);
    QTRY_COMPARE(tree->topLevelItem(1)->childCount(), 0);

    // Hidden, the tree waits; shown again, it is up to date at once.
    dialog.hide();
    addShot("c");
    dialog.show();
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 1);
}

TEST_F(SceneModelTest, PropertyPanelFollowsTheFirstSelectedObjectAndItsDeletion)
{
    ObjectPropertyDialog dialog;
    dialog.setModel(getScene());
    dialog.show();
    EXPECT_EQ(dialog.findChild<QLabel*>(), nullptr);

    PointCloud* shot = addShot("shot");
    ASSERT_TRUE(getCommentManager()->createComment(V(1, 2, 3), "Note", {"text"}));
    Comment* comment = getCommentManager()->getData(0);
    MyPolygon* mesh = new MyPolygon;
    getPolygonManager()->addNewObject(mesh);

    comment->enableState(Object3D::Selected);
    EXPECT_NE(dialog.findChild<CommentForm*>(), nullptr);
    shot->enableState(Object3D::Selected);
    EXPECT_EQ(dialog.getTarget(), shot);
    ASSERT_NE(dialog.findChild<PointCloudForm*>(), nullptr);
    EXPECT_TRUE(dialog.findChild<PointCloudForm*>()->isVisible());
    // The same object again: no new panel.
    PointCloudForm* panel = dialog.findChild<PointCloudForm*>();
    shot->setName("renamed");
    EXPECT_EQ(dialog.findChild<PointCloudForm*>(), panel);
    shot->disableState(Object3D::Selected);
    EXPECT_EQ(dialog.getTarget(), comment);
    mesh->enableState(Object3D::Selected);
    EXPECT_EQ(dialog.getTarget(), mesh);
    EXPECT_NE(dialog.findChild<PolygonForm*>(), nullptr);
    getMeasureManager()->enableState(Object3D::Selected);
    mesh->disableState(Object3D::Selected);
    EXPECT_NE(dialog.findChild<MeasureManagerForm*>(), nullptr);
    getMeasureManager()->disableState(Object3D::Selected);
    comment->disableState(Object3D::Selected);
    getClipBox()->enableState(Object3D::Selected);
    EXPECT_NE(dialog.findChild<ClipBoxForm*>(), nullptr);
    getClipBox()->disableState(Object3D::Selected);
    QTest::qWait(0);
    ASSERT_NE(dialog.findChild<QLabel*>(), nullptr);
    EXPECT_EQ(dialog.findChild<QLabel*>()->text(), "Non-Support Object Type...");

    // The shown object deleted through the browser: its panel goes, and a click where it was
    // reaches nothing freed.
    ObjectBrowseDialog browser;
    browser.setModel(getScene());
    browser.show();
    comment->enableState(Object3D::Selected);
    QTest::qWait(0);
    CommentForm* form = dialog.findChild<CommentForm*>();
    ASSERT_NE(form, nullptr);
    QCheckBox* visible = child<QCheckBox>(form, "checkBoxVisible");
    QTreeWidget* tree = child<QTreeWidget>(&browser, "treeWidgetObject");
    QTRY_VERIFY(tree->topLevelItem(2)->child(0)->isSelected());
    browser.findChildren<QAction*>()[1]->trigger();
    EXPECT_EQ(getCommentManager()->getObjectSetSize(), 0u);
    formtest::clickCheckBox(visible);
    QTest::qWait(0);
    EXPECT_EQ(dialog.findChild<CommentForm*>(), nullptr);
    EXPECT_EQ(dialog.findChild<QLabel*>()->text(), "Non-Support Object Type...");
}

TEST_F(SceneModelTest, PropertyPanelShowsTheWholeAttitudeTable)
{
    ObjectPropertyDialog dialog;
    dialog.setModel(getScene());
    dialog.show();
    addShot("shot")->enableState(Object3D::Selected);
    QTableView* table = child<QTableView>(&dialog, "tableViewAttitude");
    EXPECT_LE(table->rowViewportPosition(2) + table->rowHeight(2), table->viewport()->height());
}
