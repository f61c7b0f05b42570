#include "boundingbox.h"
#include "color.h"
#include "matrix4x4.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(ColorTest, PacksLittleEndianBytes)
{
    const Color c = Color::fromUInt32(0x44332211u);
    EXPECT_EQ(c.red, 0x11);
    EXPECT_EQ(c.green, 0x22);
    EXPECT_EQ(c.blue, 0x33);
    EXPECT_EQ(c.alpha, 0x44);
    EXPECT_EQ(c.toUInt32(), 0x44332211u);
    EXPECT_EQ(Color(), Color(255, 255, 255, 255));
}

TEST(MatrixTest, ProductAndTransform)
{
    Matrix4x4D a;
    Matrix4x4D b;
    for (int i = 0; i < 16; ++i) {
        a[i] = i + 1;
        b[i] = 16 - i;
    }
    const Matrix4x4D p = a * b;
    // Row 0 of a = 1 2 3 4; column 0 of b = 16 12 8 4.
    EXPECT_DOUBLE_EQ(p(0, 0), 1 * 16 + 2 * 12 + 3 * 8 + 4 * 4);
    // Row 3 of a = 13..16; column 3 of b = 13 9 5 1.
    EXPECT_DOUBLE_EQ(p(3, 3), 13 * 13 + 14 * 9 + 15 * 5 + 16 * 1);
    EXPECT_EQ(Matrix4x4D() * a, a);

    Matrix4x4D t;
    t[3] = 10;
    t[7] = 20;
    t[11] = 30;
    const Vector3D q = t.transform(Vector3D(1, 2, 3));
    EXPECT_EQ(q, Vector3D(11, 22, 33));
}

TEST(BoundingBoxTest, InitUsesSinglePrecisionMinMax)
{
    BoundingBox box;
    EXPECT_EQ(box.getCenter(), Vector3D(0, 0, 0));
    box.init({Vector3D(1, 2, 3), Vector3D(-1, 4, 3), Vector3D(0, 3, 7)});
    EXPECT_EQ(box.getCenter(), Vector3D(0, 3, 5));
    EXPECT_EQ(box.getSize(), Vector3D(2, 2, 4));

    box.init({Vector3D(0.1, 0.2, 0.3)});
    EXPECT_EQ(box.getCenter(), Vector3D(double(0.1f), double(0.2f), double(0.3f)));
    EXPECT_EQ(box.getSize(), Vector3D(0, 0, 0));

    box.init({});
    EXPECT_EQ(box, BoundingBox());

    BoundingBox* made = BoundingBox::create({Vector3D(2, 2, 2), Vector3D(4, 6, 8)});
    EXPECT_EQ(*made, BoundingBox(Vector3D(3, 4, 5), Vector3D(2, 4, 6)));
    delete made;
}

TEST(BoundingBoxTest, EqualityIsFalseWithNaN)
{
    const BoundingBox a(Vector3D(std::nan(""), 0, 0), Vector3D(1, 1, 1));
    EXPECT_FALSE(a == a);
    EXPECT_TRUE(a != a);
}

TEST(BoundingBoxTest, CornersAppendInFixedOrder)
{
    const BoundingBox box(Vector3D(1, 2, 3), Vector3D(2, 4, 6));
    std::vector<Vector3D> corners{Vector3D(9, 9, 9)};
    box.getBoundingPoints(&corners);
    ASSERT_EQ(corners.size(), 9u);
    EXPECT_EQ(corners[0], Vector3D(9, 9, 9));
    const Vector3D expected[8] = {{0, 0, 0}, {2, 0, 0}, {2, 4, 0}, {0, 4, 0},
                                  {0, 0, 6}, {2, 0, 6}, {2, 4, 6}, {0, 4, 6}};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(corners[i + 1], expected[i]) << i;
}
