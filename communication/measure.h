#ifndef COMMUNICATION_MEASURE_H
#define COMMUNICATION_MEASURE_H

#include "color.h"
#include "object3d.h"
#include "vector3.h"

#include <string>
#include <vector>

class Camera;
class QPaintDevice;

// Display settings shared by every measure of the scene, held by the measure manager and
// copied by value into the draw calls.
struct MeasureParameter
{
    // Any other value is drawn as Absolute.
    enum LabelMode : int
    {
        Absolute = 0, // one line with the value
        XYZ = 1       // one line per axis
    };

    int charSize = 14; // label font point size
    int precision = 1; // decimals of the label numbers
    Color charColor = Color(255, 255, 255, 255);
    LabelMode labelMode = Absolute;
    int lineWidth = 2; // pixels
    Color lineColor = Color(255, 255, 255, 255);
    int arrowLength = 20;   // side of an arrow head and shortest on-screen length with heads, pixels
    int arrowArgument = 30; // full opening angle of an arrow head, degrees
    int arcRadius = 40;     // on-screen distance of the angle arc from the vertex, pixels

    bool operator==(const MeasureParameter& o) const
    {
        return charSize == o.charSize && precision == o.precision && charColor == o.charColor &&
               labelMode == o.labelMode && lineWidth == o.lineWidth && lineColor == o.lineColor &&
               arrowLength == o.arrowLength && arrowArgument == o.arrowArgument && arcRadius == o.arcRadius;
    }
    bool operator!=(const MeasureParameter& o) const { return !(*this == o); }
};

static_assert(sizeof(MeasureParameter) == 36, "nine 32-bit fields");

// A measured quantity between picked points, drawn in model space with its value as a
// pre-rendered label image. Children of the measure manager, never parents themselves.
class Measure : public Object3D
{
    Q_OBJECT

public:
    explicit Measure(Object3D* iParent = nullptr);
    ~Measure() override;

    QWidget* createUI() override = 0;
    // True when a point lies inside every plane (a·x + b·y + c·z - d <= 0), or when a segment
    // between consecutive points crosses into the region through one of its planes.
    bool isCrossing(const std::vector<Vector4T<double>>& iPlanes) const override;

    // 0 length, 1 angle; 2 for a measure of no known kind.
    virtual int getType() const;
    // Geometry with the current GL state, in iParameter.lineColor; nothing while not Visible.
    virtual void draw3DPart(const MeasureParameter& iParameter, const Camera& iCamera) const = 0;
    // The cached label image at the label anchor; nothing while not Visible or without image.
    virtual void draw2DPart(QPaintDevice* iDevice, const MeasureParameter& iParameter,
                            const Camera& iCamera) const = 0;
    // The label text, one entry per line (UTF-8), numbers in fixed notation with
    // iParameter.precision decimals; none for a measure of no known kind.
    virtual std::vector<std::string> getLabelLines(const MeasureParameter& iParameter) const;
    // Where the label image's lower-left corner sits, in model coordinates.
    virtual Vector3T<double> getLabelAnchor() const;

    const std::vector<Vector3T<double>>& getPoints() const;

    // Angle in degrees (pi taken as 3.141592) between two directions; a zero vector is not
    // normalised and so counts as perpendicular to everything.
    static double computeAngle(Vector3T<double> iU, Vector3T<double> iV);
    // iValue in fixed notation with iPrecision decimals (none when negative).
    static std::string toLabelNumber(double iValue, int iPrecision);

    // Label cache, filled by the scene's render pass and emptied by the manager: RGBA bytes,
    // rows from the bottom row up, width and height in pixels.
    std::vector<unsigned char> labelImage;
    int labelWidth = 0;
    int labelHeight = 0;

public slots:
    // Replaces the points and emits changedValue() unless they are the same; the label stays.
    void setPoints(const std::vector<Vector3T<double>>& iPoints);

protected:
    // glDrawPixels of the label with its lower-left corner at iAnchor.
    void drawLabel(const Vector3T<double>& iAnchor) const;

private:
    std::vector<Vector3T<double>> mPoints;
};

// Distance between two points, drawn as a line with an open arrow head at each end.
class MeasureLength : public Measure
{
    Q_OBJECT

public:
    explicit MeasureLength(Object3D* iParent = nullptr);
    ~MeasureLength() override;

    // A new MeasureForm on this measure, owned by the caller (defined with the form).
    QWidget* createUI() override;
    int getType() const override;
    void draw3DPart(const MeasureParameter& iParameter, const Camera& iCamera) const override;
    void draw2DPart(QPaintDevice* iDevice, const MeasureParameter& iParameter, const Camera& iCamera) const override;
    std::vector<std::string> getLabelLines(const MeasureParameter& iParameter) const override;
    // The midpoint.
    Vector3T<double> getLabelAnchor() const override;

    // Model distance of points 0 and 1; 0 without two points.
    double getLength() const;
    // Point 0 minus point 1 per axis; zero without two points.
    Vector3T<double> getDifference() const;
    // The two heads in model coordinates, three points each (side, tip, side), by the camera
    // of the last frame set-up; false, with nothing appended, when the ends lie no more than
    // arrowLength pixels apart on screen.
    bool getArrowHeads(const MeasureParameter& iParameter, const Camera& iCamera,
                       std::vector<Vector3T<double>>* oPoints) const;
};

// Angle at the middle one of three points, drawn as two arms with an arc between them.
class MeasureAngle : public Measure
{
    Q_OBJECT

public:
    explicit MeasureAngle(Object3D* iParent = nullptr);
    ~MeasureAngle() override;

    // A new MeasureForm on this measure, owned by the caller (defined with the form).
    QWidget* createUI() override;
    int getType() const override;
    void draw3DPart(const MeasureParameter& iParameter, const Camera& iCamera) const override;
    void draw2DPart(QPaintDevice* iDevice, const MeasureParameter& iParameter, const Camera& iCamera) const override;
    std::vector<std::string> getLabelLines(const MeasureParameter& iParameter) const override;
    // The vertex.
    Vector3T<double> getLabelAnchor() const override;

    // Degrees between the arms (points 0 and 2 seen from point 1); 0 without three points.
    double getAngle() const;
    // The same with one coordinate (0 x, 1 y, 2 z) of both arms dropped.
    double getAngle(int iDroppedAxis) const;
    // Model radius of the arc so that it stays about arcRadius pixels from the vertex on both
    // arms, by the camera of the last frame set-up; false when an arm is no longer than that
    // on screen.
    bool getArcRadius(const MeasureParameter& iParameter, const Camera& iCamera, double* oRadius) const;
    // Appends the arc at model distance iRadius from the vertex: a point every 3 degrees from
    // the first arm, then the point on the second arm.
    void getArcPoints(double iRadius, std::vector<Vector3T<double>>* oPoints) const;
};

#endif
