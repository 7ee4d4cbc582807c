#include "data/MasterChanges.h"

#include "app/Database.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace masterchanges {

std::optional<qint64> current(const QSqlDatabase &data, const QString &master)
{
    QSqlQuery q(data);
    if (!db::exec(q, QStringLiteral("SELECT 更新番号 FROM マスタ更新 WHERE 表名 = ?"), {master}))
        return std::nullopt;
    return q.next() ? q.value(0).toLongLong() : 0;
}

std::optional<qint64> count(const QSqlDatabase &data, const QString &master)
{
    if (!db::exec(data,
                  QStringLiteral("INSERT INTO マスタ更新 (表名, 更新番号) VALUES (?, 1) "
                                 "ON CONFLICT (表名) DO UPDATE SET 更新番号 = マスタ更新.更新番号 + 1"),
                  {master}))
        return std::nullopt;
    return current(data, master);
}

bool countAll(const QSqlDatabase &data, std::initializer_list<QString> masters)
{
    for (const QString &master : masters)
        if (!count(data, master))
            return false;
    return true;
}

std::optional<Numbers> currentAll(const QSqlDatabase &data)
{
    Numbers numbers;
    for (const QString &master : {Customers, Products, Codes}) {
        const auto n = current(data, master);
        if (!n)
            return std::nullopt;
        numbers.insert(master, *n);
    }
    return numbers;
}

bool moveBeyond(const QSqlDatabase &data, const Numbers &before)
{
    for (const QString &master : {Customers, Products, Codes}) {
        const auto now = current(data, master);
        if (!now
            || !db::exec(data,
                         QStringLiteral("INSERT INTO マスタ更新 (表名, 更新番号) VALUES (?, ?) "
                                        "ON CONFLICT (表名) DO UPDATE SET 更新番号 = excluded.更新番号"),
                         {master, std::max(*now, before.value(master)) + 1}))
            return false;
    }
    return true;
}

} // namespace masterchanges
