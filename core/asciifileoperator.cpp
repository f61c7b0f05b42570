#include "asciifileoperator.h"

#include "numberformat.h"
#include "stringdivider.h"

#include <charconv>
#include <cstring>
#include <vector>

namespace {

struct FL_Word
{
    const char* begin;
    const char* end;
};

// The first iMax blank-separated words of iText; returns how many there are (at most iMax).
int FL_words(const std::string& iText, FL_Word* oWords, int iMax)
{
    const char* p = iText.data();
    const char* const last = p + iText.size();
    int n = 0;
    while (n < iMax) {
        while (p != last && *p == ' ')
            ++p;
        if (p == last)
            break;
        const char* begin = p;
        while (p != last && *p != ' ')
            ++p;
        oWords[n++] = {begin, p};
    }
    return n;
}

std::vector<std::string> FL_divideAtBlanks(const std::string& iLine)
{
    StringDivider divider;
    divider.entry(' ');
    return divider.divide(iLine);
}

template <typename T>
std::string FL_join(const T* iValues, int iCount)
{
    std::string text;
    for (int i = 0; i < iCount; ++i) {
        if (i > 0)
            text += ' ';
        text += AsciiFileOperator::toString(iValues[i]);
    }
    return text;
}

} // namespace

bool AsciiFileOperator::openFile(const std::string& iFilePath, bool iRead)
{
    // Binary mode: lines end in a bare line feed on every platform, and a carriage return
    // read before one is kept.
    if (iRead) {
        mIn.close();
        mIn.clear();
        mIn.open(iFilePath, std::ios::in | std::ios::binary);
        return mIn.is_open();
    }
    mOut.close();
    mOut.clear();
    mOut.open(iFilePath, std::ios::out | std::ios::trunc | std::ios::binary);
    return mOut.is_open();
}

bool AsciiFileOperator::closeFile()
{
    bool written = true;
    if (mOut.is_open()) {
        mOut.close(); // flushes; a failure sets failbit
        written = !mOut.fail();
    }
    mIn.close();
    return written;
}

bool AsciiFileOperator::good() const
{
    return mOut.is_open() && mOut.good();
}

bool AsciiFileOperator::atEnd() const
{
    return mIn.is_open() && mIn.eof();
}

std::string& AsciiFileOperator::readLine()
{
    // getline leaves the buffer alone once the stream has failed; past the end it must be empty.
    mLine.clear();
    std::getline(mIn, mLine);
    return mLine;
}

std::string& AsciiFileOperator::read(int iSize)
{
    mLine.assign(iSize > 0 ? static_cast<std::size_t>(iSize) : 0, '\0');
    if (iSize > 0)
        mIn.read(&mLine[0], iSize);
    return mLine;
}

void AsciiFileOperator::write(const char* iText, std::size_t iLength)
{
    if (mOut.is_open())
        mOut.write(iText, static_cast<std::streamsize>(iLength));
}

AsciiFileOperator& AsciiFileOperator::operator<<(char iValue)
{
    write(&iValue, 1);
    return *this;
}

AsciiFileOperator& AsciiFileOperator::operator<<(const char* iValue)
{
    write(iValue, std::strlen(iValue));
    return *this;
}

AsciiFileOperator& AsciiFileOperator::operator<<(const std::string& iValue)
{
    write(iValue.data(), iValue.size());
    return *this;
}

AsciiFileOperator& AsciiFileOperator::operator<<(int iValue)
{
    char buffer[16];
    write(buffer, static_cast<std::size_t>(std::to_chars(buffer, buffer + sizeof buffer, iValue).ptr - buffer));
    return *this;
}

AsciiFileOperator& AsciiFileOperator::operator<<(bool iValue)
{
    return *this << (iValue ? '1' : '0');
}

AsciiFileOperator& AsciiFileOperator::operator<<(float iValue)
{
    char buffer[numberformat::kMaxLength];
    write(buffer, static_cast<std::size_t>(numberformat::format(iValue, buffer)));
    return *this;
}

AsciiFileOperator& AsciiFileOperator::operator<<(double iValue)
{
    char buffer[numberformat::kMaxLength];
    write(buffer, static_cast<std::size_t>(numberformat::format(iValue, buffer)));
    return *this;
}

AsciiFileOperator& AsciiFileOperator::operator<<(unsigned long iValue)
{
    char buffer[24];
    write(buffer, static_cast<std::size_t>(std::to_chars(buffer, buffer + sizeof buffer, iValue).ptr - buffer));
    return *this;
}

AsciiFileOperator& AsciiFileOperator::endl()
{
    *this << '\n';
    if (mOut.is_open())
        mOut.flush();
    return *this;
}

bool AsciiFileOperator::getFileHeader(const std::string& iLine, std::string* oName, std::string* oVersion)
{
    std::vector<std::string> words = FL_divideAtBlanks(iLine);
    if (words.size() != 2)
        return false;
    *oName = std::move(words[0]);
    *oVersion = std::move(words[1]);
    return true;
}

bool AsciiFileOperator::isHeader(const std::string& iLine, const std::string& iName)
{
    const std::vector<std::string> words = FL_divideAtBlanks(iLine);
    return words.size() == 2 && words[0] == "*" && words[1] == iName;
}

std::string AsciiFileOperator::getHeader(const std::string& iName)
{
    return "* " + iName;
}

std::string AsciiFileOperator::toString(int iValue)
{
    return std::to_string(iValue);
}

std::string AsciiFileOperator::toString(bool iValue)
{
    return iValue ? "1" : "0";
}

std::string AsciiFileOperator::toString(float iValue)
{
    return numberformat::toString(iValue);
}

std::string AsciiFileOperator::toString(double iValue)
{
    return numberformat::toString(iValue);
}

std::string AsciiFileOperator::toString(unsigned long iValue)
{
    return std::to_string(iValue);
}

std::string AsciiFileOperator::toString(const Color& iValue)
{
    const int values[3] = {iValue.red, iValue.green, iValue.blue};
    return FL_join(values, 3);
}

std::string AsciiFileOperator::toString(const Vector3T<double>& iValue)
{
    const double values[3] = {iValue.x, iValue.y, iValue.z};
    return FL_join(values, 3);
}

std::string AsciiFileOperator::toString(const Vector4T<double>& iValue)
{
    const double values[4] = {iValue.x, iValue.y, iValue.z, iValue.w};
    return FL_join(values, 4);
}

std::string AsciiFileOperator::toString(const Matrix4x4T<double>& iValue)
{
    return FL_join(iValue.m, 16);
}

int AsciiFileOperator::toInt(const std::string& iText)
{
    return numberformat::toInt(iText);
}

bool AsciiFileOperator::toBoolean(const std::string& iText)
{
    return numberformat::toInt(iText) != 0;
}

float AsciiFileOperator::toFloat(const std::string& iText)
{
    return numberformat::toFloat(iText);
}

double AsciiFileOperator::toDouble(const std::string& iText)
{
    return numberformat::toDouble(iText);
}

Color AsciiFileOperator::toMyColor(const std::string& iText)
{
    FL_Word words[3];
    const int n = FL_words(iText, words, 3);
    unsigned char rgb[3] = {0, 0, 0};
    for (int i = 0; i < n; ++i) {
        int value;
        numberformat::parseInt(words[i].begin, words[i].end, &value);
        rgb[i] = static_cast<unsigned char>(static_cast<unsigned>(value) & 0xFFu); // 256 -> 0, -1 -> 255
    }
    return Color(rgb[0], rgb[1], rgb[2], 255);
}

Vector3T<double> AsciiFileOperator::toMyVector3D(const std::string& iText)
{
    FL_Word words[3];
    const int n = FL_words(iText, words, 3);
    Vector3T<double> v;
    for (int i = 0; i < n; ++i) {
        double value;
        numberformat::parseDouble(words[i].begin, words[i].end, &value);
        v[i] = numberformat::narrow(value);
    }
    return v;
}

Matrix4x4T<double> AsciiFileOperator::toMyMatrix4x4D(const std::string& iText)
{
    FL_Word words[16];
    Matrix4x4T<double> matrix;
    if (FL_words(iText, words, 16) < 16)
        return matrix;
    for (int i = 0; i < 16; ++i)
        numberformat::parseDouble(words[i].begin, words[i].end, &matrix.m[i]);
    return matrix;
}

AsciiFileOperator& operator<<(AsciiFileOperator& iOperator, AsciiFileOperator& (*iFunction)(AsciiFileOperator&))
{
    return iFunction(iOperator);
}

AsciiFileOperator& operator>>(AsciiFileOperator& iOperator, AsciiFileOperator& (*iFunction)(AsciiFileOperator&))
{
    return iFunction(iOperator);
}

AsciiFileOperator& endl(AsciiFileOperator& iOperator)
{
    return iOperator.endl();
}
