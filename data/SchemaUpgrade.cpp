#include "data/SchemaUpgrade.h"

#include "app/Database.h"
#include "app/SafeFiles.h"
#include "data/SchemaFiles.h"

#include <QDateTime>
#include <QDir>
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

namespace {

void noteFailure(UpgradeReport &report, const QString &path, const QString &what, const QString &error)
{
    report.failedFile = path;
    report.failure = db::lastFailure();
    report.error = QStringLiteral("cannot upgrade %1: %2: %3").arg(path, what, error);
}

// The copy of path as it is now, written beside backup and given its name when whole.
QString writeCopy(const QString &path, const QString &backup)
{
    const QString part = backup + QStringLiteral(".part");
    files::removeWithSideFiles(part);
    QString error = withConnection(path, [&](const QSqlDatabase &database) {
        return db::exec(database, QStringLiteral("VACUUM INTO ?"), {part}) ? QString() : db::lastError();
    });
    if (error.isEmpty()) {
        if (const files::Result done = files::renameNew(part, backup); !done) {
            db::noteFailure(done.error, done.failure);
            error = done.error;
        }
    }
    if (!error.isEmpty())
        files::removeWithSideFiles(part); // a copy cut short is no copy
    return error;
}

// Brings the file at path up to kind's version; copyFirst keeps a copy of it beside it first.
// False, with the report's error set, when it could not be read or upgraded.
bool upgradeFile(const QString &path, const FileKind &kind, bool copyFirst, UpgradeReport &report)
{
    if (!QFileInfo(path).isFile() || !db::startsAsSqlite(path))
        return true; // missing, empty or not SQLite: the start-up says which
    Found found;
    // Writing connections throughout: the last one to close takes the write-ahead log and
    // the shared-memory file away again, which a read-only one leaves behind.
    QString error = withConnection(path, [&](const QSqlDatabase &database) { return inspect(database, kind, &found); });
    if (!error.isEmpty()) {
        // A damaged file is not ours to upgrade; one that cannot be read here (a full disk, a
        // read-only folder) may be of an older version, and must not pass for up to date.
        if (db::lastFailure() == db::Failure::Damaged)
            return true;
        noteFailure(report, path, QStringLiteral("cannot read its version"), error);
        return false;
    }
    if (!found.ours)
        return true;
    if (found.version > kind.version) {
        report.newer << path;
        return true;
    }
    if (found.version == kind.version)
        return true;

    const QString backup = copyFirst ? backupPathFor(path, found.version) : QString();
    if (copyFirst) {
        error = writeCopy(path, backup);
        if (!error.isEmpty()) {
            noteFailure(report, path, QStringLiteral("cannot copy it first"), error);
            return false;
        }
    }
    error = withConnection(path, [&](const QSqlDatabase &database) { return runSteps(database, kind, found.version); });
    if (!error.isEmpty()) {
        noteFailure(report, path, QStringLiteral("from version %1 to %2").arg(found.version).arg(kind.version), error);
        if (copyFirst)
            report.backups << backup;
        return false;
    }
    report.upgraded << path;
    if (copyFirst)
        report.backups << backup;
    return true;
}

} // namespace

UpgradeReport upgradeDataDir(const QString &dir)
{
    UpgradeReport report;
    for (const FileKind &kind : kKinds)
        if (!upgradeFile(QDir(dir).filePath(QString::fromLatin1(kind.fileName)), kind, true, report))
            break;
    return report;
}

UpgradeReport upgradeDataCopy(const QString &path)
{
    UpgradeReport report;
    upgradeFile(path, kKinds[0], false, report);
    return report;
}

} // namespace schema
