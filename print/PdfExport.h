#pragma once
// "PDF保存": the invoice on the screen, saved or not, as a PDF drawn by the same renderer as
// the preview and the printer. The file name is proposed from the invoice, the folder is the
// one used the last time (remembered in the settings), an existing file is replaced only after
// a question, and a folder that cannot be written is named in a message.
#include "invoice/InvoiceData.h"
#include "print/PrintCommands.h"

#include <QString>

class QWidget;

namespace print {

// A text as part of a file name on any file system: the characters Windows and macOS refuse
// (\ / : * ? " < > |) and control characters become "_", line breaks, tabs and runs of blanks
// one blank, and the ends lose their blanks and dots. At most maxLength characters.
QString safeFileNamePart(const QString &text, int maxLength = 40);

// "請求書_000123_2026-12-07_山田商店.pdf": the number in six digits, the date, the customer.
// A part the invoice lacks is left out with its underscore.
QString proposedPdfName(const InvoiceHeader &invoice);

enum class PdfResult { Saved, Cancelled, Failed };

struct PdfOutcome {
    PdfResult result = PdfResult::Cancelled;
    QString path;    // the file written, when Saved
    QByteArray bytes; // what was written
};

// Asks where to save, then writes the invoice's PDF on the paper. Tells the user what went
// wrong, and where the file went.
PdfOutcome savePdf(QWidget *parent, Paper paper, const InvoiceHeader &invoice, bool 日付印刷);

} // namespace print
