#pragma once
// Issued invoices into the archive (data/Archive.h): what the print panel printed or saved as
// PDF, and the electronic invoices, each with the PDF drawn by the same renderer.
#include "data/Archive.h"
#include "invoice/InvoiceData.h"

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>

#include <optional>

namespace archive {

// The archive's issue of the invoice as it was issued (its header and lines, the PDF, the
// electronic invoice's XML if it is one).
Issue issueOf(const InvoiceHeader &invoice, const QList<DetailLine> &lines, const QByteArray &pdf, const QByteArray &xml,
              Method how);

// Archives it on db::data(); a failure is told to the user (the invoice was issued all the same).
bool archiveIssued(const Issue &issue);

// The PDF of an invoice with its lines on the settings' paper, as the print panel saves it.
QByteArray pdfOf(const InvoiceHeader &invoice, const QList<DetailLine> &lines);

} // namespace archive
