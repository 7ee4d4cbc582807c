#pragma once
// The colour, file and folder dialogs (GetColor, GetOpenFile, the choice of where to save a PDF,
// a CSV or a backup), behind a seam so that tests can answer them as scripted. The real chooser
// uses QColorDialog and QFileDialog.
#include <QColor>
#include <QList>
#include <QString>

#include <optional>

class QWidget;

namespace ModQLNV {

class DialogChooser
{
public:
    virtual ~DialogChooser() = default;
    // The chosen colour, or nothing when the dialog was cancelled.
    virtual std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial,
                                              const QList<QColor> &customColors) = 0;
    // The chosen existing file with its full path, or an empty text when cancelled.
    // filter is in Qt's form ("desc (pattern);;desc (pattern)"); selectedFilter is one of its entries.
    virtual QString chooseOpenFile(QWidget *parent, const QString &title, const QString &dir,
                                   const QString &filter, const QString &selectedFilter) = 0;
    // The file to save to, starting at proposed (a folder and a file name), or an empty text
    // when cancelled. The dialog asks nothing about an existing file: the caller does.
    virtual QString chooseSaveFile(QWidget *parent, const QString &title, const QString &proposed,
                                   const QString &filter) = 0;
    // An existing folder, or an empty text when cancelled.
    virtual QString chooseFolder(QWidget *parent, const QString &title, const QString &dir) = 0;
};

// Installs a chooser for every later dialog; nullptr restores the real one.
// Returns the chooser that was installed before (never nullptr).
DialogChooser *setDialogChooser(DialogChooser *chooser);
DialogChooser &dialogChooser();

} // namespace ModQLNV
