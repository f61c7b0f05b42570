#ifndef SCENE_SCENEPARAMETER_H
#define SCENE_SCENEPARAMETER_H

#include <cstdint>

// What kind of picture the drawers produce: handed to every draw call by constant reference.
struct SceneParameter
{
    enum SceneRenderingMode : std::int32_t
    {
        Normal = 0,
        DepthImage = 1 // after the frame, show the depth buffer instead of the colours
    };

    // Values of drawPass.
    enum DrawPass : std::int32_t
    {
        NormalPass = 0,     // the objects' own colours
        ObjectTypePass = 1, // red byte = the object's kind, for picking
        ObjectIDPass = 2    // the object's number as a little-endian colour, for picking
    };

    SceneRenderingMode renderingMode = Normal;
    std::int32_t drawPass = NormalPass;

    bool operator==(const SceneParameter& o) const
    {
        return renderingMode == o.renderingMode && drawPass == o.drawPass;
    }
    bool operator!=(const SceneParameter& o) const { return !(*this == o); }
};

static_assert(sizeof(SceneParameter) == 8, "two 32-bit fields");

#endif
