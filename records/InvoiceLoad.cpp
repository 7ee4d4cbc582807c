#include "records/InvoiceLoad.h"

#include "app/Database.h"
#include "data/Archive.h"

#include <QSqlQuery>
#include <QVariant>

namespace records {

namespace {

template<typename T>
std::optional<T> optionalField(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.value<T>();
}

} // namespace

HeaderRead Read請求書ヘッダ(const QSqlDatabase &data, qint64 伝票番号)
{
    QSqlQuery q(data);
    if (!db::exec(q,
                  QStringLiteral("SELECT 日付, 顧客名, 顧客情報, 敬称, 件名, メモ, 税抜計, 消費税, 合計, 請求金額, "
                                 "消費税率, 標準税率対象, 標準税率消費税, 軽減税率対象, 軽減税率消費税, 支払期限, "
                                 "COALESCE(更新番号, 0) "
                                 "FROM 請求書ヘッダ WHERE 伝票番号 = ?"),
                  {伝票番号}))
        return {};
    if (!q.next())
        return {LoadStatus::NotFound, {}};
    InvoiceHeader h;
    h.伝票番号 = 伝票番号;
    h.日付 = QDate::fromString(q.value(0).toString(), Qt::ISODate);
    h.顧客名 = q.value(1).toString();
    h.顧客情報 = q.value(2).toString();
    h.敬称 = q.value(3).toString();
    h.件名 = q.value(4).toString();
    h.メモ = q.value(5).toString();
    h.税抜計 = optionalField<qint64>(q.value(6));
    h.消費税 = optionalField<qint64>(q.value(7));
    h.合計 = optionalField<qint64>(q.value(8));
    h.請求金額 = optionalField<qint64>(q.value(9));
    // Stored before rates were kept: 5 %, as every invoice was then.
    h.消費税率 = q.value(10).isNull() ? 5 : qRound(q.value(10).toDouble() * 100);
    h.標準税率対象 = optionalField<qint64>(q.value(11));
    h.標準税率消費税 = optionalField<qint64>(q.value(12));
    h.軽減税率対象 = optionalField<qint64>(q.value(13));
    h.軽減税率消費税 = optionalField<qint64>(q.value(14));
    h.支払期限 = QDate::fromString(q.value(15).toString(), Qt::ISODate);
    h.更新番号 = q.value(16).toLongLong();
    return {LoadStatus::Loaded, h};
}

InvoiceRead readStoredInvoice(const QSqlDatabase &data, qint64 伝票番号)
{
    HeaderRead header = Read請求書ヘッダ(data, 伝票番号);
    if (header.status != LoadStatus::Loaded)
        return {header.status, {}};
    QSqlQuery q(data);
    if (!db::exec(q,
                  QStringLiteral("SELECT 品名, 入数, 数量, 単位, 単価, 金額, 小計, 非課税, ふりがな, 軽減税率 FROM 請求書 "
                                 "WHERE 伝票番号 = ? ORDER BY 伝票区分 IS NOT NULL, 伝票区分, 行番号 IS NOT NULL, 行番号"),
                  {伝票番号}))
        return {};
    StoredInvoice invoice{header.header, {}};
    // The stored 行番号 only orders the lines: the n-th line lands in the n-th work row. A line
    // without one comes first, where SQLite sorts Null (the server would put it last).
    while (q.next()) {
        DetailLine l = detail::lineValuesFrom(q, 0);
        l.行番号 = int(invoice.lines.size()) + 1;
        invoice.lines << l;
    }
    // A damaged page ends the rows early: part of an invoice is no invoice.
    if (!db::readToEnd(q))
        return {};
    return {LoadStatus::Loaded, invoice};
}

LoadOutcome loadInvoice(qint64 伝票番号)
{
    InvoiceRead read = readStoredInvoice(db::data(), 伝票番号);
    if (read.status == LoadStatus::Failed)
        return {LoadStatus::Failed, {}, 0, QStringLiteral("the invoice could not be read: ") + db::lastError(), db::lastFailure()};
    if (read.status == LoadStatus::NotFound)
        return {LoadStatus::NotFound, {}, 0, {}};
    const QList<DetailLine> &lines = read.invoice.lines;
    if (lines.size() > DetailLineCount)
        return {LoadStatus::Failed, {}, 0,
                QStringLiteral("invoice %1 has %2 lines, more than the grid holds").arg(伝票番号).arg(lines.size())};
    if (!detail::replaceLines(db::work(), lines))
        return {LoadStatus::Failed, {}, 0, QStringLiteral("the lines could not be written: ") + db::lastError()};
    return {LoadStatus::Loaded, read.invoice.header, int(lines.size()), {}};
}

DeleteOutcome deleteInvoice(qint64 伝票番号)
{
    QSqlDatabase data = db::data();
    db::Transaction transaction(data);
    if (!transaction.isActive())
        return {};
    QSqlQuery header(data);
    // An issued invoice leaves its archived copy; the archive records the deletion.
    if (!archive::recordDeletions(data, {伝票番号})
        || !db::exec(data, QStringLiteral("DELETE FROM 請求書 WHERE 伝票番号 = ?"), {伝票番号})
        || !db::exec(header, QStringLiteral("DELETE FROM 請求書ヘッダ WHERE 伝票番号 = ?"), {伝票番号}))
        return {};
    const bool existed = header.numRowsAffected() > 0;
    if (!transaction.commit())
        return {};
    return {true, existed};
}

} // namespace records
