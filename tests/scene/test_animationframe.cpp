#include "animationframe.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using V = Vector3T<double>;

Camera::LookAtData makeLookAt(const V& iView, const V& iLockOn, const V& iUp)
{
    Camera::LookAtData lookAt;
    lookAt.viewPoint = iView;
    lookAt.lockOnPoint = iLockOn;
    lookAt.upward = iUp;
    return lookAt;
}

void expectNear(const V& iActual, const V& iExpected)
{
    EXPECT_NEAR(iActual.x, iExpected.x, 1e-12);
    EXPECT_NEAR(iActual.y, iExpected.y, 1e-12);
    EXPECT_NEAR(iActual.z, iExpected.z, 1e-12);
}

std::vector<int> frameNumbers(const std::vector<AnimationFrame>& iFrames)
{
    std::vector<int> numbers;
    for (const AnimationFrame& frame : iFrames)
        numbers.push_back(frame.frameNumber);
    return numbers;
}

} // namespace

TEST(AnimationFrameTest, InterpolatesEveryFrameBetweenKeys)
{
    const AnimationFrame first(0, makeLookAt(V(0, -10, 0), V(0, 0, 0), V(0, 0, 1)));
    const AnimationFrame last(30, makeLookAt(V(30, -10, 60), V(3, 6, 9), V(1, 0, 0)));
    std::vector<AnimationFrame> frames;
    AnimationFrame::getAnimationFrames(&frames, {first, last});
    ASSERT_EQ(frames.size(), 31u);
    for (int i = 0; i <= 30; ++i) {
        EXPECT_EQ(frames[i].frameNumber, i);
        EXPECT_FALSE(frames[i].flag);
    }
    // Frame 10: a third of the way; the upward is blended, not normalised.
    expectNear(frames[10].lookAt.viewPoint, V(10, -10, 20));
    expectNear(frames[10].lookAt.lockOnPoint, V(1, 2, 3));
    EXPECT_EQ(frames[15].lookAt.upward, V(0.5, 0, 0.5));
    EXPECT_EQ(frames[30].lookAt.viewPoint, last.lookAt.viewPoint);
    EXPECT_EQ(frames[0].lookAt.upward, first.lookAt.upward);

    // Three keys: 0, 2, 5.
    const AnimationFrame middle(2, makeLookAt(V(6, 0, 0), V(0, 0, 0), V(0, 0, 1)));
    const AnimationFrame end(5, makeLookAt(V(0, 0, 0), V(0, 0, 0), V(0, 0, 1)));
    const AnimationFrame start(0, makeLookAt(V(0, 0, 0), V(0, 0, 0), V(0, 0, 1)));
    frames.clear();
    AnimationFrame::getAnimationFrames(&frames, {start, middle, end});
    EXPECT_EQ(frameNumbers(frames), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(frames[1].lookAt.viewPoint, V(3, 0, 0));
    expectNear(frames[3].lookAt.viewPoint, V(4, 0, 0));
    expectNear(frames[4].lookAt.viewPoint, V(2, 0, 0));
}

TEST(AnimationFrameTest, KeysWithoutRoomBetweenThem)
{
    const Camera::LookAtData a = makeLookAt(V(1, 2, 3), V(4, 5, 6), V(0, 0, 1));
    const Camera::LookAtData b = makeLookAt(V(7, 8, 9), V(0, 0, 0), V(1, 0, 0));
    std::vector<AnimationFrame> frames;
    AnimationFrame::getAnimationFrames(&frames, {});
    EXPECT_TRUE(frames.empty());

    AnimationFrame::getAnimationFrames(&frames, {AnimationFrame(3, a)});
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].lookAt.viewPoint, a.viewPoint);

    // Appended behind what is there.
    AnimationFrame::getAnimationFrames(&frames, {AnimationFrame(5, a), AnimationFrame(6, b)});
    EXPECT_EQ(frameNumbers(frames), (std::vector<int>{3, 5, 6}));

    frames.clear();
    AnimationFrame::getAnimationFrames(&frames, {AnimationFrame(4, a), AnimationFrame(4, b)});
    EXPECT_EQ(frameNumbers(frames), (std::vector<int>{4, 4}));
    EXPECT_EQ(frames[1].lookAt.viewPoint, b.viewPoint);

    frames.clear();
    AnimationFrame::getAnimationFrames(&frames, {AnimationFrame(10, a), AnimationFrame(4, b)});
    EXPECT_EQ(frameNumbers(frames), (std::vector<int>{10, 4}));

    // Far-apart numbers in reverse order: the difference does not overflow.
    frames.clear();
    AnimationFrame::getAnimationFrames(&frames, {AnimationFrame(INT_MAX, a), AnimationFrame(INT_MIN, b)});
    EXPECT_EQ(frameNumbers(frames), (std::vector<int>{INT_MAX, INT_MIN}));

    const AnimationFrame empty;
    EXPECT_EQ(empty.lookAt.viewPoint, V(0, 0, 0));
    EXPECT_EQ(empty.lookAt.upward, V(0, 0, 0));
}
