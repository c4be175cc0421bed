#pragma once
// Where the program's file dialogs open: never in a folder that is not there (the
// dialog would take its name for a file name), else where the user last chose a file.

#include <QString>

namespace nrt::gui {

// `typedFolder` (the folder of a path the window already holds) when it is an existing
// folder; else the folder of the last file chosen in any file dialog of this run; else
// `fallback` when it exists; else the home folder.
QString DialogStartFolder(const QString& typedFolder = {}, const QString& fallback = {});
// Remembers the folder of a chosen file for the next dialog.
void RememberChosenFile(const QString& file);

} // namespace nrt::gui
