#ifndef APP_COMMANDS_H
#define APP_COMMANDS_H

#include <QObject>

class MouseOperator;

// A tool operation: what a click in the view does while it is current, and what happens once
// enough reference points are placed. The main window makes one current at a time; disable()
// undoes what enable() set up.
class Command : public QObject
{
    Q_OBJECT

public:
    explicit Command(QObject* iParent = nullptr) : QObject(iParent) {}

    virtual void enable() = 0;
    virtual void disable() = 0;

public slots:
    virtual void execute() = 0;
};

// Plain object selection.
class Command_NULL : public Command
{
    Q_OBJECT

public:
    void enable() override;
    void disable() override;

public slots:
    void execute() override;
};

// Shows the manipulator over the selection while object mode is held.
class Command_TransformByManipulator : public Command
{
    Q_OBJECT

public:
    void enable() override;
    void disable() override;

public slots:
    void execute() override;
};

// Two placed points make a length measure.
class Command_MeasureLength : public Command
{
    Q_OBJECT

public:
    void enable() override;
    void disable() override;

public slots:
    void execute() override;
};

// Three placed points make an angle measure.
class Command_MeasureAngle : public Command
{
    Q_OBJECT

public:
    void enable() override;
    void disable() override;

public slots:
    void execute() override;
};

// One placed point makes a comment.
class Command_Comment : public Command
{
    Q_OBJECT

public:
    void enable() override;
    void disable() override;

public slots:
    void execute() override;
};

// The view's one mouse operator, made on first use with the scene as its model; never freed.
MouseOperator* getMouseOperator();

#endif
