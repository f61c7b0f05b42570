#ifndef CORE_POINTCLOUDIMPOPERATION_H
#define CORE_POINTCLOUDIMPOPERATION_H

#include "pointclouddata.h"

#include <string>

// Importers of text point files into a point matrix, and the ASCII PCD writer.
// Each appends cells to oData->pointList (handed over empty), prints its progress and errors as
// single flushed lines on standard output and returns false at the first malformed or missing
// line; cells appended before a failure stay. Lines are split at blanks only; a carriage return
// before the line feed is not part of the line. A cell with a non-finite coordinate is empty
// (flag Point::Deleted, position 0).

// PTX scan grid: width = columns, height = rows, cells column after column. A cell at exactly
// (0, 0, 0) is empty.
bool initByPTXFile(PointCloudData* oData, const std::string& iFilePath);

// PTS point list: appends the points only; width, height and valid point number stay as they were.
bool initByPTSFile(PointCloudData* oData, const std::string& iFilePath);

// ASCII PCD in the layout exportPCDFile writes. A short file is accepted: the matrix is padded
// with empty white cells to width x height and its flag field is set to 1 (0 otherwise).
bool initByPCDFile(PointCloudData* oData, const std::string& iFilePath);

// Writes the valid cells as an ASCII PCD of WIDTH n, HEIGHT 1 with numbers that read back to
// the same floats; false when the file cannot be opened or written.
bool exportPCDFile(const PointCloudData& iData, const std::string& iFilePath);

// JPGIS elevation grid: width = NX, height = NY, cells row after row from the north-west corner,
// positions in kilometres east and north of 135 degrees east, 35 degrees north.
bool initByJPGISFile(PointCloudData* oData, const std::string& iFilePath);

// Test patterns: append turned and moved copies of iIn to oOut (5 levels x 8 turns, and a
// pyramid of 4 sides x 15 copies). Width, height and valid point number of oOut stay; always true.
bool getTowerPoints(PointCloudData* oOut, const PointCloudData& iIn);
bool getPyramidPoints(PointCloudData* oOut, const PointCloudData& iIn);

#endif
