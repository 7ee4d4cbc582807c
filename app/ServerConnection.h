#pragma once
// Connections to the data database on a PostgreSQL server (Qt's QPSQL driver over libpq):
// how one is made, how a lost one is told, and the causes of failures in the user's words.
#include "app/DataSource.h"
#include "app/DbFailure.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariantList>

#include <string_view>

class QSqlDriver;
struct pg_result;

namespace db {

// The schema on the server that holds the program's tables, and its version table.
inline const QString ServerSchema = QStringLiteral("quillon");

// A new connection to the server under name, not opened yet: the tables of ServerSchema
// found without naming it, statements waiting at most BusyTimeoutMs for another's lock.
QSqlDatabase addServerConnection(const QString &name, const ServerAddress &address);
// Opens it and checks that the database holds the program's tables at DataFileVersion;
// false with the failure noted (Unreachable with the cause for a server that cannot be reached).
bool openServerConnection(QSqlDatabase &database, const ServerAddress &address);

// Whether the connection to the server has been lost (the server went away or stopped).
bool serverConnectionLost(const QSqlDriver *driver);

// The cause of a failure a statement on the server reported, from its SQLSTATE.
Failure failureOfServerState(const QString &sqlState);

// Why no connection to address could be made, in the user's words: the host not found, no
// answer, the connection refused, no password or a wrong one, or the server's own reason.
QString connectCause(const ServerAddress &address);

// Tries a connection to address as the settings tab's test does: a sentence saying that the
// program's tables were found, or what stands in the way.
struct ConnectionTest {
    bool ok = false;
    QString text;
};
ConnectionTest testServerConnection(const ServerAddress &address);

// The rows of a select run on the server's connection, read whole through libpq as the server
// sent them (UTF-8 texts), for copying many rows without making a QVariant of every value.
// The select's placeholders are "?"; it runs inside the connection's transaction, if any.
class ServerRows
{
public:
    ServerRows(const QSqlDatabase &server, const QString &select, const QVariantList &values);
    ~ServerRows();
    ServerRows(const ServerRows &) = delete;
    ServerRows &operator=(const ServerRows &) = delete;

    // False when the select failed; error() then holds the server's message and SQLSTATE.
    bool ok() const { return m_ok; }
    const QSqlError &error() const { return m_error; }

    int rowCount() const;
    int columnCount() const;
    enum class Kind { Integer, Real, Text };
    Kind kind(int column) const;
    bool isNull(int row, int column) const;
    std::string_view text(int row, int column) const;

private:
    pg_result *m_result = nullptr;
    bool m_ok = false;
    QSqlError m_error;
};

} // namespace db
