#pragma once
// The invoice number counter: 最大請求書番号 of the settings row holds the highest invoice
// number saved so far; a new invoice is offered that number + 1.
#include <QSqlDatabase>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace counter {

// The highest invoice number the data file can hold (its column is a 32-bit long).
inline constexpr qint64 MaxInvoiceNumber = 2147483647;

// The number to offer a new invoice: the stored maximum + 1, or 1 when there is no settings
// row or the maximum is Null. Nothing when the data file cannot be read, and nothing when the
// largest number has been used (see invoiceNumbersUsedUp). A proposal is not reserved: asking
// twice without a save gives the same number.
std::optional<qint64> nextInvoiceNumber();

// True when the stored maximum is the largest number an invoice can have: no number is left to
// offer (a lower unused one can still be typed).
bool invoiceNumbersUsedUp();

// Records n as the highest saved number when it is higher than the stored one. With no
// settings row a row is added holding n; a Null maximum becomes n (at least 1).
// Runs one statement pair in the caller's transaction on database, so that an invoice save
// can keep its rows and the counter together. False when the row could not be written.
bool recordInvoiceNumber(const QSqlDatabase &database, qint64 n);

// The number a new invoice gets when the one it was offered was stored meanwhile (by another
// PC): one above both the counter and the highest stored number, read in the caller's
// transaction on database. Nothing when it could not be read, and 0 when the numbers are used up.
std::optional<qint64> nextFreeNumber(const QSqlDatabase &database);

// The same in a transaction of its own on the data database.
bool setMaxInvoiceNumber(qint64 n);

} // namespace counter

namespace ModQLNV {

// The counter as the program's screens use it. item must be "最大請求書番号"; any other
// item does nothing and returns an empty text.
//   "Get": the next invoice number as text (empty when the data file cannot be read or the
//          numbers are used up).
//   "Set": records value as the highest number when it is higher; returns an empty text.
//          A value that is not a whole number is ignored.
// ok, when given, is set false only when the database could not be read or written, so that
// a caller can roll its own work back.
QString Proc管理(const QString &item, const QString &mode, const QString &value, bool *ok = nullptr);

} // namespace ModQLNV
