#ifndef APP_PROJECTCOMMANDS_H
#define APP_PROJECTCOMMANDS_H

#include <QString>

class ProjectOperator;
class QWidget;

// What the main window's project commands do. iWindow parents the dialogs and message boxes;
// the texts are the main window's. Each returns whether the command did its work; failures
// have been shown to the user when it returns.
namespace projectcommand {

// "Create New Project...": a fresh creation dialog; when it is accepted the open project is
// replaced by a new one, unless the name or folder would be refused.
bool createNewProject(QWidget* iWindow, ProjectOperator* iProjectOperator);
// The same after the dialog: the open project is closed only when the new one can be made.
bool createNewProject(QWidget* iWindow, ProjectOperator* iProjectOperator, const QString& iFolderPath,
                      const QString& iName);

// "Open Project...": closes the open project and opens the chosen project file; a failed open
// is shown, printed, and leaves no project open.
bool openProject(QWidget* iWindow, ProjectOperator* iProjectOperator);
bool openProject(QWidget* iWindow, ProjectOperator* iProjectOperator, const QString& iFilePath);

// "Save Project".
bool saveProject(QWidget* iWindow, ProjectOperator* iProjectOperator);

} // namespace projectcommand

#endif
