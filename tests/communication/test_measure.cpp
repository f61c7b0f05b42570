// Measured values, label lines, drawing geometry and the area test of the measures.
#include "measure.h"

#include "camera.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using V = Vector3T<double>;
using Lines = std::vector<std::string>;

// The measures' degrees: pi is taken as 3.141592.
const double kRightAngle = 90.00001872397223;
const double kStraightAngle = 180.00003744794446;

double distance(const V& a, const V& b)
{
    const V d = a - b;
    return std::sqrt(d.dot(d));
}

MeasureParameter labels(int iPrecision, MeasureParameter::LabelMode iMode)
{
    MeasureParameter parameter;
    parameter.precision = iPrecision;
    parameter.labelMode = iMode;
    return parameter;
}

MeasureAngle* makeAngle(const V& a, const V& vertex, const V& b)
{
    MeasureAngle* angle = new MeasureAngle();
    angle->setPoints({a, vertex, b});
    return angle;
}

// The default camera (eye at (0, -10, 0), looking at the origin, z up, 30 degrees half
// opening) on a 400 x 400 screen: the plane y = 0 is seen head-on, and one model unit there
// spans 200 / (10 tan 30°) pixels.
class MeasureCameraTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        camera.setScreenData(Camera::ScreenData{400, 400});
        camera.setNear(1.0f); // keeps the float depth of the conversions precise
        camera.initScreen();
        ASSERT_TRUE(camera.setSceneMatrix());
    }

    static double pixelsPerUnit() { return 200.0 / (10.0 * std::tan(30.0 / 180.0 * M_PI)); }

    Camera camera;
};

} // namespace

TEST(MeasureTest, LengthValuesAndLabelLines)
{
    MeasureLength length;
    EXPECT_EQ(length.getType(), 0);
    EXPECT_EQ(length.getLength(), 0.0); // no points yet
    EXPECT_EQ(length.getLabelLines(MeasureParameter()), Lines{"0.0"});

    length.setPoints({V(1, 2, 3), V(0, 0, 5)});
    EXPECT_DOUBLE_EQ(length.getLength(), 3.0);
    EXPECT_EQ(length.getDifference(), V(1, 2, -2));
    EXPECT_EQ(length.getLabelAnchor(), V(0.5, 1, 4));

    EXPECT_EQ(length.getLabelLines(labels(1, MeasureParameter::XYZ)), (Lines{"X: 1.0", "Y: 2.0", "Z: -2.0"}));
    EXPECT_EQ(length.getLabelLines(labels(1, MeasureParameter::Absolute)), Lines{"3.0"});
    EXPECT_EQ(length.getLabelLines(labels(0, MeasureParameter::Absolute)), Lines{"3"});
    EXPECT_EQ(length.getLabelLines(labels(3, MeasureParameter::XYZ)),
              (Lines{"X: 1.000", "Y: 2.000", "Z: -2.000"}));
    // Modes other than XYZ label as Absolute.
    EXPECT_EQ(length.getLabelLines(labels(2, static_cast<MeasureParameter::LabelMode>(7))), Lines{"3.00"});

    length.setPoints({V(0, 0, 0), V(0.25, 0, 0)});
    EXPECT_EQ(length.getLabelLines(labels(2, MeasureParameter::Absolute)), Lines{"0.25"});
    EXPECT_EQ(length.getLabelLines(labels(4, MeasureParameter::XYZ)),
              (Lines{"X: -0.2500", "Y: 0.0000", "Z: 0.0000"}));
}

TEST(MeasureTest, AngleValuesAndLabelLines)
{
    MeasureAngle angle;
    EXPECT_EQ(angle.getType(), 1);
    EXPECT_EQ(angle.getAngle(), 0.0);

    // Arms (1, 0, 1) and (0, 1, 1): 60 degrees in space; 45 seen along x and along y, 90 along z.
    angle.setPoints({V(2, 1, 3), V(1, 1, 2), V(1, 2, 3)});
    EXPECT_DOUBLE_EQ(angle.getAngle(), 60.00001248264816);
    EXPECT_DOUBLE_EQ(angle.getAngle(0), 45.00000936198612);
    EXPECT_DOUBLE_EQ(angle.getAngle(1), 45.00000936198612);
    EXPECT_DOUBLE_EQ(angle.getAngle(2), kRightAngle);
    EXPECT_EQ(angle.getLabelAnchor(), V(1, 1, 2));

    EXPECT_EQ(angle.getLabelLines(labels(1, MeasureParameter::Absolute)), Lines{"60.0"});
    EXPECT_EQ(angle.getLabelLines(labels(5, MeasureParameter::Absolute)), Lines{"60.00001"});
    EXPECT_EQ(angle.getLabelLines(labels(1, MeasureParameter::XYZ)), (Lines{"X: 45.0", "Y: 45.0", "Z: 90.0"}));
    EXPECT_EQ(angle.getLabelLines(labels(6, MeasureParameter::XYZ)),
              (Lines{"X: 45.000009", "Y: 45.000009", "Z: 90.000019"}));
}

TEST(MeasureTest, AnglesNeverBecomeNaN)
{
    // The unit arms (1, 1, 1)/sqrt(3) multiply to 1.0000000000000002, past acos's domain.
    std::unique_ptr<MeasureAngle> same(makeAngle(V(1, 1, 1), V(0, 0, 0), V(1, 1, 1)));
    EXPECT_EQ(same->getAngle(), 0.0);
    std::unique_ptr<MeasureAngle> opposite(makeAngle(V(1, 1, 1), V(0, 0, 0), V(-1, -1, -1)));
    EXPECT_DOUBLE_EQ(opposite->getAngle(), kStraightAngle);

    // A zero arm is not normalised: it counts as perpendicular, not as NaN.
    std::unique_ptr<MeasureAngle> zeroArm(makeAngle(V(1, 1, 1), V(1, 1, 1), V(2, 3, 4)));
    EXPECT_DOUBLE_EQ(zeroArm->getAngle(), kRightAngle);
    // Dropping the only non-zero coordinate leaves zero arms on that axis too.
    std::unique_ptr<MeasureAngle> alongX(makeAngle(V(5, 0, 0), V(0, 0, 0), V(-2, 0, 0)));
    EXPECT_DOUBLE_EQ(alongX->getAngle(0), kRightAngle);
    EXPECT_DOUBLE_EQ(alongX->getAngle(1), kStraightAngle);

    for (const MeasureAngle* angle : {same.get(), opposite.get(), zeroArm.get(), alongX.get()}) {
        std::vector<V> arc;
        angle->getArcPoints(2.0, &arc);
        for (const V& p : arc)
            EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
    }
}

TEST(MeasureTest, ArcRunsInThreeDegreeStepsToTheSecondArm)
{
    // 90 degrees: 0, 3, ..., 87 on the way and the end on the second arm.
    std::unique_ptr<MeasureAngle> right(makeAngle(V(4, 1, 1), V(1, 1, 1), V(1, 1, 9)));
    std::vector<V> arc;
    right->getArcPoints(2.0, &arc);
    ASSERT_EQ(arc.size(), 31u);
    EXPECT_EQ(arc.front(), V(3, 1, 1));
    EXPECT_EQ(arc.back(), V(1, 1, 3));
    for (std::size_t k = 0; k < arc.size(); ++k)
        EXPECT_NEAR(distance(arc[k], V(1, 1, 1)), 2.0, 1e-12) << k;
    // Step 1 lies 3 degrees (pi as 3.141592) from the first arm towards the second.
    const double step = 3.0 / 180.0 * 3.141592;
    EXPECT_NEAR(arc[1].x, 1 + 2 * std::cos(step), 1e-12);
    EXPECT_NEAR(arc[1].y, 1.0, 1e-12);
    EXPECT_NEAR(arc[1].z, 1 + 2 * std::sin(step), 1e-12);
    EXPECT_NEAR(arc[29].z, 1 + 2 * std::sin(29 * step), 1e-12);

    // 45 degrees: 0 ... 42 and the end.
    std::unique_ptr<MeasureAngle> half(makeAngle(V(1, 0, 0), V(0, 0, 0), V(1, 1, 0)));
    arc.clear();
    half->getArcPoints(1.0, &arc);
    EXPECT_EQ(arc.size(), 16u);

    // 0 degrees: only the end point, so nothing visible.
    std::unique_ptr<MeasureAngle> none(makeAngle(V(1, 0, 0), V(0, 0, 0), V(3, 0, 0)));
    arc.clear();
    none->getArcPoints(1.0, &arc);
    ASSERT_EQ(arc.size(), 1u);
    EXPECT_EQ(arc[0], V(1, 0, 0));

    // Opposite arms have no turning axis: the steps stay on the first arm's line.
    std::unique_ptr<MeasureAngle> straight(makeAngle(V(1, 0, 0), V(0, 0, 0), V(-1, 0, 0)));
    arc.clear();
    straight->getArcPoints(1.0, &arc);
    ASSERT_EQ(arc.size(), 61u);
    EXPECT_NEAR(arc[30].x, std::cos(90 / 180.0 * 3.141592), 1e-15);
    EXPECT_EQ(arc[30].y, 0.0);
    EXPECT_EQ(arc.back(), V(-1, 0, 0));
}

TEST(MeasureTest, SetPointsSignalsOnlyRealChanges)
{
    MeasureLength length;
    QSignalSpy spy(&length, SIGNAL(changedValue()));
    length.setPoints({});
    EXPECT_EQ(spy.count(), 0);
    length.setPoints({V(1, 2, 3), V(4, 5, 6)});
    EXPECT_EQ(spy.count(), 1);
    length.setPoints({V(1, 2, 3), V(4, 5, 6)});
    EXPECT_EQ(spy.count(), 1);
    length.setPoints({V(1, 2, 3)});
    EXPECT_EQ(spy.count(), 2);

    // The label is left for the manager to drop.
    length.labelImage.assign(4, 7);
    length.setPoints({V(0, 0, 0), V(1, 0, 0)});
    EXPECT_EQ(spy.count(), 3);
    EXPECT_EQ(length.labelImage.size(), 4u);

    // A NaN never equals itself, so setting it again is a change.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    length.setPoints({V(nan, 0, 0), V(1, 0, 0)});
    length.setPoints({V(nan, 0, 0), V(1, 0, 0)});
    EXPECT_EQ(spy.count(), 5);
}

TEST(MeasureTest, IsCrossingTestsPointsThenSegments)
{
    // The box -1 <= x, y, z <= 1.
    const std::vector<Vector4T<double>> box = {{1, 0, 0, 1}, {-1, 0, 0, 1}, {0, 1, 0, 1},
                                               {0, -1, 0, 1}, {0, 0, 1, 1}, {0, 0, -1, 1}};
    MeasureLength length;
    EXPECT_FALSE(length.isCrossing({}));
    EXPECT_FALSE(length.isCrossing(box));

    length.setPoints({V(9, 9, 9), V(8, 8, 8)});
    EXPECT_TRUE(length.isCrossing({})); // no planes: every point is inside
    EXPECT_FALSE(length.isCrossing(box));

    length.setPoints({V(9, 9, 9), V(0.5, 0, 1)}); // one end inside, on a face
    EXPECT_TRUE(length.isCrossing(box));
    length.setPoints({V(-5, 0, 0), V(5, 0, 0)}); // both ends outside, through the box
    EXPECT_TRUE(length.isCrossing(box));
    length.setPoints({V(-5, 5, 0), V(5, 5, 0)}); // passes above it
    EXPECT_FALSE(length.isCrossing(box));
    length.setPoints({V(-5, 0, 0), V(0, 5, 0)}); // cuts past the corner (-1, 1)
    EXPECT_FALSE(length.isCrossing(box));
    length.setPoints({V(-1.5, 0, 0), V(0, 1.5, 0)}); // cuts off the corner (-1, 1)
    EXPECT_TRUE(length.isCrossing(box));
    // A segment lying in a face plane (both ends on it) crosses through its other planes.
    length.setPoints({V(1, 5, 0), V(1, -5, 0)});
    EXPECT_TRUE(length.isCrossing(box));
    length.setPoints({V(1, 5, 3), V(1, -5, 3)});
    EXPECT_FALSE(length.isCrossing(box));

    // An angle tests both of its arms.
    std::unique_ptr<MeasureAngle> angle(makeAngle(V(5, 5, 0), V(5, -5, 0), V(-5, 5, 0)));
    EXPECT_TRUE(angle->isCrossing(box));
    std::unique_ptr<MeasureAngle> outside(makeAngle(V(5, 5, 0), V(5, -5, 0), V(9, 0, 0)));
    EXPECT_FALSE(outside->isCrossing(box));
}

TEST_F(MeasureCameraTest, ArrowHeadsOpenAtTheEndsWhenLongEnoughOnScreen)
{
    MeasureLength length;
    length.setPoints({V(-2, 0, 0), V(2, 0, 0)});
    MeasureParameter parameter;
    parameter.arrowLength = 20;
    parameter.arrowArgument = 45; // half angle 22: sides 7 across and 18 along, whole pixels

    std::vector<V> heads;
    ASSERT_TRUE(length.getArrowHeads(parameter, camera, &heads));
    ASSERT_EQ(heads.size(), 6u);
    EXPECT_EQ(heads[1], V(-2, 0, 0));
    EXPECT_EQ(heads[4], V(2, 0, 0));

    const double unit = pixelsPerUnit();
    const V d0(200 - 2 * unit, 200, 0);
    const V d1(200 + 2 * unit, 200, 0);
    const V expected[6] = {d0 + V(18, 7, 0), d0, d0 + V(18, -7, 0), d1 + V(-18, 7, 0), d1, d1 + V(-18, -7, 0)};
    for (int i = 0; i < 6; ++i) {
        const V window = camera.convertValueFromModelToGLDevice(heads[static_cast<std::size_t>(i)]);
        EXPECT_NEAR(window.x, expected[i].x, 0.01) << i;
        EXPECT_NEAR(window.y, expected[i].y, 0.01) << i;
    }
    // The side points keep the depth of their tip, here the plane y = 0.
    EXPECT_NEAR(heads[0].y, 0.0, 1e-5);

    // The default argument 30: 5 across, 19 along.
    heads.clear();
    ASSERT_TRUE(length.getArrowHeads(MeasureParameter(), camera, &heads));
    const V window = camera.convertValueFromModelToGLDevice(heads[0]);
    EXPECT_NEAR(window.x, d0.x + 19, 0.01);
    EXPECT_NEAR(window.y, d0.y + 5, 0.01);

    // No longer on screen than the arrow length: a bare line.
    const double edge = 20.0 / unit;
    length.setPoints({V(0, 0, 0), V(edge * 0.999, 0, 0)});
    heads.clear();
    EXPECT_FALSE(length.getArrowHeads(parameter, camera, &heads));
    EXPECT_TRUE(heads.empty());
    length.setPoints({V(0, 0, 0), V(0, 5, 0)}); // along the view: zero length on screen
    EXPECT_FALSE(length.getArrowHeads(parameter, camera, &heads));

    // A negative arrow length lets even a zero-length line through, without NaN.
    length.setPoints({V(0, 0, 0), V(0, 5, 0)});
    parameter.arrowLength = -3;
    ASSERT_TRUE(length.getArrowHeads(parameter, camera, &heads));
    for (const V& p : heads)
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
}

TEST_F(MeasureCameraTest, ArcRadiusIsArcRadiusPixelsAtTheVertex)
{
    MeasureParameter parameter; // arc radius 40 pixels
    const double model40 = 40.0 / pixelsPerUnit();

    std::unique_ptr<MeasureAngle> angle(makeAngle(V(3, 0, 0), V(0, 0, 0), V(0, 0, 3)));
    double radius = 0;
    ASSERT_TRUE(angle->getArcRadius(parameter, camera, &radius));
    EXPECT_NEAR(radius, model40, 1e-5);

    // An arm running away from the eye is shorter on screen; the radius is still taken in
    // the vertex's depth.
    std::unique_ptr<MeasureAngle> deep(makeAngle(V(3, 0, 0), V(0, 0, 0), V(0, 6, 3)));
    ASSERT_TRUE(deep->getArcRadius(parameter, camera, &radius));
    EXPECT_NEAR(radius, model40, 1e-5);

    // An arm of no more than 40 pixels on screen: no arc.
    std::unique_ptr<MeasureAngle> shortArm(makeAngle(V(model40 * 0.99, 0, 0), V(0, 0, 0), V(0, 0, 3)));
    EXPECT_FALSE(shortArm->getArcRadius(parameter, camera, &radius));

    // A negative radius lets zero arms through without dividing by zero.
    parameter.arcRadius = -1;
    std::unique_ptr<MeasureAngle> zero(makeAngle(V(0, 0, 0), V(0, 0, 0), V(0, 0, 0)));
    ASSERT_TRUE(zero->getArcRadius(parameter, camera, &radius));
    EXPECT_TRUE(std::isfinite(radius));
}
