#ifndef SCENE_PICKBUFFER_H
#define SCENE_PICKBUFFER_H

// Colour-coded passes read back as keys: the scene's pick maps and the meshes' visible nodes.
// Need the view's GL context current.

#include <QtOpenGL>

#include <cstddef>
#include <vector>

// Reads the colour buffer into iKeys, one packed RGBA value (red + green 256 + blue 65536 +
// alpha 16777216) per pixel, row 0 at the bottom; empty for an empty frame.
void FL_getIndexArrayFromPixelColor(std::vector<unsigned int>* oKeys, int iWidth, int iHeight);

// Keeps key colours unmixed while it lives: no sample averaging, blending, smoothing or
// dithering; what was enabled is enabled again afterwards.
class UnmixedColors
{
public:
    UnmixedColors();
    ~UnmixedColors();
    UnmixedColors(const UnmixedColors&) = delete;
    UnmixedColors& operator=(const UnmixedColors&) = delete;

private:
    static constexpr std::size_t kCount = 6;
    GLboolean mWasEnabled[kCount];
};

#endif
