#include "app/ServerConnection.h"

#include "app/SqliteFile.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QDate>
#include <QUuid>

#include <optional>
#include <vector>

#include <libpq-fe.h>

namespace db {

namespace {

// How long opening a connection waits for the server, in seconds.
constexpr int ConnectTimeoutS = 5;

PGconn *handleOf(const QSqlDriver *driver)
{
    const QVariant v = driver ? driver->handle() : QVariant();
    // Qt names the type as the compiler spells it (the struct behind libpq's typedef).
    if (!v.isValid() || (qstrcmp(v.typeName(), "PGconn*") != 0 && qstrcmp(v.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn *const *>(v.constData());
}

// The value of a libpq connection parameter, quoted as its connection strings want.
QString quotedParameter(const QString &value)
{
    QString out = value;
    out.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + out + u'\'';
}

} // namespace

QSqlDatabase addServerConnection(const QString &name, const ServerAddress &address)
{
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    database.setHostName(address.host);
    database.setPort(address.port);
    database.setDatabaseName(address.database);
    database.setUserName(address.user);
    if (!address.password.isEmpty())
        database.setPassword(address.password);
    database.setConnectOptions(QStringLiteral("connect_timeout=%1;sslmode=%2;application_name=Quillon;options=%3")
                                   .arg(ConnectTimeoutS)
                                   .arg(address.sslmode,
                                        quotedParameter(QStringLiteral("-c search_path=%1 -c lock_timeout=%2 -c client_encoding=UTF8")
                                                            .arg(ServerSchema)
                                                            .arg(BusyTimeoutMs))));
    return database;
}

bool openServerConnection(QSqlDatabase &database, const ServerAddress &address)
{
    if (!database.open()) {
        const QString cause = connectCause(address);
        noteFailure(QStringLiteral("cannot connect to %1: %2").arg(address.place(), database.lastError().text()),
                    Failure::Unreachable, cause);
        return false;
    }
    QSqlQuery q(database);
    if (!q.exec(QStringLiteral("SELECT version FROM %1.schema_version").arg(ServerSchema)) || !q.next()) {
        const QString cause = QStringLiteral("このデータベースにはこのプログラムの表がありません"
                                             "（quillon-initdb --server で作ってください）。");
        noteFailure(QStringLiteral("no tables of ours on %1: %2").arg(address.place(), q.lastError().text()),
                    Failure::Unreachable, cause);
        database.close();
        return false;
    }
    if (const int found = q.value(0).toInt(); found != DataFileVersion) {
        const QString cause = found > DataFileVersion
            ? QStringLiteral("このプログラムより新しい版（%1）の表です。").arg(found)
            : QStringLiteral("古い版（%1）の表です（quillon-initdb --server で更新してください）。").arg(found);
        noteFailure(QStringLiteral("%1 holds tables of version %2").arg(address.place()).arg(found), Failure::Unreachable, cause);
        database.close();
        return false;
    }
    return true;
}

bool serverConnectionLost(const QSqlDriver *driver)
{
    PGconn *connection = handleOf(driver);
    return !connection || PQstatus(connection) == CONNECTION_BAD;
}

Failure failureOfServerState(const QString &sqlState)
{
    if (sqlState.isEmpty())
        return Failure::Other;
    if (sqlState.startsWith(u"08") || sqlState.startsWith(u"57P"))
        return Failure::Unreachable; // connection exceptions, the server shutting down
    if (sqlState == u"53100")
        return Failure::DiskFull;
    if (sqlState.startsWith(u"53"))
        return Failure::Other;       // out of memory or connections
    if (sqlState == u"42501" || sqlState == u"25006")
        return Failure::CannotWrite; // no privilege, a read-only transaction or server
    if (sqlState == u"55P03" || sqlState == u"40001" || sqlState == u"40P01")
        return Failure::InUse;       // a lock not granted in time, a conflict with another writer
    if (sqlState.startsWith(u"XX"))
        return Failure::Damaged;
    return Failure::Other;
}

QString connectCause(const ServerAddress &address)
{
    // The network first: libpq's own words depend on the PC's language.
    QTcpSocket socket;
    socket.connectToHost(address.host, quint16(address.port));
    if (!socket.waitForConnected(ConnectTimeoutS * 1000)) {
        switch (socket.error()) {
        case QAbstractSocket::HostNotFoundError:
            return QStringLiteral("ホスト %1 が見つかりません。名前を確かめてください。").arg(address.host);
        case QAbstractSocket::ConnectionRefusedError:
            return QStringLiteral("ホスト %1 のポート %2 で接続を断られました。サーバーが動いているか、ポート番号を確かめてください。")
                .arg(address.host)
                .arg(address.port);
        case QAbstractSocket::SocketTimeoutError:
            return QStringLiteral("ホスト %1 から応答がありません。ネットワークとサーバーを確かめてください。").arg(address.host);
        default:
            return QStringLiteral("ホスト %1 に届きません（%2）。").arg(address.host, socket.errorString());
        }
    }
    socket.abort();
    // The server answers: ask libpq again for what it said.
    QStringList keys = {QStringLiteral("host"), QStringLiteral("port"), QStringLiteral("dbname"),
                        QStringLiteral("user"), QStringLiteral("sslmode"), QStringLiteral("connect_timeout")};
    QList<QByteArray> values = {address.host.toUtf8(), QByteArray::number(address.port), address.database.toUtf8(),
                                address.user.toUtf8(), address.sslmode.toUtf8(), QByteArray::number(ConnectTimeoutS)};
    if (!address.password.isEmpty()) {
        keys << QStringLiteral("password");
        values << address.password.toUtf8();
    }
    QList<QByteArray> keyBytes;
    std::vector<const char *> keyPointers, valuePointers;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        keyBytes << keys.at(i).toUtf8();
        keyPointers.push_back(keyBytes.last().constData());
        valuePointers.push_back(values.at(i).constData());
    }
    keyPointers.push_back(nullptr);
    valuePointers.push_back(nullptr);
    PGconn *connection = PQconnectdbParams(keyPointers.data(), valuePointers.data(), 0);
    QString cause;
    if (PQstatus(connection) == CONNECTION_OK)
        cause = QStringLiteral("いまは接続できます。もう一度やり直してください。");
    else if (PQconnectionNeedsPassword(connection))
        cause = QStringLiteral("利用者 %1 のパスワードがありません。~/.pgpass か設定ファイルの password= に書いてください。").arg(address.user);
    else if (PQconnectionUsedPassword(connection))
        cause = QStringLiteral("利用者 %1 のパスワードが違うか、この利用者はデータベース %2 に入れません。").arg(address.user, address.database);
    else
        cause = QStringLiteral("サーバーの答え: %1").arg(QString::fromUtf8(PQerrorMessage(connection)).trimmed());
    PQfinish(connection);
    return cause;
}

ConnectionTest testServerConnection(const ServerAddress &address)
{
    const QString name = QStringLiteral("quillon-test:") + QUuid::createUuid().toString();
    ConnectionTest result;
    {
        QSqlDatabase database = addServerConnection(name, address);
        result.ok = openServerConnection(database, address);
        result.text = result.ok ? QStringLiteral("データベースサーバー %1 に接続できました。").arg(address.place())
                                : QStringLiteral("データベースサーバー %1 に接続できません。%2").arg(address.place(), lastCause());
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

namespace {

// libpq numbers its placeholders: "?" outside quotes becomes $1, $2, ….
QByteArray numberedPlaceholders(const QString &sql)
{
    QString out;
    out.reserve(sql.size() + 8);
    QChar quote;
    int next = 0;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?') {
            out += u'$' + QString::number(++next);
            continue;
        }
        out += c;
    }
    return out.toUtf8();
}

// A bound value as the server reads it from text: Null stays Null, true and false are 1 and 0
// (the program's flags are integer columns), dates are ISO.
std::optional<QByteArray> parameterText(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    if (value.typeId() == QMetaType::Bool)
        return QByteArray(value.toBool() ? "1" : "0");
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().toString(Qt::ISODate).toUtf8();
    return value.toString().toUtf8();
}

// Type identifiers of the server's built-in types (pg_type.oid), fixed since the first versions.
constexpr Oid Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, Float4Oid = 700, Float8Oid = 701;

} // namespace

ServerRows::ServerRows(const QSqlDatabase &server, const QString &select, const QVariantList &values)
{
    PGconn *connection = handleOf(server.driver());
    if (!connection) {
        m_error = QSqlError(QStringLiteral("no connection to the server"), {}, QSqlError::ConnectionError);
        return;
    }
    std::vector<std::optional<QByteArray>> texts;
    std::vector<const char *> pointers;
    texts.reserve(values.size());
    for (const QVariant &v : values)
        texts.push_back(parameterText(v));
    for (const auto &t : texts)
        pointers.push_back(t ? t->constData() : nullptr);
    m_result = PQexecParams(connection, numberedPlaceholders(select).constData(), int(pointers.size()), nullptr,
                            pointers.data(), nullptr, nullptr, 0);
    m_ok = m_result && PQresultStatus(m_result) == PGRES_TUPLES_OK;
    if (!m_ok) {
        const char *state = m_result ? PQresultErrorField(m_result, PG_DIAG_SQLSTATE) : nullptr;
        m_error = QSqlError(QStringLiteral("reading from the server failed"),
                            QString::fromUtf8(PQerrorMessage(connection)).trimmed(), QSqlError::StatementError,
                            state ? QString::fromLatin1(state) : QString());
    }
}

ServerRows::~ServerRows()
{
    if (m_result)
        PQclear(m_result);
}

int ServerRows::rowCount() const
{
    return m_ok ? PQntuples(m_result) : 0;
}

int ServerRows::columnCount() const
{
    return m_ok ? PQnfields(m_result) : 0;
}

ServerRows::Kind ServerRows::kind(int column) const
{
    switch (PQftype(m_result, column)) {
    case Int2Oid:
    case Int4Oid:
    case Int8Oid:
        return Kind::Integer;
    case Float4Oid:
    case Float8Oid:
        return Kind::Real;
    default:
        return Kind::Text;
    }
}

bool ServerRows::isNull(int row, int column) const
{
    return PQgetisnull(m_result, row, column) != 0;
}

std::string_view ServerRows::text(int row, int column) const
{
    return {PQgetvalue(m_result, row, column), size_t(PQgetlength(m_result, row, column))};
}

} // namespace db
