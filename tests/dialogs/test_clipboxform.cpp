// The clip box panel driven through its widgets.
#include "clipbox.h"
#include "clipboxform.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

using V = Vector3T<double>;

template <typename T>
T* FL_child(QWidget* iForm, const char* iName)
{
    T* child = iForm->findChild<T*>(iName);
    EXPECT_NE(child, nullptr) << iName;
    return child;
}

class ClipBoxFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mBox = std::make_unique<ClipBox>();
        mForm.reset(static_cast<ClipBoxForm*>(mBox->createUI()));
        ASSERT_NE(mForm, nullptr);
        visible = FL_child<QCheckBox>(mForm.get(), "checkBoxVisible");
        enable = FL_child<QCheckBox>(mForm.get(), "checkBoxEnable");
        centerX = FL_child<QDoubleSpinBox>(mForm.get(), "doubleSpinBoxCenterX");
        centerY = FL_child<QDoubleSpinBox>(mForm.get(), "doubleSpinBoxCenterY");
        centerZ = FL_child<QDoubleSpinBox>(mForm.get(), "doubleSpinBoxCenterZ");
        scaleX = FL_child<QDoubleSpinBox>(mForm.get(), "doubleSpinBoxScaleX");
        scaleY = FL_child<QDoubleSpinBox>(mForm.get(), "doubleSpinBoxScaleY");
        scaleZ = FL_child<QDoubleSpinBox>(mForm.get(), "doubleSpinBoxScaleZ");
        clarity = FL_child<QDoubleSpinBox>(mForm.get(), "doubleSpinBoxClarity");
        attitude = FL_child<QTableView>(mForm.get(), "tableViewAttitude");
    }

    // On the tick box itself: a check box wider than its text takes no click at its centre.
    static QPoint indicator(QCheckBox* iBox) { return QPoint(6, iBox->height() / 2); }

    double cell(int r, int c) const
    {
        return attitude->model()->data(attitude->model()->index(r, c), Qt::EditRole).toDouble();
    }

    std::unique_ptr<ClipBox> mBox;
    std::unique_ptr<ClipBoxForm> mForm;
    QCheckBox* visible = nullptr;
    QCheckBox* enable = nullptr;
    QDoubleSpinBox* centerX = nullptr;
    QDoubleSpinBox* centerY = nullptr;
    QDoubleSpinBox* centerZ = nullptr;
    QDoubleSpinBox* scaleX = nullptr;
    QDoubleSpinBox* scaleY = nullptr;
    QDoubleSpinBox* scaleZ = nullptr;
    QDoubleSpinBox* clarity = nullptr;
    QTableView* attitude = nullptr;
};

} // namespace

TEST_F(ClipBoxFormTest, FormHasTheGivenWidgetsAndRanges)
{
    EXPECT_EQ(mForm->windowTitle(), QString("Form"));
    EXPECT_EQ(mForm->size(), QSize(388, 460));
    EXPECT_EQ(visible->text(), QString("Show ClipBox."));
    EXPECT_EQ(enable->text(), QString("Enable Clip Effect."));
    for (QDoubleSpinBox* box : {centerX, centerY, centerZ}) {
        EXPECT_EQ(box->minimum(), -1000.0);
        EXPECT_EQ(box->maximum(), 1000.0);
        EXPECT_EQ(box->decimals(), 3);
        EXPECT_EQ(box->singleStep(), 0.1);
    }
    for (QDoubleSpinBox* box : {scaleX, scaleY, scaleZ}) {
        EXPECT_EQ(box->minimum(), 0.0);
        EXPECT_EQ(box->maximum(), 1000.0);
        EXPECT_EQ(box->decimals(), 3);
        EXPECT_EQ(box->value(), 1.0);
    }
    EXPECT_EQ(clarity->minimum(), 0.0);
    EXPECT_EQ(clarity->maximum(), 100.0);
    EXPECT_EQ(clarity->decimals(), 0);
    EXPECT_EQ(clarity->value(), 80.0);
    EXPECT_FALSE(attitude->isEnabled());
}

TEST_F(ClipBoxFormTest, ShowingFillsFromAFreshBox)
{
    QSignalSpy value(mBox.get(), SIGNAL(changedValue()));
    mForm->show();
    EXPECT_FALSE(visible->isChecked());
    EXPECT_FALSE(enable->isChecked());
    for (QDoubleSpinBox* box : {scaleX, scaleY, scaleZ})
        EXPECT_EQ(box->value(), 1.0);
    for (QDoubleSpinBox* box : {centerX, centerY, centerZ})
        EXPECT_EQ(box->value(), 0.0);
    EXPECT_EQ(clarity->value(), 80.0);
    ASSERT_NE(attitude->model(), nullptr);
    ASSERT_EQ(attitude->model()->rowCount(), 3);
    ASSERT_EQ(attitude->model()->columnCount(), 3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(cell(r, c), r == c ? 1.0 : 0.0);
    EXPECT_EQ(value.count(), 0);
}

TEST_F(ClipBoxFormTest, WidgetsWriteIntoTheBox)
{
    mForm->show();
    QSignalSpy value(mBox.get(), SIGNAL(changedValue()));

    scaleX->selectAll();
    QTest::keyClicks(scaleX, "10");
    EXPECT_EQ(mBox->scale, V(5, 0.5, 0.5));

    centerY->setValue(-2.5);
    V position;
    mBox->getPosition(&position);
    EXPECT_EQ(position, V(0, -2.5, 0));

    clarity->setValue(35);
    EXPECT_EQ(mBox->clarity, 35.0f);

    QTest::mouseClick(enable, Qt::LeftButton, {}, indicator(enable));
    EXPECT_TRUE(mBox->enable);
    QTest::mouseClick(visible, Qt::LeftButton, {}, indicator(visible));
    EXPECT_TRUE(mBox->hasState(Object3D::Visible));
    // Unticking the box's visibility leaves clipping as it is.
    QTest::mouseClick(visible, Qt::LeftButton, {}, indicator(visible));
    EXPECT_FALSE(mBox->hasState(Object3D::Visible));
    EXPECT_TRUE(mBox->enable);

    // Typing "10" passed through 1, the edge length the box already had: no change there.
    // Every real change was reported once.
    EXPECT_EQ(value.count(), 1 + 1 + 1 + 1 + 2);
}

TEST_F(ClipBoxFormTest, ModelChangesRefreshTheVisiblePanelOnly)
{
    mForm->show();
    mBox->setPosition(V(1, 2, 3));
    mBox->rotate(V(0, 0, 1), 90);
    EXPECT_EQ(centerX->value(), 1.0);
    EXPECT_EQ(centerY->value(), 2.0);
    EXPECT_EQ(centerZ->value(), 3.0);
    EXPECT_NEAR(cell(0, 1), -1.0, 1e-6);
    EXPECT_NEAR(cell(1, 0), 1.0, 1e-6);
    mBox->setScale(V(1, 2, 3));
    EXPECT_EQ(scaleZ->value(), 6.0);
    mBox->setEnable(true);
    EXPECT_TRUE(enable->isChecked());

    mForm->hide();
    mBox->setPosition(V(7, 8, 9));
    mBox->setClarity(10);
    EXPECT_EQ(centerX->value(), 1.0);
    EXPECT_EQ(clarity->value(), 80.0);

    mForm->show();
    EXPECT_EQ(centerX->value(), 7.0);
    EXPECT_EQ(clarity->value(), 10.0);
}

TEST_F(ClipBoxFormTest, FillingDoesNotWriteBack)
{
    // Values the widgets cannot show: beyond the ranges and past the decimals.
    mBox->setScale(V(600, 0.12345, 0.5));
    mBox->setPosition(V(5000, 0.12345, -2000));
    mBox->setClarity(35.7f);
    QSignalSpy value(mBox.get(), SIGNAL(changedValue()));
    mForm->show();

    EXPECT_EQ(scaleX->value(), 1000.0);
    EXPECT_EQ(scaleY->value(), 0.247);
    EXPECT_EQ(centerX->value(), 1000.0);
    EXPECT_EQ(centerY->value(), 0.123);
    EXPECT_EQ(centerZ->value(), -1000.0);
    EXPECT_EQ(clarity->value(), 36.0);
    EXPECT_EQ(value.count(), 0);
    EXPECT_EQ(mBox->scale, V(600, 0.12345, 0.5));
    EXPECT_EQ(mBox->clarity, 35.7f);

    // Editing one box takes the other values from the clip box, not from the other widgets.
    scaleZ->setValue(3);
    EXPECT_EQ(mBox->scale, V(600, 0.12345, 1.5));
    centerZ->setValue(4);
    V position;
    mBox->getPosition(&position);
    EXPECT_EQ(position, V(5000, 0.12345, 4));
}

TEST_F(ClipBoxFormTest, EditingTheCentreKeepsTheRotation)
{
    mBox->rotate(V(1, 2, 3), 40);
    const Matrix4x4T<double> turned = mBox->getMatrix();
    mForm->show();
    centerX->setValue(12.5);
    const Matrix4x4T<double>& now = mBox->getMatrix();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(now(r, c), turned(r, c));
    EXPECT_EQ(now(0, 3), 12.5);
    EXPECT_EQ(now(1, 3), 0.0);
    EXPECT_NEAR(cell(2, 0), turned(2, 0), 1e-12);
}

TEST_F(ClipBoxFormTest, ADestroyedBoxLeavesThePanelIdle)
{
    mForm->show();
    mBox.reset();
    scaleX->setValue(20);
    QTest::mouseClick(enable, Qt::LeftButton, {}, indicator(enable));
    mForm->hide();
    mForm->show();
    EXPECT_EQ(scaleX->value(), 20.0);
}

TEST_F(ClipBoxFormTest, ANewTargetIsFollowedInsteadOfTheOld)
{
    mForm->show();
    ClipBox other;
    other.setClarity(5);
    mForm->setTarget(&other);
    EXPECT_EQ(clarity->value(), 5.0);
    mBox->setClarity(60);
    EXPECT_EQ(clarity->value(), 5.0);
    other.setClarity(7);
    EXPECT_EQ(clarity->value(), 7.0);
    clarity->setValue(9);
    EXPECT_EQ(other.clarity, 9.0f);
    EXPECT_EQ(mBox->clarity, 60.0f);
    mForm->setTarget(nullptr);
}

TEST(ClipBoxFormPlainTest, SetTargetOnlyStores)
{
    ClipBox box;
    box.setClarity(30);
    ClipBoxForm form(nullptr);
    QDoubleSpinBox* clarity = form.findChild<QDoubleSpinBox*>("doubleSpinBoxClarity");
    ASSERT_NE(clarity, nullptr);
    form.setTarget(&box);
    EXPECT_EQ(clarity->value(), 80.0); // filled when shown
    form.show();
    EXPECT_EQ(clarity->value(), 30.0);
    // Showing again follows once: one change, one fill, no write-back.
    form.show();
    QSignalSpy value(&box, SIGNAL(changedValue()));
    box.setClarity(31);
    EXPECT_EQ(value.count(), 1);
    EXPECT_EQ(clarity->value(), 31.0);
}

TEST(ClipBoxFormPlainTest, ATargetSetAfterTheOldOneWentIsFollowed)
{
    auto first = std::make_unique<ClipBox>();
    ClipBoxForm form(nullptr);
    form.setTarget(first.get());
    form.show();
    first.reset();
    ClipBox second;
    second.setClarity(12);
    form.setTarget(&second);
    QDoubleSpinBox* clarity = form.findChild<QDoubleSpinBox*>("doubleSpinBoxClarity");
    ASSERT_NE(clarity, nullptr);
    EXPECT_EQ(clarity->value(), 12.0);
    second.setClarity(13);
    EXPECT_EQ(clarity->value(), 13.0);
}
