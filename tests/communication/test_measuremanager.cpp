// The measure manager: creation, selection, settings, pass colours and its two section files.
#include "measuremanager.h"

#include "sceneparameter.h"
#include "testutil.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using V = Vector3T<double>;

const char* const kDefaultRendering = "MeasureRenderingData 0.1\n"
                                      "* Visibility\n"
                                      "1\n"
                                      "MeasureLabel\n"
                                      "* CharactorSize\n"
                                      "14\n"
                                      "* CharactorColor\n"
                                      "255 255 255\n"
                                      "* Precision\n"
                                      "1\n"
                                      "* LabelMode\n"
                                      "0\n"
                                      "MeasureLine\n"
                                      "* LineWidth\n"
                                      "2\n"
                                      "* LineColor\n"
                                      "255 255 255\n"
                                      "* ArrowLength\n"
                                      "20\n"
                                      "* ArrowArgument\n"
                                      "30\n"
                                      "* ArcRadius\n"
                                      "40\n";

const char* const kEmptyMeasures = "MeasureData 0.1\n"
                                   "* MeasureListSize\n"
                                   "0\n"
                                   "* MeasureList\n";

// A length at georeferenced coordinates, a hidden angle and a second length.
const char* const kPopulatedMeasures = "MeasureData 0.1\n"
                                       "* MeasureListSize\n"
                                       "3\n"
                                       "* MeasureList\n"
                                       "MeasureLengthData\n"
                                       "* Visible\n"
                                       "1\n"
                                       "* Point\n"
                                       "412345.678 5.234567891e+06 123.456\n"
                                       "412350.5 5.23457025e+06 -0.1\n"
                                       "MeasureAngleData\n"
                                       "* Visible\n"
                                       "0\n"
                                       "* Point\n"
                                       "1 0 0\n"
                                       "0 0 0\n"
                                       "5e-07 0.3333333333333333 -1e+06\n"
                                       "MeasureLengthData\n"
                                       "* Visible\n"
                                       "1\n"
                                       "* Point\n"
                                       "0 0 0\n"
                                       "1 2 3\n";

const char* const kOldMeasures = "MeasureData 0.0\n"
                                 "* MeasureListSize\n"
                                 "2\n"
                                 "* MeasureList\n"
                                 "MeasureAngleData\n"
                                 "* Color\n"
                                 "255 0 0\n"
                                 "* LabelMode\n"
                                 "Absolute\n"
                                 "* Point\n"
                                 "1 0 0\n"
                                 "0 0 0\n"
                                 "0 1 0\n"
                                 "MeasureLengthData\n"
                                 "* Color\n"
                                 "0 255 0\n"
                                 "* LabelMode\n"
                                 "Absolute\n"
                                 "* Point\n"
                                 "1.5 2.5 3.5\n"
                                 "4 5 6\n";

struct FileResult
{
    bool ok = false;
    std::string error;
    std::string output;
};

FileResult readMeasures(MeasureManager& ioManager, const std::string& iPath, const std::string& iError = "")
{
    FileResult result;
    result.error = iError;
    testutil::CoutCapture capture;
    result.ok = ioManager.generateFromTextFile(iPath, result.error);
    result.output = capture.text();
    return result;
}

FileResult writeMeasures(const MeasureManager& iManager, const std::string& iPath)
{
    FileResult result;
    testutil::CoutCapture capture;
    result.ok = iManager.exportMeasureALL(iPath, result.error);
    result.output = capture.text();
    return result;
}

FileResult readRendering(MeasureManager& ioManager, const std::string& iPath, const std::string& iError = "")
{
    FileResult result;
    result.error = iError;
    testutil::CoutCapture capture;
    result.ok = ioManager.importRenderingParameter(iPath, result.error);
    result.output = capture.text();
    return result;
}

FileResult writeRendering(const MeasureManager& iManager, const std::string& iPath)
{
    FileResult result;
    testutil::CoutCapture capture;
    result.ok = iManager.exportRenderingParameter(iPath, result.error);
    result.output = capture.text();
    return result;
}

// The manager of kPopulatedMeasures, in its own order.
void populate(MeasureManager& ioManager)
{
    ASSERT_TRUE(ioManager.createMeasureLength({V(412345.678, 5234567.891, 123.456), V(412350.5, 5234570.25, -0.1)}));
    ASSERT_TRUE(ioManager.createMeasureAngle({V(1, 0, 0), V(0, 0, 0), V(5e-7, 1.0 / 3.0, -1e6)}));
    ioManager.getData(1)->disableState(Object3D::Visible);
    ASSERT_TRUE(ioManager.createMeasureLength({V(0, 0, 0), V(1, 2, 3)}));
}

void giveLabels(MeasureManager& ioManager)
{
    for (int i = 0; i < static_cast<int>(ioManager.getObjectSetSize()); ++i) {
        ioManager.getData(i)->labelImage.assign(16, 9);
        ioManager.getData(i)->labelWidth = 2;
        ioManager.getData(i)->labelHeight = 2;
    }
}

bool hasLabels(const MeasureManager& iManager)
{
    for (int i = 0; i < static_cast<int>(iManager.getObjectSetSize()); ++i)
        if (iManager.getData(i)->labelImage.empty())
            return false;
    return true;
}

// Type, visibility and points of every measure, in index order.
struct Summary
{
    int type;
    bool visible;
    std::vector<V> points;
    bool operator==(const Summary& o) const { return type == o.type && visible == o.visible && points == o.points; }
};

std::vector<Summary> summarize(const MeasureManager& iManager)
{
    std::vector<Summary> out;
    for (int i = 0; i < static_cast<int>(iManager.getObjectSetSize()); ++i) {
        const Measure* m = iManager.getData(i);
        out.push_back({m->getType(), m->hasState(Object3D::Visible), m->getPoints()});
    }
    return out;
}

SceneParameter pass(int iPass)
{
    SceneParameter scene;
    scene.drawPass = iPass;
    return scene;
}

} // namespace

TEST(MeasureManagerTest, DefaultsAndCreation)
{
    MeasureManager manager;
    const MeasureParameter& p = manager.parameter;
    EXPECT_EQ(p.charSize, 14);
    EXPECT_EQ(p.precision, 1);
    EXPECT_EQ(p.charColor, Color(255, 255, 255, 255));
    EXPECT_EQ(p.labelMode, MeasureParameter::Absolute);
    EXPECT_EQ(p.lineWidth, 2);
    EXPECT_EQ(p.lineColor, Color(255, 255, 255, 255));
    EXPECT_EQ(p.arrowLength, 20);
    EXPECT_EQ(p.arrowArgument, 30);
    EXPECT_EQ(p.arcRadius, 40);
    EXPECT_FALSE(manager.isErasable());
    EXPECT_TRUE(manager.hasState(Object3D::Visible));

    QSignalSpy structure(&manager, SIGNAL(changedStructure()));
    QSignalSpy value(&manager, SIGNAL(changedValue()));
    EXPECT_FALSE(manager.createMeasureLength({V(1, 2, 3)}));
    EXPECT_FALSE(manager.createMeasureAngle({V(1, 2, 3), V(4, 5, 6)}));
    EXPECT_EQ(manager.getObjectSetSize(), 0u);
    EXPECT_EQ(structure.count(), 0);
    EXPECT_EQ(value.count(), 0);

    ASSERT_TRUE(manager.createMeasureLength({V(1, 2, 3), V(-1, 6, 3), V(9, 9, 9)}));
    EXPECT_EQ(structure.count(), 1);
    EXPECT_EQ(value.count(), 1);
    const Measure* length = manager.getData(0);
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(length->getType(), 0);
    EXPECT_EQ(length->getName(), "Length");
    EXPECT_EQ(length->getPoints(), (std::vector<V>{V(1, 2, 3), V(-1, 6, 3)}));
    EXPECT_EQ(length->getBoundingBox(), BoundingBox(V(0, 4, 3), V(2, 4, 0)));
    EXPECT_TRUE(length->hasState(Object3D::Visible));
    EXPECT_FALSE(length->hasState(Object3D::Selected));
    EXPECT_TRUE(length->labelImage.empty());

    ASSERT_TRUE(manager.createMeasureAngle({V(1, 0, 0), V(0, 0, 0), V(0, 1, 0), V(7, 7, 7)}));
    const Measure* angle = manager.getData(1);
    ASSERT_NE(angle, nullptr);
    EXPECT_EQ(angle->getType(), 1);
    EXPECT_EQ(angle->getName(), "Angle");
    EXPECT_EQ(angle->getPoints(), (std::vector<V>{V(1, 0, 0), V(0, 0, 0), V(0, 1, 0)}));
    EXPECT_EQ(angle->getBoundingBox(), BoundingBox(V(0.5, 0.5, 0), V(1, 1, 0)));

    EXPECT_EQ(manager.getData(-1), nullptr);
    EXPECT_EQ(manager.getData(2), nullptr);
    // A child of another kind is no measure.
    manager.addNewObject(new Object3D());
    EXPECT_EQ(manager.getData(2), nullptr);
}

TEST(MeasureManagerTest, SelectionHelpersDropLabels)
{
    MeasureManager manager;
    populate(manager);
    int index = 7;
    manager.getFirstIndexSelected(&index);
    EXPECT_EQ(index, -1);

    manager.getData(2)->enableState(Object3D::Selected);
    manager.getFirstIndexSelected(&index);
    EXPECT_EQ(index, 2);

    giveLabels(manager);
    QSignalSpy value(&manager, SIGNAL(changedValue()));
    QSignalSpy selected(manager.getData(0), SIGNAL(changedState_Selected()));
    manager.setSelectedALL(true);
    EXPECT_EQ(value.count(), 2); // the two measures that changed, relayed
    EXPECT_EQ(selected.count(), 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(manager.getData(i)->hasState(Object3D::Selected));
        EXPECT_TRUE(manager.getData(i)->labelImage.empty());
        EXPECT_EQ(manager.getData(i)->labelWidth, 2); // the size stays
    }
    manager.getFirstIndexSelected(&index);
    EXPECT_EQ(index, 0);

    manager.setSelectedALL(false);
    EXPECT_EQ(value.count(), 5);
    manager.getFirstIndexSelected(&index);
    EXPECT_EQ(index, -1);

    // clearImageALL itself says nothing.
    giveLabels(manager);
    manager.clearImageALL();
    EXPECT_EQ(value.count(), 5);
    EXPECT_FALSE(hasLabels(manager));
}

TEST(MeasureManagerTest, SettersChangeOnlyInRangeAndDropLabelsForLabelFields)
{
    MeasureManager manager;
    populate(manager);
    QSignalSpy value(&manager, SIGNAL(changedValue()));

    // The value already held: no signal, the labels stay.
    giveLabels(manager);
    manager.setCharSize(14);
    manager.setPrecision(1);
    manager.setCharColor(Color(255, 255, 255, 255));
    manager.setLabelMode(MeasureParameter::Absolute);
    manager.setLineWidth(2);
    manager.setLineColor(Color(255, 255, 255, 255));
    manager.setArrowLength(20);
    manager.setArrowArgument(30);
    manager.setArcRadius(40);
    EXPECT_EQ(value.count(), 0);
    EXPECT_TRUE(hasLabels(manager));

    // Out of range: ignored.
    manager.setCharSize(0);
    manager.setCharSize(-4);
    manager.setCharSize(100);
    manager.setCharSize(30000);
    manager.setPrecision(-1);
    EXPECT_EQ(value.count(), 0);
    EXPECT_EQ(manager.parameter.charSize, 14);
    EXPECT_EQ(manager.parameter.precision, 1);
    EXPECT_TRUE(hasLabels(manager));

    // The label fields drop the labels.
    manager.setCharSize(1);
    EXPECT_EQ(value.count(), 1);
    EXPECT_FALSE(hasLabels(manager));
    giveLabels(manager);
    manager.setPrecision(0);
    EXPECT_EQ(value.count(), 2);
    EXPECT_FALSE(hasLabels(manager));
    giveLabels(manager);
    manager.setCharColor(Color(255, 255, 255, 254)); // alpha is compared too
    EXPECT_EQ(value.count(), 3);
    EXPECT_FALSE(hasLabels(manager));
    giveLabels(manager);
    manager.setLabelMode(static_cast<MeasureParameter::LabelMode>(5));
    EXPECT_EQ(value.count(), 4);
    EXPECT_FALSE(hasLabels(manager));

    // The line fields keep them, and take any value.
    giveLabels(manager);
    manager.setLineWidth(-3);
    manager.setLineColor(Color(1, 2, 3, 4));
    manager.setArrowLength(0);
    manager.setArrowArgument(91);
    manager.setArcRadius(-40);
    EXPECT_EQ(value.count(), 9);
    EXPECT_TRUE(hasLabels(manager));

    MeasureParameter expected;
    expected.charSize = 1;
    expected.precision = 0;
    expected.charColor = Color(255, 255, 255, 254);
    expected.labelMode = static_cast<MeasureParameter::LabelMode>(5);
    expected.lineWidth = -3;
    expected.lineColor = Color(1, 2, 3, 4);
    expected.arrowLength = 0;
    expected.arrowArgument = 91;
    expected.arcRadius = -40;
    EXPECT_EQ(manager.parameter, expected);
}

TEST(MeasureManagerTest, PassColours)
{
    MeasureManager manager;
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(manager.createMeasureLength({V(i, 0, 0), V(i, 1, 0)}));
    const Color line(10, 20, 30, 40);

    // Object-ID pass: the index as a little-endian colour.
    EXPECT_EQ(manager.getDrawColor(299, pass(SceneParameter::ObjectIDPass), line), Color(43, 1, 0, 0));
    EXPECT_EQ(manager.getDrawColor(299, pass(SceneParameter::ObjectIDPass), line).toUInt32(), 299u);
    EXPECT_EQ(manager.getDrawColor(258, pass(SceneParameter::ObjectIDPass), line), Color(2, 1, 0, 0));
    EXPECT_EQ(manager.getDrawColor(258, pass(SceneParameter::ObjectIDPass), line).toUInt32(), 258u);
    EXPECT_EQ(manager.getDrawColor(0, pass(SceneParameter::ObjectIDPass), line).toUInt32(), 0u);

    // Object-type pass: the measures' type code 1 for every child.
    EXPECT_EQ(manager.getDrawColor(299, pass(SceneParameter::ObjectTypePass), line), Color(1, 0, 0, 0));
    EXPECT_EQ(manager.getDrawColor(0, pass(SceneParameter::ObjectTypePass), line).toUInt32(), 1u);

    // Any other pass: state colours, Highlight before Selected; the picking passes ignore them.
    manager.getData(5)->enableState(Object3D::Selected);
    manager.getData(6)->enableState(Object3D::Highlight);
    manager.getData(7)->enableState(Object3D::Selected);
    manager.getData(7)->enableState(Object3D::Highlight);
    for (int drawPass : {0, 7}) {
        EXPECT_EQ(manager.getDrawColor(4, pass(drawPass), line), line);
        EXPECT_EQ(manager.getDrawColor(5, pass(drawPass), line), Color(255, 0, 0, 255));
        EXPECT_EQ(manager.getDrawColor(6, pass(drawPass), line), Color(255, 255, 0, 255));
        EXPECT_EQ(manager.getDrawColor(7, pass(drawPass), line), Color(255, 255, 0, 255));
    }
    EXPECT_EQ(manager.getDrawColor(7, pass(SceneParameter::ObjectIDPass), line).toUInt32(), 7u);
    EXPECT_EQ(manager.getDrawColor(7, pass(SceneParameter::ObjectTypePass), line).toUInt32(), 1u);
}

TEST(MeasureManagerTest, MeasureFileBytesAndRoundTrip)
{
    testutil::TempDir dir;
    MeasureManager empty;
    FileResult written = writeMeasures(empty, dir.file("Empty.txt"));
    ASSERT_TRUE(written.ok) << written.error;
    EXPECT_EQ(written.output, "MeasureData Ver: 0.1\n");
    EXPECT_EQ(testutil::readFile(dir.file("Empty.txt")), kEmptyMeasures);

    MeasureManager manager;
    populate(manager);
    written = writeMeasures(manager, dir.file("Measure.txt"));
    ASSERT_TRUE(written.ok) << written.error;
    EXPECT_EQ(testutil::readFile(dir.file("Measure.txt")), kPopulatedMeasures);

    // Read back: the lengths first, then the angles, each in file order; points exactly.
    MeasureManager copy;
    QSignalSpy structure(&copy, SIGNAL(changedStructure()));
    const FileResult read = readMeasures(copy, dir.file("Measure.txt"));
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.output, "MeasureData Ver: 0.1\n");
    EXPECT_EQ(structure.count(), 3);
    std::vector<Summary> expected = summarize(manager);
    std::swap(expected[1], expected[2]);
    EXPECT_EQ(summarize(copy), expected);
    EXPECT_EQ(copy.getData(0)->getName(), "Length");
    EXPECT_EQ(copy.getData(2)->getName(), "Angle");
    EXPECT_EQ(copy.getData(0)->getBoundingBox(), manager.getData(0)->getBoundingBox());

    // Written again, the reordered manager gives a file that reads to itself.
    ASSERT_TRUE(writeMeasures(copy, dir.file("Again.txt")).ok);
    MeasureManager again;
    ASSERT_TRUE(readMeasures(again, dir.file("Again.txt")).ok);
    EXPECT_EQ(summarize(again), summarize(copy));

    // Reading appends to what the manager holds.
    ASSERT_TRUE(readMeasures(copy, dir.file("Empty.txt")).ok);
    EXPECT_EQ(copy.getObjectSetSize(), 3u);
    ASSERT_TRUE(readMeasures(copy, dir.file("Measure.txt")).ok);
    EXPECT_EQ(copy.getObjectSetSize(), 6u);
}

TEST(MeasureManagerTest, MeasureFileOldVersionAndZeroCount)
{
    testutil::TempDir dir;
    testutil::writeFile(dir.file("Old.txt"), kOldMeasures);
    MeasureManager manager;
    const FileResult read = readMeasures(manager, dir.file("Old.txt"));
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.output, "MeasureData Ver: 0.0\n");
    ASSERT_EQ(manager.getObjectSetSize(), 2u);
    EXPECT_EQ(summarize(manager), (std::vector<Summary>{{0, true, {V(1.5, 2.5, 3.5), V(4, 5, 6)}},
                                                        {1, true, {V(1, 0, 0), V(0, 0, 0), V(0, 1, 0)}}}));

    // A count of 0 (or less, or no number) reads nothing more.
    for (const char* count : {"0", "-2", "none"}) {
        testutil::writeFile(dir.file("Zero.txt"),
                            std::string("MeasureData 0.1\n* MeasureListSize\n") + count + "\nanything\n");
        MeasureManager zero;
        const FileResult result = readMeasures(zero, dir.file("Zero.txt"));
        EXPECT_TRUE(result.ok) << count;
        EXPECT_EQ(zero.getObjectSetSize(), 0u) << count;
    }
}

TEST(MeasureManagerTest, BrokenMeasureFilesAddNothing)
{
    testutil::TempDir dir;
    const std::string path = dir.file("Measure.txt");
    const std::string body = std::string(kPopulatedMeasures).substr(std::string("MeasureData 0.1\n").size());

    struct Case
    {
        std::string text;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"MeasureData\n", "File Header Error."},
        {"", "File Header Error."},
        {"MeasureData 0.1 extra\n", "File Header Error."},
        {"CommentData 0.1\n" + body, "MeasureData is not found."},
        {"MeasureData 0.1\n* MeasureSize\n1\n", "Header: MeasureListSize is not found."},
        {"MeasureData 0.1\n* MeasureListSize\n", "Header: MeasureListSize is not found."},
        {"MeasureData 0.1\n* MeasureListSize\n1\n* Measures\n", "Header: MeasureList is not found."},
        {"MeasureData 0.1\n* MeasureListSize\n2\n* MeasureList\n"
         "MeasureLengthData\n* Visible\n1\n* Point\n0 0 0\n1 1 1\nMeasureCircleData\n",
         "Unkown MeasureType: MeasureCircleData"},
        // A count beyond the stored measures meets the end of the file.
        {"MeasureData 0.1\n* MeasureListSize\n2000000000\n* MeasureList\n"
         "MeasureLengthData\n* Visible\n1\n* Point\n0 0 0\n1 1 1\n",
         "Unkown MeasureType: "},
        {"MeasureData 0.1\n* MeasureListSize\n1\n* MeasureList\nMeasureLengthData\n* Point\n0 0 0\n1 1 1\n",
         "Generate Error MeasureLength."},
        {"MeasureData 0.1\n* MeasureListSize\n1\n* MeasureList\nMeasureAngleData\n* Visible\n1\n0 0 0\n",
         "Generate Error MeasureAngle."},
        // A point line needs three numbers.
        {"MeasureData 0.1\n* MeasureListSize\n1\n* MeasureList\nMeasureLengthData\n* Visible\n1\n* Point\n"
         "0 0 0\n1 1\n",
         "Generate Error MeasureLength."},
        {"MeasureData 0.1\n* MeasureListSize\n1\n* MeasureList\nMeasureAngleData\n* Visible\n1\n* Point\n"
         "0 0 0\n1 1 1\n",
         "Generate Error MeasureAngle."},
        // One point more than the type needs is taken for the next type line.
        {"MeasureData 0.1\n* MeasureListSize\n2\n* MeasureList\nMeasureLengthData\n* Visible\n1\n* Point\n"
         "0 0 0\n1 1 1\n2 2 2\nMeasureLengthData\n",
         "Unkown MeasureType: 2 2 2"},
        {"MeasureData 0.0\n* MeasureListSize\n1\n* MeasureList\nMeasureLengthData\n* Visible\n1\n* Point\n"
         "0 0 0\n1 1 1\n",
         "Generate Error MeasureLength."},
        {"MeasureData 0.0\n* MeasureListSize\n1\n* MeasureList\nMeasureAngleData\n* Color\n1 2 3\n* Label\n"
         "Absolute\n* Point\n0 0 0\n1 1 1\n2 2 2\n",
         "Generate Error MeasureAngle."},
        // Lines end in a bare line feed; a carriage return stays part of the line.
        {"MeasureData 0.1\n* MeasureListSize\n1\n* MeasureList\nMeasureLengthData\r\n",
         "Unkown MeasureType: MeasureLengthData\r"},
    };
    for (const Case& c : cases) {
        testutil::writeFile(path, c.text);
        MeasureManager manager;
        ASSERT_TRUE(manager.createMeasureLength({V(0, 0, 0), V(1, 0, 0)}));
        QSignalSpy value(&manager, SIGNAL(changedValue()));
        const FileResult result = readMeasures(manager, path);
        EXPECT_FALSE(result.ok) << c.text;
        EXPECT_EQ(result.error, c.error) << c.text;
        EXPECT_EQ(manager.getObjectSetSize(), 1u) << c.text;
        EXPECT_EQ(value.count(), 0) << c.text;
    }

    // Every file cut at a line boundary before its end fails and adds nothing.
    const std::string full = kPopulatedMeasures;
    for (std::size_t end = full.find('\n'); end + 1 < full.size(); end = full.find('\n', end + 1)) {
        testutil::writeFile(path, full.substr(0, end + 1));
        MeasureManager manager;
        EXPECT_FALSE(readMeasures(manager, path).ok) << end;
        EXPECT_EQ(manager.getObjectSetSize(), 0u) << end;
    }

    // Unknown versions fail without a message; a missing file with the reading message.
    testutil::writeFile(path, "MeasureData 0.2\n" + body);
    MeasureManager manager;
    FileResult result = readMeasures(manager, path, "before");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "before");
    EXPECT_EQ(result.output, "");
    result = readMeasures(manager, dir.file("Missing.txt"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "Cannot open file for reading: ");
    EXPECT_EQ(manager.getObjectSetSize(), 0u);
}

TEST(MeasureManagerTest, RenderingFileBytesAndRoundTrip)
{
    testutil::TempDir dir;
    MeasureManager manager;
    FileResult written = writeRendering(manager, dir.file("Default.txt"));
    ASSERT_TRUE(written.ok) << written.error;
    EXPECT_EQ(written.output, "MeasureRenderingData Ver: 0.1\n");
    EXPECT_EQ(testutil::readFile(dir.file("Default.txt")), kDefaultRendering);

    manager.setCharSize(22);
    manager.setPrecision(3);
    manager.setCharColor(Color(1, 2, 3, 99));
    manager.setLabelMode(MeasureParameter::XYZ);
    manager.setLineWidth(7);
    manager.setLineColor(Color(250, 128, 0, 255));
    manager.setArrowLength(-5);
    manager.setArrowArgument(45);
    manager.setArcRadius(60);
    manager.disableState(Object3D::Visible);
    ASSERT_TRUE(writeRendering(manager, dir.file("Set.txt")).ok);
    EXPECT_EQ(testutil::readFile(dir.file("Set.txt")), "MeasureRenderingData 0.1\n"
                                                       "* Visibility\n"
                                                       "0\n"
                                                       "MeasureLabel\n"
                                                       "* CharactorSize\n"
                                                       "22\n"
                                                       "* CharactorColor\n"
                                                       "1 2 3\n"
                                                       "* Precision\n"
                                                       "3\n"
                                                       "* LabelMode\n"
                                                       "1\n"
                                                       "MeasureLine\n"
                                                       "* LineWidth\n"
                                                       "7\n"
                                                       "* LineColor\n"
                                                       "250 128 0\n"
                                                       "* ArrowLength\n"
                                                       "-5\n"
                                                       "* ArrowArgument\n"
                                                       "45\n"
                                                       "* ArcRadius\n"
                                                       "60\n");

    MeasureManager copy;
    QSignalSpy value(&copy, SIGNAL(changedValue()));
    QSignalSpy visible(&copy, SIGNAL(changedState_Visible()));
    const FileResult read = readRendering(copy, dir.file("Set.txt"));
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.output, "MeasureRenderingData Ver: 0.1\n");
    MeasureParameter expected = manager.parameter;
    expected.charColor.alpha = 255; // alpha is not stored
    EXPECT_EQ(copy.parameter, expected);
    EXPECT_FALSE(copy.hasState(Object3D::Visible));
    EXPECT_EQ(value.count(), 1);
    EXPECT_EQ(visible.count(), 1);

    // Reading the same again still reports once.
    ASSERT_TRUE(readRendering(copy, dir.file("Set.txt")).ok);
    EXPECT_EQ(value.count(), 2);
    EXPECT_EQ(visible.count(), 1);
    ASSERT_TRUE(writeRendering(copy, dir.file("Again.txt")).ok);
    EXPECT_EQ(testutil::readFile(dir.file("Again.txt")), testutil::readFile(dir.file("Set.txt")));
}

TEST(MeasureManagerTest, RenderingFileOldVersionAndValueRanges)
{
    testutil::TempDir dir;
    const std::string path = dir.file("MeasureRendering.txt");
    // Version 0.0 has no visibility; any label mode is kept.
    testutil::writeFile(path, "MeasureRenderingData 0.0\nMeasureLabel\n* CharactorSize\n9\n* CharactorColor\n"
                              "10 20 30\n* Precision\n4\n* LabelMode\n7\nMeasureLine\n* LineWidth\n3\n"
                              "* LineColor\n40 50 60\n* ArrowLength\n11\n* ArrowArgument\n12\n* ArcRadius\n13\n");
    MeasureManager manager;
    manager.disableState(Object3D::Visible);
    FileResult read = readRendering(manager, path);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.output, "MeasureRenderingData Ver: 0.0\n");
    EXPECT_FALSE(manager.hasState(Object3D::Visible));
    MeasureParameter expected;
    expected.charSize = 9;
    expected.charColor = Color(10, 20, 30, 255);
    expected.precision = 4;
    expected.labelMode = static_cast<MeasureParameter::LabelMode>(7);
    expected.lineWidth = 3;
    expected.lineColor = Color(40, 50, 60, 255);
    expected.arrowLength = 11;
    expected.arrowArgument = 12;
    expected.arcRadius = 13;
    EXPECT_EQ(manager.parameter, expected);

    // A label size of 0 and a negative precision cannot be drawn: ignored, the rest is read.
    populate(manager);
    giveLabels(manager);
    for (const char* size : {"0", "100", "30000"}) {
        testutil::writeFile(path, std::string("MeasureRenderingData 0.1\n* Visibility\n1\nMeasureLabel\n* CharactorSize\n") +
                                      size +
                                      "\n* CharactorColor\n10 20 30\n* Precision\n-1\n* LabelMode\n7\nMeasureLine\n"
                                      "* LineWidth\n5\n* LineColor\n40 50 60\n* ArrowLength\n11\n* ArrowArgument\n12\n"
                                      "* ArcRadius\n13\n");
        read = readRendering(manager, path);
        ASSERT_TRUE(read.ok) << read.error;
        expected.lineWidth = 5;
        EXPECT_EQ(manager.parameter, expected) << size;
    }
    EXPECT_TRUE(manager.hasState(Object3D::Visible));
    EXPECT_TRUE(hasLabels(manager)); // no label field changed

    // A label field that changes drops the labels.
    testutil::writeFile(path, "MeasureRenderingData 0.1\n* Visibility\n1\nMeasureLabel\n* CharactorSize\n16\n"
                              "* CharactorColor\n10 20 30\n* Precision\n4\n* LabelMode\n7\nMeasureLine\n"
                              "* LineWidth\n5\n* LineColor\n40 50 60\n* ArrowLength\n11\n* ArrowArgument\n12\n"
                              "* ArcRadius\n13\n");
    ASSERT_TRUE(readRendering(manager, path).ok);
    EXPECT_EQ(manager.parameter.charSize, 16);
    EXPECT_FALSE(hasLabels(manager));
}

TEST(MeasureManagerTest, BrokenRenderingFilesChangeNothing)
{
    testutil::TempDir dir;
    const std::string path = dir.file("MeasureRendering.txt");
    const std::string good = kDefaultRendering;
    const std::string body = good.substr(good.find('\n') + 1);

    // Each header or plain line replaced in turn.
    const std::vector<std::pair<std::string, std::string>> lines = {
        {"* Visibility", "Header: Visibility is not found."},
        {"MeasureLabel", "MeasureLabel is not found."},
        {"* CharactorSize", "Header: CharactorSize is not found."},
        {"* CharactorColor", "Header: CharactorColor is not found."},
        {"* Precision", "Header: Precision is not found."},
        {"* LabelMode", "Header: LabelMode is not found."},
        {"MeasureLine", "MeasureLine is not found."},
        {"* LineWidth", "Header: LineWidth is not found."},
        {"* LineColor", "Header: LineColor is not found."},
        {"* ArrowLength", "Header: ArrowLength is not found."},
        {"* ArrowArgument", "Header: ArrowArgument is not found."},
        {"* ArcRadius", "Header: ArcRadius is not found."},
    };
    MeasureManager manager;
    manager.setCharSize(30);
    const MeasureParameter before = manager.parameter;
    QSignalSpy value(&manager, SIGNAL(changedValue()));
    for (const auto& line : lines) {
        std::string text = "MeasureRenderingData 0.1\n" + body;
        const std::size_t at = text.find(line.first + "\n");
        ASSERT_NE(at, std::string::npos);
        text.replace(at, line.first.size(), line.first + "X");
        testutil::writeFile(path, text);
        const FileResult result = readRendering(manager, path);
        EXPECT_FALSE(result.ok) << line.first;
        EXPECT_EQ(result.error, line.second);
    }
    // A colour line without its three numbers fails as a missing value.
    std::string shortColor = good;
    shortColor.replace(shortColor.find("255 255 255"), 11, "255 255");
    testutil::writeFile(path, shortColor);
    EXPECT_EQ(readRendering(manager, path).error, "Header: CharactorColor is not found.");

    // Every file cut at a line boundary before its end.
    for (std::size_t end = good.find('\n'); end + 1 < good.size(); end = good.find('\n', end + 1)) {
        testutil::writeFile(path, good.substr(0, end + 1));
        EXPECT_FALSE(readRendering(manager, path).ok) << end;
    }

    // Version 0.0 has no visibility pair, so its first line must be MeasureLabel.
    testutil::writeFile(path, "MeasureRenderingData 0.0\n" + body);
    EXPECT_EQ(readRendering(manager, path).error, "MeasureLabel is not found.");

    testutil::writeFile(path, "MeasureRendering 0.1\n" + body);
    EXPECT_EQ(readRendering(manager, path).error, "MeasureRenderingData is not found.");
    testutil::writeFile(path, "MeasureRenderingData\n" + body);
    EXPECT_EQ(readRendering(manager, path).error, "File Header Error.");
    testutil::writeFile(path, "MeasureRenderingData 1.0\n" + body);
    FileResult result = readRendering(manager, path, "before");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "before");
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(readRendering(manager, dir.file("Missing.txt")).error, "Cannot open file for reading: ");

    EXPECT_EQ(manager.parameter, before);
    EXPECT_TRUE(manager.hasState(Object3D::Visible));
    EXPECT_EQ(value.count(), 0);
}

TEST(MeasureManagerTest, FailedWritesAreReported)
{
    MeasureManager manager;
    populate(manager);
    FileResult result = writeMeasures(manager, "/nonexistent-folder/Measure.txt");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "Cannot open file for writting: ");
    EXPECT_EQ(result.output, "");
    result = writeRendering(manager, "/nonexistent-folder/MeasureRendering.txt");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "Cannot open file for writting: ");

    // A device that takes no bytes: the open succeeds, the writing does not.
    if (std::ifstream("/dev/full").good()) {
        result = writeMeasures(manager, "/dev/full");
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, "Cannot open file for writting: ");
        result = writeRendering(manager, "/dev/full");
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, "Cannot open file for writting: ");
    }
}
