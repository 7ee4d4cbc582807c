#pragma once
// The fingerprint of an invoice's content, for the archive of issued invoices: the same for
// the invoice on the screen and for it as stored, and another one as soon as anything that
// is printed changes (a header field, an amount, a line or its place).
#include "invoice/InvoiceData.h"

#include <QList>
#include <QString>

// The SHA-256, in hex, of the header's printed fields (an empty amount as 0) and of every
// line that says something with its place; product names count trimmed, as they are stored.
QString contentFingerprint(const InvoiceHeader &header, const QList<DetailLine> &lines);
