// The camera parameter file "CameraParameter" 0.0 and the bookmark list it carries.
#include "camera.h"

#include "asciifileoperator.h"
#include "numberformat.h"

#include <iostream>

namespace {

const char* const FL_DATA_NAME = "CameraParameter";
const char* const FL_VERSION_0_0 = "0.0";

void FL_writeValue(AsciiFileOperator& iStream, const std::string& iKey, const std::string& iValue)
{
    iStream << AsciiFileOperator::getHeader(iKey) << endl;
    iStream << iValue << endl;
}

void FL_writeFrustum(AsciiFileOperator& iStream, const Camera::FrustumData& iFrustum)
{
    FL_writeValue(iStream, "Near", AsciiFileOperator::toString(iFrustum.near));
    FL_writeValue(iStream, "Far", AsciiFileOperator::toString(iFrustum.far));
    FL_writeValue(iStream, "Degree", AsciiFileOperator::toString(iFrustum.degree));
}

void FL_writeLookAt(AsciiFileOperator& iStream, const Camera::LookAtData& iLookAt)
{
    FL_writeValue(iStream, "ViewPoint", AsciiFileOperator::toString(iLookAt.viewPoint));
    FL_writeValue(iStream, "LockOnPoint", AsciiFileOperator::toString(iLookAt.lockOnPoint));
    FL_writeValue(iStream, "Upward", AsciiFileOperator::toString(iLookAt.upward));
}

// A name is one line of the file: a line break inside it would end the name there and
// shift every line after it.
std::string FL_toNameLine(std::string iName)
{
    for (char& c : iName)
        if (c == '\n' || c == '\r')
            c = ' ';
    return iName;
}

// The line after the header line of iKey. A missing header, or a file that ends before
// the value line, fails with "Header: <key> is not found.".
bool FL_readValueLine(AsciiFileOperator& iStream, const std::string& iKey, std::string* oLine,
                      std::string& iErrorMessage)
{
    if (AsciiFileOperator::isHeader(iStream.readLine(), iKey)) {
        *oLine = iStream.readLine();
        if (!(oLine->empty() && iStream.atEnd()))
            return true;
    }
    iErrorMessage = "Header: " + iKey + " is not found.";
    return false;
}

// Three blank-separated doubles at full precision (a view point at georeferenced
// coordinates must read back exactly); missing words read as 0.
Vector3T<double> FL_toVector(const std::string& iText)
{
    Vector3T<double> vector;
    const char* p = iText.data();
    const char* const last = p + iText.size();
    for (int i = 0; i < 3; ++i) {
        while (p != last && *p == ' ')
            ++p;
        const char* const begin = p;
        while (p != last && *p != ' ')
            ++p;
        if (begin == p)
            break;
        numberformat::parseDouble(begin, p, &vector[i]);
    }
    return vector;
}

bool FL_readFloat(AsciiFileOperator& iStream, const std::string& iKey, float* oValue, std::string& iErrorMessage)
{
    std::string line;
    if (!FL_readValueLine(iStream, iKey, &line, iErrorMessage))
        return false;
    *oValue = AsciiFileOperator::toFloat(line);
    return true;
}

bool FL_readVector(AsciiFileOperator& iStream, const std::string& iKey, Vector3T<double>* oValue,
                   std::string& iErrorMessage)
{
    std::string line;
    if (!FL_readValueLine(iStream, iKey, &line, iErrorMessage))
        return false;
    *oValue = FL_toVector(line);
    return true;
}

bool FL_readInt(AsciiFileOperator& iStream, const std::string& iKey, int* oValue, std::string& iErrorMessage)
{
    std::string line;
    if (!FL_readValueLine(iStream, iKey, &line, iErrorMessage))
        return false;
    *oValue = AsciiFileOperator::toInt(line);
    return true;
}

bool FL_readFrustum(AsciiFileOperator& iStream, Camera::FrustumData* oFrustum, std::string& iErrorMessage)
{
    return FL_readFloat(iStream, "Near", &oFrustum->near, iErrorMessage) &&
           FL_readFloat(iStream, "Far", &oFrustum->far, iErrorMessage) &&
           FL_readFloat(iStream, "Degree", &oFrustum->degree, iErrorMessage);
}

bool FL_readLookAt(AsciiFileOperator& iStream, Camera::LookAtData* oLookAt, std::string& iErrorMessage)
{
    return FL_readVector(iStream, "ViewPoint", &oLookAt->viewPoint, iErrorMessage) &&
           FL_readVector(iStream, "LockOnPoint", &oLookAt->lockOnPoint, iErrorMessage) &&
           FL_readVector(iStream, "Upward", &oLookAt->upward, iErrorMessage);
}

void FL_printVersion()
{
    std::cout << FL_DATA_NAME << " Ver: " << FL_VERSION_0_0 << std::endl;
}

} // namespace

bool Camera::exportCameraParameter(const std::string& iFileName, std::string& iErrorMessage) const
{
    AsciiFileOperator stream;
    if (!stream.openFile(iFileName, false)) {
        iErrorMessage = tr("Cannot open file for writting: ").toStdString() + iFileName;
        return false;
    }
    FL_printVersion();
    saveCameraParameter_Ver0_0(stream);
    // A full disk must not pass for a saved camera.
    if (!stream.closeFile()) {
        iErrorMessage = tr("Cannot open file for writting: ").toStdString() + iFileName;
        return false;
    }
    return true;
}

bool Camera::saveCameraParameter_Ver0_0(AsciiFileOperator& iStream) const
{
    iStream << FL_DATA_NAME << ' ' << FL_VERSION_0_0 << endl;
    iStream << "CameraData" << endl;
    FL_writeFrustum(iStream, mFrustum);
    FL_writeLookAt(iStream, mLookAt);
    FL_writeValue(iStream, "WorkMode", AsciiFileOperator::toString(mWorkMode));
    FL_writeValue(iStream, "RotationCenterPoint", AsciiFileOperator::toString(mRotationCenterPoint));
    iStream << "BookmarkData" << endl;
    FL_writeValue(iStream, "Number", AsciiFileOperator::toString(static_cast<int>(mBookmarks.size())));
    for (const Bookmark& bookmark : mBookmarks) {
        FL_writeValue(iStream, "Name", FL_toNameLine(bookmark.name));
        FL_writeFrustum(iStream, bookmark.frustum);
        FL_writeLookAt(iStream, bookmark.lookAt);
    }
    return true;
}

bool Camera::initFromTextFile(const std::string& iFileName, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    if (!stream.openFile(iFileName, true)) {
        iErrorMessage = tr("Cannot open file for reading: ").toStdString() + iFileName;
        return false;
    }
    std::string name;
    std::string version;
    if (!AsciiFileOperator::getFileHeader(stream.readLine(), &name, &version)) {
        iErrorMessage = tr("File Header Error.").toStdString();
        return false;
    }
    if (name != FL_DATA_NAME) {
        iErrorMessage = std::string(FL_DATA_NAME) + " is not found.";
        return false;
    }
    if (version == FL_VERSION_0_0) {
        FL_printVersion();
        return loadCameraParameter_Ver0_0(stream, iErrorMessage);
    }
    return false;
}

bool Camera::loadCameraParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    if (iStream.readLine() != "CameraData") {
        iErrorMessage = "CameraData is not found.";
        return false;
    }
    FrustumData frustum;
    LookAtData lookAt;
    int workMode = 0;
    Vector3T<double> rotationCenterPoint;
    if (!FL_readFrustum(iStream, &frustum, iErrorMessage) || !FL_readLookAt(iStream, &lookAt, iErrorMessage) ||
        !FL_readInt(iStream, "WorkMode", &workMode, iErrorMessage) ||
        !FL_readVector(iStream, "RotationCenterPoint", &rotationCenterPoint, iErrorMessage))
        return false;
    setFrustumData(frustum);
    setLookAtData(lookAt);
    setWorkMode(workMode);
    setRotationCenterPoint(rotationCenterPoint);

    if (iStream.readLine() != "BookmarkData") {
        iErrorMessage = "BookmarkData is not found.";
        return false;
    }
    int number = 0;
    if (!FL_readInt(iStream, "Number", &number, iErrorMessage))
        return false;
    // The count comes from the file: nothing is reserved from it, and a file that ends
    // early fails at the first missing header. The list is replaced only by a whole read,
    // so the bookmarks of a project opened before do not carry over.
    QList<Bookmark> bookmarks;
    for (int i = 0; i < number; ++i) {
        Bookmark bookmark;
        if (!FL_readValueLine(iStream, "Name", &bookmark.name, iErrorMessage) ||
            !FL_readFrustum(iStream, &bookmark.frustum, iErrorMessage) ||
            !FL_readLookAt(iStream, &bookmark.lookAt, iErrorMessage))
            return false;
        bookmarks.append(bookmark);
    }
    mBookmarks = bookmarks;
    return true;
}

bool Camera::isBookmarkIndex(int iIndex) const
{
    return iIndex >= 0 && iIndex < mBookmarks.size();
}

int Camera::countUpBookmark() const
{
    return mBookmarks.size();
}

bool Camera::recordNewBookmark(const std::string& iName)
{
    Bookmark bookmark;
    bookmark.name = iName;
    bookmark.frustum = mFrustum;
    bookmark.lookAt = mLookAt;
    mBookmarks.append(bookmark);
    emit changedValue();
    return true;
}

bool Camera::recordBookmark(int iIndex)
{
    if (!isBookmarkIndex(iIndex))
        return false;
    mBookmarks[iIndex].frustum = mFrustum;
    mBookmarks[iIndex].lookAt = mLookAt;
    emit changedValue();
    return true;
}

bool Camera::setCameraToBookmark(int iIndex)
{
    if (!isBookmarkIndex(iIndex))
        return false;
    const Bookmark bookmark = mBookmarks.at(iIndex);
    setFrustumData(bookmark.frustum);
    setLookAtData(bookmark.lookAt);
    return true;
}

bool Camera::getBookmarkName(std::string* iName, int iIndex) const
{
    if (!isBookmarkIndex(iIndex))
        return false;
    *iName = mBookmarks.at(iIndex).name;
    return true;
}

bool Camera::renameBookmark(const std::string& iName, int iIndex)
{
    if (!isBookmarkIndex(iIndex))
        return false;
    mBookmarks[iIndex].name = iName;
    emit changedValue();
    return true;
}

bool Camera::deleteBookmark(int iIndex)
{
    if (!isBookmarkIndex(iIndex))
        return false;
    mBookmarks.removeAt(iIndex);
    emit changedValue();
    return true;
}

bool Camera::deleteALLBookmark()
{
    mBookmarks.clear();
    emit changedValue();
    return true;
}
