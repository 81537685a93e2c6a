#pragma once
// The file dialog of the module's windows (export, save as PDF). A dialog
// that lists a folder must never open the files in it: the database file,
// its journal and its write-ahead log may be among them, and closing any
// handle on a file drops every SQLite lock this process holds on it, so
// another workstation could then write under our feet. Qt's dialog (never
// the platform's) with icons and types told from names alone.

#include <QString>

class QFileDialog;
class QWidget;

namespace pcp {

// Makes the dialog one that reads no file's contents.
void KeepFilesClosed(QFileDialog& dialog);

// Asks, as a modal window of `owner`, for a file to write: the suggested
// path, the type's filter ("CSV (*.csv)") and its suffix. Empty when the
// user gives up. It does not ask before replacing a file: the caller does.
QString AskFileToSave(QWidget* owner, const QString& title, const QString& suggested,
                      const QString& filter, const QString& suffix);

}  // namespace pcp
