#include "data/ServerSchema.h"

#include "data/SchemaFiles.h"
#include "data/SchemaUpgrade.h"

#include "app/Database.h"
#include "app/ServerConnection.h"
#include "app/SqliteBackup.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <functional>

namespace schema {

namespace {

const QString DataSchema = QStringLiteral(":/quillon/schema/data.sql");

// SQLite's date(x, '+0 days') gives x back only for a real ISO date; this does the same.
const QString IsoDateFunction = QStringLiteral(R"(CREATE FUNCTION quillon.iso_date(t text) RETURNS boolean
    LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
    RETURN t IS NULL OR (t ~ '^[0-9]{4}-[0-9]{2}-[0-9]{2}$' AND to_char(t::date, 'YYYY-MM-DD') = t);
EXCEPTION WHEN others THEN
    RETURN false;
END $$)");

// A connection of its own to the server for work(database), closed afterwards.
bool withServer(const db::ServerAddress &address, QString *error, const std::function<void(const QSqlDatabase &)> &work)
{
    const QString name = QStringLiteral("quillon-initdb:") + QUuid::createUuid().toString();
    bool opened = false;
    {
        QSqlDatabase database = db::addServerConnection(name, address);
        opened = database.open();
        if (opened)
            work(database);
        else
            *error = QStringLiteral("データベースサーバー %1 に接続できません。%2").arg(address.place(), db::connectCause(address));
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
    return opened;
}

// The version of the program's tables on the server; 0 when there are none.
std::optional<int> serverVersion(const QSqlDatabase &server)
{
    QSqlQuery q(server);
    if (!db::exec(q, QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = ? AND table_name = 'schema_version'"),
                  {db::ServerSchema})
        || !q.next())
        return std::nullopt;
    if (q.value(0).toInt() == 0)
        return 0;
    if (!db::exec(q, QStringLiteral("SELECT version FROM quillon.schema_version")) || !q.next())
        return std::nullopt;
    return q.value(0).toInt();
}

// The tables of other schemas than the system's: a database that holds some is not ours.
std::optional<QStringList> otherTables(const QSqlDatabase &server)
{
    QSqlQuery q(server);
    if (!db::exec(q, QStringLiteral("SELECT table_schema || '.' || table_name FROM information_schema.tables "
                                    "WHERE table_schema NOT IN ('pg_catalog', 'information_schema') ORDER BY 1")))
        return std::nullopt;
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

bool runAll(const QSqlDatabase &server, const QStringList &statements)
{
    for (const QString &statement : statements)
        if (!db::exec(server, statement))
            return false;
    return true;
}

QStringList serverStatements(const QString &resource, QString *error)
{
    QStringList out;
    for (const QString &statement : schemaStatements(resource, error))
        out << serverStatement(statement);
    return out;
}

QString failed(const QString &what)
{
    return what + QStringLiteral("（") + db::lastError() + QStringLiteral("）");
}

} // namespace

QString serverStatement(const QString &sqliteStatement)
{
    static const QRegularExpression createTable(QStringLiteral(R"re(^(\s*CREATE TABLE\s+"[^"]+"\s*\())re"));
    static const QRegularExpression dateCheck(QStringLiteral(R"re(CHECK \("([^"]+)" IS date\("\1", '\+0 days'\)\))re"));
    static const QRegularExpression integer(QStringLiteral(R"(\bINTEGER\b)"));
    static const QRegularExpression real(QStringLiteral(R"(\bREAL\b)"));
    static const QRegularExpression blob(QStringLiteral(R"(\bBLOB\b)"));
    static const QRegularExpression twoDigits(QStringLiteral(R"(printf\('%02d', ([^)]+)\))"));
    QString s = sqliteStatement;
    s.replace(createTable, QStringLiteral(R"(\1"rowid" BIGINT GENERATED ALWAYS AS IDENTITY, )"));
    s.replace(dateCheck, QStringLiteral(R"(CHECK (quillon.iso_date("\1")))"));
    s.replace(integer, QStringLiteral("BIGINT"));
    s.replace(real, QStringLiteral("DOUBLE PRECISION"));
    s.replace(blob, QStringLiteral("BYTEA"));
    s.replace(twoDigits, QStringLiteral(R"(lpad((\1)::text, 2, '0'))"));
    // A descending key of an index puts Null last, as SQLite's does, so the queries that sort
    // that way (the history's) read the index in order instead of sorting.
    if (s.contains(u"CREATE INDEX") || s.contains(u"CREATE UNIQUE INDEX")) {
        static const QRegularExpression descending(QStringLiteral(R"(\bDESC\b)"));
        s.replace(descending, QStringLiteral("DESC NULLS LAST"));
    }
    // Names as the server folds those written without quotes.
    static const QRegularExpression quotedName(QStringLiteral(R"re("[^"]*")re"));
    QString out;
    qsizetype from = 0;
    for (const QRegularExpressionMatch &m : quotedName.globalMatch(s)) {
        out += s.mid(from, m.capturedStart() - from) + db::identifier(m.captured().mid(1, m.capturedLength() - 2));
        from = m.capturedEnd();
    }
    out += s.mid(from);
    // Texts compare by their characters' codes, as SQLite's do, whatever the database's locale:
    // lists keep one order on either engine.
    static const QRegularExpression text(QStringLiteral(R"(\bTEXT\b)"));
    return out.replace(text, QStringLiteral(R"(TEXT COLLATE "C")"));
}

QList<TableColumns> dataTables(QString *error)
{
    const QStringList statements = schemaStatements(DataSchema, error);
    QList<TableColumns> tables;
    if (!error->isEmpty())
        return tables;
    const QString name = QStringLiteral("quillon-tables:") + QUuid::createUuid().toString();
    {
        QSqlDatabase empty = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        empty.setDatabaseName(QStringLiteral(":memory:"));
        bool read = empty.open();
        for (const QString &statement : statements)
            read = read && QSqlQuery(empty).exec(statement);
        QSqlQuery q(empty);
        read = read && q.exec(QStringLiteral("SELECT m.name, c.name FROM sqlite_schema AS m, pragma_table_info(m.name) AS c "
                                             "WHERE m.type = 'table' ORDER BY m.rowid, c.cid"));
        while (read && q.next()) {
            if (tables.isEmpty() || tables.last().table != q.value(0).toString())
                tables.append({q.value(0).toString(), {}});
            tables.last().columns << q.value(1).toString();
        }
        if (!read)
            *error = QStringLiteral("the tables of %1 could not be read").arg(DataSchema);
        empty.close();
    }
    QSqlDatabase::removeDatabase(name);
    return tables;
}

ServerReport provisionServer(const db::ServerAddress &address)
{
    ServerReport report;
    const bool opened = withServer(address, &report.error, [&](const QSqlDatabase &server) {
        const std::optional<int> version = serverVersion(server);
        if (!version) {
            report.error = failed(QStringLiteral("データベース %1 を調べられませんでした").arg(address.place()));
            return;
        }
        if (*version > db::DataFileVersion) {
            report.error = QStringLiteral("データベース %1 の表はこのプログラムより新しい版（%2）です。").arg(address.place()).arg(*version);
            return;
        }
        if (*version == db::DataFileVersion)
            return;
        QStringList statements;
        if (*version == 0) {
            const auto others = otherTables(server);
            if (!others) {
                report.error = failed(QStringLiteral("データベース %1 を調べられませんでした").arg(address.place()));
                return;
            }
            if (!others->isEmpty()) {
                report.error = QStringLiteral("データベース %1 にはほかの表（%2）があるため、表を作りませんでした。"
                                              "空のデータベースを指定してください。")
                                   .arg(address.place(), others->mid(0, 5).join(QStringLiteral("、")));
                return;
            }
            statements << QStringLiteral("CREATE SCHEMA quillon") << IsoDateFunction
                       << serverStatements(DataSchema, &report.error)
                       << QStringLiteral("CREATE TABLE quillon.schema_version (version INTEGER NOT NULL)")
                       << QStringLiteral("INSERT INTO quillon.schema_version (version) VALUES (%1)").arg(db::DataFileVersion);
        } else {
            for (int step = *version + 1; step <= db::DataFileVersion; ++step)
                statements << serverStatements(QStringLiteral(":/quillon/schema/upgrade/data-%1.sql").arg(step), &report.error);
            statements << QStringLiteral("UPDATE quillon.schema_version SET version = %1").arg(db::DataFileVersion);
        }
        if (!report.error.isEmpty())
            return;
        db::Transaction tx(server);
        if (!tx.isActive() || !runAll(server, statements) || !tx.commit()) {
            report.error = failed(QStringLiteral("データベース %1 に表を作れませんでした").arg(address.place()));
            return;
        }
        report.created = *version == 0;
        report.upgradedFrom = *version;
    });
    Q_UNUSED(opened);
    return report;
}

ServerReport importDataFile(const db::ServerAddress &address, const QString &path)
{
    ServerReport report;
    QTemporaryDir scratch;
    const QString copy = scratch.filePath(QStringLiteral("import.mdb"));
    // A copy of what is committed in the file (its write-ahead log included), brought up to
    // this version: the file itself is only read.
    if (!db::startsAsSqlite(path)) {
        report.error = QStringLiteral("ファイル %1 は SQLite のデータファイルではありません。").arg(path);
        return report;
    }
    bool copied = false;
    if (!db::withOwnConnection(path, true, [&](const QSqlDatabase &file) { copied = db::backupDatabase(file, copy); })
        || !copied) {
        report.error = failed(QStringLiteral("ファイル %1 を読めませんでした").arg(path));
        return report;
    }
    const std::optional<int> version = db::fileVersion(copy);
    if (!version || *version > db::DataFileVersion) {
        report.error = version ? QStringLiteral("ファイル %1 はこのプログラムより新しい版（%2）です。").arg(path).arg(*version)
                               : failed(QStringLiteral("ファイル %1 の版を読めませんでした").arg(path));
        return report;
    }
    if (*version < db::DataFileVersion) {
        const UpgradeReport upgrade = upgradeDataCopy(copy);
        if (!upgrade.ok()) {
            report.error = QStringLiteral("ファイル %1 をこの版に更新できませんでした（%2）。").arg(path, upgrade.error);
            return report;
        }
    }
    QString problem;
    bool readable = db::withOwnConnection(copy, true, [&](const QSqlDatabase &file) {
        const QStringList missing = missingFromSchema(file, DataSchema, &problem);
        if (problem.isEmpty() && !missing.isEmpty())
            problem = QStringLiteral("このプログラムのデータファイルではありません（%1 がありません）").arg(missing.join(QStringLiteral("、")));
    });
    if (!readable || !problem.isEmpty()) {
        report.error = QStringLiteral("ファイル %1 は取り込めません（%2）。").arg(path, readable ? problem : db::lastError());
        return report;
    }
    const QList<TableColumns> tables = dataTables(&report.error);
    if (!report.error.isEmpty())
        return report;
    const ServerReport made = provisionServer(address);
    if (!made.ok())
        return made;
    report.created = made.created;
    report.upgradedFrom = made.upgradedFrom;

    withServer(address, &report.error, [&](const QSqlDatabase &server) {
        db::Transaction tx(server);
        if (!tx.isActive()) {
            report.error = failed(QStringLiteral("データベース %1 に書き込めません").arg(address.place()));
            return;
        }
        for (const char *table : {"自社情報", "顧客マスタ", "商品マスタ", "請求書ヘッダ", "請求書"}) {
            QSqlQuery q(server);
            if (!db::exec(q, QStringLiteral("SELECT count(*) FROM \"%1\"").arg(QString::fromUtf8(table))) || !q.next()) {
                report.error = failed(QStringLiteral("データベース %1 を調べられませんでした").arg(address.place()));
                return;
            }
            if (q.value(0).toInt() > 0) {
                report.error = QStringLiteral("データベース %1 にはすでにデータ（%2）があるため、取り込みませんでした。")
                                   .arg(address.place(), QString::fromUtf8(table));
                return;
            }
        }
        QList<QPair<QString, int>> counts;
        if (!copyFileToServer(server, copy, tables, &counts, &report.error)) {
            report.error = QStringLiteral("ファイル %1 を取り込めませんでした（%2）。").arg(path, report.error);
            return;
        }
        if (!tx.commit()) {
            report.error = failed(QStringLiteral("データベース %1 に書き込めませんでした").arg(address.place()));
            return;
        }
        report.imported = counts;
    });
    return report;
}

namespace {

QString quotedColumns(const TableColumns &t)
{
    QStringList quoted;
    for (const QString &column : t.columns)
        quoted << db::identifier(column);
    return quoted.join(u',');
}

// Every row of t on from, in the order they were added; nothing when reading failed.
std::optional<QList<QVariantList>> readRows(const QSqlDatabase &from, const TableColumns &t)
{
    QSqlQuery rows(from);
    rows.setForwardOnly(true);
    if (!db::exec(rows, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(quotedColumns(t), db::identifier(t.table))))
        return std::nullopt;
    QList<QVariantList> all;
    while (rows.next()) {
        QVariantList row;
        row.reserve(t.columns.size());
        for (int c = 0; c < t.columns.size(); ++c)
            row << rows.value(c);
        all << row;
    }
    if (!db::readToEnd(rows))
        return std::nullopt;
    return all;
}

// Replaces the rows of every table on to by those on from, inside the caller's transaction.
bool replaceRows(const QSqlDatabase &from, const QSqlDatabase &to, const QList<TableColumns> &tables,
                 QList<QPair<QString, int>> *counts, QString *error)
{
    for (const TableColumns &t : tables) {
        const auto rows = readRows(from, t);
        if (!rows) {
            *error = QStringLiteral("%1 を読めませんでした（%2）").arg(t.table, db::lastError());
            return false;
        }
        if (!db::exec(to, QStringLiteral("DELETE FROM %1").arg(db::identifier(t.table)))
            || !db::insertRows(to, t.table, t.columns, *rows)) {
            *error = QStringLiteral("%1 に書き込めませんでした（%2）").arg(t.table, db::lastError());
            return false;
        }
        if (counts)
            counts->append({t.table, int(rows->size())});
    }
    return true;
}

} // namespace

bool copyFileToServer(const QSqlDatabase &server, const QString &path, const QList<TableColumns> &tables,
                      QList<QPair<QString, int>> *counts, QString *error)
{
    bool copied = false;
    const bool opened = db::withOwnConnection(path, true, [&](const QSqlDatabase &file) {
        copied = replaceRows(file, server, tables, counts, error);
    });
    if (!opened)
        *error = db::lastError();
    return opened && copied;
}

bool copyServerToFile(const QSqlDatabase &server, const QString &path, QString *error)
{
    const QList<TableColumns> tables = dataTables(error);
    if (!error->isEmpty())
        return false;
    // One snapshot of the server's rows, however many PCs write meanwhile.
    if (!db::exec(server, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"))) {
        *error = db::lastError();
        return false;
    }
    bool copied = false;
    const bool opened = db::withOwnConnection(path, false, [&](const QSqlDatabase &file) {
        db::Transaction tx(file);
        copied = tx.isActive() && replaceRows(server, file, tables, nullptr, error) && tx.commit();
        if (!copied && error->isEmpty())
            *error = db::lastError();
    });
    db::exec(server, QStringLiteral("ROLLBACK"));
    if (!opened)
        *error = db::lastError();
    return opened && copied;
}

bool createServerTablesLike(const QSqlDatabase &server, const QString &path, int version, QString *error)
{
    QStringList statements = {QStringLiteral("CREATE SCHEMA quillon"), IsoDateFunction};
    const bool read = db::withOwnConnection(path, true, [&](const QSqlDatabase &file) {
        QSqlQuery q(file);
        if (!db::exec(q, QStringLiteral("SELECT sql FROM sqlite_schema WHERE sql IS NOT NULL ORDER BY rowid")))
            return;
        while (q.next())
            statements << serverStatement(q.value(0).toString());
    });
    statements << QStringLiteral("CREATE TABLE quillon.schema_version (version INTEGER NOT NULL)")
               << QStringLiteral("INSERT INTO quillon.schema_version (version) VALUES (%1)").arg(version);
    db::Transaction tx(server);
    if (!read || !tx.isActive() || !runAll(server, statements) || !tx.commit()) {
        *error = db::lastError();
        return false;
    }
    return true;
}

} // namespace schema
