#ifndef SCENE_ANIMATIONFRAME_H
#define SCENE_ANIMATIONFRAME_H

#include "camera.h"

#include <vector>

// One numbered camera key frame of a turning animation.
class AnimationFrame
{
public:
    AnimationFrame();
    AnimationFrame(int iFrameNumber, const Camera::LookAtData& iLookAt);

    // Appends every frame from the first key to the last, the look-at interpolated linearly
    // between neighbouring keys (upward included, not normalised); keys whose numbers do
    // not increase by at least 2 get nothing between them. oFrames is not cleared.
    static void getAnimationFrames(std::vector<AnimationFrame>* oFrames, const std::vector<AnimationFrame>& iKeys);

    bool flag = false; // unused, false in every frame made here
    int frameNumber = 0;
    Camera::LookAtData lookAt;
};

#endif
