#include "bestfit.h"

#include "pointcloud.h"
#include "pointcloudinterface.h"
#include "scangrid.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

#include <climits>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>

namespace {

struct PointPair
{
    int base;
    int target;
};

struct VoxelClusterCell
{
    int index;
    std::vector<int> pointIndices;
};

// Search grid over the sampled base points, in the base's own coordinates.
struct VoxelCluster
{
    double min[3] = {0.0, 0.0, 0.0};
    double extent[3] = {0.0, 0.0, 0.0};
    int number[3] = {1, 1, 1};
    std::vector<VoxelClusterCell> cells;

    // What the grid was built from, besides the base file: a grid is reused only for the same.
    double findLengthMax = 0.0;
    int indexPitch = 1;
    int width = 0;
    int height = 0;
    int runLength = 0;

    // A flat axis has one cell; it takes the search length as its size, so that a query off
    // the plane still finds that cell.
    double cellSize(int iAxis) const
    {
        return extent[iAxis] > 0.0 ? extent[iAxis] / number[iAxis] : findLengthMax;
    }
};

// Refused beyond this many cells: each cell costs some 32 bytes before it holds a point.
const std::int64_t flMaxClusterCells = std::int64_t(1) << 24;

// What the user is told when a run stops at a "Bad Condition"; %1 is a shot's name.
const char* const flBadParameter = QT_TRANSLATE_NOOP("BestFit", "The best fit parameters are out of range.");
const char* const flNoPointData = QT_TRANSLATE_NOOP("BestFit", "This shot has no point data: %1");
const char* const flNoPointMatrix =
    QT_TRANSLATE_NOOP("BestFit", "This shot has no point matrix: %1\n"
                                 "Best fit registers only shots imported from point-matrix files (.zrpmd), which "
                                 "Kestrune writes when its output file is named .zrpmd.");
const char* const flTooManyCells =
    QT_TRANSLATE_NOOP("BestFit", "Find Length Max is too small for the size of the base shot: raise it.");
const char* const flNoPointPairs =
    QT_TRANSLATE_NOOP("BestFit", "No target point lies within Find Length Max of a base point: place the target "
                                 "nearer to the base or raise Find Length Max.");

// Prints the condition and gives the user's text; returns false.
bool FL_badCondition(const char* iCondition, const char* iText, const std::string& iShotName,
                     std::string& iErrorMessage)
{
    std::cout << "Bad Condition: " << iCondition << std::endl;
    QString text = QCoreApplication::translate("BestFit", iText);
    if (text.contains("%1"))
        text = text.arg(QString::fromStdString(iShotName));
    iErrorMessage = text.toStdString();
    return false;
}

std::unique_ptr<VoxelCluster> flVC;
std::string flBaseFileName;
float flTolerance = 0.0f;
std::vector<PointPair> flPointPairs;

Vector3T<double> FL_widen(const Vector3T<float>& iPoint)
{
    return Vector3T<double>(iPoint);
}

bool FL_isEmpty(const Point& iPoint)
{
    return (iPoint.flag & Point::Deleted) != 0;
}

// A grid with width x height cells whose indices fit the int pairs and cell lists.
bool FL_hasGrid(const PointCloudData& iGrid)
{
    if (iGrid.width <= 0 || iGrid.height <= 0)
        return false;
    const std::int64_t cells = std::int64_t(iGrid.width) * iGrid.height;
    return cells <= INT_MAX && iGrid.pointList.size() >= static_cast<std::size_t>(cells);
}

int FL_cellCount(const PointCloudData& iGrid)
{
    return FL_hasGrid(iGrid) ? iGrid.width * iGrid.height : 0;
}

// The upper 3x3 applied to a direction.
Vector3T<double> FL_rotate(const Matrix4x4T<double>& iMatrix, const Vector3T<double>& iVector)
{
    return Vector3T<double>(iMatrix[0] * iVector.x + iMatrix[1] * iVector.y + iMatrix[2] * iVector.z,
                            iMatrix[4] * iVector.x + iMatrix[5] * iVector.y + iMatrix[6] * iVector.z,
                            iMatrix[8] * iVector.x + iMatrix[9] * iVector.y + iMatrix[10] * iVector.z);
}

// Maps world positions into the coordinates of a placed object: the inverse of its matrix,
// applied as inverse(A) · (q − t). The identity maps every position to itself exactly; a
// singular matrix maps everything to not-a-number.
class FLInverseTransform
{
public:
    explicit FLInverseTransform(const Matrix4x4T<double>& iMatrix)
    {
        const Matrix4x4T<double>& m = iMatrix;
        const double c00 = m[5] * m[10] - m[6] * m[9];
        const double c01 = m[6] * m[8] - m[4] * m[10];
        const double c02 = m[4] * m[9] - m[5] * m[8];
        const double det = m[0] * c00 + m[1] * c01 + m[2] * c02;
        if (det == 0.0 || !std::isfinite(det)) {
            for (double& value : mInverse)
                value = std::nan("");
        } else {
            mInverse[0] = c00 / det;
            mInverse[1] = (m[2] * m[9] - m[1] * m[10]) / det;
            mInverse[2] = (m[1] * m[6] - m[2] * m[5]) / det;
            mInverse[3] = c01 / det;
            mInverse[4] = (m[0] * m[10] - m[2] * m[8]) / det;
            mInverse[5] = (m[2] * m[4] - m[0] * m[6]) / det;
            mInverse[6] = c02 / det;
            mInverse[7] = (m[1] * m[8] - m[0] * m[9]) / det;
            mInverse[8] = (m[0] * m[5] - m[1] * m[4]) / det;
        }
        mTranslation = Vector3T<double>(m[3], m[7], m[11]);
    }

    Vector3T<double> map(const Vector3T<double>& iWorld) const
    {
        const Vector3T<double> p = iWorld - mTranslation;
        return Vector3T<double>(mInverse[0] * p.x + mInverse[1] * p.y + mInverse[2] * p.z,
                                mInverse[3] * p.x + mInverse[4] * p.y + mInverse[5] * p.z,
                                mInverse[6] * p.x + mInverse[7] * p.y + mInverse[8] * p.z);
    }

private:
    double mInverse[9] = {};
    Vector3T<double> mTranslation;
};

// iMatrix moved by iOffset: T(iOffset) · iMatrix.
Matrix4x4T<double> FL_translated(Matrix4x4T<double> iMatrix, const Vector3T<double>& iOffset)
{
    iMatrix(0, 3) += iOffset.x;
    iMatrix(1, 3) += iOffset.y;
    iMatrix(2, 3) += iOffset.z;
    return iMatrix;
}

// C(p) = Ry(ry) · Rx(rx) · Rz(rz) with the translation (tx, ty, tz); the rotation entries are
// rounded to float.
Matrix4x4T<double> FL_makeTransformMatrix(const SimplexPoint<6>& iParameter)
{
    const double sx = std::sin(double(iParameter[0])), cx = std::cos(double(iParameter[0]));
    const double sy = std::sin(double(iParameter[1])), cy = std::cos(double(iParameter[1]));
    const double sz = std::sin(double(iParameter[2])), cz = std::cos(double(iParameter[2]));
    const double rotation[9] = {cy * cz + sy * sx * sz, sy * sx * cz - cy * sz, sy * cx,
                                cx * sz,                cx * cz,                -sx,
                                cy * sx * sz - sy * cz, cy * sx * cz + sy * sz, cy * cx};
    Matrix4x4T<double> matrix;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            matrix(r, c) = double(float(rotation[3 * r + c]));
    matrix(0, 3) = double(iParameter[3]);
    matrix(1, 3) = double(iParameter[4]);
    matrix(2, 3) = double(iParameter[5]);
    return matrix;
}

// Per cell, the normalised sum of the eight normalised cross products of the vectors to its
// scan-grid neighbours, in float; (0, 0, 0) on the border, next to an empty cell, and wherever
// the neighbourhood gives no finite direction. Its sign depends on the cell order; only its
// line counts.
void FL_getNormalArray(std::vector<Vector3T<double>>* oNormals, const PointCloudData& iGrid,
                       const ScanGridLayout& iLayout)
{
    oNormals->assign(static_cast<std::size_t>(FL_cellCount(iGrid)), Vector3T<double>());
    if (!FL_hasGrid(iGrid) || iLayout.runLength < 3 || iLayout.runCount < 3)
        return;
    const int width = iLayout.runLength;
    const int di[8] = {1, 1, 0, -1, -1, -1, 0, 1};
    const int dj[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    for (int j = 1; j < iLayout.runCount - 1; ++j) {
        for (int i = 1; i < width - 1; ++i) {
            const Point& centre = iGrid.pointList[std::size_t(j) * width + i];
            if (FL_isEmpty(centre))
                continue;
            Vector3T<float> v[8];
            bool complete = true;
            for (int k = 0; k < 8 && complete; ++k) {
                const Point& neighbour = iGrid.pointList[std::size_t(j + dj[k]) * width + (i + di[k])];
                complete = !FL_isEmpty(neighbour);
                v[k] = neighbour.position - centre.position;
            }
            if (!complete)
                continue;
            Vector3T<float> sum;
            for (int k = 0; k < 8; ++k) {
                Vector3T<float> n = v[k].cross(v[(k + 1) % 8]);
                const float square = n.dot(n);
                if (square != 0.0f)
                    n = n / std::sqrt(square);
                sum += n;
            }
            const float square = sum.dot(sum);
            if (square != 0.0f)
                sum = sum / std::sqrt(square);
            // Coordinates too large for float products, or not numbers at all.
            if (!sum.isFinite())
                continue;
            (*oNormals)[std::size_t(j) * width + i] = FL_widen(sum);
        }
    }
}

// The cell grid over every indexPitch-th point of every indexPitch-th run of the base. The
// box spans the points that can be filed (non-empty, finite). Null, with oTooLarge set, when
// it would need more than flMaxClusterCells cells.
std::unique_ptr<VoxelCluster> FL_makeVoxelCluster(const PointCloudData& iBase, const ScanGridLayout& iLayout,
                                                  double iFindLengthMax, int iIndexPitch, bool* oTooLarge)
{
    *oTooLarge = false;
    const int cellCount = FL_cellCount(iBase);
    bool any = false;
    Vector3T<float> low, high;
    for (int k = 0; k < cellCount; ++k) {
        const Point& point = iBase.pointList[k];
        if (FL_isEmpty(point) || !point.position.isFinite())
            continue;
        if (!any) {
            low = high = point.position;
            any = true;
            continue;
        }
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], point.position[a]);
            high[a] = std::max(high[a], point.position[a]);
        }
    }

    std::unique_ptr<VoxelCluster> cluster(new VoxelCluster);
    cluster->findLengthMax = iFindLengthMax;
    cluster->indexPitch = iIndexPitch;
    cluster->width = iBase.width;
    cluster->height = iBase.height;
    cluster->runLength = iLayout.runLength;
    std::int64_t total = 1;
    for (int a = 0; a < 3; ++a) {
        cluster->min[a] = double(low[a]);
        cluster->extent[a] = double(high[a] - low[a]);
        double number = std::ceil(cluster->extent[a] / iFindLengthMax);
        if (!(number >= 1.0))
            number = 1.0;
        if (number > double(flMaxClusterCells)) {
            *oTooLarge = true;
            return nullptr;
        }
        cluster->number[a] = int(number);
        total *= cluster->number[a];
        if (total > flMaxClusterCells) {
            *oTooLarge = true;
            return nullptr;
        }
    }
    cluster->cells.resize(static_cast<std::size_t>(total));
    for (int c = 0; c < int(total); ++c)
        cluster->cells[c].index = c;

    const int* number = cluster->number;
    for (std::int64_t j = 0; j < iLayout.runCount; j += iIndexPitch) {
        for (std::int64_t i = 0; i < iLayout.runLength; i += iIndexPitch) {
            const int index = int(j * iLayout.runLength + i);
            const Point& point = iBase.pointList[index];
            if (FL_isEmpty(point) || !point.position.isFinite())
                continue;
            int cell[3];
            for (int a = 0; a < 3; ++a) {
                const double offset = (double(point.position[a]) - cluster->min[a]) / cluster->cellSize(a);
                // A point on the maximum face belongs to the last cell of its axis.
                cell[a] = int(std::max(0.0, std::min(double(number[a] - 1), offset)));
            }
            cluster->cells[(std::size_t(cell[2]) * number[1] + cell[1]) * number[0] + cell[0]].pointIndices.push_back(
                index);
        }
    }
    return cluster;
}

// The cell of a base-coordinate position, per axis; false when no cell of the grid is within
// one cell of it.
bool FL_findCell(const VoxelCluster& iCluster, const Vector3T<double>& iPosition, int oCell[3])
{
    for (int a = 0; a < 3; ++a) {
        const double offset = std::floor((iPosition[a] - iCluster.min[a]) / iCluster.cellSize(a));
        if (!(offset >= -1.0 && offset <= double(iCluster.number[a])))
            return false;
        oCell[a] = int(offset);
    }
    return true;
}

// The middle of the target's paired points as placed by iTargetMatrix.
Vector3T<double> FL_getPairCentre(const PointCloudData& iTarget, const Matrix4x4T<double>& iTargetMatrix)
{
    // Summed relative to the shot's origin, so that far placed shots lose no digits.
    const Vector3T<double> origin(iTargetMatrix[3], iTargetMatrix[7], iTargetMatrix[11]);
    Vector3T<double> sum;
    int count = 0;
    for (const PointPair& pair : flPointPairs) {
        if (std::size_t(pair.target) >= iTarget.pointList.size())
            continue;
        sum += iTargetMatrix.transform(FL_widen(iTarget.pointList[pair.target].position)) - origin;
        ++count;
    }
    return count > 0 ? origin + sum / double(count) : origin;
}

// The search turns the target about the middle of its paired points, not about the world
// origin: a turn about the origin moves shots placed far from it (georeferenced scans) by
// kilometres per step, and its float-rounded entries by decimetres, so that no step fits.
// Everything is measured relative to that pivot, in double.
class FLDownHillSimplexMethod : public DownHillSimplexMethod<6>
{
public:
    FLDownHillSimplexMethod(const PointCloudData& iTarget, const PointCloudData& iBase,
                            const Matrix4x4T<double>& iTargetMatrix, const Matrix4x4T<double>& iBaseMatrix,
                            const std::vector<Vector3T<double>>& iTargetNormals,
                            const std::vector<Vector3T<double>>& iBaseNormals)
        : mTarget(iTarget), mBase(iBase), mBaseMatrix(iBaseMatrix),
          mTargetNormals(iTargetNormals), mBaseNormals(iBaseNormals),
          mPivot(FL_getPairCentre(iTarget, iTargetMatrix)),
          mTargetAboutPivot(FL_translated(iTargetMatrix, -mPivot)),
          mBaseAboutPivot(FL_translated(iBaseMatrix, -mPivot))
    {
    }

    // C(p) as a transform of world positions: T(pivot) · C(p) · T(−pivot).
    Matrix4x4T<double> getTransformMatrix(const SimplexPoint<6>& iParameter) const
    {
        return FL_translated(FL_makeTransformMatrix(iParameter) * FL_translated(Matrix4x4T<double>(), -mPivot),
                             mPivot);
    }

    // Summed point-to-plane distance of the pairs with the target moved by C(p) about the pivot.
    float estimate(const SimplexPoint<6>& iParameter) const override
    {
        if (flPointPairs.empty())
            return 0.0f;
        const Matrix4x4T<double> matrix = FL_makeTransformMatrix(iParameter) * mTargetAboutPivot;
        double sum = 0.0;
        for (const PointPair& pair : flPointPairs) {
            // Pairs made against other grids than these are skipped rather than read out of range.
            if (std::size_t(pair.target) >= mTarget.pointList.size() ||
                std::size_t(pair.base) >= mBaseNormals.size() || std::size_t(pair.base) >= mBase.pointList.size())
                continue;
            const Vector3T<double> a = matrix.transform(FL_widen(mTarget.pointList[pair.target].position));
            const Vector3T<double> e = mBaseAboutPivot.transform(FL_widen(mBase.pointList[pair.base].position));
            const Vector3T<double> n = FL_rotate(mBaseMatrix, mBaseNormals[pair.base]);
            sum += std::fabs((a - e).dot(n));
        }
        return float(sum);
    }

private:
    const PointCloudData& mTarget;
    const PointCloudData& mBase;
    const Matrix4x4T<double>& mBaseMatrix;
    [[maybe_unused]] const std::vector<Vector3T<double>>& mTargetNormals; // not read: the planes are the base's
    const std::vector<Vector3T<double>>& mBaseNormals;
    const Vector3T<double> mPivot;
    // The shots' matrices followed by the move of the pivot to the origin.
    const Matrix4x4T<double> mTargetAboutPivot;
    const Matrix4x4T<double> mBaseAboutPivot;
};

} // namespace

bool BestFit::bestfit(PointCloud& target, const PointCloud& base, double findLengthMax, int loopMax, float tolerance,
                      int indexPitch, std::string& iErrorMessage)
{
    std::cout << "*** BestFit Parameter ***" << std::endl;
    std::cout << "Base: " << base.getName() << std::endl;
    std::cout << "Target: " << target.getName() << std::endl;
    std::cout << "Find Length Max: " << findLengthMax << std::endl;
    std::cout << "Loop Max: " << loopMax << std::endl;
    std::cout << "Tolerance: " << double(tolerance) << std::endl;
    std::cout << "Index Pitch: " << indexPitch << std::endl;

    // Pairs of an earlier run index other grids.
    flPointPairs.clear();
    if (indexPitch < 1)
        return FL_badCondition("indexPitch < 1", flBadParameter, "", iErrorMessage);
    if (loopMax < 1)
        return FL_badCondition("loopMax < 1", flBadParameter, "", iErrorMessage);
    if (!(findLengthMax > 0.0))
        return FL_badCondition("findLengthMax <= 0", flBadParameter, "", iErrorMessage);

    std::cout << "collect points..." << std::endl;
    PointCloudInterface* baseData = base.getPointCloud();
    PointCloudSVOInterface* svoib = baseData != nullptr ? baseData->getSVOInterface() : nullptr;
    if (svoib == nullptr)
        return FL_badCondition("svoib == NULL", flNoPointData, base.getName(), iErrorMessage);
    PointCloudInterface* targetData = target.getPointCloud();
    PointCloudSVOInterface* svoit = targetData != nullptr ? targetData->getSVOInterface() : nullptr;
    if (svoit == nullptr)
        return FL_badCondition("svoit == NULL", flNoPointData, target.getName(), iErrorMessage);
    PointCloudData baseGrid;
    PointCloudData targetGrid;
    // Octree point files have no matrix; their read fails and leaves the grid empty.
    if (!svoib->getPointCloudData(&baseGrid) || !FL_hasGrid(baseGrid))
        return FL_badCondition("base has no point matrix", flNoPointMatrix, base.getName(), iErrorMessage);
    if (!svoit->getPointCloudData(&targetGrid) || !FL_hasGrid(targetGrid))
        return FL_badCondition("target has no point matrix", flNoPointMatrix, target.getName(), iErrorMessage);

    std::cout << "calculate normal array..." << std::endl;
    const ScanGridLayout baseLayout = getScanGridLayout(baseGrid);
    std::vector<Vector3T<double>> baseNormals;
    FL_getNormalArray(&baseNormals, baseGrid, baseLayout);
    const std::vector<Vector3T<double>> targetNormals;

    const std::string baseFileName = baseData->getFilePath();
    const bool reuse = flVC && flBaseFileName == baseFileName && !(flTolerance > tolerance) &&
                       flVC->findLengthMax == findLengthMax && flVC->indexPitch == indexPitch &&
                       flVC->width == baseGrid.width && flVC->height == baseGrid.height &&
                       flVC->runLength == baseLayout.runLength;
    if (!reuse) {
        flVC.reset();
        flBaseFileName.clear();
        std::cout << "make VoxelCluster..." << std::endl;
        bool tooLarge = false;
        flVC = FL_makeVoxelCluster(baseGrid, baseLayout, findLengthMax, indexPitch, &tooLarge);
        if (!flVC)
            return FL_badCondition("too many VoxelCluster cells", flTooManyCells, "", iErrorMessage);
        flBaseFileName = baseFileName;
        flTolerance = tolerance;
    }

    for (int i = 0; i < loopMax; ++i) {
        std::cout << "bestfit loop = " << i << std::endl;
        std::cout << "make Pair..." << std::endl;
        QElapsedTimer timer;
        timer.start();
        makePair(targetGrid, baseGrid, target.getMatrix(), base.getMatrix(), indexPitch, float(findLengthMax));
        std::cout << "Time [sec]: " << float(timer.elapsed()) / 1000.0f << std::endl;
        // With nothing to fit the objective is flat, and the search would move the target at random.
        if (flPointPairs.empty())
            return FL_badCondition("no point pairs", flNoPointPairs, "", iErrorMessage);

        std::cout << "check RMS..." << std::flush;
        const float rms =
            getRMS(targetGrid, baseGrid, target.getMatrix(), base.getMatrix(), targetNormals, baseNormals);
        if (tolerance >= rms)
            break;
        std::cout << rms << std::endl;

        std::cout << "calculate Transform Matrix..." << std::endl;
        timer.start();
        const Matrix4x4T<double> transform = getTransformMatrix(targetGrid, baseGrid, target.getMatrix(),
                                                                base.getMatrix(), targetNormals, baseNormals);
        std::cout << "Time [sec]: " << float(timer.elapsed()) / 1000.0f << std::endl;

        std::cout << "transform..." << std::endl;
        target.setMatrix(transform * target.getMatrix());
    }

    const float rms = getRMS(targetGrid, baseGrid, target.getMatrix(), base.getMatrix(), targetNormals, baseNormals);
    if (tolerance >= rms)
        std::cout << "condition: tolerance is OK." << std::endl;
    else
        std::cout << "condition: tolerance is NG..." << std::endl;
    std::cout << "tolerance: " << tolerance << std::endl;
    std::cout << "RMS: " << rms << std::endl;
    return true;
}

void BestFit::makePair(const PointCloudData& target, const PointCloudData& base,
                       const Matrix4x4T<double>& targetMatrix, const Matrix4x4T<double>& baseMatrix, int indexPitch,
                       float findLengthMax)
{
    flPointPairs.clear();
    // The grid indexes the base's cells: it must have been built over a grid of this size.
    if (!flVC || indexPitch < 1 || !FL_hasGrid(target) || !FL_hasGrid(base) || flVC->width != base.width ||
        flVC->height != base.height)
        return;
    const VoxelCluster& cluster = *flVC;
    const int* number = cluster.number;
    // The grid holds the base's stored coordinates; queries are brought into them.
    const FLInverseTransform toBase(baseMatrix);
    const ScanGridLayout targetLayout = getScanGridLayout(target);
    for (std::int64_t j = 0; j < targetLayout.runCount; j += indexPitch) {
        for (std::int64_t i = 0; i < targetLayout.runLength; i += indexPitch) {
            const int t = int(j * targetLayout.runLength + i);
            const Point& point = target.pointList[t];
            if (FL_isEmpty(point))
                continue;
            const Vector3T<double> q = targetMatrix.transform(FL_widen(point.position));
            int cell[3];
            if (!FL_findCell(cluster, toBase.map(q), cell))
                continue;
            double best = double(findLengthMax);
            int chosen = -1;
            for (int dx = -1; dx <= 1; ++dx) {
                const int x = cell[0] + dx;
                if (x < 0 || x >= number[0])
                    continue;
                for (int dy = -1; dy <= 1; ++dy) {
                    const int y = cell[1] + dy;
                    if (y < 0 || y >= number[1])
                        continue;
                    for (int dz = -1; dz <= 1; ++dz) {
                        const int z = cell[2] + dz;
                        if (z < 0 || z >= number[2])
                            continue;
                        const VoxelClusterCell& found = cluster.cells[(std::size_t(z) * number[1] + y) * number[0] + x];
                        for (int b : found.pointIndices) {
                            const Vector3T<double> d =
                                baseMatrix.transform(FL_widen(base.pointList[b].position)) - q;
                            const double distance = std::sqrt(d.dot(d));
                            if (distance < best) {
                                best = distance;
                                chosen = b;
                            }
                        }
                    }
                }
            }
            if (chosen >= 0 && !FL_isEmpty(base.pointList[chosen]))
                flPointPairs.push_back({chosen, t});
        }
    }
}

Matrix4x4T<double> BestFit::getTransformMatrix(const PointCloudData& target, const PointCloudData& base,
                                               const Matrix4x4T<double>& targetMatrix,
                                               const Matrix4x4T<double>& baseMatrix,
                                               const std::vector<Vector3T<double>>& targetNormals,
                                               const std::vector<Vector3T<double>>& baseNormals)
{
    FLDownHillSimplexMethod simplex(target, base, targetMatrix, baseMatrix, targetNormals, baseNormals);
    // One degree, turned into radians the way the rest of the program does.
    const float degree = 1.0f / 180.0f * 3.141592f;
    const float step[6] = {degree, degree, degree, 0.1f, 0.1f, 0.1f};
    simplex.addVertex(SimplexPoint<6>());
    for (int k = 0; k < 6; ++k) {
        SimplexPoint<6> point;
        point[k] = step[k];
        simplex.addVertex(point);
    }
    for (int s = 0; s < 1000; ++s)
        simplex.progress();
    simplex.sortVertices();
    return simplex.getTransformMatrix(simplex.getVertices().front().point);
}

float BestFit::getRMS(const PointCloudData& target, const PointCloudData& base, const Matrix4x4T<double>& targetMatrix,
                      const Matrix4x4T<double>& baseMatrix, const std::vector<Vector3T<double>>& targetNormals,
                      const std::vector<Vector3T<double>>& baseNormals)
{
    const FLDownHillSimplexMethod simplex(target, base, targetMatrix, baseMatrix, targetNormals, baseNormals);
    return simplex.estimate(SimplexPoint<6>()) / float(flPointPairs.size());
}

void BestFit::drawPair() {}
