// The object transformation dialog over the program-wide scene, driven by clicks and typing.
#include "../pointcloud/shotfixture.h"
#include "clipbox.h"
#include "formtestutil.h"
#include "global.h"
#include "objecttransformationdialog.h"
#include "pointcloud.h"
#include "pointcloudmanager.h"
#include "polygon.h"
#include "polygonmanager.h"
#include "referencepoint.h"
#include "scene.h"
#include "testutil.h"

#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QSignalSpy>

#include <cmath>
#include <memory>

namespace {

using V = Vector3T<double>;
using M = Matrix4x4T<double>;
using formtest::child;

// The turn the model makes for a quarter turn, with its own angle constant.
const double C90 = std::cos(90.0 / 180.0 * 3.141592);
const double S90 = std::sin(90.0 / 180.0 * 3.141592);

void expectMatrix(const M& iActual, const M& iExpected)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(iActual[i], iExpected[i], 1e-9) << "element " << i;
}

M rows(std::initializer_list<double> iRows)
{
    M m;
    int i = 0;
    for (double value : iRows)
        m[i++] = value;
    return m;
}

class TransformationDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // One scene for the whole process: start every case from an empty one.
        getPointCloudManager()->clearObject();
        getPolygonManager()->clearObject();
        getPolygonManager()->disableState(Object3D::Selected);
        getClipBox()->disableState(Object3D::Selected);
        getClipBox()->setMatrix(M());
        getReferencePointManager()->deleteReferencePointALL();

        const PointCloudData data = shotfixture::makeData();
        const std::string path = mFolder.file("scan.zrpcd");
        ASSERT_TRUE(shotfixture::writeZRPCD(path, data));
        std::string error;
        ASSERT_TRUE(getPointCloudManager()->generateFromBinaryFile_SVO(path, error)) << error;
        shot = getPointCloudManager()->getData(0);
        mesh = new MyPolygon;
        getPolygonManager()->addNewObject(mesh);

        dialog = std::make_unique<ObjectTransformationDialog>(nullptr);
        dialog->setModel(getScene());
        distance = child<QDoubleSpinBox>(dialog.get(), "doubleSpinBoxTransValue");
        angle = child<QDoubleSpinBox>(dialog.get(), "doubleSpinBoxRotValue");
        translation = child<QGroupBox>(dialog.get(), "groupBoxTranslation");
        rotation = child<QGroupBox>(dialog.get(), "groupBoxRotation");
    }

    void click(const char* iButton) { QTest::mouseClick(child<QPushButton>(dialog.get(), iButton), Qt::LeftButton); }

    testutil::TempDir mFolder;
    PointCloud* shot = nullptr;
    MyPolygon* mesh = nullptr;
    std::unique_ptr<ObjectTransformationDialog> dialog;
    QDoubleSpinBox* distance = nullptr;
    QDoubleSpinBox* angle = nullptr;
    QGroupBox* translation = nullptr;
    QGroupBox* rotation = nullptr;
};

} // namespace

TEST_F(TransformationDialogTest, EnablingFollowsTargetAndStepsWithoutWritingTheModel)
{
    EXPECT_EQ(dialog->size(), QSize(267, 411));
    QSignalSpy changes(getScene(), SIGNAL(changedValue()));
    dialog->show();
    dialog->show();
    EXPECT_EQ(dialog->windowTitle(), QString("Object Transformation"));
    EXPECT_EQ(distance->value(), 1.0);
    EXPECT_EQ(angle->value(), 15.0);
    EXPECT_FALSE(translation->isEnabled());
    EXPECT_FALSE(rotation->isEnabled());
    // A selected manager is no target.
    getPointCloudManager()->enableState(Object3D::Selected);
    EXPECT_FALSE(translation->isEnabled());
    getPointCloudManager()->disableState(Object3D::Selected);

    shot->enableState(Object3D::Selected);
    EXPECT_TRUE(translation->isEnabled());
    EXPECT_TRUE(rotation->isEnabled());
    formtest::typeValue(distance, "0");
    formtest::typeValue(angle, "0");
    EXPECT_FALSE(child<QPushButton>(dialog.get(), "pushButtonTranslateXP")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(dialog.get(), "pushButtonRotateZM")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(dialog.get(), "pushButtonSetToOrigin")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(dialog.get(), "pushButtonSetToReferencePoint")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(dialog.get(), "pushButtonInitializeAttitude")->isEnabled());
    // Only the three selection changes reached the scene: showing and typing wrote nothing.
    EXPECT_EQ(changes.count(), 3);
    expectMatrix(shot->getMatrix(), M());

    // Hidden, it no longer follows.
    dialog->hide();
    shot->disableState(Object3D::Selected);
    EXPECT_TRUE(translation->isEnabled());
}

TEST_F(TransformationDialogTest, StepsMoveAndTurnTheScanShot)
{
    shot->enableState(Object3D::Selected);
    dialog->show();
    formtest::typeValue(distance, "-2.5");
    click("pushButtonTranslateXP");
    click("pushButtonTranslateZM");
    expectMatrix(shot->getMatrix(), rows({1, 0, 0, -2.5, 0, 1, 0, 0, 0, 0, 1, 2.5, 0, 0, 0, 1}));

    // A quarter turn about Z, then a world-X move and a turn about the shot's own (turned) X.
    formtest::typeValue(distance, "4");
    formtest::typeValue(angle, "90");
    click("pushButtonRotateZP");
    click("pushButtonTranslateXP");
    click("pushButtonRotateXP");
    expectMatrix(shot->getMatrix(), rows({C90, -S90 * C90, S90 * S90, 1.5,  //
                                          S90, C90 * C90, -C90 * S90, 0,    //
                                          0, S90, C90, 2.5,                 //
                                          0, 0, 0, 1}));

    click("pushButtonInitializeAttitude");
    expectMatrix(shot->getMatrix(), rows({1, 0, 0, 1.5, 0, 1, 0, 0, 0, 0, 1, 2.5, 0, 0, 0, 1}));
    // A negative angle with "+ Z" turns clockwise.
    formtest::typeValue(angle, "-90");
    click("pushButtonRotateZP");
    expectMatrix(shot->getMatrix(), rows({C90, S90, 0, 1.5, -S90, C90, 0, 0, 0, 0, 1, 2.5, 0, 0, 0, 1}));

    // Onto the picked point, which is used up; a second press has nothing to go to.
    getReferencePointManager()->addNewReferencePoint(V(412346.25, 0.5, 3.0));
    click("pushButtonSetToReferencePoint");
    V position;
    shot->getPosition(&position);
    EXPECT_EQ(position, V(412346.25, 0.5, 3.0));
    EXPECT_TRUE(getReferencePointManager()->referencePoints.empty());
    click("pushButtonSetToReferencePoint");
    shot->getPosition(&position);
    EXPECT_EQ(position, V(412346.25, 0.5, 3.0));
    click("pushButtonSetToOrigin");
    expectMatrix(shot->getMatrix(), rows({C90, S90, 0, 0, -S90, C90, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
}

TEST_F(TransformationDialogTest, PointCloudBeforePolygonBeforeClipBox)
{
    shot->enableState(Object3D::Selected);
    mesh->enableState(Object3D::Selected);
    getClipBox()->enableState(Object3D::Selected);
    dialog->show();
    click("pushButtonTranslateYP");
    shot->disableState(Object3D::Selected);
    click("pushButtonTranslateYP");
    click("pushButtonTranslateYP");
    mesh->disableState(Object3D::Selected);
    click("pushButtonTranslateYM");
    EXPECT_EQ(shot->getMatrix()(1, 3), 1.0);
    EXPECT_EQ(mesh->getMatrix()(1, 3), 2.0);
    EXPECT_EQ(getClipBox()->getMatrix()(1, 3), -1.0);
    getClipBox()->disableState(Object3D::Selected);
    EXPECT_FALSE(translation->isEnabled());
}

TEST_F(TransformationDialogTest, ADeletedTargetIsNeverReached)
{
    shot->enableState(Object3D::Selected);
    dialog->show();
    getScene()->deleteObject({shot});
    click("pushButtonTranslateXP");
    EXPECT_FALSE(translation->isEnabled());

    // Deleted while the dialog was hidden, and so not chosen again: the step goes nowhere, not
    // to another object.
    std::string error;
    ASSERT_TRUE(getPointCloudManager()->generateFromBinaryFile_SVO(mFolder.file("scan.zrpcd"), error)) << error;
    PointCloud* other = getPointCloudManager()->getData(0);
    other->enableState(Object3D::Selected);
    dialog->hide();
    mesh->enableState(Object3D::Selected);
    getScene()->deleteObject({other});
    dialog->translateXP();
    dialog->rotateXP();
    dialog->initializeAttitude();
    dialog->setToOrigin();
    expectMatrix(mesh->getMatrix(), M());
}

TEST(TransformationDialogPlainTest, WithoutASceneNothingIsATarget)
{
    ObjectTransformationDialog dialog(nullptr);
    EXPECT_FALSE(dialog.hasModel());
    dialog.show();
    EXPECT_FALSE(child<QGroupBox>(&dialog, "groupBoxTranslation")->isEnabled());
    EXPECT_FALSE(child<QGroupBox>(&dialog, "groupBoxRotation")->isEnabled());
    dialog.translateXP();
}
