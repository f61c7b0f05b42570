#include "numberformat.h"

#include <cstdint>

#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

namespace numberformat {

namespace {

bool FL_isSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool FL_isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool FL_isHexDigit(char c)
{
    return FL_isDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

// For text that from_chars found out of range: whether it overflows (rather than underflows).
// Such a number lies hundreds of decades away from 1, so the place of its first significant
// digit plus its exponent tells the two apart.
bool FL_isHuge(const char* p, const char* iLast, bool iHex)
{
    long long scale = 0;
    bool point = false;
    bool significant = false;
    for (; p != iLast; ++p) {
        if (*p == '.') {
            point = true;
            continue;
        }
        if (!(iHex ? FL_isHexDigit(*p) : FL_isDigit(*p)))
            break;
        if (*p != '0')
            significant = true;
        if (!significant && point)
            --scale;
        else if (significant && !point)
            ++scale;
    }
    if (iHex)
        scale *= 4;
    long long exponent = 0;
    if (p != iLast && (*p | 0x20) == (iHex ? 'p' : 'e')) {
        ++p;
        const bool negative = p != iLast && *p == '-';
        if (p != iLast && (*p == '-' || *p == '+'))
            ++p;
        for (; p != iLast && FL_isDigit(*p); ++p)
            if (exponent < 1000000000)
                exponent = exponent * 10 + (*p - '0');
        if (negative)
            exponent = -exponent;
    }
    return scale + exponent > 0;
}

// The general form with six significant digits, as a default output stream writes a double.
int FL_sixDigits(double iValue, char* oBuffer)
{
    return static_cast<int>(
        std::to_chars(oBuffer, oBuffer + kMaxLength, iValue, std::chars_format::general, 6).ptr - oBuffer);
}

template <typename T>
int FL_shortest(T iValue, char* oBuffer)
{
    return static_cast<int>(std::to_chars(oBuffer, oBuffer + kMaxLength, iValue, std::chars_format::general).ptr -
                            oBuffer);
}

bool FL_readsBack(const char* iText, int iLength, double iValue)
{
    double value = 0;
    parseDouble(iText, iText + iLength, &value);
    return value == iValue;
}

bool FL_readsBack(const char* iText, int iLength, float iValue)
{
    double value = 0;
    parseDouble(iText, iText + iLength, &value);
    return narrow(value) == iValue;
}

} // namespace

// The shortest general form takes the exponent form exactly where a default stream does (below
// 1e-4 and from 1e6 on). The values that read back to a normal double lie within about 1e-16
// of it, closer than any two decimals of six digits, so when the six-digit text reads back it
// is the shortest text. Only subnormals need the explicit try.
int format(double iValue, char* oBuffer)
{
    if (std::fabs(iValue) < std::numeric_limits<double>::min()) {
        const int n = FL_sixDigits(iValue, oBuffer);
        if (FL_readsBack(oBuffer, n, iValue))
            return n;
    }
    return FL_shortest(iValue, oBuffer);
}

// A float goes through double on its way back, so every candidate is checked that way.
int format(float iValue, char* oBuffer)
{
    int n = FL_sixDigits(iValue, oBuffer);
    if (FL_readsBack(oBuffer, n, iValue))
        return n;
    n = FL_shortest(iValue, oBuffer);
    if (FL_readsBack(oBuffer, n, iValue))
        return n;
    // The shortest text of the widened value reads back to it exactly.
    return FL_shortest(double(iValue), oBuffer);
}

std::string toString(double iValue)
{
    char buffer[kMaxLength];
    return std::string(buffer, format(iValue, buffer));
}

std::string toString(float iValue)
{
    char buffer[kMaxLength];
    return std::string(buffer, format(iValue, buffer));
}

std::size_t parseDouble(const char* iFirst, const char* iLast, double* oValue)
{
    *oValue = 0;
    const char* p = iFirst;
    while (p != iLast && FL_isSpace(*p))
        ++p;
    bool negative = false;
    if (p != iLast && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    // from_chars takes a minus sign of its own, strtod does not after a sign.
    if (p == iLast || *p == '-')
        return 0;

    const bool hex = iLast - p > 2 && p[0] == '0' && (p[1] | 0x20) == 'x' &&
                     (FL_isHexDigit(p[2]) || (p[2] == '.' && iLast - p > 3 && FL_isHexDigit(p[3])));
    // Plain decimals of at most 15 digits without an exponent (nearly every coordinate in a scan
    // file): the digits make an exact integer and one division by an exact power of ten rounds
    // once, which is the correctly rounded value that strtod gives too.
    {
        static const double kPowers[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const char* q = p;
        std::uint64_t mantissa = 0;
        int digits = 0;
        int fraction = 0;
        for (; q != iLast && FL_isDigit(*q); ++q, ++digits)
            mantissa = mantissa * 10 + std::uint64_t(*q - '0');
        if (q != iLast && *q == '.') {
            ++q;
            for (; q != iLast && FL_isDigit(*q); ++q, ++digits, ++fraction)
                mantissa = mantissa * 10 + std::uint64_t(*q - '0');
        }
        const bool exponent = q != iLast && (*q | 0x20) == 'e';
        if (!hex && digits > 0 && digits <= 15 && !exponent) {
            const double value = double(mantissa) / kPowers[fraction];
            *oValue = negative ? -value : value;
            return static_cast<std::size_t>(q - iFirst);
        }
    }

    double value = 0;
    const char* start = hex ? p + 2 : p;
    const std::from_chars_result r =
        std::from_chars(start, iLast, value, hex ? std::chars_format::hex : std::chars_format::general);
    if (r.ec == std::errc::invalid_argument)
        return 0;
    if (r.ec == std::errc::result_out_of_range)
        value = FL_isHuge(start, r.ptr, hex) ? std::numeric_limits<double>::infinity() : 0.0;
    *oValue = negative ? -value : value;
    return static_cast<std::size_t>(r.ptr - iFirst);
}

std::size_t parseInt(const char* iFirst, const char* iLast, int* oValue)
{
    *oValue = 0;
    const char* p = iFirst;
    while (p != iLast && FL_isSpace(*p))
        ++p;
    bool negative = false;
    if (p != iLast && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    const char* digits = p;
    long long value = 0;
    for (; p != iLast && FL_isDigit(*p); ++p)
        if (value <= INT_MAX)
            value = value * 10 + (*p - '0');
    if (p == digits)
        return 0;
    if (negative)
        value = -value;
    *oValue = value > INT_MAX ? INT_MAX : (value < INT_MIN ? INT_MIN : static_cast<int>(value));
    return static_cast<std::size_t>(p - iFirst);
}

float narrow(double iValue)
{
    // Half a unit above FLT_MAX: from there on the nearest float is infinity.
    constexpr double kOverflow = 0x1.ffffffp127;
    if (iValue >= kOverflow)
        return std::numeric_limits<float>::infinity();
    if (iValue <= -kOverflow)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(iValue);
}

double toDouble(const std::string& iText)
{
    double value;
    parseDouble(iText.data(), iText.data() + iText.size(), &value);
    return value;
}

float toFloat(const std::string& iText)
{
    return narrow(toDouble(iText));
}

int toInt(const std::string& iText)
{
    int value;
    parseInt(iText.data(), iText.data() + iText.size(), &value);
    return value;
}

} // namespace numberformat
