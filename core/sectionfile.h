#ifndef CORE_SECTIONFILE_H
#define CORE_SECTIONFILE_H

#include "asciifileoperator.h"
#include "vector3.h"

#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>

namespace rawio {
class InputFile;
}

// What every section text file reader and writer does the same way: the version line on
// standard output, the first line "<data name> <version>", "* <key>" headers each followed by
// value lines, and the failure texts. Messages that the GUI translates are passed in already
// translated, so that this stays free of Qt.
namespace sectionfile {

// Prints "<data name> Ver: <version>".
void printVersion(const std::string& iDataName, const std::string& iVersion);

// Creates iFilePath, prints the version line and runs iWrite on the stream. Fails with
// iCannotOpen in iErrorMessage when the file cannot be created or not all of it reached the
// disk, and as iWrite does when that fails.
bool exportFile(const std::string& iFilePath, const std::string& iDataName, const std::string& iVersion,
                const std::string& iCannotOpen, const std::function<bool(AsciiFileOperator&)>& iWrite,
                std::string& iErrorMessage);

// Opens iFilePath for reading and checks its first line against iDataName and iVersions. Gives
// the index of the version in iVersions after printing the version line; -1 otherwise, with
// iCannotOpen, iHeaderError (the first line is not two words) or "<data name> is not found."
// in iErrorMessage, and no message for an unknown version.
int openToRead(AsciiFileOperator& ioStream, const std::string& iFilePath, const std::string& iDataName,
               std::initializer_list<const char*> iVersions, const std::string& iCannotOpen,
               const std::string& iHeaderError, std::string& iErrorMessage);

// The header line of iKey and one value line.
void writeValue(AsciiFileOperator& iStream, const std::string& iKey, const std::string& iValue);

// The bare section word iWord as the very next line; else fails with "<word> is not found.".
bool readSectionWord(AsciiFileOperator& iStream, const std::string& iWord, std::string& iErrorMessage);
// The header line of iKey as the very next line, then iCount value lines. A missing header,
// or a file that ends before the last value line, fails with "Header: <key> is not found.".
bool readValueLines(AsciiFileOperator& iStream, const std::string& iKey, std::string* oLines, int iCount,
                    std::string& iErrorMessage);
bool readHeaderLine(AsciiFileOperator& iStream, const std::string& iKey, std::string& iErrorMessage);
bool readValueLine(AsciiFileOperator& iStream, const std::string& iKey, std::string* oLine,
                   std::string& iErrorMessage);
bool readInt(AsciiFileOperator& iStream, const std::string& iKey, int* oValue, std::string& iErrorMessage);
bool readFloat(AsciiFileOperator& iStream, const std::string& iKey, float* oValue, std::string& iErrorMessage);
bool readVector(AsciiFileOperator& iStream, const std::string& iKey, Vector3T<double>* oValue,
                std::string& iErrorMessage);

// A name or text is one line of the file: a line break inside it would end it there and shift
// every line after it, so breaks become blanks.
std::string toLine(std::string iText);

// A file name that a value line gives for a file in the folder of its own file (a project
// name, the data file of an object file): not empty, not "." or "..", and without "/", a line
// break or a zero byte, so that it neither leads out of the folder nor breaks its line.
bool isPlainFileName(const std::string& iName);

// Three blank-separated doubles at full precision (a point at georeferenced coordinates must
// read back exactly, which the float rounding of AsciiFileOperator::toMyVector3D would not
// allow); missing words read as 0.
Vector3T<double> toVector(const std::string& iText);

// The binary octree files open the same way: "Cannot open file for reading: " and the path when
// the file cannot be opened, "File is broken: " and the path when the header cannot be read or
// is damaged (not three printable words, or this kind's text cut short or run on), and
// checkHeader's printed line alone for a header of another file kind. The file's size is taken
// here, once, and every count of the load is checked against it.
bool openBinaryFile(rawio::InputFile& ioStream, const std::string& iFilePath, const std::string& iFileID,
                    const std::string& iVersion, const std::string& iDataID, std::string& iErrorMessage);
// Sets "File is broken: " and the path; returns false.
bool broken(const std::string& iFilePath, std::string& iErrorMessage);
// n^3 voxels of a resolution n; false for a resolution whose count would not fit an int.
bool voxelCount(int iResolution, int* oCount);

} // namespace sectionfile

#endif
