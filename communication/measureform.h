#ifndef COMMUNICATION_MEASUREFORM_H
#define COMMUNICATION_MEASUREFORM_H

#include "objectpanel.h"

class Measure;
class Ui_MeasureForm;

// Property panel of one length or angle measure: name, visibility, type and points. Only the
// visibility is editable. Follows the measure only while visible.
class MeasureForm : public ObjectPanel
{
    Q_OBJECT

public:
    explicit MeasureForm(QWidget* iParent = nullptr);
    ~MeasureForm() override;

    // The measure to show; not owned. One destroyed later leaves the panel disabled.
    void setTarget(Measure* iTarget);

public slots:
    void updateUI();
    void changeVisibility();

protected:
    void refresh() override;

private:
    Measure* target() const;
    void enableUI(bool iEnabled);

    Ui_MeasureForm* ui;
};

#endif
