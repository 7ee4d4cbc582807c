#pragma once
// The invoice being edited, as plain values: the header fields of the invoice tab and the
// lines of the work table w明細 (always 99 rows numbered 1 to 99).
#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QtGlobal>

#include <optional>

inline constexpr int DetailLineCount = 99;

struct InvoiceHeader {
    qint64 伝票番号 = 0;
    QDate 日付;
    QString 顧客名;
    QString 顧客情報;
    QString 敬称;
    QString 件名;
    QString メモ;
    std::optional<qint64> 税抜計;
    std::optional<qint64> 消費税;
    std::optional<qint64> 合計;
    std::optional<qint64> 請求金額;
    // The consumption tax rate in percent (5, 8 or 10). An invoice stored before rates were
    // kept was taxed at 5.
    int 消費税率 = 5;
    // The taxable sum and the tax of each rate, for an invoice taxed at 8 or 10 %: the
    // standard rate (消費税率), and the reduced 8 % beside 10 %. Empty otherwise.
    std::optional<qint64> 標準税率対象;
    std::optional<qint64> 標準税率消費税;
    std::optional<qint64> 軽減税率対象;
    std::optional<qint64> 軽減税率消費税;
    QDate 支払期限; // the payment due date; invalid: none
    // The stored version the invoice was read at (Null stored counts as 0); none for an
    // invoice that was not read from the store. A save replaces only that version unasked.
    std::optional<qint64> 更新番号;

    bool operator==(const InvoiceHeader &) const = default;
};

// One row of w明細. An empty text stands for Null.
struct DetailLine {
    int 行番号 = 0;
    QString 品名;
    QString 入数;
    std::optional<double> 数量;
    QString 単位;
    std::optional<double> 単価;
    std::optional<qint64> 金額;
    bool 小計 = false;
    bool 非課税 = false;
    QString ふりがな;
    bool 軽減税率 = false; // taxed at the reduced rate (8 %) when the invoice's rate is 10 %

    // A line the user left blank: no name, pack size, quantity, unit, price or amount.
    bool isEmpty() const;
    bool operator==(const DetailLine &) const = default;
};

namespace detail {

// Empties w明細 back to 99 blank lines. One transaction; false when it failed.
bool Clear明細ワーク(const QSqlDatabase &work);

// All rows of w明細 in line order; nothing when the table cannot be read.
std::optional<QList<DetailLine>> readLines(const QSqlDatabase &work);
std::optional<DetailLine> readLine(const QSqlDatabase &work, int 行番号);

// The values of a line (品名, 入数, 数量, 単位, 単価, 金額, 小計, 非課税, ふりがな, 軽減税率, in that order) from
// a query's current row, starting at column first; 行番号 is left to the caller.
DetailLine lineValuesFrom(const QSqlQuery &q, int first);
// A whole row of w明細 as a record of its columns in table order (行番号 first).
DetailLine lineFromRecord(const QSqlRecord &record);

// Writes one line by its number (empty texts as Null).
bool writeLine(const QSqlDatabase &work, const DetailLine &line);

// Replaces the whole table by these lines, numbered 1.. in the given order and padded with
// blank lines to 99. One transaction. More than 99 lines is refused.
bool replaceLines(const QSqlDatabase &work, const QList<DetailLine> &lines);

} // namespace detail
