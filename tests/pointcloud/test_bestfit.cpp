// Best fit over point-matrix shots written at test time by the converter's builder and
// writer, and the simplex step on small functions worked out by hand.
#include "bestfit.h"

#include "pointcloud.h"
#include "scanfixture.h"
#include "shotfixture.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <locale>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testutil::CoutCapture;
using testutil::TempDir;
using Lines = std::vector<std::string>;
using V = Vector3T<double>;

const std::string flTime = "Time [sec]: ";

// A W x H scan grid, cell (i, j) at j W + i, placed by iPlace.
PointCloudData makeGrid(int iWidth, int iHeight, const std::function<Vector3T<float>(int, int)>& iPlace)
{
    PointCloudData data;
    data.width = iWidth;
    data.height = iHeight;
    for (int j = 0; j < iHeight; ++j)
        for (int i = 0; i < iWidth; ++i) {
            Point point;
            point.color = Color(static_cast<unsigned char>(i * 10), static_cast<unsigned char>(j * 10), 7, 255);
            point.position = iPlace(i, j);
            data.pointList.push_back(point);
        }
    data.validPointNumber = static_cast<unsigned>(data.pointList.size());
    return data;
}

// A curved patch: z = 0.1 x^2 + 0.15 y^2 + 0.05 x y over x, y = 0 .. W-1, H-1.
PointCloudData makeCurved(int iWidth, int iHeight, Vector3T<float> iShift = {})
{
    return makeGrid(iWidth, iHeight, [&](int i, int j) {
        const float x = float(i), y = float(j);
        return Vector3T<float>(x, y, 0.1f * x * x + 0.15f * y * y + 0.05f * x * y) + iShift;
    });
}

// A bowl with unequal curvatures about its middle, which pins all six degrees of freedom.
PointCloudData makeBowl()
{
    return makeGrid(15, 15, [](int i, int j) {
        const float x = 0.5f * float(i) - 3.5f, y = 0.5f * float(j) - 3.5f;
        return Vector3T<float>(x, y, 0.2f * x * x + 0.3f * y * y + 0.1f * x * y);
    });
}

// A scan from inside a box room 8 x 6 x 3 m, the scanner 1.5 m above the floor and off its
// middle: 120 azimuths (3 degrees apart) in each of 41 runs of elevation from -60 to 60 degrees.
PointCloudData makeRoom()
{
    const double pi = std::acos(-1.0);
    const double low[3] = {-3.0, -2.0, -1.5}, high[3] = {5.0, 4.0, 1.5};
    return makeGrid(120, 41, [&](int i, int j) {
        const double azimuth = 3.0 * i * pi / 180.0, elevation = (3.0 * j - 60.0) * pi / 180.0;
        const double d[3] = {std::cos(elevation) * std::cos(azimuth), std::cos(elevation) * std::sin(azimuth),
                             std::sin(elevation)};
        double reach = std::numeric_limits<double>::infinity();
        for (int a = 0; a < 3; ++a)
            if (d[a] != 0.0)
                reach = std::min(reach, (d[a] > 0.0 ? high[a] : low[a]) / d[a]);
        return Vector3T<float>(float(reach * d[0]), float(reach * d[1]), float(reach * d[2]));
    });
}

Matrix4x4T<double> rigid(double iRx, double iRy, double iRz, double iTx, double iTy, double iTz)
{
    const double sx = std::sin(iRx), cx = std::cos(iRx), sy = std::sin(iRy), cy = std::cos(iRy);
    const double sz = std::sin(iRz), cz = std::cos(iRz);
    Matrix4x4T<double> rx, ry, rz, t;
    rx(1, 1) = cx, rx(1, 2) = -sx, rx(2, 1) = sx, rx(2, 2) = cx;
    ry(0, 0) = cy, ry(0, 2) = sy, ry(2, 0) = -sy, ry(2, 2) = cy;
    rz(0, 0) = cz, rz(0, 1) = -sz, rz(1, 0) = sz, rz(1, 1) = cz;
    t(0, 3) = iTx, t(1, 3) = iTy, t(2, 3) = iTz;
    return t * rz * ry * rx;
}

// inverse(iRigid) · iMatrix: where iMatrix places things in the frame of iRigid.
Matrix4x4T<double> relative(const Matrix4x4T<double>& iRigid, const Matrix4x4T<double>& iMatrix)
{
    Matrix4x4T<double> inverse;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            inverse(r, c) = iRigid(c, r);
        inverse(r, 3) = -(iRigid(0, r) * iRigid(0, 3) + iRigid(1, r) * iRigid(1, 3) + iRigid(2, r) * iRigid(2, 3));
    }
    return inverse * iMatrix;
}

double maxDifference(const Matrix4x4T<double>& iA, const Matrix4x4T<double>& iB)
{
    double worst = 0.0;
    for (int k = 0; k < 16; ++k)
        worst = std::max(worst, std::fabs(iA[k] - iB[k]));
    return worst;
}

// The timings vary; every other character of the report is fixed.
Lines maskTimes(Lines iLines)
{
    for (std::string& line : iLines)
        if (line.compare(0, flTime.size(), flTime) == 0) {
            std::istringstream in(line.substr(flTime.size()));
            in.imbue(std::locale::classic());
            double seconds = -1.0;
            in >> seconds;
            line = flTime + (in && seconds >= 0.0 ? "*" : "?");
        }
    return iLines;
}

float numberAfter(const Lines& iLines, const std::string& iPrefix, int iOccurrence = 0)
{
    for (const std::string& line : iLines)
        if (line.compare(0, iPrefix.size(), iPrefix) == 0 && iOccurrence-- == 0) {
            std::istringstream in(line.substr(iPrefix.size()));
            in.imbue(std::locale::classic());
            float value = std::numeric_limits<float>::quiet_NaN();
            in >> value;
            return value;
        }
    return std::numeric_limits<float>::quiet_NaN();
}

Lines head(const std::string& iBase, const std::string& iTarget, const std::string& iLength, int iLoop,
           const std::string& iTolerance, int iPitch)
{
    return {"*** BestFit Parameter ***",
            "Base: " + iBase,
            "Target: " + iTarget,
            "Find Length Max: " + iLength,
            "Loop Max: " + std::to_string(iLoop),
            "Tolerance: " + iTolerance,
            "Index Pitch: " + std::to_string(iPitch)};
}

bool endsWith(const std::string& iText, const std::string& iEnd)
{
    return iText.size() >= iEnd.size() && iText.compare(iText.size() - iEnd.size(), iEnd.size(), iEnd) == 0;
}

Lines operator+(Lines iA, const Lines& iB)
{
    iA.insert(iA.end(), iB.begin(), iB.end());
    return iA;
}

// ---- the hand computation ------------------------------------------------------------------

V widen(const Vector3T<float>& iPoint)
{
    return V(iPoint.x, iPoint.y, iPoint.z);
}

// Unit normal of cell (i, j) from its ring of eight neighbours, or 0 on the border.
V handNormal(const PointCloudData& iGrid, int i, int j)
{
    const int w = iGrid.width;
    if (i < 1 || j < 1 || i > w - 2 || j > iGrid.height - 2)
        return V();
    const int ring[9][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}};
    const V centre = widen(iGrid.pointList[j * w + i].position);
    V sum;
    for (int k = 0; k < 8; ++k) {
        const V a = widen(iGrid.pointList[(j + ring[k][1]) * w + i + ring[k][0]].position) - centre;
        const V b = widen(iGrid.pointList[(j + ring[k + 1][1]) * w + i + ring[k + 1][0]].position) - centre;
        const V n = a.cross(b);
        sum += n / std::sqrt(n.dot(n));
    }
    return sum / std::sqrt(sum.dot(sum));
}

// Mean |(target − nearest base point) · base normal| over the sampled target points, the
// nearest point sought among the sampled base points closer than iLength; identity matrices.
double handRMS(const PointCloudData& iTarget, const PointCloudData& iBase, double iLength, int iPitch)
{
    double sum = 0.0;
    int pairs = 0;
    for (int tj = 0; tj < iTarget.height; tj += iPitch)
        for (int ti = 0; ti < iTarget.width; ti += iPitch) {
            const V q = widen(iTarget.pointList[tj * iTarget.width + ti].position);
            double best = iLength;
            int bi = -1, bj = -1;
            for (int j = 0; j < iBase.height; j += iPitch)
                for (int i = 0; i < iBase.width; i += iPitch) {
                    const V d = widen(iBase.pointList[j * iBase.width + i].position) - q;
                    if (std::sqrt(d.dot(d)) < best) {
                        best = std::sqrt(d.dot(d));
                        bi = i;
                        bj = j;
                    }
                }
            if (bi < 0)
                continue;
            ++pairs;
            sum += std::fabs((q - widen(iBase.pointList[bj * iBase.width + bi].position)).dot(handNormal(iBase, bi, bj)));
        }
    return sum / pairs;
}

// ---- shots ---------------------------------------------------------------------------------

class BestFitShots : public ::testing::Test
{
protected:
    std::unique_ptr<PointCloud> shot(const std::string& iName, const PointCloudData& iData)
    {
        const std::string path = mDir.file(iName);
        CoutCapture quiet;
        const bool written = iName.size() > 6 && iName.substr(iName.size() - 6) == ".zrpcd"
                                 ? shotfixture::writeZRPCD(path, iData)
                                 : shotfixture::writeZRPMD(path, iData);
        EXPECT_TRUE(written) << path;
        std::string error;
        std::unique_ptr<PointCloud> made(PointCloud::generateFromBinaryFile_SVO(path, error));
        EXPECT_TRUE(made) << error;
        return made;
    }

    static Lines run(PointCloud& iTarget, const PointCloud& iBase, double iLength, int iLoop, float iTolerance,
                     int iPitch)
    {
        CoutCapture capture;
        std::string message;
        BestFit().bestfit(iTarget, iBase, iLength, iLoop, iTolerance, iPitch, message);
        return maskTimes(capture.lines());
    }

    TempDir mDir;
};

} // namespace

TEST_F(BestFitShots, IdenticalShotsAreAlreadyInPlace)
{
    auto base = shot("base.zrpmd", makeCurved(5, 5));
    auto target = shot("target.zrpmd", makeCurved(5, 5));
    ASSERT_TRUE(base && target);
    const Lines lines = run(*target, *base, 1.0, 1, 0.0f, 1);
    EXPECT_EQ(lines, (head(base->getName(), target->getName(), "1", 1, "0", 1) +
                         Lines{"collect points...", "calculate normal array...", "make VoxelCluster...",
                               "bestfit loop = 0", "make Pair...", flTime + "*",
                               "check RMS...condition: tolerance is OK.", "tolerance: 0", "RMS: 0"}));
    EXPECT_EQ(target->getMatrix(), Matrix4x4T<double>::identity());
}

TEST_F(BestFitShots, FirstRmsIsTheMeanPointToPlaneDistanceOfTheNearestPairs)
{
    const PointCloudData baseData = makeCurved(5, 5);
    const PointCloudData targetData = makeCurved(5, 5, Vector3T<float>(0.05f, -0.03f, 0.12f));
    auto base = shot("base.zrpmd", baseData);
    auto target = shot("target.zrpmd", targetData);
    ASSERT_TRUE(base && target);

    for (int pitch : {1, 2}) {
        SCOPED_TRACE(pitch);
        target->setMatrix(Matrix4x4T<double>::identity());
        const Lines lines = run(*target, *base, 1.0, 1, 0.0f, pitch);
        const double expected = handRMS(targetData, baseData, 1.0, pitch);
        EXPECT_GT(expected, 0.005);
        ASSERT_EQ(lines.size(), 20u);
        EXPECT_EQ(Lines(lines.begin(), lines.begin() + 13),
                  (head(base->getName(), target->getName(), "1", 1, "0", pitch) +
                      Lines{"collect points...", "calculate normal array...", "make VoxelCluster...",
                            "bestfit loop = 0", "make Pair...", flTime + "*"}));
        EXPECT_NEAR(numberAfter(lines, "check RMS..."), expected, 1e-5 * expected);
        EXPECT_EQ(Lines(lines.begin() + 14, lines.begin() + 17),
                  (Lines{"calculate Transform Matrix...", flTime + "*", "transform..."}));
        EXPECT_TRUE(lines[17] == "condition: tolerance is NG..." || lines[17] == "condition: tolerance is OK.");
        EXPECT_EQ(lines[18], "tolerance: 0");
        // One iteration already moves the target towards the base.
        EXPECT_LT(numberAfter(lines, "RMS: "), 0.5 * expected);
        EXPECT_NE(target->getMatrix(), Matrix4x4T<double>::identity());
    }
}

TEST_F(BestFitShots, SmallMisplacementConvergesToTheBase)
{
    const Matrix4x4T<double> misplacement = rigid(0.006, -0.004, 0.008, 0.04, -0.03, 0.05);
    for (const Matrix4x4T<double>& placement :
         {Matrix4x4T<double>::identity(), rigid(0.1, 0.2, 0.5236, 10.0, -5.0, 1.0)}) {
        // A fresh base file per placement, so that its grid is built anew.
        const std::string tag = placement == Matrix4x4T<double>::identity() ? "1" : "2";
        auto base = shot("base" + tag + ".zrpmd", makeBowl());
        auto target = shot("target" + tag + ".zrpmd", makeBowl());
        ASSERT_TRUE(base && target);
        base->setMatrix(placement);
        target->setMatrix(placement * misplacement);
        const Lines lines = run(*target, *base, 0.5, 20, 0.0001f, 1);
        const float first = numberAfter(lines, "check RMS...");
        EXPECT_GT(first, 0.005f);
        EXPECT_TRUE(endsWith(lines[lines.size() - 3], "condition: tolerance is OK."));
        EXPECT_LE(numberAfter(lines, "RMS: "), 0.0001f);
        EXPECT_LT(maxDifference(relative(placement, target->getMatrix()), Matrix4x4T<double>::identity()), 1e-4);
        EXPECT_EQ(base->getMatrix(), placement);
    }
}

TEST_F(BestFitShots, RunsWithoutPairsOrPointMatricesLeaveTheTarget)
{
    auto base = shot("base.zrpmd", makeCurved(5, 5));
    auto target = shot("target.zrpmd", makeCurved(5, 5));
    auto octree = shot("scan.zrpcd", makeCurved(5, 5));
    ASSERT_TRUE(base && target && octree);
    const Matrix4x4T<double> away = rigid(0, 0, 0, 100.0, 0, 0);

    // Too far apart to pair.
    target->setMatrix(away);
    EXPECT_EQ(run(*target, *base, 1.0, 3, 0.0f, 1),
              (head(base->getName(), target->getName(), "1", 3, "0", 1) +
                  Lines{"collect points...", "calculate normal array...", "make VoxelCluster...", "bestfit loop = 0",
                        "make Pair...", flTime + "*", "Bad Condition: no point pairs"}));
    EXPECT_EQ(target->getMatrix(), away);

    // Octree point files have no scan grid.
    EXPECT_EQ(run(*target, *octree, 1.0, 1, 0.0f, 1),
              (head(octree->getName(), target->getName(), "1", 1, "0", 1) +
                  Lines{"collect points...", "Bad Condition: base has no point matrix"}));
    EXPECT_EQ(run(*octree, *base, 1.0, 1, 0.0f, 1),
              (head(base->getName(), octree->getName(), "1", 1, "0", 1) +
                  Lines{"collect points...", "Bad Condition: target has no point matrix"}));
    EXPECT_EQ(octree->getMatrix(), Matrix4x4T<double>::identity());

    // Shots without point data.
    PointCloud empty;
    empty.setName("empty");
    EXPECT_EQ(run(*target, empty, 1.0, 1, 0.0f, 1),
              (head("empty", target->getName(), "1", 1, "0", 1) +
                  Lines{"collect points...", "Bad Condition: svoib == NULL"}));
    EXPECT_EQ(run(empty, *base, 1.0, 1, 0.0f, 1),
              (head(base->getName(), "empty", "1", 1, "0", 1) +
                  Lines{"collect points...", "Bad Condition: svoit == NULL"}));

    // Parameters the search cannot work with.
    EXPECT_EQ(run(*target, *base, 1.0, 1, 0.0f, 0),
              (head(base->getName(), target->getName(), "1", 1, "0", 0) + Lines{"Bad Condition: indexPitch < 1"}));
    EXPECT_EQ(run(*target, *base, 1.0, 0, 0.0f, 1),
              (head(base->getName(), target->getName(), "1", 0, "0", 1) + Lines{"Bad Condition: loopMax < 1"}));
    EXPECT_EQ(run(*target, *base, 0.0, 1, 0.0f, 1),
              (head(base->getName(), target->getName(), "0", 1, "0", 1) + Lines{"Bad Condition: findLengthMax <= 0"}));
    EXPECT_EQ(target->getMatrix(), away);
}

TEST_F(BestFitShots, FlatBasesPairOnTheirSingleCellLayer)
{
    auto plane = shot("plane.zrpmd", makeGrid(5, 5, [](int i, int j) { return Vector3T<float>(i, j, 0.0f); }));
    auto same = shot("same.zrpmd", makeGrid(5, 5, [](int i, int j) { return Vector3T<float>(i, j, 0.0f); }));
    auto lifted = shot("lifted.zrpmd", makeGrid(5, 5, [](int i, int j) { return Vector3T<float>(i, j, 0.1f); }));
    ASSERT_TRUE(plane && same && lifted);

    // A flat axis still gets a cell: the same plane pairs point for point at distance 0.
    const Lines lines = run(*same, *plane, 1.0, 1, 0.0f, 1);
    EXPECT_EQ(Lines(lines.end() - 4, lines.end()),
              (Lines{flTime + "*", "check RMS...condition: tolerance is OK.", "tolerance: 0", "RMS: 0"}));
    EXPECT_EQ(same->getMatrix(), Matrix4x4T<double>::identity());

    // Lifted by 0.1: the nine inner points have the normal (0, 0, 1), the sixteen border points none.
    const Lines moved = run(*lifted, *plane, 1.0, 3, 0.0001f, 1);
    EXPECT_NEAR(numberAfter(moved, "check RMS..."), 0.1 * 9 / 25, 1e-7);
    EXPECT_TRUE(endsWith(moved[moved.size() - 3], "condition: tolerance is OK."));
    EXPECT_NEAR(lifted->getMatrix()(2, 3), -0.1, 0.0001 * 25 / 9);

    // A single run is flat in two axes and has no normals at all: nothing to measure, nothing moves.
    auto line = shot("line.zrpmd", makeGrid(6, 1, [](int i, int) { return Vector3T<float>(i, 0.0f, 0.0f); }));
    auto nearLine = shot("near.zrpmd", makeGrid(6, 1, [](int i, int) { return Vector3T<float>(i, 0.1f, 0.2f); }));
    ASSERT_TRUE(line && nearLine);
    const Lines flat = run(*nearLine, *line, 1.0, 1, 0.0f, 1);
    EXPECT_EQ(Lines(flat.end() - 3, flat.end()),
              (Lines{"check RMS...condition: tolerance is OK.", "tolerance: 0", "RMS: 0"}));
    EXPECT_EQ(nearLine->getMatrix(), Matrix4x4T<double>::identity());
}

TEST_F(BestFitShots, DegenerateNeighbourhoodsGiveNoNormal)
{
    // Collinear points: every cross product is zero.
    auto line = shot("collinear.zrpmd",
                     makeGrid(3, 3, [](int i, int j) { return Vector3T<float>(float(i + 3 * j), 0.0f, 0.0f); }));
    auto nearLine = shot("near.zrpmd", makeGrid(3, 3, [](int i, int j) {
                             return Vector3T<float>(float(i + 3 * j), 0.2f, 0.1f);
                         }));
    // Spacing so wide that the products overflow float.
    auto huge = shot("huge.zrpmd", makeGrid(3, 3, [](int i, int j) {
                         return Vector3T<float>(1e20f * float(i), 1e20f * float(j), i == 1 && j == 1 ? 1e19f : 0.0f);
                     }));
    ASSERT_TRUE(line && nearLine && huge);

    Lines lines = run(*nearLine, *line, 1.0, 1, 0.0f, 1);
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
              (Lines{"check RMS...condition: tolerance is OK.", "tolerance: 0", "RMS: 0"}));
    lines = run(*huge, *huge, 1e21, 1, 0.0f, 1);
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
              (Lines{"check RMS...condition: tolerance is OK.", "tolerance: 0", "RMS: 0"}));
    EXPECT_EQ(huge->getMatrix(), Matrix4x4T<double>::identity());
}

TEST_F(BestFitShots, OversizedClusterGridIsRefused)
{
    auto wide = shot("wide.zrpmd", makeGrid(3, 1, [](int i, int) {
                         return Vector3T<float>(1000.0f * float(i), 1000.0f * float(i), 1000.0f * float(i));
                     }));
    auto target = shot("target.zrpmd", makeGrid(3, 1, [](int i, int) {
                           return Vector3T<float>(1000.0f * float(i), 1000.0f * float(i), 1000.0f * float(i));
                       }));
    ASSERT_TRUE(wide && target);
    const Matrix4x4T<double> start = rigid(0, 0, 0, 0.001, 0, 0);
    target->setMatrix(start);
    EXPECT_EQ(run(*target, *wide, 0.001, 1, 0.0f, 1),
              (head(wide->getName(), target->getName(), "0.001", 1, "0", 1) +
                  Lines{"collect points...", "calculate normal array...", "make VoxelCluster...",
                        "Bad Condition: too many VoxelCluster cells"}));
    EXPECT_EQ(target->getMatrix(), start);
    // Nothing is kept of the refused grid.
    const Lines next = run(*target, *wide, 100.0, 1, 0.0f, 1);
    EXPECT_EQ(next[9], "make VoxelCluster...");
}

TEST_F(BestFitShots, ClusterGridIsRebuiltWhenItsKeyChanges)
{
    auto base = shot("base.zrpmd", makeCurved(5, 5));
    auto target = shot("target.zrpmd", makeCurved(5, 5));
    ASSERT_TRUE(base && target);
    const auto builds = [&](double iLength, float iTolerance, int iPitch) {
        const Lines lines = run(*target, *base, iLength, 1, iTolerance, iPitch);
        EXPECT_EQ(lines.back(), "RMS: 0");
        return lines.size() > 9 && lines[9] == "make VoxelCluster...";
    };
    EXPECT_TRUE(builds(1.0, 0.5f, 1));
    EXPECT_FALSE(builds(1.0, 0.5f, 1));
    EXPECT_FALSE(builds(1.0, 0.75f, 1));  // a larger tolerance keeps it
    EXPECT_TRUE(builds(1.0, 0.25f, 1));   // a smaller one does not
    EXPECT_FALSE(builds(1.0, 0.25f, 1));
    EXPECT_TRUE(builds(0.5, 0.25f, 1));   // other search length
    EXPECT_TRUE(builds(0.5, 0.25f, 2));   // other pitch
    EXPECT_FALSE(builds(0.5, 0.25f, 2));

    // The base file rewritten with another grid size under the same name.
    {
        CoutCapture quiet;
        ASSERT_TRUE(shotfixture::writeZRPMD(mDir.file("base.zrpmd"), makeCurved(6, 4)));
    }
    EXPECT_TRUE(builds(0.5, 0.25f, 2));
    EXPECT_FALSE(builds(0.5, 0.25f, 2));

    // Another base file.
    auto other = shot("other.zrpmd", makeCurved(6, 4));
    ASSERT_TRUE(other);
    const Lines lines = run(*target, *other, 0.5, 1, 0.25f, 2);
    EXPECT_EQ(lines[9], "make VoxelCluster...");
}

TEST_F(BestFitShots, GeoreferencedShotsRegisterAsWellAsShotsAtTheOrigin)
{
    // 2 degrees about a tilted axis through the scanner, and 30 mm.
    const double degree = std::acos(-1.0) / 180.0;
    const Matrix4x4T<double> misplacement =
        rigid(0, 0, 0, 0.020, -0.020, 0.010) * getRotationMatrix(V(1, -1, 3) / std::sqrt(11.0), 2.0 * degree);
    for (const Matrix4x4T<double>& placement :
         {Matrix4x4T<double>::identity(), rigid(0, 0, 0, 412345.0, 5000000.0, 100.0)}) {
        const std::string tag = placement == Matrix4x4T<double>::identity() ? "origin" : "far";
        SCOPED_TRACE(tag);
        auto base = shot("base-" + tag + ".zrpmd", makeRoom());
        auto target = shot("target-" + tag + ".zrpmd", makeRoom());
        ASSERT_TRUE(base && target);
        base->setMatrix(placement);
        target->setMatrix(placement * misplacement);
        const Lines lines = run(*target, *base, 0.5, 30, 0.0001f, 1);
        EXPECT_GT(numberAfter(lines, "check RMS..."), 0.02f);
        EXPECT_TRUE(endsWith(lines[lines.size() - 3], "condition: tolerance is OK."));
        const Matrix4x4T<double> error = relative(placement, target->getMatrix());
        const double angle = std::acos(std::min(1.0, (error(0, 0) + error(1, 1) + error(2, 2) - 1.0) / 2.0));
        const V offset(error(0, 3), error(1, 3), error(2, 3));
        EXPECT_LT(angle / degree, 0.05);
        EXPECT_LT(std::sqrt(offset.dot(offset)), 0.001);
    }
}

// Two scans of a room taken 1.1 m apart, the target misplaced by 1 degree and 5 cm, from a
// terrestrial scanner and from a 16-ring lidar; PTX lists the cells column after column, PCD row
// after row, and the files do not say which.
TEST_F(BestFitShots, ScansInEitherCellOrderRecoverTheirMisplacement)
{
    const double degree = std::acos(-1.0) / 180.0;
    const std::array<double, 3> from = {0, 0, 0}, to = {1.1, 0.3, 0.1};
    const struct
    {
        const char* name;
        scanfixture::Scan base;
        scanfixture::Scan target;
        int pitch;
    } pairs[] = {{"room", scanfixture::room(300, 120, from), scanfixture::room(300, 120, to), 4},
                 {"lidar", scanfixture::lidar(3600, from), scanfixture::lidar(3600, to), 2}};
    for (const auto& pair : pairs)
        for (const std::string tag : {"ptx", "pcd"}) {
            SCOPED_TRACE(pair.name + ("." + tag));
            PointCloudData baseData, targetData;
            ASSERT_TRUE(scanfixture::read(&baseData, mDir.file("base." + tag), pair.base));
            ASSERT_TRUE(scanfixture::read(&targetData, mDir.file("target." + tag), pair.target));
            auto base = shot("base-" + tag + ".zrpmd", baseData);
            auto target = shot("target-" + tag + ".zrpmd", targetData);
            ASSERT_TRUE(base && target);
            target->setMatrix(rigid(0, 0, 0, 0.03, -0.04, 0) * getRotationMatrix(V(1, 2, 5) / std::sqrt(30.0), degree));
            EXPECT_GT(numberAfter(run(*target, *base, 0.2, 30, 0.0f, pair.pitch), "check RMS..."), 0.01f);
            const Matrix4x4T<double>& error = target->getMatrix();
            const V offset(error(0, 3), error(1, 3), error(2, 3));
            EXPECT_LT(std::acos(std::min(1.0, (error(0, 0) + error(1, 1) + error(2, 2) - 1.0) / 2.0)) / degree, 0.05);
            EXPECT_LT(std::sqrt(offset.dot(offset)), 0.001);
        }
}

// ---- the simplex step ----------------------------------------------------------------------

namespace {

template <int N>
class FunctionSimplex : public DownHillSimplexMethod<N>
{
public:
    explicit FunctionSimplex(std::function<float(const SimplexPoint<N>&)> iFunction) : mFunction(iFunction) {}
    float estimate(const SimplexPoint<N>& iPoint) const override { return mFunction(iPoint); }

private:
    std::function<float(const SimplexPoint<N>&)> mFunction;
};

SimplexPoint<2> P(float iX, float iY)
{
    SimplexPoint<2> point;
    point[0] = iX;
    point[1] = iY;
    return point;
}

using Vertex = std::pair<float, std::pair<float, float>>;

std::vector<Vertex> vertices(const DownHillSimplexMethod<2>& iSimplex)
{
    std::vector<Vertex> out;
    for (const auto& pair : iSimplex.getVertices())
        out.push_back({pair.score, {pair.point[0], pair.point[1]}});
    return out;
}

// One step from the three vertices, given in any order.
std::vector<Vertex> step(const std::function<float(const SimplexPoint<2>&)>& iFunction,
                         const std::vector<SimplexPoint<2>>& iStart)
{
    FunctionSimplex<2> simplex(iFunction);
    for (const SimplexPoint<2>& point : iStart)
        simplex.addVertex(point);
    EXPECT_TRUE(simplex.progress());
    return vertices(simplex);
}

float bowl(const SimplexPoint<2>& p)
{
    return p[0] * p[0] + p[1] * p[1];
}

} // namespace

TEST(DownHillSimplexMethod, OneStepReflectsExpandsContractsOrShrinks)
{
    // Reflection (0, 1) beats the best; the expansion (-1.5, 0) does not beat it: reflection kept.
    EXPECT_EQ(step(bowl, {P(3, 3), P(2, 1), P(1, 3)}),
              (std::vector<Vertex>{{5, {2, 1}}, {10, {1, 3}}, {1, {0, 1}}}));
    // Reflection (0, 1) beats the best and the expansion (-3, -1.5) beats it again.
    const auto shifted = [](const SimplexPoint<2>& p) { return (p[0] + 1) * (p[0] + 1) + (p[1] + 1) * (p[1] + 1); };
    EXPECT_EQ(step(shifted, {P(4, 2), P(2, 5), P(6, 6)}),
              (std::vector<Vertex>{{34, {4, 2}}, {45, {2, 5}}, {4.25f, {-3, -1.5f}}}));
    // Reflection (-1, 0) only equals the best: taken without expansion.
    EXPECT_EQ(step(bowl, {P(1, 0), P(0, 3), P(2, 3)}),
              (std::vector<Vertex>{{1, {1, 0}}, {9, {0, 3}}, {1, {-1, 0}}}));
    // Reflection (-2, -1) lies between second and worst: contracted from it to (-0.75, 0).
    EXPECT_EQ(step(bowl, {P(1, 0), P(0, 2), P(3, 3)}),
              (std::vector<Vertex>{{1, {1, 0}}, {4, {0, 2}}, {0.5625f, {-0.75f, 0}}}));
    // Reflection (0.5, -1) is worse than the worst; the contraction (0.5, 0) is less bad and
    // replaces the worst even though it scores above it.
    const auto wall = [](const SimplexPoint<2>& p) { return bowl(p) + (p[1] < 0.5f ? 1000.0f : 0.0f); };
    EXPECT_EQ(step(wall, {P(0, 1), P(1, 1), P(0.5f, 3)}),
              (std::vector<Vertex>{{1, {0, 1}}, {2, {1, 1}}, {1000.25f, {0.5f, 0}}}));
    // Neither point is a number there: shrink towards the best, each vertex keeping the score
    // of where it was.
    const auto hole = [](const SimplexPoint<2>& p) {
        return p[1] < 0.5f ? std::numeric_limits<float>::quiet_NaN() : bowl(p);
    };
    EXPECT_EQ(step(hole, {P(0.5f, 3), P(1, 1), P(0, 1)}),
              (std::vector<Vertex>{{1, {0, 1}}, {2, {0.5f, 1}}, {9.25f, {0.25f, 2}}}));
}

TEST(DownHillSimplexMethod, NeedsNPlusOneVerticesAndSurvivesUndefinedScores)
{
    const float centre[6] = {0.2f, -0.1f, 0.3f, 0.0f, 0.05f, -0.2f};
    FunctionSimplex<6> simplex([&](const SimplexPoint<6>& p) {
        if (p[0] > 0.5f)
            return std::numeric_limits<float>::quiet_NaN();
        float sum = 0.0f;
        for (int k = 0; k < 6; ++k)
            sum += (p[k] - centre[k]) * (p[k] - centre[k]);
        return sum;
    });
    simplex.addVertex(SimplexPoint<6>());
    for (int k = 0; k < 5; ++k) {
        SimplexPoint<6> point;
        point[k] = 0.4f;
        simplex.addVertex(point);
    }
    EXPECT_FALSE(simplex.progress());
    EXPECT_EQ(simplex.getVertices()[0].score, simplex.estimate(SimplexPoint<6>()));

    SimplexPoint<6> last;
    last[5] = 0.4f;
    simplex.addVertex(last);
    for (int s = 0; s < 1000; ++s)
        ASSERT_TRUE(simplex.progress());
    simplex.sortVertices();
    const auto& best = simplex.getVertices().front();
    EXPECT_LT(best.score, 1e-6f);
    for (int k = 0; k < 6; ++k)
        EXPECT_NEAR(best.point[k], centre[k], 1e-3f) << k;
    for (const auto& vertex : simplex.getVertices())
        EXPECT_FALSE(std::isnan(vertex.score));
}
