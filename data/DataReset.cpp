#include "data/DataReset.h"

#include "app/Database.h"
#include "data/Archive.h"
#include "data/MasterChanges.h"

#include <QStringList>

bool resetAllData(bool archiveToo)
{
    static const QStringList statements{
        QStringLiteral("DELETE FROM 顧客マスタ"),
        QStringLiteral("DELETE FROM 商品マスタ"),
        QStringLiteral("DELETE FROM 自社情報"),
        QStringLiteral("DELETE FROM 請求書"),
        QStringLiteral("DELETE FROM 請求書ヘッダ"),
        QStringLiteral("UPDATE コードマスタ SET sname = NULL"),
    };

    QSqlDatabase database = db::data();
    db::Transaction transaction(database);
    if (!transaction.isActive())
        return false;
    for (const QString &sql : statements) {
        if (!db::exec(database, sql))
            return false; // the guard rolls back what ran so far
    }
    for (const QString &table : archiveToo ? archive::tables() : QStringList()) {
        if (!db::exec(database, QStringLiteral("DELETE FROM ") + table))
            return false;
    }
    // A master window's copy read before the reset is not registered over the emptied masters.
    return masterchanges::countAll(database) && transaction.commit();
}
