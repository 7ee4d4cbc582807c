#pragma once
// "電子インボイス": a stored qualified invoice written as a JP PINT file, from the print panel
// (the invoice on the screen, once it is registered and unchanged) and from the history tab
// (every listed invoice into one folder). The file is made from the stored invoice, never
// from the screen, so that its amounts are the stored ones; the seller comes from the
// settings, the buyer's addresses from the customer master.
#include "einvoice/JpPint.h"
#include "invoice/InvoiceData.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class QWidget;

namespace einvoice {

// The seller of the settings globals.
Party sellerFromSettings();

// The stored invoice 伝票番号 with its buyer (the customer master's row of its 顧客名), ready
// for toJpPint; refusal says why not (not found, not readable).
struct Stored {
    Document document;
    QString refusal;
};
Stored readStored(const QSqlDatabase &data, qint64 伝票番号, const Party &seller);

// Why the invoice on the screen cannot be written as it stands (not registered, changed since
// it was stored in what the file carries, changed on another PC), or empty when it is the
// stored one.
QString unchangedSinceStored(const InvoiceHeader &screen, const QList<DetailLine> &screenLines, const Document &stored);

// "請求書_000123_2026-12-07_山田商店.xml", named as the PDF is.
QString proposedXmlName(const InvoiceHeader &invoice);

enum class WriteResult { Written, Refused, Cancelled, Failed };

// The print panel's command: checks the invoice on the screen against the store, asks where
// to save (the PDF's folder memory and dialog) and writes the file. Every refusal and failure
// is told in a message; path gets the file written.
WriteResult writeFromScreen(QWidget *parent, const InvoiceHeader &screen, QString *path = nullptr);

// One file per invoice into folder, named as proposedXmlName (an existing file is replaced:
// the folder was chosen for them). What was written and what was skipped, with why.
struct BatchReport {
    int written = 0;
    QStringList skipped; // "伝票番号 12（山田商店）: why"
    int unarchived = 0;  // written, but not recorded in the archive of issued invoices
    bool failed = false; // a file could not be written: the rest was not tried
    QString failure;
};
BatchReport writeBatch(const QSqlDatabase &data, const QList<qint64> &numbers, const QString &folder);

// The history tab's command: asks for a folder, writes the listed invoices and tells what was
// written and what skipped.
void writeListed(QWidget *parent, const QList<qint64> &numbers);

} // namespace einvoice
