#include "commands.h"

#include "commentmanager.h"
#include "global.h"
#include "manipulator.h"
#include "measuremanager.h"
#include "mouseoperator.h"
#include "referencepoint.h"

namespace
{
MouseOperator* flMouseOperator = nullptr;

// The point tools share their set-up: point creation with a limit, and a measure or comment
// made as soon as the last point is placed.
void FL_enablePointTool(Command* iCommand, unsigned int iLimit)
{
    getMouseOperator()->setSelectionMode(MouseOperator::PointCreation);
    ReferencePointManager* points = getReferencePointManager();
    points->pointLimit = iLimit;
    points->deleteReferencePointALL();
    QObject::connect(points, SIGNAL(changedStructure()), iCommand, SLOT(execute()));
}

void FL_disablePointTool(Command* iCommand)
{
    ReferencePointManager* points = getReferencePointManager();
    // Disconnected first so that clearing the points does not run the command.
    QObject::disconnect(points, SIGNAL(changedStructure()), iCommand, SLOT(execute()));
    points->deleteReferencePointALL();
    getMouseOperator()->setSelectionMode(MouseOperator::ObjectSelection);
}
}

MouseOperator* getMouseOperator()
{
    if (!flMouseOperator)
    {
        flMouseOperator = new MouseOperator();
        flMouseOperator->setModel(getScene());
    }
    return flMouseOperator;
}

void Command_NULL::enable() {}
void Command_NULL::disable() {}
void Command_NULL::execute() {}

void Command_TransformByManipulator::enable()
{
    getMouseOperator()->setSelectionMode(MouseOperator::ObjectSelection_Manipulator);
    connect(getManipulator(), SIGNAL(changedMatrix()), this, SLOT(execute()));
}

void Command_TransformByManipulator::disable()
{
    disconnect(getManipulator(), SIGNAL(changedMatrix()), this, SLOT(execute()));
    getManipulator()->setVisible(false);
    getMouseOperator()->setSelectionMode(MouseOperator::ObjectSelection);
}

void Command_TransformByManipulator::execute() {}

void Command_MeasureLength::enable() { FL_enablePointTool(this, 2); }
void Command_MeasureLength::disable() { FL_disablePointTool(this); }

void Command_MeasureLength::execute()
{
    ReferencePointManager* points = getReferencePointManager();
    if (points->referencePoints.size() < 2)
        return;
    getMeasureManager()->createMeasureLength(points->referencePoints);
    points->deleteReferencePointALL();
}

void Command_MeasureAngle::enable() { FL_enablePointTool(this, 3); }
void Command_MeasureAngle::disable() { FL_disablePointTool(this); }

void Command_MeasureAngle::execute()
{
    ReferencePointManager* points = getReferencePointManager();
    if (points->referencePoints.size() < 3)
        return;
    getMeasureManager()->createMeasureAngle(points->referencePoints);
    points->deleteReferencePointALL();
}

void Command_Comment::enable() { FL_enablePointTool(this, 1); }
void Command_Comment::disable() { FL_disablePointTool(this); }

void Command_Comment::execute()
{
    ReferencePointManager* points = getReferencePointManager();
    if (points->referencePoints.empty())
        return;
    getCommentManager()->createComment(points->referencePoints.front(), "Title", std::vector<std::string>{"Text"});
    points->deleteReferencePointALL();
}
