#ifndef POINTCLOUD_POINTCLOUDMANAGERDRAW_H
#define POINTCLOUD_POINTCLOUDMANAGERDRAW_H

#include "color.h"
#include "matrix4x4.h"

#include <QOpenGLFunctions>

#include <functional>

class PointCloud;
class QGLShaderProgram;
struct PointCloudParameter;

// The steps of the point cloud manager's draw passes that Vistrel's (pointcloudmanager_lod.cpp)
// and the editor's (editor/pointcloudmanager_draw.cpp) have in common. The GL context must be
// current.
namespace pointclouddraw {

// Uniform writes by name on a bound program; a name the program lacks is ignored by GL.
class Uniforms
{
public:
    Uniforms(QOpenGLFunctions* iGL, GLuint iProgram) : mGL(iGL), mProgram(iProgram) {}

    void set(const char* iName, int iValue) { mGL->glUniform1i(location(iName), iValue); }
    void set(const char* iName, float iValue) { mGL->glUniform1f(location(iName), iValue); }
    void set(const char* iName, const Color& iColor)
    {
        mGL->glUniform4f(location(iName), channel(iColor.red), channel(iColor.green), channel(iColor.blue),
                         channel(iColor.alpha));
    }
    void set(const char* iName, const float iPlane[4]) { mGL->glUniform4fv(location(iName), 1, iPlane); }
    void setMatrix(const char* iName, const float iMatrix[16])
    {
        mGL->glUniformMatrix4fv(location(iName), 1, GL_FALSE, iMatrix);
    }

private:
    static float channel(unsigned char iValue) { return static_cast<float>(iValue / 255.0); }
    GLint location(const char* iName) { return mGL->glGetUniformLocation(mProgram, iName); }

    QOpenGLFunctions* mGL;
    GLuint mProgram;
};

// A new program from the point shader sources (":/PointCloud/..."), owned by the caller. A
// failed step prints "Error: Compiling vertex shader.", "Error: Compiling fragment shader." or
// "Error: Linking shader pipeline." and leaves the program unlinked.
QGLShaderProgram* buildShaderProgram();

// Row-major with the translation in the last column, to GL's column-major float layout.
void toGLMatrix(const Matrix4x4T<double>& iMatrix, float oMatrix[16]);

// One shot's points through the point shader, in the shot's matrix: its selection, highlight
// and matrix uniforms and those iSetMore sets, then, when iScenePara shows points, the contour
// uniforms and the points of iLevel. Without a usable program the points keep their own
// colours. A shot without data draws nothing.
void drawShot(const PointCloud& iShot, int iLevel, int iPointSize, const PointCloudParameter& iScenePara,
              const std::function<void(Uniforms&)>& iSetMore);
// One shot's points in one colour, without the shader, in the shot's matrix.
void drawShotFlat(const PointCloud& iShot, int iLevel, int iPointSize, Color iColor);

} // namespace pointclouddraw

#endif
