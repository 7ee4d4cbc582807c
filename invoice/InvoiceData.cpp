#include "invoice/InvoiceData.h"

#include "app/Database.h"

#include <QSqlQuery>
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
    "INSERT OR REPLACE INTO w明細 (行番号, 品名, 入数, 数量, 単位, 単価, 金額, 小計, 非課税, ふりがな) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");

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
            db::textOrNull(l.ふりがな)};
}

DetailLine lineFrom(const QSqlQuery &q)
{
    DetailLine l;
    l.行番号 = q.value(0).toInt();
    l.品名 = q.value(1).toString();
    l.入数 = q.value(2).toString();
    l.数量 = optionalField<double>(q.value(3));
    l.単位 = q.value(4).toString();
    l.単価 = optionalField<double>(q.value(5));
    l.金額 = optionalField<qint64>(q.value(6));
    l.小計 = q.value(7).toInt() != 0;
    l.非課税 = q.value(8).toInt() != 0;
    l.ふりがな = q.value(9).toString();
    return l;
}

const QString SelectLines = QStringLiteral(
    "SELECT 行番号, 品名, 入数, 数量, 単位, 単価, 金額, 小計, 非課税, ふりがな FROM w明細");

} // namespace

bool DetailLine::isEmpty() const
{
    return 品名.isEmpty() && 入数.isEmpty() && !数量 && 単位.isEmpty() && !単価 && !金額;
}

namespace detail {

bool replaceLines(const QSqlDatabase &work, const QList<DetailLine> &lines)
{
    if (lines.size() > DetailLineCount)
        return false;
    db::Transaction tx(work);
    if (!tx.isActive() || !db::exec(work, QStringLiteral("DELETE FROM w明細")))
        return false;
    QSqlQuery insert(work);
    for (int i = 0; i < DetailLineCount; ++i) {
        DetailLine line = i < lines.size() ? lines.at(i) : DetailLine{};
        line.行番号 = i + 1;
        if (!db::exec(insert, InsertLine, bindings(line)))
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
