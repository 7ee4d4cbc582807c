#include "support/TestServer.h"

#include "app/ServerConnection.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QUuid>

namespace testserver {

std::optional<db::ServerAddress> address()
{
    const QString url = qEnvironmentVariable("QUILLON_TEST_SERVER");
    if (url.isEmpty())
        return std::nullopt;
    QString problem;
    return db::parseServerUrl(url, &problem);
}

bool required()
{
    return !qEnvironmentVariableIsEmpty("QUILLON_REQUIRE_SERVER");
}

int closedPort()
{
    QTcpServer listener;
    if (!listener.listen(QHostAddress::LocalHost))
        return 1; // nothing listens on port 1 either
    return listener.serverPort();
}

bool runOnServer(const QString &sql, QString *error)
{
    const auto server = address();
    if (!server)
        return false;
    const QString name = QStringLiteral("quillon-testserver:") + QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase database = db::addServerConnection(name, *server);
        ok = database.open();
        QSqlQuery q(database);
        ok = ok && q.exec(sql);
        if (!ok && error)
            *error = database.lastError().text() + q.lastError().text();
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

Database::Database()
{
    const auto server = testserver::address();
    if (!server)
        return;
    static QAtomicInteger<int> serial;
    const QString name = QStringLiteral("quillon_test_%1_%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(serial.fetchAndAddRelaxed(1));
    runOnServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    QString error;
    if (!runOnServer(QStringLiteral("CREATE DATABASE %1").arg(name), &error)) {
        qWarning("cannot create the test database %s: %s", qPrintable(name), qPrintable(error));
        return;
    }
    m_address = *server;
    m_address.database = name;
    m_name = name;
}

Database::~Database()
{
    if (!m_name.isEmpty())
        runOnServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
}

} // namespace testserver

const char *engineName(Engine engine)
{
    return engine == Engine::Local ? "Local" : "Server";
}
