#ifndef POINTCLOUD_BESTFIT_H
#define POINTCLOUD_BESTFIT_H

#include "matrix4x4.h"
#include "pointclouddata.h"
#include "vector3.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

class PointCloud;

// A point of the simplex search: N floats (for best fit rx, ry, rz in radians, then tx, ty, tz).
template <int N>
struct SimplexPoint
{
    float value[N] = {};

    float& operator[](int i) { return value[i]; }
    const float& operator[](int i) const { return value[i]; }
};

// Downhill simplex (Nelder-Mead) minimisation over N floats; smaller scores are better.
// The subclass gives the objective; progress() makes one step. Everything runs in float.
template <int N>
class DownHillSimplexMethod
{
public:
    struct SimplexPair
    {
        float score = 0.0f;
        SimplexPoint<N> point;
    };

    virtual float estimate(const SimplexPoint<N>& iPoint) const = 0;

    // Scores iPoint and appends it as a vertex.
    void addVertex(const SimplexPoint<N>& iPoint) { mVertices.push_back({score(iPoint), iPoint}); }
    const std::vector<SimplexPair>& getVertices() const { return mVertices; }
    // Ascending score; the order of equal scores is not fixed.
    void sortVertices()
    {
        std::sort(mVertices.begin(), mVertices.end(),
                  [](const SimplexPair& a, const SimplexPair& b) { return a.score < b.score; });
    }

    // One step: reflection, then expansion or contraction, else a shrink towards the best
    // vertex. False, doing nothing, with fewer than N + 1 vertices.
    bool progress()
    {
        const int count = static_cast<int>(mVertices.size());
        if (count < N + 1)
            return false;
        sortVertices();
        const SimplexPair best = mVertices.front();
        const float worstScore = mVertices.back().score;
        const float secondScore = mVertices[count - 2].score;

        SimplexPoint<N> g;
        for (int v = 0; v < count - 1; ++v)
            for (int k = 0; k < N; ++k)
                g[k] += mVertices[v].point[k];
        for (int k = 0; k < N; ++k)
            g[k] /= static_cast<float>(count - 1);

        SimplexPoint<N> reflected;
        for (int k = 0; k < N; ++k)
            reflected[k] = g[k] - (mVertices.back().point[k] - g[k]);
        const float reflectedScore = score(reflected);

        if (reflectedScore < best.score) {
            SimplexPoint<N> expanded;
            for (int k = 0; k < N; ++k)
                expanded[k] = g[k] + 2.0f * (reflected[k] - g[k]);
            const float expandedScore = score(expanded);
            if (expandedScore < reflectedScore)
                mVertices.back() = {expandedScore, expanded};
            else
                mVertices.back() = {reflectedScore, reflected};
            return true;
        }
        if (reflectedScore <= worstScore) {
            mVertices.back() = {reflectedScore, reflected};
            if (reflectedScore <= secondScore)
                return true;
        }
        // Both contractions start from the reflected point.
        SimplexPoint<N> contracted;
        for (int k = 0; k < N; ++k)
            contracted[k] = g[k] + 0.5f * (reflected[k] - g[k]);
        const float contractedScore = score(contracted);
        if (contractedScore < reflectedScore) {
            mVertices.back() = {contractedScore, contracted};
            return true;
        }
        // Shrink: each vertex keeps the score of where it was before it moved.
        for (SimplexPair& vertex : mVertices) {
            vertex.score = score(vertex.point);
            for (int k = 0; k < N; ++k)
                vertex.point[k] = (vertex.point[k] + best.point[k]) * 0.5f;
        }
        return true;
    }

protected:
    DownHillSimplexMethod() = default;
    ~DownHillSimplexMethod() = default;

private:
    // A score that is not a number counts as worse than any other, so that sorting and the
    // comparisons of a step stay well ordered.
    float score(const SimplexPoint<N>& iPoint) const
    {
        const float value = estimate(iPoint);
        return std::isnan(value) ? std::numeric_limits<float>::infinity() : value;
    }

    std::vector<SimplexPair> mVertices;
};

// Point-to-plane registration of one shot (the target) onto another (the base) over their
// scan grids: base normals from the grid neighbours, nearest base point per sampled target
// point through a cell grid over the base, and a simplex search over a rigid transform.
// Reports on standard output; the only lasting effect is the target's matrix.
//
// The cell grid and the pairs are kept in file-local statics between calls: GUI thread only,
// not reentrant.
class BestFit
{
public:
    BestFit() {}

    // Moves target onto base in up to loopMax iterations, stopping once the mean
    // point-to-plane distance of the pairs is within tolerance. Points farther than
    // findLengthMax never pair; indexPitch thins both grids for the pairing. False when the
    // run stops at a "Bad Condition" (a shot without point matrix, too many grid cells, no
    // pairs), with the translated reason for the user in iErrorMessage; the run's report
    // stays on standard output.
    bool bestfit(PointCloud& target, const PointCloud& base, double findLengthMax, int loopMax, float tolerance,
                 int indexPitch, std::string& iErrorMessage);

    // Rebuilds the pairs: for every indexPitch-th position of every indexPitch-th run of the
    // target, the nearest base point of the cached cell grid closer than findLengthMax.
    void makePair(const PointCloudData& target, const PointCloudData& base, const Matrix4x4T<double>& targetMatrix,
                  const Matrix4x4T<double>& baseMatrix, int indexPitch, float findLengthMax);
    // The rigid transform that the simplex search finds best for the current pairs.
    Matrix4x4T<double> getTransformMatrix(const PointCloudData& target, const PointCloudData& base,
                                          const Matrix4x4T<double>& targetMatrix,
                                          const Matrix4x4T<double>& baseMatrix,
                                          const std::vector<Vector3T<double>>& targetNormals,
                                          const std::vector<Vector3T<double>>& baseNormals);
    // Mean point-to-plane distance of the current pairs as they lie; not a number without pairs.
    float getRMS(const PointCloudData& target, const PointCloudData& base, const Matrix4x4T<double>& targetMatrix,
                 const Matrix4x4T<double>& baseMatrix, const std::vector<Vector3T<double>>& targetNormals,
                 const std::vector<Vector3T<double>>& baseNormals);
    void drawPair();
};

#endif
