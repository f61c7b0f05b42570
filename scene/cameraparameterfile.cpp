// The camera parameter file "CameraParameter" 0.0 and the bookmark list it carries.
#include "camera.h"

#include "asciifileoperator.h"
#include "sectionfile.h"

namespace {

const char* const FL_DATA_NAME = "CameraParameter";
const char* const FL_VERSION_0_0 = "0.0";

void FL_writeFrustum(AsciiFileOperator& iStream, const Camera::FrustumData& iFrustum)
{
    sectionfile::writeValue(iStream, "Near", AsciiFileOperator::toString(iFrustum.near));
    sectionfile::writeValue(iStream, "Far", AsciiFileOperator::toString(iFrustum.far));
    sectionfile::writeValue(iStream, "Degree", AsciiFileOperator::toString(iFrustum.degree));
}

void FL_writeLookAt(AsciiFileOperator& iStream, const Camera::LookAtData& iLookAt)
{
    sectionfile::writeValue(iStream, "ViewPoint", AsciiFileOperator::toString(iLookAt.viewPoint));
    sectionfile::writeValue(iStream, "LockOnPoint", AsciiFileOperator::toString(iLookAt.lockOnPoint));
    sectionfile::writeValue(iStream, "Upward", AsciiFileOperator::toString(iLookAt.upward));
}

bool FL_readFrustum(AsciiFileOperator& iStream, Camera::FrustumData* oFrustum, std::string& iErrorMessage)
{
    return sectionfile::readFloat(iStream, "Near", &oFrustum->near, iErrorMessage) &&
           sectionfile::readFloat(iStream, "Far", &oFrustum->far, iErrorMessage) &&
           sectionfile::readFloat(iStream, "Degree", &oFrustum->degree, iErrorMessage);
}

bool FL_readLookAt(AsciiFileOperator& iStream, Camera::LookAtData* oLookAt, std::string& iErrorMessage)
{
    return sectionfile::readVector(iStream, "ViewPoint", &oLookAt->viewPoint, iErrorMessage) &&
           sectionfile::readVector(iStream, "LockOnPoint", &oLookAt->lockOnPoint, iErrorMessage) &&
           sectionfile::readVector(iStream, "Upward", &oLookAt->upward, iErrorMessage);
}

} // namespace

bool Camera::exportCameraParameter(const std::string& iFileName, std::string& iErrorMessage) const
{
    return sectionfile::exportFile(
        iFileName, FL_DATA_NAME, FL_VERSION_0_0, tr("Cannot open file for writting: ").toStdString() + iFileName,
        [this](AsciiFileOperator& iStream) { return saveCameraParameter_Ver0_0(iStream); }, iErrorMessage);
}

bool Camera::saveCameraParameter_Ver0_0(AsciiFileOperator& iStream) const
{
    iStream << FL_DATA_NAME << ' ' << FL_VERSION_0_0 << endl;
    iStream << "CameraData" << endl;
    FL_writeFrustum(iStream, mFrustum);
    FL_writeLookAt(iStream, mLookAt);
    sectionfile::writeValue(iStream, "WorkMode", AsciiFileOperator::toString(mWorkMode));
    sectionfile::writeValue(iStream, "RotationCenterPoint", AsciiFileOperator::toString(mRotationCenterPoint));
    iStream << "BookmarkData" << endl;
    sectionfile::writeValue(iStream, "Number", AsciiFileOperator::toString(static_cast<int>(mBookmarks.size())));
    for (const Bookmark& bookmark : mBookmarks) {
        sectionfile::writeValue(iStream, "Name", sectionfile::toLine(bookmark.name));
        FL_writeFrustum(iStream, bookmark.frustum);
        FL_writeLookAt(iStream, bookmark.lookAt);
    }
    return true;
}

bool Camera::initFromTextFile(const std::string& iFileName, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    if (sectionfile::openToRead(stream, iFileName, FL_DATA_NAME, {FL_VERSION_0_0},
                                tr("Cannot open file for reading: ").toStdString() + iFileName,
                                tr("File Header Error.").toStdString(), iErrorMessage) == 0)
        return loadCameraParameter_Ver0_0(stream, iErrorMessage);
    return false;
}

bool Camera::loadCameraParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    FrustumData frustum;
    LookAtData lookAt;
    int workMode = 0;
    Vector3T<double> rotationCenterPoint;
    if (!sectionfile::readSectionWord(iStream, "CameraData", iErrorMessage) ||
        !FL_readFrustum(iStream, &frustum, iErrorMessage) || !FL_readLookAt(iStream, &lookAt, iErrorMessage) ||
        !sectionfile::readInt(iStream, "WorkMode", &workMode, iErrorMessage) ||
        !sectionfile::readVector(iStream, "RotationCenterPoint", &rotationCenterPoint, iErrorMessage))
        return false;
    setFrustumData(frustum);
    setLookAtData(lookAt);
    setWorkMode(workMode);
    setRotationCenterPoint(rotationCenterPoint);

    int number = 0;
    if (!sectionfile::readSectionWord(iStream, "BookmarkData", iErrorMessage) ||
        !sectionfile::readInt(iStream, "Number", &number, iErrorMessage))
        return false;
    // The count comes from the file: nothing is reserved from it, and a file that ends
    // early fails at the first missing header. The list is replaced only by a whole read,
    // so the bookmarks of a project opened before do not carry over.
    QList<Bookmark> bookmarks;
    for (int i = 0; i < number; ++i) {
        Bookmark bookmark;
        if (!sectionfile::readValueLine(iStream, "Name", &bookmark.name, iErrorMessage) ||
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
