#include "numberformat.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace numberformat;

namespace {

double parse(const std::string& iText, std::size_t* oUsed = nullptr)
{
    // An exactly sized heap copy, so that a read past the range shows under AddressSanitizer.
    std::vector<char> text(iText.begin(), iText.end());
    double value = -1;
    const std::size_t used = parseDouble(text.data(), text.data() + text.size(), &value);
    if (oUsed)
        *oUsed = used;
    return value;
}

bool sameDouble(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b));
}

} // namespace

TEST(NumberFormat, WritesSixDigitsWhereTheyReadBackElseShortest)
{
    EXPECT_EQ(toString(0.1), "0.1");
    EXPECT_EQ(toString(0.5), "0.5");
    EXPECT_EQ(toString(100.0), "100");
    EXPECT_EQ(toString(100000.0), "100000");
    EXPECT_EQ(toString(1e6), "1e+06");
    EXPECT_EQ(toString(1e-5), "1e-05");
    EXPECT_EQ(toString(0.0001), "0.0001");
    EXPECT_EQ(toString(-2.5), "-2.5");
    EXPECT_EQ(toString(0.0), "0");
    EXPECT_EQ(toString(412345.678), "412345.678");
    EXPECT_EQ(toString(5412345.678), "5.412345678e+06");
    EXPECT_EQ(toString(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(toString(1.0f / 3), "0.33333334");
    EXPECT_EQ(toString(0.1f), "0.1");
    EXPECT_EQ(toString(1e6f), "1e+06");
    EXPECT_EQ(toString(412345.678f), "412345.7");
    EXPECT_EQ(toString(DBL_TRUE_MIN), "4.94066e-324"); // the six digits read back, though "5e-324" is shorter
    EXPECT_EQ(toString(FLT_TRUE_MIN), "1.4013e-45");
    EXPECT_EQ(toString(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(toString(-std::numeric_limits<float>::infinity()), "-inf");
}

TEST(NumberFormat, SixDigitValuesLookAsADefaultStreamWritesThem)
{
    std::mt19937 random(7);
    char expected[64];
    for (int i = 0; i < 20000; ++i) {
        const int exponent = int(random() % 40) - 20;
        const double value = double(int(random() % 1999999) - 999999) * std::pow(10.0, exponent);
        std::snprintf(expected, sizeof expected, "%g", value); // the test runs in the C locale
        if (parse(expected) == value) {
            ASSERT_EQ(toString(value), expected);
        }
        const float narrowed = float(value);
        std::snprintf(expected, sizeof expected, "%g", double(narrowed));
        if (narrow(parse(expected)) == narrowed) {
            ASSERT_EQ(toString(narrowed), expected);
        }
    }
}

TEST(NumberFormat, EveryValueReadsBackToItself)
{
    std::mt19937_64 random(11);
    std::vector<double> doubles = {DBL_MAX, -DBL_MAX, DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN, 1e23, 9007199254740993.0,
                                   0.1 + 0.2, -0.0};
    std::vector<float> floats = {FLT_MAX, -FLT_MAX, FLT_MIN, FLT_TRUE_MIN, 16777217.0f, 3.4e38f, 1e-45f, 7.038531e-26f};
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t bits = random();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        float f;
        std::uint32_t fbits = std::uint32_t(bits >> 32);
        std::memcpy(&f, &fbits, sizeof f);
        if (!std::isnan(d))
            doubles.push_back(d);
        if (!std::isnan(f))
            floats.push_back(f);
    }
    for (double d : doubles) {
        const std::string text = toString(d);
        ASSERT_LE(text.size(), std::size_t(kMaxLength));
        ASSERT_TRUE(sameDouble(parse(text), d)) << text;
    }
    for (float f : floats) {
        const std::string text = toString(f);
        ASSERT_EQ(narrow(parse(text)), f) << text;
        ASSERT_EQ(toFloat(text), f) << text;
    }
}

TEST(NumberFormat, ParsesAsAtofInTheCLocale)
{
    const char* texts[] = {"1.5", "  \t\n\v\f\r-2.25e3xyz", "+5", "-5", "--5", "+-5", "-+5", ".5", "-.5", ".", "-.",
                           "1.", "1e", "1e+", "1e-x", "1E5", "1e5x", "007", "abc", "", " ", "-", "+", "inf", "-INF",
                           "Infinity", "infinit", "nan", "-NaN", "nan(abc)", "nan(", "nan(a b)", "0x1p3", "0x1.8p1",
                           "-0X10", "0x", "0xg", "0x.8", "0x.p1", "0x1p", "0x1p-2", "0xinf", "1e400", "-1e400",
                           "1e-400", "-1e-400", "2e-324", "3e-324", "1e-310", "0.000000001e-320", "1000e305",
                           "0x1p5000", "0x1p-5000", "0.0000e999999999999", "123456789012345678901234567890",
                           "4.9406564584124654e-324", "2.2250738585072011e-308", "1.7976931348623157e308",
                           "1.7976931348623159e308", "9007199254740993", "0.1,5", "1 2"};
    for (const char* text : texts) {
        char* end;
        const double expected = std::strtod(text, &end);
        std::size_t used;
        const double value = parse(text, &used);
        EXPECT_TRUE(sameDouble(value, expected)) << '"' << text << "\" " << value << " vs " << expected;
        EXPECT_EQ(used, std::size_t(end - text)) << '"' << text << '"';
    }
}

TEST(NumberFormat, ParsesWithinTheRangeAndWalksALine)
{
    const std::string line = "12345";
    double value;
    EXPECT_EQ(parseDouble(line.data(), line.data() + 3, &value), 3u);
    EXPECT_EQ(value, 123.0);
    int integer;
    EXPECT_EQ(parseInt(line.data(), line.data() + 2, &integer), 2u);
    EXPECT_EQ(integer, 12);
    EXPECT_EQ(parseDouble(line.data(), line.data(), &value), 0u);
    EXPECT_EQ(value, 0.0);

    const std::string points = " 1.5 -2 3e2\t4 ";
    const char* p = points.data();
    const char* const last = p + points.size();
    std::vector<double> values;
    while (std::size_t used = parseDouble(p, last, &value)) {
        values.push_back(value);
        p += used;
    }
    EXPECT_EQ(values, (std::vector<double>{1.5, -2, 300, 4}));
    EXPECT_EQ(last - p, 1);
}

TEST(NumberFormat, IntegersClampInsteadOfOverflowing)
{
    EXPECT_EQ(toInt("2147483647"), INT_MAX);
    EXPECT_EQ(toInt("2147483648"), INT_MAX);
    EXPECT_EQ(toInt("-2147483648"), INT_MIN);
    EXPECT_EQ(toInt("-2147483649"), INT_MIN);
    EXPECT_EQ(toInt("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(toInt("-000000000000000000000012"), -12);
    EXPECT_EQ(toInt(" \t+12abc"), 12);
    EXPECT_EQ(toInt("1.9"), 1);
    EXPECT_EQ(toInt("+-1"), 0);
    EXPECT_EQ(toInt("x1"), 0);
    EXPECT_EQ(toInt(""), 0);
    int value;
    const std::string text = "  -42 ";
    EXPECT_EQ(parseInt(text.data(), text.data() + text.size(), &value), 5u);
    EXPECT_EQ(value, -42);
    EXPECT_EQ(parseInt(text.data(), text.data() + 3, &value), 0u);
}

TEST(NumberFormat, FloatsNarrowLikeTheHardwareWithoutOverflow)
{
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(toFloat("1e300"), inf);
    EXPECT_EQ(toFloat("-1e300"), -inf);
    EXPECT_EQ(toFloat("3.4028235e38"), FLT_MAX);
    EXPECT_EQ(toFloat("3.40282356e38"), FLT_MAX); // below the midpoint to infinity
    EXPECT_EQ(toFloat("3.40282357e38"), inf);     // above it
    EXPECT_EQ(narrow(0x1.ffffffp127), inf);       // the midpoint rounds to even: infinity
    EXPECT_EQ(narrow(0x1.fffffefffffffp127), FLT_MAX);
    EXPECT_EQ(toFloat("1e-50"), 0.0f);
    EXPECT_TRUE(std::isnan(toFloat("nan")));
    EXPECT_EQ(toFloat("0.1"), 0.1f);
}

TEST(NumberFormat, IgnoresACommaDecimalLocale)
{
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8"};
    const char* chosen = nullptr;
    for (const char* name : names)
        if ((chosen = std::setlocale(LC_ALL, name)))
            break;
    if (!chosen)
        GTEST_SKIP() << "no comma-decimal locale installed";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%g", 1.5);
    const std::string written = toString(1.5) + " " + toString(0.25f) + " " + toString(412345.678);
    const double read = toDouble("1.5");
    const int integer = toInt("1.5");
    std::setlocale(LC_ALL, "C");
    EXPECT_STREQ(probe, "1,5"); // the locale really is a comma locale
    EXPECT_EQ(written, "1.5 0.25 412345.678");
    EXPECT_EQ(read, 1.5);
    EXPECT_EQ(integer, 1);
}

// Scan files are full of short plain decimals: they take a shortcut that must give strtod's value.
TEST(NumberFormat, ShortDecimalsMatchStrtod)
{
    std::mt19937_64 random(7);
    char text[40];
    for (int i = 0; i < 200000; ++i) {
        const int whole = int(random() % 9);
        const int fraction = int(random() % 9);
        int n = 0;
        if (random() % 2)
            text[n++] = '-';
        for (int k = 0; k < whole; ++k)
            text[n++] = char('0' + random() % 10);
        if (fraction > 0 || whole == 0) {
            text[n++] = '.';
            for (int k = 0; k < fraction + (whole == 0 ? 1 : 0); ++k)
                text[n++] = char('0' + random() % 10);
        }
        text[n++] = ' ';
        text[n] = '\0';
        double value = 0;
        const std::size_t used = numberformat::parseDouble(text, text + n, &value);
        char* end = nullptr;
        const double expected = std::strtod(text, &end);
        ASSERT_EQ(used, std::size_t(end - text)) << text;
        ASSERT_EQ(std::signbit(value), std::signbit(expected)) << text;
        ASSERT_EQ(value, expected) << text;
    }
}
