#ifndef COMMUNICATION_MEASUREMANAGERFORM_H
#define COMMUNICATION_MEASUREMANAGERFORM_H

#include "objectpanel.h"

class MeasureManager;
class Ui_MeasureManagerForm;

// Panel of the display settings shared by all measures and of their common visibility.
// Follows the manager only while visible.
class MeasureManagerForm : public ObjectPanel
{
    Q_OBJECT

public:
    explicit MeasureManagerForm(QWidget* iParent = nullptr);
    ~MeasureManagerForm() override;

    // Not owned.
    void setTarget(MeasureManager* iTarget);

public slots:
    void updateUI();
    void changedVisibility();
    void changeCharacterSize();
    void changePrecision();
    void changeCharacterColor();
    void changeTextMode();
    void changeLineWidth();
    void changeLineColor();
    void changeArrowLength();
    void changeArrowArgument();
    void changeArcRadius();

protected:
    void refresh() override;

private:
    MeasureManager* target() const;
    void initUI();
    void connectUI();
    void disconnectUI();
    void enableUI(bool iEnabled);

    Ui_MeasureManagerForm* ui;
};

#endif
