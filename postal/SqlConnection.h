#pragma once
// A connection of the component's own to one SQLite file, for as long as the object lives:
// opened by URI (mode=ro or mode=rw, so a missing file fails instead of being created), closed
// and forgotten when it goes. The caller's data database may instead be on a PostgreSQL server,
// handed over as a postgresql:// URI; read-only there means read-only transactions. Statements take bound values; a failure is noted in the error
// text the owner passed in and returned as false.
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

namespace yubin {

// The URI SQLite opens path by: percent-encoded, so '?', '#' or '%' in a folder stay its own.
QString sqliteUri(const QString &path, bool readOnly);

class SqlConnection
{
public:
    SqlConnection(const QString &path, bool readOnly, QString &error);
    ~SqlConnection();
    SqlConnection(const SqlConnection &) = delete;
    SqlConnection &operator=(const SqlConnection &) = delete;

    bool isOpen() const { return m_open; }
    QSqlDatabase db() const;

    // Prepares sql on q, binds values in order and runs it.
    bool exec(QSqlQuery &q, const QString &sql, const QVariantList &values = {});
    bool exec(const QString &sql, const QVariantList &values = {});
    // Runs a statement prepared and bound by the caller (one prepared for many rows).
    bool run(QSqlQuery &q);

private:
    QString m_name;
    QString &m_error;
    bool m_open = false;
};

} // namespace yubin
