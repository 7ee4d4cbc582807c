#include "masters/MasterCopy.h"

#include "app/Database.h"

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
                                    QStringLiteral("敬称")}};
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
QString customerOrder()
{
    return QStringLiteral("\"ふりがな\"");
}

QString productOrder(const QString &商品表示順)
{
    return 商品表示順 == u"品名順" ? QStringLiteral("\"品名\", \"ふりがな\"") : QStringLiteral("\"ふりがな\", \"品名\"");
}

QString hasNameSql(const QString &column)
{
    return QStringLiteral("trim(coalesce(%1, ''), ' \u3000') <> ''").arg(quoted(column));
}

bool readCopy(const QSqlDatabase &work, const MasterTable &t, const QString &orderBy)
{
    db::DataAttached data(work);
    db::Transaction tx(work);
    const QString columns = columnList(t.columns);
    return data && tx.isActive() && db::exec(work, QStringLiteral("DELETE FROM %1").arg(quoted(t.copy)))
           && db::exec(work, QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM data.%3 ORDER BY %4")
                                 .arg(quoted(t.copy), columns, quoted(t.master), orderBy))
           && tx.commit();
}

bool clearCopy(const QSqlDatabase &work, const MasterTable &t)
{
    return db::exec(work, QStringLiteral("DELETE FROM %1").arg(quoted(t.copy)));
}

RegisterOutcome registerCopy(const QSqlDatabase &work, const MasterTable &t)
{
    RegisterOutcome out;
    db::DataAttached data(work);
    db::Transaction tx(work);
    if (!data || !tx.isActive())
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

    const QString columns = columnList(t.columns);
    if (!db::exec(work, QStringLiteral("DELETE FROM data.%1").arg(quoted(t.master)))
        || !db::exec(q, QStringLiteral("INSERT INTO data.%1 (%2) SELECT %2 FROM %3 WHERE %4 ORDER BY rowid")
                            .arg(quoted(t.master), columns, quoted(t.copy), hasNameSql(t.key))))
        return out;
    out.rows = q.numRowsAffected();
    if (!tx.commit())
        return out;
    out.status = RegisterStatus::Registered;
    return out;
}

std::optional<int> deleteTicked(const QSqlDatabase &work, const MasterTable &t)
{
    db::DataAttached data(work);
    db::Transaction tx(work);
    if (!data || !tx.isActive())
        return std::nullopt;
    QSqlQuery q(work);
    if (!db::exec(q, QStringLiteral("SELECT count(*) FROM %1 WHERE \"チェック\" = 1").arg(quoted(t.copy))) || !q.next())
        return std::nullopt;
    const int ticked = q.value(0).toInt();
    q.finish();
    if (ticked == 0)
        return 0;
    if (!db::exec(work, QStringLiteral("DELETE FROM data.%1 WHERE %2 IN (SELECT %2 FROM %3 WHERE \"チェック\" = 1)")
                            .arg(quoted(t.master), quoted(t.key), quoted(t.copy)))
        || !db::exec(work, QStringLiteral("DELETE FROM %1 WHERE \"チェック\" = 1").arg(quoted(t.copy)))
        || !tx.commit())
        return std::nullopt;
    return ticked;
}

bool saveCustomer(const QSqlDatabase &data, const CustomerRow &row)
{
    if (row.顧客名.isEmpty())
        return false;
    const QVariantList values{db::textOrNull(row.顧客情報), db::textOrNull(row.ふりがな), db::textOrNull(row.敬称),
                              row.顧客名};
    db::Transaction tx(data);
    QSqlQuery q(data);
    if (!tx.isActive()
        || !db::exec(q, QStringLiteral("UPDATE \"顧客マスタ\" SET \"顧客情報\" = ?, \"ふりがな\" = ?, \"敬称\" = ? "
                                       "WHERE \"顧客名\" = ?"),
                     values))
        return false;
    if (q.numRowsAffected() == 0
        && !db::exec(data, QStringLiteral("INSERT INTO \"顧客マスタ\" (\"顧客情報\", \"ふりがな\", \"敬称\", \"顧客名\") "
                                          "VALUES (?, ?, ?, ?)"),
                     values))
        return false;
    return tx.commit();
}

} // namespace masters
