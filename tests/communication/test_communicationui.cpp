// The measure, comment and camera path panels and the two creation dialogs, driven through
// their widgets: every field edits its object, filling the widgets never writes back, a
// repeated show acts once per click, and a panel outlives its object.
#include "camerapath.h"
#include "camerapathform.h"
#include "camerapathmanager.h"
#include "camerapathmanagerform.h"
#include "comment.h"
#include "commentcreationdialog.h"
#include "commentform.h"
#include "commentmanager.h"
#include "commentmanagerform.h"
#include "measure.h"
#include "measurecreationdialog.h"
#include "measureform.h"
#include "measuremanager.h"
#include "measuremanagerform.h"
#include "referencepoint.h"

#include "formtestutil.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using formtest::answerColor;
using formtest::buttonColor;
using formtest::child;
using formtest::typeValue;
using V = Vector3T<double>;

// The rows of a point table as the model holds them.
std::vector<V> tableRows(QTableView* iTable)
{
    std::vector<V> rows;
    const QAbstractItemModel* model = iTable->model();
    if (!model)
        return rows;
    EXPECT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "X");
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "Z");
    for (int r = 0; r < model->rowCount(); ++r)
        rows.emplace_back(model->index(r, 0).data(Qt::EditRole).toDouble(),
                          model->index(r, 1).data(Qt::EditRole).toDouble(),
                          model->index(r, 2).data(Qt::EditRole).toDouble());
    return rows;
}

template <typename Form>
std::unique_ptr<Form> panelOf(Object3D* iObject)
{
    QWidget* panel = iObject->createUI();
    Form* form = qobject_cast<Form*>(panel);
    EXPECT_NE(form, nullptr);
    if (!form)
        delete panel;
    return std::unique_ptr<Form>(form);
}

// Counts the colour dialogs that one click on iButton opens, cancelling each.
int colorDialogsOnClick(QPushButton* iButton)
{
    int opened = 0;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&opened]() {
        if (QColorDialog* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
            ++opened;
            dialog->reject();
        }
    });
    watcher.start(10);
    QTest::mouseClick(iButton, Qt::LeftButton);
    return opened;
}

} // namespace

TEST(MeasurePanelTest, ShowsTheMeasureAndEditsItsVisibilityUntilItGoes)
{
    MeasureManager manager;
    ASSERT_TRUE(manager.createMeasureLength({V(1, 2, 3), V(4, 6, 3)}));
    ASSERT_TRUE(manager.createMeasureAngle({V(1, 0, 0), V(0, 0, 0), V(0, 1, 0)}));
    QPointer<Measure> length = manager.getData(0);

    std::unique_ptr<MeasureForm> form = panelOf<MeasureForm>(length);
    ASSERT_TRUE(form);
    form->show();
    EXPECT_EQ(child<QLineEdit>(form.get(), "lineEditName")->text(), "Length");
    EXPECT_EQ(child<QLineEdit>(form.get(), "lineEditType")->text(), "Length");
    EXPECT_FALSE(child<QLineEdit>(form.get(), "lineEditType")->isEnabled());
    QTableView* table = child<QTableView>(form.get(), "tableViewPoints");
    EXPECT_EQ(tableRows(table), (std::vector<V>{V(1, 2, 3), V(4, 6, 3)}));
    EXPECT_FALSE(table->isEnabled());

    // A shown panel follows its measure; a refresh swaps in one new model and drops the old.
    QPointer<QAbstractItemModel> firstModel = table->model();
    length->setPoints({V(0, 0, 0), V(0, 0, 9)});
    EXPECT_TRUE(firstModel.isNull());
    EXPECT_EQ(tableRows(table), (std::vector<V>{V(0, 0, 0), V(0, 0, 9)}));

    // A repeated show still changes the visibility once per click.
    form->show();
    form->hide();
    form->show();
    QCheckBox* visible = child<QCheckBox>(form.get(), "checkBoxVisible");
    EXPECT_TRUE(visible->isChecked());
    formtest::clickCheckBox(visible);
    EXPECT_FALSE(length->hasState(Object3D::Visible));
    formtest::clickCheckBox(visible);
    EXPECT_TRUE(length->hasState(Object3D::Visible));

    // A hidden panel does not follow.
    form->hide();
    length->setName("Hidden");
    EXPECT_EQ(child<QLineEdit>(form.get(), "lineEditName")->text(), "Length");

    std::unique_ptr<MeasureForm> angleForm = panelOf<MeasureForm>(manager.getData(1));
    angleForm->show();
    EXPECT_EQ(child<QLineEdit>(angleForm.get(), "lineEditType")->text(), "Angle");
    EXPECT_EQ(tableRows(child<QTableView>(angleForm.get(), "tableViewPoints")).size(), 3u);

    // Deleted while shown: the panel turns idle and a click reaches nothing.
    form->show();
    manager.deleteObject(length);
    ASSERT_TRUE(length.isNull());
    EXPECT_FALSE(visible->isEnabled());
    visible->setEnabled(true);
    formtest::clickCheckBox(visible);
    form->hide();
    form->show();
}

TEST(MeasurePanelTest, SettingsPanelEditsEveryValueAndFillingWritesNothing)
{
    MeasureManager manager;
    // Values beyond the boxes' ranges, as a rendering file may hold them.
    manager.setArrowLength(100);
    manager.setArcRadius(75);
    manager.setLabelMode(static_cast<MeasureParameter::LabelMode>(5));
    const MeasureParameter before = manager.parameter;

    std::unique_ptr<MeasureManagerForm> form = panelOf<MeasureManagerForm>(&manager);
    ASSERT_TRUE(form);
    form->show();
    EXPECT_EQ(manager.parameter, before);
    QComboBox* mode = child<QComboBox>(form.get(), "comboBoxLabelMode");
    EXPECT_EQ(mode->count(), 2);
    EXPECT_EQ(mode->currentIndex(), -1);
    EXPECT_EQ(child<QSpinBox>(form.get(), "spinBoxArrowLength")->value(), 60);

    typeValue(child<QSpinBox>(form.get(), "spinBoxCharacterSize"), "22");
    typeValue(child<QSpinBox>(form.get(), "spinBoxCharacterPrecision"), "3");
    typeValue(child<QSpinBox>(form.get(), "spinBoxLineWidth"), "5");
    typeValue(child<QSpinBox>(form.get(), "spinBoxArrowLength"), "15");
    typeValue(child<QSpinBox>(form.get(), "spinBoxArrowArgument"), "45");
    typeValue(child<QSpinBox>(form.get(), "spinBoxArcRadius"), "33");
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_Down);
    EXPECT_EQ(manager.parameter.charSize, 22);
    EXPECT_EQ(manager.parameter.precision, 3);
    EXPECT_EQ(manager.parameter.lineWidth, 5);
    EXPECT_EQ(manager.parameter.arrowLength, 15);
    EXPECT_EQ(manager.parameter.arrowArgument, 45);
    EXPECT_EQ(manager.parameter.arcRadius, 33);
    EXPECT_EQ(mode->currentIndex(), 0);
    EXPECT_EQ(manager.parameter.labelMode, MeasureParameter::Absolute);
    QTest::keyClick(mode, Qt::Key_Down);
    EXPECT_EQ(manager.parameter.labelMode, MeasureParameter::XYZ);

    // Size 0 is refused by the manager; the box keeps showing it.
    typeValue(child<QSpinBox>(form.get(), "spinBoxCharacterSize"), "0");
    EXPECT_EQ(manager.parameter.charSize, 22);
    EXPECT_EQ(child<QSpinBox>(form.get(), "spinBoxCharacterSize")->value(), 0);

    // Colours: cancelling changes nothing; accepting paints the button.
    QPushButton* lineColor = child<QPushButton>(form.get(), "pushButtonLineColor");
    answerColor(QColor(10, 20, 30), false);
    QTest::mouseClick(lineColor, Qt::LeftButton);
    EXPECT_EQ(manager.parameter.lineColor, Color(255, 255, 255, 255));
    answerColor(QColor(10, 20, 30), true);
    QTest::mouseClick(lineColor, Qt::LeftButton);
    EXPECT_EQ(manager.parameter.lineColor, Color(10, 20, 30, 255));
    EXPECT_EQ(buttonColor(form.get(), "pushButtonLineColor"), QColor(10, 20, 30));
    answerColor(QColor(1, 2, 3), true);
    QTest::mouseClick(child<QPushButton>(form.get(), "pushButtonCharacterColor"), Qt::LeftButton);
    EXPECT_EQ(manager.parameter.charColor, Color(1, 2, 3, 255));

    formtest::clickCheckBox(child<QCheckBox>(form.get(), "checkBoxVisible"));
    EXPECT_FALSE(manager.hasState(Object3D::Visible));

    // Shown twice, one click opens one colour dialog.
    form->hide();
    form->show();
    form->show();
    EXPECT_EQ(colorDialogsOnClick(lineColor), 1);
}

TEST(CommentPanelTest, EditsEveryFieldKeepsUneditedCoordinatesAndSurvivesDeletion)
{
    CommentManager manager;
    ASSERT_TRUE(manager.createComment(V(1.23456, -2, 412345.6789), "Pipe", {"a", "b"}));
    QPointer<Comment> comment = manager.getData(0);

    std::unique_ptr<CommentForm> form = panelOf<CommentForm>(comment);
    ASSERT_TRUE(form);
    form->show();
    QLineEdit* title = child<QLineEdit>(form.get(), "lineEditTitle");
    QPlainTextEdit* text = child<QPlainTextEdit>(form.get(), "plainTextEdit");
    EXPECT_EQ(title->text(), "Pipe");
    EXPECT_EQ(text->toPlainText(), "a\nb");
    EXPECT_EQ(child<QDoubleSpinBox>(form.get(), "doubleSpinBoxX")->text(), "1.235");
    // Showing wrote nothing back.
    EXPECT_EQ(comment->getPoint(), V(1.23456, -2, 412345.6789));

    // Typing in the title keeps the full coordinates the boxes round.
    title->setFocus();
    QTest::keyClick(title, Qt::Key_End);
    QTest::keyClicks(title, " 2");
    EXPECT_EQ(comment->getName(), "Pipe 2");
    EXPECT_EQ(comment->getPoint(), V(1.23456, -2, 412345.6789));
    EXPECT_EQ(comment->getText(), (std::vector<std::string>{"a", "b"}));

    typeValue(child<QDoubleSpinBox>(form.get(), "doubleSpinBoxY"), "7.5");
    EXPECT_EQ(comment->getPoint(), V(1.23456, 7.5, 412345.6789));

    text->setFocus();
    QTest::keyClick(text, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClicks(text, "c");
    EXPECT_EQ(comment->getText(), (std::vector<std::string>{"a", "b", "c"}));
    // The refresh after each key keeps the cursor at the end.
    QTest::keyClicks(text, "d");
    EXPECT_EQ(comment->getText(), (std::vector<std::string>{"a", "b", "cd"}));
    text->selectAll();
    QTest::keyClick(text, Qt::Key_Delete);
    EXPECT_EQ(comment->getText(), (std::vector<std::string>{""}));

    formtest::clickCheckBox(child<QCheckBox>(form.get(), "checkBoxVisible"));
    EXPECT_FALSE(comment->hasState(Object3D::Visible));
    EXPECT_EQ(comment->getName(), "Pipe 2");

    // Changes made elsewhere show while the panel is shown.
    comment->set(V(0, 0, 0), "Valve", {"x"});
    EXPECT_EQ(title->text(), "Valve");

    manager.deleteObject(comment);
    ASSERT_TRUE(comment.isNull());
    EXPECT_FALSE(title->isEnabled());
    title->setEnabled(true);
    QTest::keyClicks(title, "z");
    form->hide();
    form->show();
}

TEST(CommentPanelTest, SettingsPanelEditsEveryValueFromTheCurrentColour)
{
    CommentManager manager;
    std::unique_ptr<CommentManagerForm> form = panelOf<CommentManagerForm>(&manager);
    ASSERT_TRUE(form);
    form->show();
    EXPECT_EQ(buttonColor(form.get(), "pushButtonTitleColor"), QColor(255, 150, 100));

    typeValue(child<QSpinBox>(form.get(), "spinBoxCharacterSize"), "30");
    typeValue(child<QSpinBox>(form.get(), "spinBoxLineWidth"), "7");
    EXPECT_EQ(manager.getCharSize(), 30);
    EXPECT_EQ(manager.getLineWidth(), 7);
    typeValue(child<QSpinBox>(form.get(), "spinBoxCharacterSize"), "0");
    EXPECT_EQ(manager.getCharSize(), 30);

    // The dialog opens on the colour in use.
    QColor offered;
    formtest::answerModal<QColorDialog>([&offered](QColorDialog* iDialog) {
        offered = iDialog->currentColor();
        iDialog->setCurrentColor(QColor(0, 0, 200));
        iDialog->accept();
    });
    QTest::mouseClick(child<QPushButton>(form.get(), "pushButtonTextColor"), Qt::LeftButton);
    EXPECT_EQ(offered, QColor(255, 200, 150));
    EXPECT_EQ(manager.getTextColor(), Color(0, 0, 200, 255));
    answerColor(QColor(9, 9, 9), true);
    QTest::mouseClick(child<QPushButton>(form.get(), "pushButtonTitleColor"), Qt::LeftButton);
    EXPECT_EQ(manager.getTitleColor(), Color(9, 9, 9, 255));
    answerColor(QColor(8, 8, 8), false);
    QTest::mouseClick(child<QPushButton>(form.get(), "pushButtonLineColor"), Qt::LeftButton);
    EXPECT_EQ(manager.getLineColor(), Color(255, 100, 50, 255));

    formtest::clickCheckBox(child<QCheckBox>(form.get(), "checkBoxVisible"));
    EXPECT_FALSE(manager.hasState(Object3D::Visible));

    form->show();
    EXPECT_EQ(colorDialogsOnClick(child<QPushButton>(form.get(), "pushButtonLineColor")), 1);
}

TEST(CameraPathPanelTest, ShowsViewPointsAndEditsVisibilityAndLines)
{
    CameraPathManager manager;
    QPointer<CameraPath> path = new CameraPath;
    path->setName("Walk");
    manager.addNewObject(path);
    std::unique_ptr<CameraPathForm> form = panelOf<CameraPathForm>(path);
    ASSERT_TRUE(form);
    form->show();
    QTableView* table = child<QTableView>(form.get(), "tableViewPoints");
    EXPECT_TRUE(tableRows(table).empty());
    EXPECT_EQ(child<QLineEdit>(form.get(), "lineEditName")->text(), "Walk");

    path->addPoint({V(1, 2, 3), V(0, 0, 0), V(0, 0, 1)});
    path->addPoint({V(4, 5, 6), V(9, 9, 9), V(1, 0, 0)});
    EXPECT_EQ(tableRows(table), (std::vector<V>{V(1, 2, 3), V(4, 5, 6)}));
    QCheckBox* visible = child<QCheckBox>(form.get(), "checkBoxVisible");
    formtest::clickCheckBox(visible);
    EXPECT_EQ(path->hasState(Object3D::Visible), visible->isChecked());

    manager.deleteObject(path);
    ASSERT_TRUE(path.isNull());
    EXPECT_FALSE(visible->isEnabled());
    visible->setEnabled(true);
    formtest::clickCheckBox(visible);

    std::unique_ptr<CameraPathManagerForm> settings = panelOf<CameraPathManagerForm>(&manager);
    ASSERT_TRUE(settings);
    settings->show();
    typeValue(child<QSpinBox>(settings.get(), "spinBoxLineWidth"), "9");
    EXPECT_EQ(manager.getLineWidth(), 9);
    answerColor(QColor(1, 100, 2), true);
    QTest::mouseClick(child<QPushButton>(settings.get(), "pushButtonLineColor"), Qt::LeftButton);
    EXPECT_EQ(manager.getLineColor(), Color(1, 100, 2, 255));
    formtest::clickCheckBox(child<QCheckBox>(settings.get(), "checkBoxVisible"));
    EXPECT_FALSE(manager.hasState(Object3D::Visible));
    settings->show();
    EXPECT_EQ(colorDialogsOnClick(child<QPushButton>(settings.get(), "pushButtonLineColor")), 1);
}

TEST(MeasureCreationDialogTest, ButtonsFollowThePointsAndMakeMeasures)
{
    MeasureManager manager;
    ReferencePointManager points;
    points.pointLimit = 3;
    MeasureCreationDialog dialog;
    dialog.setTarget(&manager);
    dialog.setRPM(&points);
    ASSERT_TRUE(manager.createMeasureLength({V(0, 0, 0), V(1, 0, 0)}));
    manager.getData(0)->enableState(Object3D::Selected);

    dialog.show();
    EXPECT_FALSE(manager.getData(0)->hasState(Object3D::Selected));
    QPushButton* last = child<QPushButton>(&dialog, "pushButtonDeleteLast");
    QPushButton* all = child<QPushButton>(&dialog, "pushButtonDeleteALL");
    QPushButton* length = child<QPushButton>(&dialog, "pushButtonMeasureLength");
    QPushButton* angle = child<QPushButton>(&dialog, "pushButtonMeasureAngle");
    QTableView* table = child<QTableView>(&dialog, "tableView3DPoints");
    auto enabled = [&]() {
        return std::vector<bool>{last->isEnabled(), all->isEnabled(), length->isEnabled(), angle->isEnabled()};
    };
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, false}));
    points.addNewReferencePoint(V(1, 0, 0));
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, false, false}));
    points.addNewReferencePoint(V(0, 0, 0));
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, false}));
    points.addNewReferencePoint(V(0, 2, 0));
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(tableRows(table), (std::vector<V>{V(1, 0, 0), V(0, 0, 0), V(0, 2, 0)}));

    QTest::mouseClick(last, Qt::LeftButton);
    EXPECT_EQ(points.referencePoints.size(), 2u);
    points.addNewReferencePoint(V(0, 2, 0));
    QTest::mouseClick(angle, Qt::LeftButton);
    ASSERT_EQ(manager.getObjectSetSize(), 2u);
    EXPECT_NEAR(static_cast<MeasureAngle*>(manager.getData(1))->getAngle(), 90.0, 1e-3);
    EXPECT_TRUE(points.referencePoints.empty());
    EXPECT_TRUE(tableRows(table).empty());

    // Length from the first two of three points, then all three go.
    for (const V& p : {V(0, 0, 0), V(3, 4, 0), V(9, 9, 9)})
        points.addNewReferencePoint(p);
    QTest::mouseClick(length, Qt::LeftButton);
    ASSERT_EQ(manager.getObjectSetSize(), 3u);
    EXPECT_DOUBLE_EQ(static_cast<MeasureLength*>(manager.getData(2))->getLength(), 5.0);
    EXPECT_TRUE(points.referencePoints.empty());
    points.addNewReferencePoint(V(1, 1, 1));
    QTest::mouseClick(all, Qt::LeftButton);
    EXPECT_TRUE(points.referencePoints.empty());

    // Hidden, it neither follows the points nor keeps the selection.
    manager.getData(2)->enableState(Object3D::Selected);
    dialog.hide();
    EXPECT_FALSE(manager.getData(2)->hasState(Object3D::Selected));
    points.addNewReferencePoint(V(1, 1, 1));
    EXPECT_FALSE(last->isEnabled());
}

TEST(CommentCreationDialogTest, TitlePointAndTextMakeAComment)
{
    CommentManager manager;
    ReferencePointManager points;
    CommentCreationDialog dialog;
    dialog.setTarget(&manager);
    dialog.setRPM(&points);
    dialog.show();
    QPushButton* reference = child<QPushButton>(&dialog, "pushButtonReference");
    QPushButton* create = child<QPushButton>(&dialog, "pushButtonCreateNew");
    QLineEdit* title = child<QLineEdit>(&dialog, "lineEditTitle");
    EXPECT_FALSE(reference->isEnabled());
    EXPECT_FALSE(create->isEnabled());

    QTest::keyClicks(title, "T");
    EXPECT_TRUE(create->isEnabled());
    points.addNewReferencePoint(V(5, 6, 7));
    EXPECT_TRUE(reference->isEnabled());
    QTest::mouseClick(reference, Qt::LeftButton);
    EXPECT_TRUE(points.referencePoints.empty());
    EXPECT_FALSE(reference->isEnabled());
    EXPECT_EQ(child<QDoubleSpinBox>(&dialog, "doubleSpinBoxZ")->value(), 7.0);

    QPlainTextEdit* text = child<QPlainTextEdit>(&dialog, "plainTextEdit");
    QTest::keyClicks(text, "one");
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClicks(text, "two");
    QTest::mouseClick(create, Qt::LeftButton);
    ASSERT_EQ(manager.getObjectSetSize(), 1u);
    EXPECT_EQ(manager.getData(0)->getName(), "T");
    EXPECT_EQ(manager.getData(0)->getPoint(), V(5, 6, 7));
    EXPECT_EQ(manager.getData(0)->getText(), (std::vector<std::string>{"one", "two"}));
    // Emptied for the next one.
    EXPECT_TRUE(title->text().isEmpty());
    EXPECT_TRUE(text->toPlainText().isEmpty());
    EXPECT_EQ(child<QDoubleSpinBox>(&dialog, "doubleSpinBoxZ")->text(), "0.000");
    EXPECT_FALSE(create->isEnabled());

    // A new show empties the fields; showing an open dialog again keeps them.
    QTest::keyClicks(title, "kept");
    dialog.show();
    EXPECT_EQ(title->text(), "kept");
    dialog.hide();
    dialog.show();
    EXPECT_TRUE(title->text().isEmpty());
}
