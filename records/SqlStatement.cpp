#include "records/SqlStatement.h"

#include <QLoggingCategory>
#include <QSqlError>

Q_LOGGING_CATEGORY(lcRecordsSql, "quillon.sql")

namespace records {

SqlStatement::SqlStatement(const QSqlDatabase &database, const QString &sql)
    : m_query(database)
    , m_sql(sql)
{
    if (!database.isOpen()) {
        qCWarning(lcRecordsSql).noquote() << "database not open [" + sql + "]";
        return;
    }
    m_prepared = m_query.prepare(sql);
    if (!m_prepared)
        qCWarning(lcRecordsSql).noquote()
            << QStringLiteral("prepare failed: %1 [%2]").arg(m_query.lastError().text(), sql);
}

bool SqlStatement::run(const QVariantList &values)
{
    if (!m_prepared)
        return false;
    for (int i = 0; i < values.size(); ++i)
        m_query.bindValue(i, values.at(i));
    if (!m_query.exec()) {
        qCWarning(lcRecordsSql).noquote()
            << QStringLiteral("statement failed: %1 [%2]").arg(m_query.lastError().text(), m_sql);
        return false;
    }
    return true;
}

} // namespace records
