#pragma once
// One statement prepared once and run many times with different values: the save writes
// up to 99 lines, products and units, and preparing each of them anew costs more than
// running it.
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

namespace records {

class SqlStatement
{
public:
    SqlStatement(const QSqlDatabase &database, const QString &sql);

    // Binds values in order and runs the statement. Logs and returns false on failure,
    // also when the statement could not be prepared.
    bool run(const QVariantList &values = {});

    // For reading rows and the affected-row count after run().
    QSqlQuery &query() { return m_query; }

private:
    QSqlQuery m_query;
    QString m_sql;
    bool m_prepared = false;
};

} // namespace records
