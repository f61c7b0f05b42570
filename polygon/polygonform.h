#ifndef POLYGON_POLYGONFORM_H
#define POLYGON_POLYGONFORM_H

#include "objectpanel.h"

class MyPolygon;
class QStandardItemModel;
class Ui_PolygonForm;

// Property panel of one mesh: name (with rename), visibility, position and the read-only
// attitude. Follows the mesh only while visible.
class PolygonForm : public ObjectPanel
{
    Q_OBJECT

public:
    explicit PolygonForm(QWidget* iParent = nullptr);
    ~PolygonForm() override;

    // Not owned. A mesh destroyed later leaves the panel disabled.
    void setTarget(MyPolygon* iTarget);

public slots:
    void updateUI();
    void renameShot();
    void changeVisibility();
    void setPositionX(double iX);
    void setPositionY(double iY);
    void setPositionZ(double iZ);

protected:
    void refresh() override;

private:
    MyPolygon* target() const;
    void initUI();
    void connectUI();
    void disconnectUI();
    void enabledUI(bool iEnabled);

    Ui_PolygonForm* ui;
    QStandardItemModel* mAttitudeModel = nullptr;
};

#endif
