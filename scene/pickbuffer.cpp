#include "pickbuffer.h"

#include "color.h"

namespace {

const GLenum kMixing[] = {GL_MULTISAMPLE, GL_BLEND, GL_DITHER, GL_POINT_SMOOTH, GL_LINE_SMOOTH, GL_POLYGON_SMOOTH};

} // namespace

void FL_getIndexArrayFromPixelColor(std::vector<unsigned int>* oKeys, int iWidth, int iHeight)
{
    oKeys->clear();
    if (iWidth <= 0 || iHeight <= 0)
        return;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(iWidth) * static_cast<std::size_t>(iHeight) * 4u);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, iWidth, iHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    oKeys->resize(pixels.size() / 4u);
    for (std::size_t i = 0; i < oKeys->size(); ++i) {
        const unsigned char* p = pixels.data() + i * 4u;
        (*oKeys)[i] = Color(p[0], p[1], p[2], p[3]).toUInt32();
    }
}

UnmixedColors::UnmixedColors()
{
    static_assert(sizeof(kMixing) / sizeof(kMixing[0]) == kCount, "one flag per capability");
    for (std::size_t i = 0; i < kCount; ++i) {
        mWasEnabled[i] = glIsEnabled(kMixing[i]);
        glDisable(kMixing[i]);
    }
}

UnmixedColors::~UnmixedColors()
{
    for (std::size_t i = 0; i < kCount; ++i)
        if (mWasEnabled[i])
            glEnable(kMixing[i]);
}
