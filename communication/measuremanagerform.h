#ifndef COMMUNICATION_MEASUREMANAGERFORM_H
#define COMMUNICATION_MEASUREMANAGERFORM_H

#include <QPointer>
#include <QWidget>

class MeasureManager;
class Ui_MeasureManagerForm;

// Panel of the display settings shared by all measures and of their common visibility.
// Follows the manager only while visible.
class MeasureManagerForm : public QWidget
{
    Q_OBJECT

public:
    explicit MeasureManagerForm(QWidget* iParent = nullptr);
    ~MeasureManagerForm() override;

    // Not owned.
    void setTarget(MeasureManager* iTarget);

public slots:
    void setVisible(bool iVisible) override;
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

private:
    void initUI();
    void connectUI();
    void disconnectUI();
    void connectTarget();
    void disconnectTarget();
    void enableUI(bool iEnabled);

    Ui_MeasureManagerForm* ui;
    QPointer<MeasureManager> target;
};

#endif
