#ifndef CORE_NUMBERFORMAT_H
#define CORE_NUMBERFORMAT_H

#include <cstddef>
#include <string>

// Locale-free number text for every file the system reads or writes. Qt programs set the
// user's locale, so nothing here goes through printf, strtod or iostream formatting.
namespace numberformat {

// Room for the longest text that format() writes.
constexpr int kMaxLength = 32;

// Writes iValue to oBuffer (at least kMaxLength chars; no terminating zero) and returns the
// length. The text is the six-significant-digit general form ("0.5", "100", "1e+06") when
// that reads back to the same value of its own type, else the shortest general form that does
// ("412345.678", "0.3333333333333333"). A float reads back through parseDouble and toFloat().
int format(double iValue, char* oBuffer);
int format(float iValue, char* oBuffer);
std::string toString(double iValue);
std::string toString(float iValue);

// atof on [iFirst, iLast): leading blanks, optional sign, the longest decimal or hexadecimal
// number, "inf"/"infinity"/"nan" in any case. Overflow gives +-infinity, underflow 0.
// Returns the number of characters consumed, blanks included; 0 (and 0.0) when there is no
// number, like strtod's end pointer. Never reads outside the range.
std::size_t parseDouble(const char* iFirst, const char* iLast, double* oValue);

// atoi on [iFirst, iLast), clamped to INT_MIN and INT_MAX instead of overflowing. Returns
// the characters consumed as parseDouble does.
std::size_t parseInt(const char* iFirst, const char* iLast, int* oValue);

// double to float as the hardware rounds it, with values beyond the float range going to
// infinity without undefined behaviour.
float narrow(double iValue);

double toDouble(const std::string& iText);
float toFloat(const std::string& iText);
int toInt(const std::string& iText);

} // namespace numberformat

#endif
