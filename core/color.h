#ifndef CORE_COLOR_H
#define CORE_COLOR_H

#include <cstdint>

// One RGBA colour, stored raw as 4 bytes in files.
struct Color
{
    unsigned char red = 255;
    unsigned char green = 255;
    unsigned char blue = 255;
    unsigned char alpha = 255;

    Color() = default;
    Color(unsigned char r, unsigned char g, unsigned char b, unsigned char a = 255)
        : red(r), green(g), blue(b), alpha(a)
    {
    }

    // Little-endian bytes of a 32-bit number: red = bits 0-7 ... alpha = bits 24-31.
    static Color fromUInt32(std::uint32_t v)
    {
        return Color(static_cast<unsigned char>(v & 0xFF), static_cast<unsigned char>((v >> 8) & 0xFF),
                     static_cast<unsigned char>((v >> 16) & 0xFF), static_cast<unsigned char>((v >> 24) & 0xFF));
    }
    std::uint32_t toUInt32() const
    {
        return std::uint32_t(red) | (std::uint32_t(green) << 8) | (std::uint32_t(blue) << 16) |
               (std::uint32_t(alpha) << 24);
    }

    bool operator==(const Color& o) const
    {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
    bool operator!=(const Color& o) const { return !(*this == o); }
};

static_assert(sizeof(Color) == 4, "Color is stored raw as 4 bytes");

#endif
