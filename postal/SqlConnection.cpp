#include "postal/SqlConnection.h"

#include <QFileInfo>
#include <QSqlError>
#include <QUrl>
#include <QUuid>

namespace yubin {

QString sqliteUri(const QString &path, bool readOnly)
{
    const QByteArray encoded = QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/");
    return QStringLiteral("file:") + QString::fromLatin1(encoded)
           + (readOnly ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw"));
}

SqlConnection::SqlConnection(const QString &path, bool readOnly, QString &error)
    : m_name(QStringLiteral("postora-") + QUuid::createUuid().toString(QUuid::WithoutBraces)), m_error(error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(sqliteUri(path, readOnly));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (path.isEmpty() || !db.open()) {
        m_error = QStringLiteral("%1 を開けません（%2）").arg(path, db.lastError().text());
        return;
    }
    m_open = true;
}

SqlConnection::~SqlConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase SqlConnection::db() const
{
    return QSqlDatabase::database(m_name, false);
}

bool SqlConnection::exec(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
    if (!q.prepare(sql)) {
        m_error = q.lastError().text();
        return false;
    }
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    return run(q);
}

bool SqlConnection::exec(const QString &sql, const QVariantList &values)
{
    QSqlQuery q(db());
    return exec(q, sql, values);
}

bool SqlConnection::run(QSqlQuery &q)
{
    if (!q.exec()) {
        m_error = q.lastError().text();
        return false;
    }
    return true;
}

} // namespace yubin
