#include "masters/MasterCopy.h"

#include "app/Database.h"
#include "data/MasterChanges.h"

#include <QSqlQuery>

namespace masters {

namespace {

QString quoted(const QString &name)
{
    return u'"' + name + u'"';
}

QString columnList(const QStringList &columns)
{
    QStringList out;
    for (const QString &c : columns)
        out << quoted(c);
    return out.join(u',');
}

} // namespace

const MasterTable &customers()
{
    static const MasterTable table{QStringLiteral("顧客マスタ"), QStringLiteral("w顧客マスタ"), QStringLiteral("顧客名"),
                                   {QStringLiteral("顧客名"), QStringLiteral("顧客情報"), QStringLiteral("ふりがな"),
                                    QStringLiteral("敬称"), QStringLiteral("登録番号"), QStringLiteral("電子アドレス")}};
    return table;
}

const MasterTable &products()
{
    static const MasterTable table{QStringLiteral("商品マスタ"), QStringLiteral("w商品マスタ"), QStringLiteral("品名"),
                                   {QStringLiteral("品名"), QStringLiteral("入数"), QStringLiteral("単位"),
                                    QStringLiteral("単価"), QStringLiteral("非課税"), QStringLiteral("ふりがな"),
                                    QStringLiteral("軽減税率")}};
    return table;
}

// By the reading alone, so that the master's index on it gives the order without a sort.
QStringList customerOrder()
{
    return {QStringLiteral("ふりがな")};
}

QStringList productOrder(const QString &商品表示順)
{
    if (商品表示順 == u"品名順")
        return {QStringLiteral("品名"), QStringLiteral("ふりがな")};
    return {QStringLiteral("ふりがな"), QStringLiteral("品名")};
}

QString hasNameSql(const QString &column)
{
    return QStringLiteral("trim(coalesce(%1, ''), ' \u3000') <> ''").arg(quoted(column));
}

bool readCopy(const QSqlDatabase &work, const MasterTable &t, const QStringList &orderBy, qint64 *readAt)
{
    db::Crossing crossing(work);
    if (!crossing)
        return false;
    const auto at = masterchanges::current(crossing.dataSide(), t.master);
    if (!at)
        return false;
    // Rows alike in the order stay in the order they were added.
    QStringList terms;
    for (const QString &column : orderBy)
        terms << db::textOrder(crossing.dataSide(), quoted(column));
    terms << QStringLiteral("rowid");
    if (!db::exec(work, QStringLiteral("DELETE FROM %1").arg(quoted(t.copy)))
        || !crossing.toWork(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(columnList(t.columns), quoted(t.master), terms.join(u',')),
                            {}, t.copy, t.columns)
        || !crossing.commit())
        return false;
    if (readAt)
        *readAt = *at;
    return true;
}

bool clearCopy(const QSqlDatabase &work, const MasterTable &t)
{
    return db::exec(work, QStringLiteral("DELETE FROM %1").arg(quoted(t.copy)));
}

RegisterOutcome registerCopy(const QSqlDatabase &work, const MasterTable &t, qint64 *readAt)
{
    RegisterOutcome out;
    db::Crossing crossing(work);
    if (!crossing)
        return out;

    // The master keeps one row per name: a copy holding a name twice is for the user to mend.
    QSqlQuery q(work);
    if (!db::exec(q, QStringLiteral("SELECT %1 FROM %2 WHERE %3 GROUP BY %1 HAVING count(*) > 1 ORDER BY %1")
                         .arg(quoted(t.key), quoted(t.copy), hasNameSql(t.key))))
        return out;
    while (q.next())
        out.duplicates << q.value(0).toString();
    q.finish();
    if (!out.duplicates.isEmpty()) {
        out.status = RegisterStatus::Duplicates;
        return out;
    }

    // The write is counted first: on the server that holds off every other writer of the master
    // until this transaction ends.
    const auto now = masterchanges::count(crossing.dataSide(), t.master);
    if (!now)
        return out;
    if (readAt && *now != *readAt + 1) {
        out.status = RegisterStatus::Changed;
        return out;
    }
    if (!db::exec(crossing.dataSide(), QStringLiteral("DELETE FROM %1").arg(quoted(t.master)))
        || !crossing.toData(QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY rowid")
                                .arg(columnList(t.columns), quoted(t.copy), hasNameSql(t.key)),
                            {}, t.master, t.columns, &out.rows)
        || !crossing.commit())
        return out;
    if (readAt)
        *readAt = *now;
    out.status = RegisterStatus::Registered;
    return out;
}

std::optional<int> deleteTicked(const QSqlDatabase &work, const MasterTable &t, qint64 *readAt)
{
    db::Crossing crossing(work);
    if (!crossing)
        return std::nullopt;
    const auto ticked = db::columnValues(work, QStringLiteral("SELECT %1 FROM %2 WHERE \"チェック\" = 1").arg(quoted(t.key), quoted(t.copy)));
    if (!ticked)
        return std::nullopt;
    if (ticked->isEmpty())
        return 0;
    const auto now = masterchanges::count(crossing.dataSide(), t.master);
    if (!now || !crossing.forKeys(QStringLiteral("DELETE FROM %1 WHERE %2 IN").arg(quoted(t.master), quoted(t.key)), *ticked)
        || !db::exec(work, QStringLiteral("DELETE FROM %1 WHERE \"チェック\" = 1").arg(quoted(t.copy)))
        || !crossing.commit())
        return std::nullopt;
    if (readAt && *now == *readAt + 1)
        *readAt = *now;
    return int(ticked->size());
}

bool saveCustomer(const QSqlDatabase &data, const CustomerRow &row)
{
    if (row.顧客名.isEmpty())
        return false;
    const QVariantList values{db::textOrNull(row.顧客情報), db::textOrNull(row.ふりがな), db::textOrNull(row.敬称),
                              db::textOrNull(row.登録番号), db::textOrNull(row.電子アドレス), row.顧客名};
    db::Transaction tx(data);
    QSqlQuery q(data);
    if (!tx.isActive()
        || !db::exec(q, QStringLiteral("UPDATE \"顧客マスタ\" SET \"顧客情報\" = ?, \"ふりがな\" = ?, \"敬称\" = ?, "
                                       "\"登録番号\" = ?, \"電子アドレス\" = ? WHERE \"顧客名\" = ?"),
                     values))
        return false;
    if (q.numRowsAffected() == 0
        && !db::exec(data, QStringLiteral("INSERT INTO \"顧客マスタ\" (\"顧客情報\", \"ふりがな\", \"敬称\", \"登録番号\", "
                                          "\"電子アドレス\", \"顧客名\") VALUES (?, ?, ?, ?, ?, ?)"),
                     values))
        return false;
    return masterchanges::count(data, masterchanges::Customers) && tx.commit();
}

} // namespace masters
