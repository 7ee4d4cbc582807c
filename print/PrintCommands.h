#pragma once
// The print commands: the print data of the invoice on the screen turned into an A4 or B5
// report, then shown in the preview window or printed.
#include "invoice/InvoiceData.h"
#include "print/DrawOps.h"
#include "print/PrintData.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

class QWidget;

namespace print {

enum class Paper { A4, B5 };

// "A4白紙" and "B5白紙"; nothing for any other text.
std::optional<Paper> paperFromText(const QString &text);

// Runs the layout of the paper (rpt請求書 or rpt請求書B5) over the lines.
report::Report build請求書(Paper paper, const PrintHeader &header, const QList<DetailLine> &lines,
                           const PrintSettings &settings);

// The report of an invoice as it stands on the screen: its header, the lines of w明細 and
// the settings globals. Nothing when w明細 cannot be read.
std::optional<report::Report> prepare請求書(Paper paper, const InvoiceHeader &invoice, bool 日付印刷,
                                            const QSqlDatabase &work);
// The same for an invoice with its lines at hand (a stored one).
report::Report reportFor(Paper paper, const InvoiceHeader &invoice, bool 日付印刷, const QList<DetailLine> &lines);

// Prepares the report on db::work() and shows it in the preview window (preview true) or
// prints it after the printer dialog. A report that cannot be prepared, shown or printed is
// reported in a box. True when it was shown or printed; false also when the user cancelled
// the printer dialog.
bool SetPrnData請求書A4(QWidget *parent, const InvoiceHeader &invoice, bool 日付印刷, bool preview);
bool SetPrnData請求書B5(QWidget *parent, const InvoiceHeader &invoice, bool 日付印刷, bool preview);

} // namespace print
