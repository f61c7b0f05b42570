#ifndef DIALOGS_OBJECTPANEL_H
#define DIALOGS_OBJECTPANEL_H

#include <QPointer>
#include <QWidget>

class Object3D;

// Base of the property panels of scene objects: holds the object shown (not owned) and, while
// the panel is visible, refreshes on each change of the object and once more when the object
// goes, so that a panel left without its object turns idle instead of reaching freed memory.
class ObjectPanel : public QWidget
{
    Q_OBJECT

public:
    explicit ObjectPanel(QWidget* iParent = nullptr);

protected:
    // Becoming visible, on its own or with its window, refreshes and follows the object;
    // becoming hidden stops following.
    void showEvent(QShowEvent* iEvent) override;
    void hideEvent(QHideEvent* iEvent) override;

    // A visible panel refreshes and follows the new object at once.
    void setPanelTarget(Object3D* iTarget);
    // Null before a target is set and once it is destroyed.
    Object3D* panelTarget() const;
    // Fills the widgets from the target, or disables them without one.
    virtual void refresh() = 0;

private slots:
    void refreshFromTarget();

private:
    void connectTarget();
    void disconnectTarget();

    QPointer<Object3D> mTarget;
};

#endif
