#ifndef SCENE_BACKGROUND_H
#define SCENE_BACKGROUND_H

#include "color.h"

#include <QObject>

#include <string>

class AsciiFileOperator;

// How the back of the 3D view is painted: a uniform colour or a two-colour gradient.
// Only red, green and blue are painted and saved.
class Background : public QObject
{
    Q_OBJECT

public:
    enum RenderingMode : int
    {
        Uniform = 0,
        GradientTopToBottom = 1,
        GradientLeftTopToRightBottom = 2,
        GradientLeftToRight = 3,
        GradientLeftBottomToRightTop = 4,
        GradientInsideToOutside = 5
    };

    explicit Background(QObject* iParent = nullptr);
    ~Background() override;

    RenderingMode getRenderingMode() const { return mRenderingMode; }
    Color getColor1() const { return mColor1; }
    Color getColor2() const { return mColor2; }

    // The translated name of a mode, UTF-8; modes outside the table are named as Uniform.
    static std::string toString(RenderingMode iMode);
    // The first mode whose translated name equals the text; Uniform for any other text.
    static RenderingMode toRenderingMode(const std::string& iName);

    // Paints the whole viewport; leaves both GL matrices as it found them.
    void draw() const;

    // The section file "BackgroundData".
    bool exportParameter(const std::string& iFileName, std::string& iErrorMessage) const;
    bool saveParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage) const;
    // A failed read leaves the background unchanged.
    bool initWithTextFile(const std::string& iFileName, std::string& iErrorMessage);
    bool loadParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage);

signals:
    void changedValue();

public slots:
    void setRenderingMode(Background::RenderingMode iMode);
    void setColor1(Color iColor);
    void setColor2(Color iColor);

private:
    RenderingMode mRenderingMode = GradientInsideToOutside;
    Color mColor1 = Color(150, 150, 250, 255);
    Color mColor2 = Color(0, 0, 0, 255);
};

#endif
