#include "app/SqliteFile.h"

#include "app/DbFailure.h"
#include "app/Locations.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

namespace db {

namespace {

// The table every file of that kind has, to tell our data and work files from others.
QString tableOf(const QString &path)
{
    if (path == ModQLNV::DataMdbPath)
        return QStringLiteral("自社情報");
    if (path == ModQLNV::WorkMdbPath)
        return QStringLiteral("w明細");
    return {};
}

} // namespace

int expectedVersion(const QString &path)
{
    if (path == ModQLNV::DataMdbPath)
        return DataFileVersion;
    if (path == ModQLNV::WorkMdbPath)
        return WorkFileVersion;
    return 0;
}

bool startsAsSqlite(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(SqliteHeader.size()) == SqliteHeader;
}

QString sqliteUri(const QString &path, OpenMode mode)
{
    const QByteArray encoded = QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/");
    const char *query = mode == OpenMode::ReadOnly ? "?mode=ro" : mode == OpenMode::ReadWrite ? "?mode=rw" : "?mode=rwc";
    return QStringLiteral("file:") + QString::fromLatin1(encoded) + QLatin1String(query);
}

QSqlDatabase addSqliteConnection(const QString &name, const QString &path, OpenMode mode, int busyTimeoutMs)
{
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    database.setDatabaseName(sqliteUri(path, mode));
    // Read-only by URI and by flag: such a file is never written.
    database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1%2")
                                   .arg(busyTimeoutMs)
                                   .arg(mode == OpenMode::ReadOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
    return database;
}

bool withOwnConnection(const QString &path, bool readOnly, const std::function<void(const QSqlDatabase &)> &work)
{
    const QString name = QStringLiteral("quillon-own:") + QUuid::createUuid().toString();
    bool opened = false;
    {
        QSqlDatabase database = addSqliteConnection(name, path, readOnly ? OpenMode::ReadOnly : OpenMode::ReadWrite);
        opened = database.open();
        if (opened)
            work(database);
        else
            noteFailure(QStringLiteral("cannot open %1: %2").arg(path, database.lastError().text()), database.lastError());
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
    return opened;
}

std::optional<int> fileVersion(const QString &path)
{
    std::optional<int> version;
    withOwnConnection(path, true, [&](const QSqlDatabase &database) {
        QSqlQuery q(database);
        if (q.exec(QStringLiteral("PRAGMA user_version")) && q.next())
            version = q.value(0).toInt();
    });
    return version;
}

QString foreignFileProblem(const QString &path)
{
    const QString table = tableOf(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};   // missing or unreadable: the caller's open says so
    if (file.size() == 0)
        return QStringLiteral("空のファイルです");
    if (file.read(SqliteHeader.size()) != SqliteHeader)
        return QStringLiteral("SQLite のファイルではありません");
    file.close();
    QString problem;
    withOwnConnection(path, true, [&](const QSqlDatabase &database) {
        QSqlQuery q(database);
        bool read = q.prepare(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?"));
        if (read) {
            q.addBindValue(table);
            read = q.exec();
        }
        // Only a file that SQLite finds damaged is not ours; one that cannot be read here
        // (a read-only folder without its shared-memory file, say) is for the caller's
        // open to explain.
        if (!read) {
            if (failureOf(q.lastError()) == Failure::Damaged)
                problem = QStringLiteral("読めません（%1）").arg(q.lastError().text());
            return;
        }
        if (table.isEmpty())
            return;
        if (!q.next() || q.value(0).toInt() == 0) {
            problem = QStringLiteral("このプログラムの表がありません");
            return;
        }
        // The tables are ours, but of another version: a newer program's file is left to it,
        // an older one is brought up to date at start-up before anything opens it.
        QSqlQuery version(database);
        const int expected = expectedVersion(path);
        if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next())
            return;
        if (const int found = version.value(0).toInt(); found > expected)
            problem = QStringLiteral("このプログラムより新しい版（%1）のファイルです").arg(found);
        else if (found < expected)
            problem = QStringLiteral("古い版（%1）のファイルで、新しい版（%2）に更新されていません").arg(found).arg(expected);
    });
    return problem;
}

sqlite3 *sqliteHandle(const QSqlDatabase &database)
{
    const QVariant v = database.driver() ? database.driver()->handle() : QVariant();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(v.constData());
}

} // namespace db
