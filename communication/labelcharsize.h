#ifndef COMMUNICATION_LABELCHARSIZE_H
#define COMMUNICATION_LABELCHARSIZE_H

// Character sizes the measure and comment labels are drawn with: the font size boxes of their
// panels go to 99. Larger sizes would make label images of gigabytes.
constexpr int kMaxLabelCharSize = 99;

inline bool isLabelCharSize(int iSize)
{
    return iSize >= 1 && iSize <= kMaxLabelCharSize;
}

#endif
