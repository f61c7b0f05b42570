// Bringing outside point and polygon files into the open project's data folders.
#include "projectoperator.h"

#include "global.h"
#include "pointcloudmanager.h"
#include "polygonmanager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <iostream>

namespace {

std::string flConverterFolderPath;

QString FL_fromUtf8(const std::string& iText)
{
    return QString::fromUtf8(iText.c_str(), static_cast<int>(iText.size()));
}

std::string FL_toUtf8(const QString& iText)
{
    return iText.toUtf8().toStdString();
}

QString FL_converterPath(const char* iProgramName)
{
    const QString folder =
        flConverterFolderPath.empty() ? QCoreApplication::applicationDirPath() : FL_fromUtf8(flConverterFolderPath);
    return folder + "/" + iProgramName;
}

// Both imports need the open project's folders, and the file name becomes a line of the
// object file written at the next save.
bool FL_checkImport(const ProjectOperator& iProject, const std::string& iFilePath, std::string& iErrorMessage)
{
    if (!iProject.hasProject() || iProject.getProjectFolderPath().empty()) {
        iErrorMessage = ProjectOperator::tr("Project is not opened...").toStdString();
        return false;
    }
    if (iFilePath.find('\n') != std::string::npos || iFilePath.find('\r') != std::string::npos) {
        iErrorMessage = ProjectOperator::tr("File name must not contain a line break.").toStdString();
        return false;
    }
    return true;
}

// Runs a converter and waits for it; its verdict is the file it leaves. The converters write
// beside the destination and rename the whole file over it, so one that died while writing
// leaves no file there (where the file system has no unnamed files, a hidden one beside it,
// which a later write of the same file removes).
void FL_runConverter(const QString& iProgram, const QStringList& iArguments)
{
    QProcess converter;
    converter.setProcessChannelMode(QProcess::ForwardedChannels);
    converter.start(iProgram, iArguments);
    if (converter.waitForStarted(-1))
        converter.waitForFinished(-1);
}

} // namespace

void ProjectOperator::setConverterFolderPath(const std::string& iFolderPath)
{
    flConverterFolderPath = iFolderPath;
}

bool ProjectOperator::importPointCloud(const std::string& iFileName, std::string& iErrorMessage)
{
    if (!FL_checkImport(*this, iFileName, iErrorMessage))
        return false;
    const QFileInfo source(FL_fromUtf8(iFileName));
    const std::string suffix = FL_toUtf8(source.suffix());
    const std::string baseName = FL_toUtf8(source.completeBaseName());

    std::string destination;
    if (suffix == "zrpmd" || suffix == "zrpcd") {
        destination = getPointCloudFolderPath() + "/" + baseName + "." + suffix;
        std::cout << "Import File: " << destination << std::endl;
        if (QFile::exists(FL_fromUtf8(destination))) {
            iErrorMessage = tr("File is exist yet...").toUtf8().toStdString();
            return false;
        }
        // A failed copy shows as a destination that does not load.
        QFile::copy(FL_fromUtf8(iFileName), FL_fromUtf8(destination));
    } else {
        destination = getPointCloudFolderPath() + "/" + baseName + ".zrpcd";
        std::cout << "Converted File: " << destination << std::endl;
        if (QFile::exists(FL_fromUtf8(destination))) {
            iErrorMessage = tr("File is exist yet...").toUtf8().toStdString();
            return false;
        }
        const QStringList arguments = {FL_fromUtf8(iFileName), FL_fromUtf8(destination), "4", "1"};
        const QString program = FL_converterPath("Kestrune");
        if (!QFile::exists(program)) {
            iErrorMessage = tr("File Converter is not exist...").toUtf8().toStdString();
            return false;
        }
        FL_runConverter(program, arguments);
    }

    if (!getPointCloudManager()->generateFromBinaryFile_SVO(destination, iErrorMessage)) {
        iErrorMessage = "Unknown File Format...";
        return false;
    }
    return true;
}

bool ProjectOperator::importPolygon(const std::string& iFilePath, std::string& iErrorMessage)
{
    if (!FL_checkImport(*this, iFilePath, iErrorMessage))
        return false;
    const QFileInfo source(FL_fromUtf8(iFilePath));
    const std::string destination = getPolygonFolderPath() + "/" + FL_toUtf8(source.completeBaseName()) + ".zrply";
    const bool convert = FL_toUtf8(source.suffix()) != "zrply";
    std::cout << (convert ? "Converted File: " : "Import File: ") << destination << std::endl;
    if (QFile::exists(FL_fromUtf8(destination))) {
        iErrorMessage = tr("File is exist yet...").toUtf8().toStdString();
        return false;
    }
    if (convert && !QFile::exists(FL_converterPath("Mervane"))) {
        iErrorMessage = tr("File Converter is not exist...").toUtf8().toStdString();
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    if (convert)
        FL_runConverter(FL_converterPath("Mervane"), {FL_fromUtf8(iFilePath), FL_fromUtf8(destination)});
    else
        QFile::copy(FL_fromUtf8(iFilePath), FL_fromUtf8(destination));

    if (!getPolygonManager()->generateFromZRPLYFile(destination, iErrorMessage))
        return false;
    std::cout << "import time = " << clock.elapsed() / 1000 << " [sec]" << std::endl;
    return true;
}
