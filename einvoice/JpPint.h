#pragma once
// A stored qualified invoice as a JP PINT electronic invoice (the Peppol profile for Japan,
// UBL 2.1 XML). A plain function of the invoice's header and lines and the two parties: no
// database, no windows, so that every tax mode and rounding can be checked on its own.
//
// The file carries the invoice's own figures or is not made at all: where the rules of the
// format cannot accept them (a 内税 invoice whose tax, rounded from the amount with tax, misses
// the one the rules compute from the net amount; stored amounts that do not add up), the
// result is a refusal that says why, never a file with other figures.
#include "invoice/InvoiceData.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace einvoice {

struct Party {
    QString name;
    QString addressBlock;       // the lines printed under the name (自社情報, 顧客情報)
    QString registrationNumber; // "T" and 13 digits; the buyer's may be empty
    QString electronicAddress;  // scheme:id ("0188:1234567890123")
    QString bankAccount;        // the seller's bank account lines (振込先), if any
};

struct Document {
    InvoiceHeader header;    // as stored
    QList<DetailLine> lines; // as stored
    Party seller;
    Party buyer;
};

struct Outcome {
    QByteArray xml;  // the file's bytes; empty when refused
    QString refusal; // why no file can be made, for the user
    bool ok() const { return refusal.isEmpty(); }
};

Outcome toJpPint(const Document &document);

// A postal address as the format carries it, read from an address block: the postal code
// ("〒100-0001", full-width too) as seven digits, the address lines without it, and the first
// telephone number. Lines of telephone, fax, mail, bank and registration details are not
// address lines.
struct PostalAddress {
    QString postalZone;
    QStringList lines;
    QString telephone;
};
PostalAddress parseAddressBlock(const QString &block);

// The UN/ECE Recommendation 20 code of a unit as the invoice lines write it ("個", "箱",
// "kg", "時間" …); "H87" (piece) for a unit it does not know, "C62" (one) for none.
QString unitCode(const QString &unit);

} // namespace einvoice
