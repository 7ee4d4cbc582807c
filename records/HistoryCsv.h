#pragma once
// "CSV出力" of the history tab: the listed invoices with their amounts, for the accountant's
// spreadsheet. RFC 4180 quoting, so that names with commas, quotes and line breaks survive;
// code page 932 (Shift_JIS, what spreadsheet programs on Japanese Windows expect) or UTF-8
// with a byte order mark. A character code page 932 lacks is reported, never dropped.
#include "app/CsvText.h"

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace records::csv {

using Encoding = csvtext::Encoding;

// The columns, in order: number, date, customer, subject, the four totals, the rate and the
// amounts per rate (empty for an invoice that has none).
const QStringList &columns();

// One record (csvtext::record).
using csvtext::record;

struct Built {
    QByteArray bytes;
    int invoices = 0;
    // Code page 932 only: each invoice with characters the code page lacks, and those
    // characters. Nothing is to be written then.
    QList<std::pair<qint64, QString>> unmappable;
    bool ok() const { return unmappable.isEmpty(); }
};

// The invoices of w履歴リスト in the list's order, with their totals from 請求書ヘッダ of the
// data file. Nothing when they cannot be read.
std::optional<Built> buildHistoryCsv(const QSqlDatabase &work, Encoding encoding);

// The name proposed for the file: "請求履歴_2026-12-08.csv".
QString proposedCsvName();

} // namespace records::csv
