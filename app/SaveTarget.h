#pragma once
// Where a file the program writes for the user goes (a PDF, a CSV): the save dialog, the
// suffix added when the name lacks it, a folder that cannot be written named in a message,
// and a question before an existing file is replaced (No by default).
#include <QString>

class QWidget;

namespace ModQLNV {

// The file to write, or an empty text when the user cancelled or the folder cannot be
// written (the user was told). what names the kind of file in the messages ("PDF", "CSV");
// suffix is with its dot (".pdf").
QString chooseSaveTarget(QWidget *parent, const QString &title, const QString &proposed, const QString &filter,
                         const QString &suffix, const QString &what);

// The folder to start in: preferred while it is a folder, else the user's documents or home.
QString startFolder(const QString &preferred);

} // namespace ModQLNV
