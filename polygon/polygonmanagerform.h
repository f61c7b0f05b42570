#ifndef POLYGON_POLYGONMANAGERFORM_H
#define POLYGON_POLYGONMANAGERFORM_H

#include "color.h"
#include "objectpanel.h"

#include <vector>

class PolygonManager;
struct PolygonRenderingParameter;
class Ui_PolygonManagerForm;

// Panel of the rendering settings of all meshes, in the groups of the three passes: points,
// triangles, edges. Every edit writes the whole settings back at once; the panel follows the
// manager only while visible.
class PolygonManagerForm : public ObjectPanel
{
    Q_OBJECT

public:
    explicit PolygonManagerForm(QWidget* iParent = nullptr);
    ~PolygonManagerForm() override;

    // Not owned.
    void setTarget(PolygonManager* iTarget);

private slots:
    void updateUI();
    void setPointVisible(bool iVisible);
    void setPointSize(int iSize);
    void setPointContourColorMode();
    void setPointContourValueMax();
    void setPointContourValueMin();
    void setPointContourColorMax();
    void setPointContourColorMin();
    void setPolygonVisible(bool iVisible);
    void setPolygonContourColorMode();
    void setPolygonContourValueMax();
    void setPolygonContourValueMin();
    void setPolygonContourColorMax();
    void setPolygonContourColorMin();
    void setPolygonEdgeVisible(bool iVisible);
    void setPolygonEdgeColor();

protected:
    void refresh() override;

private:
    PolygonManager* target() const;
    void initUI();
    void connectUI();
    void disconnectUI();
    void enableUI(bool iEnabled);
    // The fifteen input widgets.
    std::vector<QWidget*> inputs() const;
    // Applies iChange to a copy of the manager's settings and hands the copy back.
    template <typename F>
    void edit(F iChange);
    // The colour dialog on one colour field; written when accepted.
    void chooseFieldColor(Color PolygonRenderingParameter::*iField);

    Ui_PolygonManagerForm* ui;
};

#endif
