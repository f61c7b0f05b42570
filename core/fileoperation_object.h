#ifndef CORE_FILEOPERATION_OBJECT_H
#define CORE_FILEOPERATION_OBJECT_H

#include "color.h"
#include "matrix4x4.h"
#include "vector3.h"

#include <string>

// The record of one object file (".shot", ".polygon"): what a project keeps of a scene object
// that owns an octree data file.
struct ObjectInfo
{
    std::string name;
    // Shown unless the file says otherwise, as a new scene object is.
    bool visible = true;
    Color color;
    Matrix4x4T<double> matrix;
    Vector3T<double> center;
    Vector3T<double> size;
    // The data file's name, relative to the folder that holds the object file.
    std::string dataFilePath;
};

// The two forms of the object file. Both start with "ObjectInfo 0.1"; the editor's has no Visible
// section, so a reader tells them apart only by the section headers.
enum class ObjectFileForm
{
    WithVisible,
    WithoutVisible
};

// Writes an object file: "ObjectInfo 0.1", then the keyed sections Name, Visible (WithVisible
// only), Color, Matrix, Center, Size, DataFilePath; fifteen or thirteen lines. Numbers are
// written so that they read back exactly. False with "Cannot open file for writting: " and the
// path when the file cannot be created or not all of it reached the disk.
bool saveObjectFile(const ObjectInfo& iInfo, const std::string& iFilePath, std::string& iErrorMessage,
                    ObjectFileForm iForm = ObjectFileForm::WithVisible);

// Reads an object file of the given form into *oInfo; WithoutVisible leaves oInfo->visible as
// it was. A data file name that is not a plain file name (sectionfile::isPlainFileName) is
// refused with a message that names the object file. On failure returns false with the
// message of the failed step and leaves *oInfo as it was; progress and header faults go to
// standard output.
bool loadObjectFile(ObjectInfo* oInfo, const std::string& iFilePath, std::string& iErrorMessage,
                    ObjectFileForm iForm = ObjectFileForm::WithVisible);

#endif
