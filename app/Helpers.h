#pragma once
// Small shared routines: the rounding rule for amounts, the postal-code form, switching the
// input method per control, and the colour and file-open dialogs.
#include "app/DialogChooser.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class QWidget;

namespace ModQLNV {

// The one rounding rule for line amounts and tax: "切り捨て" (toward zero, after a 1e-8 nudge
// for positive values so that 2.9999999999 standing for 3 stays 3), "四捨五入" (half away from
// zero), anything else "切り上げ" (away from zero; a fraction below 0.00001 is dropped).
// Values outside ±9999999999.99, NaN and infinities give 0.
qint64 Calc端数(double value, const QString &method);

// "1234567" -> "123-4567"; any text with a "-" or of another length comes back unchanged.
QString Format郵便番号(const QString &text);

// Switches Japanese input on (text columns) or off (number columns) for a control.
// nullptr does nothing.
void SetIME(QWidget *widget, bool open);

// Colours are kept as the old RGB long: red in the low byte (0x00BBGGRR).
QColor colorFromRgbLong(int rgb); // invalid QColor for values outside 0 ... 0xFFFFFF
int rgbLongFromColor(const QColor &color); // -1 for an invalid colour

// Shows the colour dialog (sixteen white custom colours) and returns the chosen colour as an
// RGB long, or -1 when the user cancelled.
int GetColor(QWidget *owner, int initial);

struct OpenFileRequest {
    QString filter;      // "desc|pattern|desc|pattern|"; empty shows all files
    int filterIndex = 1; // the pair selected at first, 1 = the first
    QString title;       // caption of the dialog
    QString path;        // out: the chosen file with its full path
    QString fileTitle;   // out: the chosen file name without its folder
    QString initialDir;  // where the dialog opens
};

// "MDB ファイル(*.mdb)|orbdata.mdb|" -> {"MDB ファイル(*.mdb) (orbdata.mdb)"}; several patterns
// of one pair ("*.txt;*.csv") become space separated, as Qt wants them.
QStringList qtFileFilters(const QString &barFilter);

// The folder the dialog opens in: the given one when it exists here, else the home folder
// (the stored value is often a Windows folder such as "c:\").
QString openFileDirectory(const QString &initialDir);

// Shows the file-open dialog for an existing file. On a choice fills path and fileTitle and
// returns non-zero; on cancel returns 0 and leaves the request as it was.
int GetOpenFile(QWidget *owner, OpenFileRequest &request);

} // namespace ModQLNV
