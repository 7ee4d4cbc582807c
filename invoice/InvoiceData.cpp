#include "invoice/InvoiceData.h"

#include "app/Database.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {

QVariant optionalValue(const std::optional<double> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<double>());
}

QVariant optionalValue(const std::optional<qint64> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<qint64>());
}

template<typename T>
std::optional<T> optionalField(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.value<T>();
}

const QString InsertLine = QStringLiteral(
    "INSERT OR REPLACE INTO w明細 (行番号, 品名, 入数, 数量, 単位, 単価, 金額, 小計, 非課税, ふりがな, 軽減税率) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");

QVariantList bindings(const DetailLine &l)
{
    return {l.行番号,
            db::textOrNull(l.品名),
            db::textOrNull(l.入数),
            optionalValue(l.数量),
            db::textOrNull(l.単位),
            optionalValue(l.単価),
            optionalValue(l.金額),
            l.小計 ? 1 : 0,
            l.非課税 ? 1 : 0,
            db::textOrNull(l.ふりがな),
            l.軽減税率 ? 1 : 0};
}

// From a query's row or a model's record (value(int) on either).
template<typename Row>
DetailLine valuesFrom(const Row &r, int first)
{
    DetailLine l;
    l.品名 = r.value(first).toString();
    l.入数 = r.value(first + 1).toString();
    l.数量 = optionalField<double>(r.value(first + 2));
    l.単位 = r.value(first + 3).toString();
    l.単価 = optionalField<double>(r.value(first + 4));
    l.金額 = optionalField<qint64>(r.value(first + 5));
    l.小計 = r.value(first + 6).toInt() != 0;
    l.非課税 = r.value(first + 7).toInt() != 0;
    l.ふりがな = r.value(first + 8).toString();
    l.軽減税率 = r.value(first + 9).toInt() != 0;
    return l;
}

template<typename Row>
DetailLine lineFrom(const Row &r)
{
    DetailLine l = valuesFrom(r, 1);
    l.行番号 = r.value(0).toInt();
    return l;
}

const QString SelectLines = QStringLiteral(
    "SELECT 行番号, 品名, 入数, 数量, 単位, 単価, 金額, 小計, 非課税, ふりがな, 軽減税率 FROM w明細");

} // namespace

bool DetailLine::isEmpty() const
{
    return 品名.isEmpty() && 入数.isEmpty() && !数量 && 単位.isEmpty() && !単価 && !金額;
}

namespace detail {

DetailLine lineValuesFrom(const QSqlQuery &q, int first)
{
    return valuesFrom(q, first);
}

DetailLine lineFromRecord(const QSqlRecord &record)
{
    return lineFrom(record);
}

bool replaceLines(const QSqlDatabase &work, const QList<DetailLine> &lines)
{
    if (lines.size() > DetailLineCount)
        return false;
    db::Transaction tx(work);
    if (!tx.isActive() || !db::exec(work, QStringLiteral("DELETE FROM w明細")))
        return false;
    db::Statement insert(work, InsertLine);
    for (int i = 0; i < DetailLineCount; ++i) {
        DetailLine line = i < lines.size() ? lines.at(i) : DetailLine{};
        line.行番号 = i + 1;
        if (!insert.run(bindings(line)))
            return false; // the transaction rolls back: the old lines stay
    }
    return tx.commit();
}

bool Clear明細ワーク(const QSqlDatabase &work)
{
    return replaceLines(work, {});
}

std::optional<QList<DetailLine>> readLines(const QSqlDatabase &work)
{
    QSqlQuery q(work);
    if (!db::exec(q, SelectLines + QStringLiteral(" ORDER BY 行番号")))
        return std::nullopt;
    QList<DetailLine> lines;
    lines.reserve(DetailLineCount);
    while (q.next())
        lines << lineFrom(q);
    // A damaged page ends the rows early: half the lines are no lines.
    if (!db::readToEnd(q))
        return std::nullopt;
    return lines;
}

std::optional<DetailLine> readLine(const QSqlDatabase &work, int 行番号)
{
    QSqlQuery q(work);
    if (!db::exec(q, SelectLines + QStringLiteral(" WHERE 行番号 = ?"), {行番号}) || !q.next())
        return std::nullopt;
    return lineFrom(q);
}

bool writeLine(const QSqlDatabase &work, const DetailLine &line)
{
    if (line.行番号 < 1 || line.行番号 > DetailLineCount)
        return false;
    return db::exec(work, InsertLine, bindings(line));
}

} // namespace detail
