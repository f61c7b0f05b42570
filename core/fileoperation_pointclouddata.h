#ifndef CORE_FILEOPERATION_POINTCLOUDDATA_H
#define CORE_FILEOPERATION_POINTCLOUDDATA_H

#include "pointclouddata.h"

#include <fstream>
#include <vector>

// The point matrix record: width, height, valid point number (32 bits each), then the cells raw.
// Every reader checks the cell count against what is left of the stream before it allocates
// or seeks, and returns false for a negative size, a short stream or a failed read.

// Prints the five size lines and writes the record; false when the stream failed.
bool writePointCloudData(std::ofstream& iStream, const PointCloudData& iData);

// Reads the record whole; cells beyond width x height are dropped.
bool loadPointCloudData(std::istream& iStream, PointCloudData* oData);

// Skips one record.
bool readPointCloudData(std::istream& iStream);

// Reads the three numbers and skips the cells.
bool loadPointCloudMatrixInfo(std::istream& iStream, int* oWidth, int* oHeight, int* oValidNumber);

// Reads the cells at the listed indices into oOut, sized to the index count.
// Indices outside the matrix fail the read.
bool loadPointData(std::istream& iStream, std::vector<Point>* oOut, const std::vector<unsigned>& iIndices);
bool loadPointData(std::istream& iStream, std::vector<Point>* oOut, const std::vector<unsigned>& iIndices,
                   bool volatile* iStop);

#endif
