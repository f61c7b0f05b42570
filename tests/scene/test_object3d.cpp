// The scene object base: change reporting, matrices, bounding points and owned children.
#include "object3d.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using V = Vector3T<double>;
using M = Matrix4x4T<double>;

// Every signal of one object, counted.
struct Spies
{
    explicit Spies(Object3D* o)
        : value(o, SIGNAL(changedValue())), visible(o, SIGNAL(changedState_Visible())),
          selected(o, SIGNAL(changedState_Selected())), highlight(o, SIGNAL(changedState_Highlight())),
          name(o, SIGNAL(changedName())), matrix(o, SIGNAL(changedMatrix())), box(o, SIGNAL(changedBoudingBox())),
          file(o, SIGNAL(changedDataFileName())), structure(o, SIGNAL(changedStructure()))
    {
    }
    int total() const
    {
        return value.count() + visible.count() + selected.count() + highlight.count() + name.count() +
               matrix.count() + box.count() + file.count() + structure.count();
    }
    void clear()
    {
        for (QSignalSpy* spy : {&value, &visible, &selected, &highlight, &name, &matrix, &box, &file, &structure})
            spy->clear();
    }
    QSignalSpy value, visible, selected, highlight, name, matrix, box, file, structure;
};

M FL_matrix(std::initializer_list<double> iRowMajor)
{
    M m;
    int i = 0;
    for (double v : iRowMajor)
        m[i++] = v;
    return m;
}

void FL_expectNear(const M& iActual, const M& iExpected, double iTolerance)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(iActual[i], iExpected[i], iTolerance) << "element " << i;
}

// Records the order of the structure and value signals.
std::vector<std::string>* FL_recordOrder(Object3D* iObject)
{
    auto* order = new std::vector<std::string>;
    QObject::connect(iObject, &Object3D::changedStructure, [order]() { order->push_back("structure"); });
    QObject::connect(iObject, &Object3D::changedValue, [order]() { order->push_back("value"); });
    QObject::connect(iObject, &QObject::destroyed, [order]() { delete order; });
    return order;
}

} // namespace

TEST(Object3DTest, NewObjectDefaults)
{
    Object3D object;
    EXPECT_TRUE(object.hasState(Object3D::Visible));
    EXPECT_FALSE(object.hasState(Object3D::Selected));
    EXPECT_FALSE(object.hasState(Object3D::Highlight));
    EXPECT_EQ(object.getName(), "");
    EXPECT_EQ(object.getDataFileName(), "");
    EXPECT_EQ(object.getMatrix(), M());
    EXPECT_EQ(object.getBoundingBox(), BoundingBox());
    EXPECT_EQ(object.getObjectSetSize(), 0u);
    EXPECT_EQ(object.createUI(), nullptr);
    EXPECT_TRUE(object.isErasable());
}

TEST(Object3DTest, StateSignalsOnlyOnRealChange)
{
    Object3D object;
    Spies spies(&object);

    object.enableState(Object3D::Visible);
    object.disableState(Object3D::Selected);
    object.disableState(Object3D::Highlight);
    object.setState(Object3D::Visible, true);
    EXPECT_EQ(spies.total(), 0);

    object.enableState(Object3D::Selected);
    EXPECT_TRUE(object.hasState(Object3D::Selected));
    EXPECT_EQ(spies.selected.count(), 1);
    EXPECT_EQ(spies.value.count(), 1);
    EXPECT_EQ(spies.total(), 2);
    object.enableState(Object3D::Selected);
    EXPECT_EQ(spies.total(), 2);

    spies.clear();
    object.setState(Object3D::Highlight, true);
    object.disableState(Object3D::Visible);
    EXPECT_EQ(spies.highlight.count(), 1);
    EXPECT_EQ(spies.visible.count(), 1);
    EXPECT_EQ(spies.value.count(), 2);
    EXPECT_EQ(spies.total(), 4);
    EXPECT_FALSE(object.hasState(Object3D::Visible));
    EXPECT_TRUE(object.hasState(Object3D::Highlight));
    EXPECT_TRUE(object.hasState(Object3D::Selected));

    spies.clear();
    object.setState(Object3D::Selected, false);
    EXPECT_FALSE(object.hasState(Object3D::Selected));
    EXPECT_EQ(spies.selected.count(), 1);
    EXPECT_EQ(spies.total(), 2);
}

TEST(Object3DTest, NameFileAndBoxSignalsOnlyOnRealChange)
{
    Object3D object;
    Spies spies(&object);
    object.setName("");
    object.setDataFileName("");
    object.setBoundingBox(BoundingBox());
    EXPECT_EQ(spies.total(), 0);

    object.setName("Shot 1");
    object.setName("Shot 1");
    EXPECT_EQ(spies.name.count(), 1);
    object.setDataFileName("a.zrpcd");
    object.setDataFileName("a.zrpcd");
    EXPECT_EQ(spies.file.count(), 1);
    const BoundingBox box(V(1, 2, 3), V(4, 5, 6));
    object.setBoundingBox(box);
    object.setBoundingBox(box);
    EXPECT_EQ(spies.box.count(), 1);
    EXPECT_EQ(spies.value.count(), 3);
    EXPECT_EQ(spies.total(), 6);
    EXPECT_EQ(object.getName(), "Shot 1");
    EXPECT_EQ(object.getDataFileName(), "a.zrpcd");
    EXPECT_EQ(object.getBoundingBox(), box);
}

TEST(Object3DTest, MatrixChangesAndNaN)
{
    Object3D object;
    Spies spies(&object);
    object.setMatrix(M());
    EXPECT_EQ(spies.total(), 0);

    M nan;
    nan(1, 2) = std::numeric_limits<double>::quiet_NaN();
    object.setMatrix(nan);
    object.setMatrix(nan); // a NaN never compares equal, so it is reported every time
    EXPECT_EQ(spies.matrix.count(), 2);
    EXPECT_EQ(spies.value.count(), 2);
    EXPECT_TRUE(std::isnan(object.getMatrix()(1, 2)));
}

TEST(Object3DTest, PositionAndTranslation)
{
    Object3D object;
    Spies spies(&object);
    object.translate(V(0, 0, 0));
    object.setPosition(V(0, 0, 0));
    EXPECT_EQ(spies.total(), 0);

    object.setPosition(V(1, 2, 3));
    object.translate(V(0.5, -2, 10));
    V position;
    object.getPosition(&position);
    EXPECT_EQ(position, V(1.5, 0, 13));
    EXPECT_EQ(spies.matrix.count(), 2);

    // An element (3,3) other than 1 is set to 1, which is a change even for the same place.
    M odd = object.getMatrix();
    odd(3, 3) = 2;
    object.setMatrix(odd);
    spies.clear();
    object.setPosition(V(1.5, 0, 13));
    EXPECT_EQ(spies.matrix.count(), 1);
    EXPECT_EQ(object.getMatrix()(3, 3), 1.0);

    odd = object.getMatrix();
    odd(3, 3) = 0.5;
    object.setMatrix(odd);
    object.translate(V(1, 0, 0));
    EXPECT_EQ(object.getMatrix(), FL_matrix({1, 0, 0, 2.5, 0, 1, 0, 0, 0, 0, 1, 13, 0, 0, 0, 1}));
}

TEST(Object3DTest, RotationActsInTheObjectsOwnFrame)
{
    Object3D object;
    Spies spies(&object);
    object.rotate(V(0, 0, 0), 30);
    object.rotate(V(0, 0, 1), 0);
    EXPECT_EQ(spies.total(), 0);

    // Turned 90 degrees about X and placed at (1, 2, 3); then 90 degrees about its own Z.
    object.setMatrix(FL_matrix({1, 0, 0, 1, 0, 0, -1, 2, 0, 1, 0, 3, 0, 0, 0, 1}));
    spies.clear();
    object.rotate(V(0, 0, 1), 90);
    EXPECT_EQ(spies.matrix.count(), 1);
    EXPECT_EQ(spies.value.count(), 1);
    // M x Rz: columns of M turned, translation kept. (Rz x M would give other rows.)
    FL_expectNear(object.getMatrix(), FL_matrix({0, -1, 0, 1, 0, 0, -1, 2, 1, 0, 0, 3, 0, 0, 0, 1}), 1e-6);

    // The angle uses 3.141592, so half a turn is not exactly -1 on the diagonal.
    Object3D half;
    half.rotate(V(1, 0, 0), 180);
    EXPECT_EQ(half.getMatrix()(1, 1), std::cos(3.141592));
    EXPECT_NE(half.getMatrix()(1, 1), -1.0);
}

TEST(Object3DTest, RotationAxisIsNotNormalised)
{
    // Axis (0, 0, 2), 90 degrees: c ~ 0, s ~ 1, t ~ 1; rows (c, -2s, 0), (2s, c, 0), (0, 0, 4t + c).
    Object3D object;
    object.rotate(V(0, 0, 2), 90);
    FL_expectNear(object.getMatrix(), FL_matrix({0, -2, 0, 0, 2, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1}), 1e-5);
}

TEST(Object3DTest, BoundingPointsWithoutChildren)
{
    Object3D object;
    object.setBoundingBox(BoundingBox(V(1, 0, 0), V(2, 4, 6)));
    object.setPosition(V(10, 20, 30));
    std::vector<V> points{V(-1, -1, -1)}; // appended to, not replaced
    object.getBoundingPoints(&points);
    ASSERT_EQ(points.size(), 9u);
    const V expected[8] = {{10, 18, 27}, {12, 18, 27}, {12, 22, 27}, {10, 22, 27},
                           {10, 18, 33}, {12, 18, 33}, {12, 22, 33}, {10, 22, 33}};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(points[i + 1], expected[i]) << i;
}

TEST(Object3DTest, BoundingPointsAndCrossingUseTheChildrensBoxes)
{
    auto* manager = new Object3D;
    std::unique_ptr<Object3D> owner(manager);
    manager->setBoundingBox(BoundingBox(V(0, 0, 0), V(1000, 1000, 1000))); // not used with children
    auto* a = new Object3D;
    a->setBoundingBox(BoundingBox(V(0, 0, 0), V(2, 2, 2))); // -1..1
    a->setPosition(V(5, 0, 0));                             // 4..6, -1..1, -1..1
    auto* b = new Object3D;
    b->setBoundingBox(BoundingBox(V(0, 0, 0), V(2, 4, 2))); // -1..1, -2..2, -1..1
    b->rotate(V(0, 0, 1), 90);                              // y extent turns onto x: -2..2, -1..1
    b->setPosition(V(0, 0, 3));                             // -2..2, -1..1, 2..4
    manager->addNewObject(a);
    manager->addNewObject(b);
    manager->setPosition(V(100, 0, 0));

    std::vector<V> points;
    manager->getBoundingPoints(&points);
    ASSERT_EQ(points.size(), 8u);
    // Box -2..6, -1..1, -1..4, then moved by the manager's own matrix.
    const V expected[8] = {{98, -1, -1}, {106, -1, -1}, {106, 1, -1}, {98, 1, -1},
                           {98, -1, 4},  {106, -1, 4},  {106, 1, 4},  {98, 1, 4}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(points[i].x, expected[i].x, 1e-5) << i;
        EXPECT_NEAR(points[i].y, expected[i].y, 1e-5) << i;
        EXPECT_NEAR(points[i].z, expected[i].z, 1e-5) << i;
    }

    // x <= 99 holds for the corners at x = 98 only; x <= 97 for none.
    EXPECT_TRUE(manager->isCrossing({}));
    EXPECT_TRUE(manager->isCrossing({Vector4T<double>(1, 0, 0, 99)}));
    EXPECT_FALSE(manager->isCrossing({Vector4T<double>(1, 0, 0, 97)}));
    // Both planes must hold at one corner: x <= 99 and z >= 3 (-z <= -3).
    EXPECT_TRUE(manager->isCrossing({Vector4T<double>(1, 0, 0, 99), Vector4T<double>(0, 0, -1, -3)}));
    EXPECT_FALSE(manager->isCrossing({Vector4T<double>(1, 0, 0, 99), Vector4T<double>(0, 0, -1, -5)}));
}

TEST(Object3DTest, ChildrenAreListedInOrderAndReported)
{
    Object3D parent;
    std::vector<std::string>* order = FL_recordOrder(&parent);
    Spies spies(&parent);
    parent.addNewObject(nullptr);
    EXPECT_EQ(spies.total(), 0);

    auto* a = new Object3D;
    auto* b = new Object3D;
    parent.addNewObject(a);
    parent.addNewObject(b);
    EXPECT_EQ(*order, (std::vector<std::string>{"structure", "value", "structure", "value"}));
    EXPECT_EQ(parent.getObjectSetSize(), 2u);
    EXPECT_EQ(parent.getObject(0), a);
    EXPECT_EQ(parent.getObject(1), b);
    EXPECT_EQ(parent.getObject(-1), nullptr);
    EXPECT_EQ(parent.getObject(2), nullptr);
    EXPECT_EQ(parent.getIndex(b), 1);
    Object3D stranger;
    EXPECT_EQ(parent.getIndex(&stranger), -1);
    EXPECT_EQ(a->parent(), nullptr); // listing does not make it a QObject child

    // A child's change reaches the parent's changedValue() once.
    spies.clear();
    b->setName("b");
    EXPECT_EQ(spies.value.count(), 1);
    EXPECT_EQ(spies.total(), 1);
}

TEST(Object3DTest, AddingAListedChildAgainDoesNothing)
{
    Object3D parent;
    auto* child = new Object3D;
    parent.addNewObject(child);
    Spies spies(&parent);
    parent.addNewObject(child);
    parent.addNewObject(&parent);
    EXPECT_EQ(spies.total(), 0);
    EXPECT_EQ(parent.getObjectSetSize(), 1u);

    // One relay connection only.
    child->setName("once");
    EXPECT_EQ(spies.value.count(), 1);

    QSignalSpy destroyed(child, SIGNAL(destroyed()));
    parent.deleteObject(child);
    EXPECT_EQ(destroyed.count(), 1);
    EXPECT_EQ(parent.getObjectSetSize(), 0u);
    // Freed once: a second delete finds nothing to free (the sanitizer build checks the rest).
    spies.clear();
    parent.deleteObject(child);
    EXPECT_EQ(spies.total(), 0);
}

TEST(Object3DTest, DeleteObjectDestroysOnlyItsOwnChildren)
{
    Object3D parent;
    auto* a = new Object3D;
    auto* b = new Object3D;
    auto* c = new Object3D;
    parent.addNewObject(a);
    parent.addNewObject(b);
    parent.addNewObject(c);
    QSignalSpy destroyedB(b, SIGNAL(destroyed()));
    std::vector<std::string>* order = FL_recordOrder(&parent);

    Object3D stranger;
    parent.deleteObject(&stranger);
    parent.deleteObject(nullptr);
    EXPECT_TRUE(order->empty());

    parent.deleteObject(b);
    EXPECT_EQ(destroyedB.count(), 1);
    EXPECT_EQ(*order, (std::vector<std::string>{"structure", "value"}));
    EXPECT_EQ(parent.getObjectSetSize(), 2u);
    EXPECT_EQ(parent.getObject(0), a);
    EXPECT_EQ(parent.getObject(1), c);
}

TEST(Object3DTest, ClearObjectDestroysAllAndAlwaysReports)
{
    Object3D parent;
    std::vector<std::string>* order = FL_recordOrder(&parent);
    parent.clearObject();
    EXPECT_EQ(*order, (std::vector<std::string>{"structure", "value"}));

    auto* a = new Object3D;
    auto* b = new Object3D;
    parent.addNewObject(a);
    parent.addNewObject(b);
    std::vector<int> destroyed;
    QObject::connect(a, &QObject::destroyed, [&destroyed]() { destroyed.push_back(0); });
    QObject::connect(b, &QObject::destroyed, [&destroyed]() { destroyed.push_back(1); });
    order->clear();
    parent.clearObject();
    EXPECT_EQ(destroyed, (std::vector<int>{0, 1}));
    EXPECT_EQ(parent.getObjectSetSize(), 0u);
    EXPECT_EQ(*order, (std::vector<std::string>{"structure", "value"}));
}

TEST(Object3DTest, ChildrenGoWithTheParent)
{
    auto* parent = new Object3D;
    auto* a = new Object3D;
    auto* grandChild = new Object3D;
    a->addNewObject(grandChild);
    parent->addNewObject(a);
    QSignalSpy destroyedA(a, SIGNAL(destroyed()));
    QSignalSpy destroyedGrandChild(grandChild, SIGNAL(destroyed()));
    // Also a QObject child of its owner: freed once, not again by QObject.
    auto* qtChild = new Object3D(parent);
    parent->addNewObject(qtChild);
    QSignalSpy destroyedQtChild(qtChild, SIGNAL(destroyed()));
    delete parent;
    EXPECT_EQ(destroyedA.count(), 1);
    EXPECT_EQ(destroyedGrandChild.count(), 1);
    EXPECT_EQ(destroyedQtChild.count(), 1);
}

TEST(Object3DTest, AChildDestroyedElsewhereIsForgotten)
{
    Object3D parent;
    auto* a = new Object3D;
    auto* b = new Object3D;
    parent.addNewObject(a);
    parent.addNewObject(b);
    Spies spies(&parent);
    delete a;
    EXPECT_EQ(parent.getObjectSetSize(), 1u);
    EXPECT_EQ(parent.getObject(0), b);
    EXPECT_EQ(spies.structure.count(), 1);
    EXPECT_EQ(spies.value.count(), 1);
    // Clearing and the parent's own end free b only.
}
