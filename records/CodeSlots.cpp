#include "records/CodeSlots.h"

#include "app/Database.h"

#include <QSqlQuery>

namespace records {

std::optional<bool> registerCodeName(const QSqlDatabase &database, const QString &kind, const QString &name)
{
    if (name.isEmpty())
        return false;
    QSqlQuery known(database);
    if (!db::exec(known, QStringLiteral("SELECT 1 FROM コードマスタ WHERE kcode = ? AND sname = ? LIMIT 1"),
                  {kind, name}))
        return std::nullopt;
    if (known.next())
        return false;
    QSqlQuery put(database);
    if (!db::exec(put,
                  QStringLiteral("UPDATE コードマスタ SET sname = ? WHERE rowid = ("
                                 "SELECT rowid FROM コードマスタ WHERE kcode = ? AND sname IS NULL "
                                 "ORDER BY code LIMIT 1)"),
                  {name, kind}))
        return std::nullopt;
    return put.numRowsAffected() > 0;
}

} // namespace records
