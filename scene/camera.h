#ifndef SCENE_CAMERA_H
#define SCENE_CAMERA_H

#include "vector3.h"

#include <QList>
#include <QObject>

#include <string>
#include <vector>

class AsciiFileOperator;

// The view of the scene: screen size, perspective frustum, eye placement, work mode,
// rotation centre and bookmarks. A frame set-up (initScreen, setSceneMatrix,
// updateCornerPoints) loads the GL matrices and keeps them, with the viewport and the four
// far-plane corners, in one process-wide cache that the conversions and frustum tests read.
class Camera : public QObject
{
    Q_OBJECT

public:
    struct ScreenData
    {
        int width = 0;
        int height = 0;
    };

    struct FrustumData
    {
        float near = 0.0f;
        float far = 0.0f;
        float degree = 0.0f; // half of the vertical opening angle
    };

    struct LookAtData
    {
        Vector3T<double> viewPoint;
        Vector3T<double> lockOnPoint;
        Vector3T<double> upward; // any length
    };

    struct Bookmark
    {
        std::string name;
        FrustumData frustum;
        LookAtData lookAt;
    };

    // Any other value makes the mode-dependent movements do nothing.
    enum ViewMode : int
    {
        Observation = 0, // the eye moves round the lock-on point
        WalkThrough = 1  // eye and lock-on point move together
    };

    explicit Camera(QObject* iParent = nullptr);
    ~Camera() override;

    // Rotation centre to the lock-on point (Observation) or the eye (WalkThrough), without a
    // signal; upward made unit length and perpendicular to the viewing direction.
    void normalizeView();
    float getFrustumLength() const;

    static Vector3T<double> getForward(const LookAtData& iLookAt);
    static Vector3T<double> getUpward(const LookAtData& iLookAt);
    static Vector3T<double> getRightward(const LookAtData& iLookAt);
    static void setForward(LookAtData* ioLookAt, Vector3T<double> iDirection, ViewMode iMode);
    // False, with nothing changed, when the new viewing direction has no length.
    static bool setUpward(LookAtData* ioLookAt, Vector3T<double> iUpward, ViewMode iMode);
    static bool setRightward(LookAtData* ioLookAt, Vector3T<double> iRightward, ViewMode iMode);
    static void translateUp(LookAtData* ioLookAt, double iValue, ViewMode iMode);
    static void translateRight(LookAtData* ioLookAt, double iValue, ViewMode iMode);
    static void translatePlus(LookAtData* ioLookAt, double iValue, ViewMode iMode);

signals:
    void changedValue();

public slots:
    void setScreenData(const Camera::ScreenData& iScreen);
    void getScreenData(Camera::ScreenData* oScreen) const;
    void setFrustumData(const Camera::FrustumData& iFrustum);
    void getFrustumData(Camera::FrustumData* oFrustum) const;
    void setLookAtData(const Camera::LookAtData& iLookAt);
    void getLookAtData(Camera::LookAtData* oLookAt) const;

    void setViewMode(Camera::ViewMode iMode);
    void setWorkMode(int iMode);
    void getWorkMode(int* oMode) const;
    void setRotationCenterPoint(const Vector3T<double>& iPoint);
    void getRotationCenterPoint(Vector3T<double>* oPoint) const;

    void getNear(float* oNear) const;
    void setNear(float iNear);
    void getFar(float* oFar) const;
    void setFar(float iFar);
    void getDegree(float* oDegree) const;
    void setDegree(float iDegree);

    void getViewPoint(Vector3T<double>* oPoint) const;
    void setViewPoint(const Vector3T<double>& iPoint);
    void getLockOnPoint(Vector3T<double>* oPoint) const;
    void setLockOnPoint(const Vector3T<double>& iPoint);
    void getUpward(Vector3T<double>* oVector) const;
    void setUpward(const Vector3T<double>& iVector);
    void setRightward(const Vector3T<double>& iVector);

    // Distances in model units.
    void translateUp(double iValue);
    void translateDown(double iValue);
    void translateLeft(double iValue);
    void translateRight(double iValue);
    void translatePlus(double iValue);
    void translateMinus(double iValue);

    // Angles in degrees.
    void rotateUp(double iValue);
    void rotateDown(double iValue);
    void rotateLeft(double iValue);
    void rotateRight(double iValue);
    void rotatePlus(double iValue);
    void rotateMinus(double iValue);

    // Keeps the viewing direction and moves the eye so that the points fill half the screen.
    void fitView(const std::vector<Vector3T<double>>& i3DPoints);

    // Diameter |iSize| of a sphere at iCenter scaled onto the far plane; false when the eye
    // is inside the sphere.
    bool getPixelSize(float* iPixelSize, const Vector3T<double>& iCenter, const Vector3T<double>& iSize) const;
    bool isOutsideSphere(const Vector3T<double>& iCenter, double iRadius) const;
    // False (flag untouched) when the sphere is outside; else true with the flag telling
    // whether the sphere lies wholly inside.
    bool isInsideSphere(bool* iIsCompletely, const Vector3T<double>& iCenter, double iRadius) const;

    void initScreen() const;
    // False when the eye is on the lock-on point or upward is parallel to the view.
    bool setSceneMatrix() const;
    void renderDepth() const;
    void updateCornerPoints() const;
    // 1 left-bottom, 2 right-bottom, 3 right-top, anything else left-top.
    Vector3T<double> getCornerPoint(int iIndex) const;
    float getFarPlanePixelSize() const;

    // Model point to window coordinates (origin bottom left, depth 0 to 1) and back, with
    // the matrices of the last frame set-up.
    Vector3T<double> convertValueFromModelToGLDevice(const Vector3T<double>& iModel) const;
    Vector3T<double> convertValueFromGLDeviceToModel(const Vector3T<double>& iDevice) const;

    // The parameter file "CameraParameter" and the bookmarks it carries.
    bool exportCameraParameter(const std::string& iFileName, std::string& iErrorMessage) const;
    bool saveCameraParameter_Ver0_0(AsciiFileOperator& iStream) const;
    bool initFromTextFile(const std::string& iFileName, std::string& iErrorMessage);
    bool loadCameraParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage);

    int countUpBookmark() const;
    bool recordNewBookmark(const std::string& iName);
    bool recordBookmark(int iIndex);
    bool setCameraToBookmark(int iIndex);
    bool getBookmarkName(std::string* iName, int iIndex) const;
    bool renameBookmark(const std::string& iName, int iIndex);
    bool deleteBookmark(int iIndex);
    bool deleteALLBookmark();

private:
    // Stores a changed look-at with its signal, then normalises the view in any case.
    void applyLookAtEdit(const LookAtData& iLookAt);
    bool isBookmarkIndex(int iIndex) const;

    ScreenData mScreen;
    FrustumData mFrustum;
    LookAtData mLookAt;
    QList<Bookmark> mBookmarks;
    int mWorkMode = Observation;
    Vector3T<double> mRotationCenterPoint;
};

#endif
