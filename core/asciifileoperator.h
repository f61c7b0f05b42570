#ifndef CORE_ASCIIFILEOPERATOR_H
#define CORE_ASCIIFILEOPERATOR_H

#include "color.h"
#include "matrix4x4.h"
#include "vector3.h"

#include <fstream>
#include <string>

// Line reader and writer of the text data files: a first line "<data name> <version>",
// section header lines "* <name>", and value lines whose words are separated by blanks.
// Numbers are written and read without regard to the process locale.
class AsciiFileOperator
{
public:
    AsciiFileOperator() = default;

    // Opens the input (iRead) or the output stream, closing what that stream had open;
    // the output truncates. Returns whether the stream is open.
    bool openFile(const std::string& iFilePath, bool iRead);
    // Closes both streams; false when the output was open and not all of it reached the file.
    bool closeFile();
    // Whether the output stream is open and every write so far succeeded.
    bool good() const;
    // False when no input is open, else whether the input has hit the end of the file.
    bool atEnd() const;

    // The next line without its line feed (a carriage return before it stays); empty past the end.
    std::string& readLine();
    // iSize characters (none when negative); what could not be read stays zero.
    std::string& read(int iSize);

    AsciiFileOperator& operator<<(char iValue);
    AsciiFileOperator& operator<<(const char* iValue);
    AsciiFileOperator& operator<<(const std::string& iValue);
    AsciiFileOperator& operator<<(int iValue);
    AsciiFileOperator& operator<<(bool iValue);
    AsciiFileOperator& operator<<(float iValue);
    AsciiFileOperator& operator<<(double iValue);
    AsciiFileOperator& operator<<(unsigned long iValue);
    // Line feed and flush.
    AsciiFileOperator& endl();

    // Exactly two words: stores them and returns true; otherwise leaves both untouched.
    static bool getFileHeader(const std::string& iLine, std::string* oName, std::string* oVersion);
    static bool isHeader(const std::string& iLine, const std::string& iName);
    static std::string getHeader(const std::string& iName);

    static std::string toString(int iValue);
    static std::string toString(bool iValue);
    static std::string toString(float iValue);
    static std::string toString(double iValue);
    static std::string toString(unsigned long iValue);
    static std::string toString(const Color& iValue);
    static std::string toString(const Vector3T<double>& iValue);
    static std::string toString(const Vector4T<double>& iValue);
    static std::string toString(const Matrix4x4T<double>& iValue);

    static int toInt(const std::string& iText);
    static bool toBoolean(const std::string& iText);
    static float toFloat(const std::string& iText);
    static double toDouble(const std::string& iText);
    // Missing words read as 0; alpha is 255.
    static Color toMyColor(const std::string& iText);
    // Missing words read as 0; each value is rounded to float precision.
    static Vector3T<double> toMyVector3D(const std::string& iText);
    // The identity unless there are at least sixteen words.
    static Matrix4x4T<double> toMyMatrix4x4D(const std::string& iText);

private:
    void write(const char* iText, std::size_t iLength);

    std::ifstream mIn;
    std::ofstream mOut;
    std::string mLine;
};

AsciiFileOperator& operator<<(AsciiFileOperator& iOperator, AsciiFileOperator& (*iFunction)(AsciiFileOperator&));
AsciiFileOperator& operator>>(AsciiFileOperator& iOperator, AsciiFileOperator& (*iFunction)(AsciiFileOperator&));
// Line feed and flush, for the end of a chain of writes.
AsciiFileOperator& endl(AsciiFileOperator& iOperator);

#endif
