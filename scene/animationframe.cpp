#include "animationframe.h"

namespace {

Vector3T<double> FL_interpolate(const Vector3T<double>& iFrom, const Vector3T<double>& iTo, double iRatio)
{
    return iFrom + (iTo - iFrom) * iRatio;
}

} // namespace

AnimationFrame::AnimationFrame() = default;

AnimationFrame::AnimationFrame(int iFrameNumber, const Camera::LookAtData& iLookAt)
    : frameNumber(iFrameNumber), lookAt(iLookAt)
{
}

void AnimationFrame::getAnimationFrames(std::vector<AnimationFrame>* oFrames, const std::vector<AnimationFrame>& iKeys)
{
    if (iKeys.empty())
        return;
    oFrames->push_back(iKeys.front());
    for (std::size_t k = 1; k < iKeys.size(); ++k) {
        const AnimationFrame& previous = iKeys[k - 1];
        const AnimationFrame& key = iKeys[k];
        // In 64 bits: the difference of two far-apart frame numbers overflows an int.
        const long long steps = static_cast<long long>(key.frameNumber) - previous.frameNumber;
        for (long long s = 1; s < steps; ++s) {
            const double ratio = static_cast<double>(s) / static_cast<double>(steps);
            Camera::LookAtData between;
            between.viewPoint = FL_interpolate(previous.lookAt.viewPoint, key.lookAt.viewPoint, ratio);
            between.lockOnPoint = FL_interpolate(previous.lookAt.lockOnPoint, key.lookAt.lockOnPoint, ratio);
            between.upward = FL_interpolate(previous.lookAt.upward, key.lookAt.upward, ratio);
            oFrames->push_back(AnimationFrame(static_cast<int>(previous.frameNumber + s), between));
        }
        oFrames->push_back(key);
    }
}
