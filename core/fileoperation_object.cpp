#include "fileoperation_object.h"

#include "asciifileoperator.h"
#include "sectionfile.h"

#include <iostream>

namespace {

const char* const flDataName = "ObjectInfo";
const char* const flVersion = "0.1";

} // namespace

bool saveObjectFile(const ObjectInfo& iInfo, const std::string& iFilePath, std::string& iErrorMessage,
                    ObjectFileForm iForm)
{
    AsciiFileOperator stream;
    if (!stream.openFile(iFilePath, false)) {
        iErrorMessage = "Cannot open file for writting: " + iFilePath;
        return false;
    }
    stream << flDataName << ' ' << flVersion << '\n';
    stream << AsciiFileOperator::getHeader("Name") << '\n' << iInfo.name << '\n';
    if (iForm == ObjectFileForm::WithVisible)
        stream << AsciiFileOperator::getHeader("Visible") << '\n' << iInfo.visible << '\n';
    stream << AsciiFileOperator::getHeader("Color") << '\n' << AsciiFileOperator::toString(iInfo.color) << '\n';
    stream << AsciiFileOperator::getHeader("Matrix") << '\n' << AsciiFileOperator::toString(iInfo.matrix) << '\n';
    stream << AsciiFileOperator::getHeader("Center") << '\n' << AsciiFileOperator::toString(iInfo.center) << '\n';
    stream << AsciiFileOperator::getHeader("Size") << '\n' << AsciiFileOperator::toString(iInfo.size) << '\n';
    stream << AsciiFileOperator::getHeader("DataFilePath") << '\n' << iInfo.dataFilePath << '\n';
    // A full disk would otherwise leave a truncated file behind a successful save.
    if (!stream.closeFile()) {
        iErrorMessage = "Cannot open file for writting: " + iFilePath;
        return false;
    }
    return true;
}

bool loadObjectFile(ObjectInfo* oInfo, const std::string& iFilePath, std::string& iErrorMessage,
                    ObjectFileForm iForm)
{
    AsciiFileOperator stream;
    if (!stream.openFile(iFilePath, true)) {
        iErrorMessage = "Cannot open file for reading: " + iFilePath;
        return false;
    }

    std::string name;
    std::string version;
    if (!AsciiFileOperator::getFileHeader(stream.readLine(), &name, &version)) {
        std::cout << "File Header Error." << std::endl;
        iErrorMessage = "File Header Error.";
        return false;
    }
    if (name != flDataName) {
        std::cout << "ObjectInfo is not found." << std::endl;
        std::cout << "keyward: " << name << std::endl;
        iErrorMessage = "ObjectInfo is not found.";
        return false;
    }
    if (version != flVersion) {
        std::cout << "File Format Error." << std::endl;
        std::cout << "Keyward: " << name << std::endl;
        std::cout << "Version: " << version << std::endl;
        iErrorMessage = "File Format Error.";
        return false;
    }
    sectionfile::printVersion(flDataName, flVersion);

    // Filled apart so that a broken file leaves the caller's record as it was.
    ObjectInfo info = oInfo ? *oInfo : ObjectInfo();
    const auto readSection = [&](const char* iKey) -> const std::string* {
        if (!AsciiFileOperator::isHeader(stream.readLine(), iKey)) {
            iErrorMessage = std::string("Header: ") + iKey + " is not found.";
            return nullptr;
        }
        return &stream.readLine();
    };

    const std::string* line = readSection("Name");
    if (!line)
        return false;
    info.name = *line;
    if (iForm == ObjectFileForm::WithVisible) {
        if (!(line = readSection("Visible")))
            return false;
        info.visible = AsciiFileOperator::toBoolean(*line);
    }
    if (!(line = readSection("Color")))
        return false;
    info.color = AsciiFileOperator::toMyColor(*line);
    if (!(line = readSection("Matrix")))
        return false;
    info.matrix = AsciiFileOperator::toMyMatrix4x4D(*line);
    if (!(line = readSection("Center")))
        return false;
    info.center = sectionfile::toVector(*line);
    if (!(line = readSection("Size")))
        return false;
    info.size = sectionfile::toVector(*line);
    if (!(line = readSection("DataFilePath")))
        return false;
    info.dataFilePath = *line;
    // The data file lies beside the object file; a name from elsewhere must not lead the
    // loads, and the editor's writes, out of the project.
    if (!sectionfile::isPlainFileName(info.dataFilePath)) {
        iErrorMessage = "DataFilePath must name a file in the folder of the object file: " + iFilePath;
        return false;
    }

    if (oInfo)
        *oInfo = info;
    return true;
}
