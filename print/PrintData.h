#pragma once
// What the invoice layouts print: the print header record (the invoice header as it stands
// on the screen, the company from the settings), the settings the layouts apply, and the
// line counts. Kept in memory: the lines themselves are the rows of w明細.
#include "invoice/InvoiceData.h"

#include <QColor>
#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace print {

// The print header record, one per preview or print.
struct PrintHeader {
    QDate 日付; // invalid when the invoice has no date
    QString 顧客名;
    QString 顧客情報;
    QString 自社名;
    QString 自社情報;
    QString 件名;
    QString メモ;
    QString 敬称;
    std::optional<qint64> 税抜計; // nothing when the field is empty
    std::optional<qint64> 消費税;
    std::optional<qint64> 合計;
    std::optional<qint64> 請求金額;
    qint16 行数 = 0;    // lines with a product name (GetLine請求書)
    int 最終行 = 0;     // position of the last line in use: the page count comes from it
    bool 日付印刷 = false;

    // What a qualified invoice (適格請求書) shows beside the rest: the invoice's number, the
    // issuer's registration number (from the settings), the rate and the amounts per rate,
    // and whether a line taxed at the reduced rate is printed ("※" on it).
    qint64 伝票番号 = 0;
    QString 登録番号;
    int 消費税率 = 5;
    std::optional<qint64> 標準税率対象;
    std::optional<qint64> 標準税率消費税;
    std::optional<qint64> 軽減税率対象;
    std::optional<qint64> 軽減税率消費税;
    bool 軽減税率明細 = false;
    // The payment due date of the invoice (invalid: none) and the bank account lines of the
    // settings; each is printed only when there is one.
    QDate 支払期限;
    QString 振込先;
    // An invoice at the program's first rate without a registration number prints as it
    // always did; any other prints its number too.
    bool isQualified() const { return !登録番号.isEmpty() || 消費税率 != 5; }
};

// The settings the layouts read, taken from the settings globals at the time of printing.
struct PrintSettings {
    QString 年号;           // "西暦" prints yyyy/mm/dd; anything else the era form
    QString 小数;           // "使用する" prints quantities and prices with two decimals
    QString 入数列タイトル;
    double topMargin = 0;   // twips, added to the layout's own margin
    double leftMargin = 0;
    QColor 罫線色 = Qt::black;

    static PrintSettings fromGlobals();
};

// The record for an invoice: its header, the company of the settings, the date switch.
PrintHeader makePrintHeader(const InvoiceHeader &invoice, bool 日付印刷, const QList<DetailLine> &lines);

// Number of rows of w明細 with a product name; nothing when the table cannot be read.
std::optional<int> GetLine請求書(const QSqlDatabase &work);

// The same count over lines already read.
int namedLineCount(const QList<DetailLine> &lines);

// 1-based position of the last line that is not blank; 0 when every line is blank.
// A blank line in the middle does not shorten the printout: the count of named lines would.
int lastUsedLine(const QList<DetailLine> &lines);

// Pages for the lines up to lastUsed at perPage lines a page, at least one.
int pageCount(int lastUsed, int perPage);

} // namespace print
