#ifndef POLYGON_POLYGONFILER_H
#define POLYGON_POLYGONFILER_H

#include "polygonmesh.h"

#include <string>

// Reads a triangle mesh from one file, chosen by the path's suffix ("stl": ASCII or binary
// STL, told apart by the head "solid" and the file's size; "xml": a JPGIS elevation grid), and
// writes meshes as STL. Readers print their progress and trouble on standard output and return
// a complete new mesh, which the caller owns, or null. Vertices at one position are welded into
// one; every STL vertex is coloured (100, 100, 0, 255). Triangles with a non-finite corner are
// dropped (and counted on output).
class PolygonFiler
{
public:
    explicit PolygonFiler(const std::string& iFilePath);

    std::string getFilePath() const;

    // The text after the last dot of the file's own name (dots in folder names do not count);
    // empty for a name without one.
    static std::string getSuffix(const std::string& iFilePath);

    // Null, with iErrorMessage set, for an unknown suffix, an unreadable STL file or grid, or
    // when memory runs out; null with the message untouched for a path without a suffix.
    PolygonData* importPolygonDataFile(std::string& iErrorMessage) const;

    // The file starts with "solid", in any letter case.
    bool isSTLFile_ASCII() const;
    // Keywords in any letter case.
    PolygonData* importSTLFile_ASCII() const;
    // Refuses a file shorter than 84 + 50 x its triangle count before reading any record;
    // bytes after the last record are ignored.
    PolygonData* importSTLFile_Binary() const;

    // False when the file cannot be written whole.
    bool exportSTLFile_ASCII(const PolygonData& iData) const;
    bool exportSTLFile_Binary(const PolygonData& iData) const;

private:
    PolygonData* importFile(std::string& iErrorMessage) const;

    std::string mFilePath;
};

#endif
