#include "data/SchemaUpgrade.h"

#include "app/Database.h"
#include "data/SchemaFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace schema {

namespace {

struct FileKind {
    const char *fileName;
    const char *stepPrefix; // schema/upgrade/<prefix>-N.sql
    const char *table;      // a table every file of this kind has had
    int version;
};

constexpr FileKind kKinds[] = {
    {"QLNVData.mdb", "data", "自社情報", db::DataFileVersion},
    {"QLNVWork.mdb", "work", "w明細", db::WorkFileVersion},
};

// work's error text, or why the file could not be opened.
QString withConnection(const QString &path, const std::function<QString(const QSqlDatabase &)> &work)
{
    QString error;
    if (!db::withOwnConnection(path, false, [&](const QSqlDatabase &database) { error = work(database); }))
        return db::lastError();
    return error;
}

struct Found {
    bool ours = false; // SQLite with the kind's table
    int version = 0;
};

QString inspect(const QSqlDatabase &database, const FileKind &kind, Found *found)
{
    QSqlQuery q(database);
    if (!db::exec(q, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?"),
                  {QString::fromUtf8(kind.table)})
        || !q.next())
        return db::lastError();
    found->ours = q.value(0).toInt() > 0;
    QSqlQuery version(database);
    if (!db::exec(version, QStringLiteral("PRAGMA user_version")) || !version.next())
        return db::lastError();
    // Files were stamped from the first version on; an unstamped one with our tables is of it.
    found->version = qMax(1, version.value(0).toInt());
    return {};
}

QString runSteps(const QSqlDatabase &database, const FileKind &kind, int from)
{
    db::Transaction transaction(database);
    if (!transaction.isActive())
        return db::lastError();
    for (int step = from + 1; step <= kind.version; ++step) {
        QString error;
        const QStringList statements = schemaStatements(
            QStringLiteral(":/quillon/schema/upgrade/%1-%2.sql").arg(QLatin1String(kind.stepPrefix)).arg(step), &error);
        if (!error.isEmpty())
            return error;
        for (const QString &statement : statements)
            if (!db::exec(database, statement))
                return db::lastError();
    }
    // A pragma takes no bound parameters; the version is a constant of this program.
    if (!db::exec(database, QStringLiteral("PRAGMA user_version = %1").arg(kind.version)) || !transaction.commit())
        return db::lastError();
    return {};
}

} // namespace

QString backupPathFor(const QString &path, int version)
{
    const QString plain = QStringLiteral("%1.v%2.bak").arg(path).arg(version);
    if (!QFileInfo::exists(plain))
        return plain;
    return QStringLiteral("%1.v%2-%3.bak")
        .arg(path)
        .arg(version)
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmsszzz")));
}

UpgradeReport upgradeDataDir(const QString &dir)
{
    UpgradeReport report;
    for (const FileKind &kind : kKinds) {
        const QString path = QDir(dir).filePath(QString::fromLatin1(kind.fileName));
        if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0)
            continue;
        Found found;
        // Writing connections throughout: the last one to close takes the write-ahead log and
        // the shared-memory file away again, which a read-only one leaves behind.
        QString error = withConnection(path, [&](const QSqlDatabase &database) { return inspect(database, kind, &found); });
        if (!error.isEmpty() || !found.ours)
            continue; // not SQLite, unreadable here or another program's: the start-up says which
        if (found.version > kind.version) {
            report.newer << path;
            continue;
        }
        if (found.version == kind.version)
            continue;

        // The copy holds what the write-ahead log holds too, and is whole or not there.
        const QString backup = backupPathFor(path, found.version);
        error = withConnection(path, [&](const QSqlDatabase &database) {
            return db::exec(database, QStringLiteral("VACUUM INTO ?"), {backup}) ? QString() : db::lastError();
        });
        if (!error.isEmpty())
            QFile::remove(backup); // a copy cut short is no copy
        else
            error = withConnection(path, [&](const QSqlDatabase &database) { return runSteps(database, kind, found.version); });
        if (!error.isEmpty()) {
            report.failedFile = path;
            report.failure = db::lastFailure();
            report.error = QStringLiteral("cannot upgrade %1 from version %2 to %3: %4")
                               .arg(path)
                               .arg(found.version)
                               .arg(kind.version)
                               .arg(error);
            if (QFileInfo::exists(backup))
                report.backups << backup;
            return report;
        }
        report.upgraded << path;
        report.backups << backup;
    }
    return report;
}

} // namespace schema
