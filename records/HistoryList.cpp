#include "records/HistoryList.h"

#include "app/Database.h"
#include "data/Archive.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace records::history {

namespace {

std::optional<qint64> scalar(const QSqlDatabase &work, const QString &sql)
{
    QSqlQuery q(work);
    if (!db::exec(q, sql) || !q.next())
        return std::nullopt;
    return q.value(0).toLongLong();
}

const QString CountListed = QStringLiteral("SELECT count(*) FROM w履歴リスト");
const QString Ticked = QStringLiteral("SELECT 伝票番号 FROM w履歴リスト WHERE チェック = 1");

} // namespace

std::optional<qint64> Read請求履歴(const QSqlDatabase &work, const Filter &filter)
{
    QStringList conditions;
    QVariantList values;
    if (!filter.顧客名.isEmpty()) {
        conditions << QStringLiteral("顧客名 = ?");
        values << filter.顧客名;
    }
    // Dates are ISO text, so text comparison is date order.
    if (filter.開始.isValid()) {
        conditions << QStringLiteral("日付 >= ?");
        values << filter.開始.toString(Qt::ISODate);
    }
    if (filter.終了.isValid()) {
        conditions << QStringLiteral("日付 <= ?");
        values << filter.終了.toString(Qt::ISODate);
    }
    QString sql = QStringLiteral("SELECT 伝票番号, 日付, 顧客名, 件名, 請求金額, 支払期限 FROM 請求書ヘッダ");
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    // The list keeps the order of insertion, so the order is given here. A header without a
    // date or number comes last, as SQLite sorts Null in a descending order; the server would
    // put it first unless told. (Sorting on "日付 IS NULL" first cost the server twice as long.)
    sql += QStringLiteral(" ORDER BY 日付 DESC NULLS LAST, 伝票番号 DESC NULLS LAST");

    const QStringList columns{QStringLiteral("伝票番号"), QStringLiteral("日付"), QStringLiteral("顧客名"),
                              QStringLiteral("件名"), QStringLiteral("請求金額"), QStringLiteral("支払期限")};
    db::Crossing crossing(work);
    int listed = 0;
    if (!crossing || !db::exec(work, QStringLiteral("DELETE FROM w履歴リスト"))
        || !crossing.toWork(sql, values, QStringLiteral("w履歴リスト"), columns, &listed) || !crossing.commit())
        return std::nullopt;
    return listed;
}

bool Clear履歴(const QSqlDatabase &work)
{
    return db::exec(work, QStringLiteral("DELETE FROM w履歴リスト"));
}

std::optional<qint64> countListed(const QSqlDatabase &work)
{
    return scalar(work, CountListed);
}

std::optional<QList<qint64>> listedNumbers(const QSqlDatabase &work)
{
    QSqlQuery q(work);
    q.setForwardOnly(true);
    if (!db::exec(q, QStringLiteral("SELECT 伝票番号 FROM w履歴リスト WHERE 伝票番号 IS NOT NULL ORDER BY rowid")))
        return std::nullopt;
    QList<qint64> numbers;
    while (q.next())
        numbers << q.value(0).toLongLong();
    return numbers;
}

bool setTicked(const QSqlDatabase &work, qint64 row, bool ticked)
{
    return db::exec(work, QStringLiteral("UPDATE w履歴リスト SET チェック = ? WHERE rowid = ?"), {ticked ? 1 : 0, row});
}

DeleteOutcome Delete履歴(const QSqlDatabase &work)
{
    db::Crossing crossing(work);
    if (!crossing)
        return {};
    const auto ticked = db::columnValues(work, Ticked);
    if (!ticked)
        return {};
    // A ticked invoice may have been deleted from the invoice tab since the search: the count is
    // of the headers that were still there.
    int deleted = 0;
    QList<qint64> numbers;
    for (const QVariant &number : *ticked)
        numbers << number.toLongLong();
    if (!ticked->isEmpty()
        && (!archive::recordDeletions(crossing.dataSide(), numbers)
            || !crossing.forKeys(QStringLiteral("DELETE FROM 請求書 WHERE 伝票番号 IN"), *ticked)
            || !crossing.forKeys(QStringLiteral("DELETE FROM 請求書ヘッダ WHERE 伝票番号 IN"), *ticked, &deleted)
            || !db::exec(work, QStringLiteral("DELETE FROM w履歴リスト WHERE チェック = 1"))))
        return {};
    const auto remaining = scalar(work, CountListed);
    if (!remaining || !crossing.commit())
        return {};
    return {true, deleted, *remaining};
}

} // namespace records::history
