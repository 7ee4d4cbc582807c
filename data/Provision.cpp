#include "data/Provision.h"

#include "data/SchemaFiles.h"
#include "data/SchemaUpgrade.h"

#include "app/Database.h"
#include "app/SafeFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace schema {

namespace {

struct DatabaseFile
{
    const char *fileName;
    const char *schemaResource;
    int version;
};

constexpr DatabaseFile kFiles[] = {
    { "QLNVData.mdb", ":/quillon/schema/data.sql", DataSchemaVersion },
    { "QLNVWork.mdb", ":/quillon/schema/work.sql", WorkSchemaVersion },
};

// Runs the schema on an open, empty database and stamps it. Returns an error text or "".
QString fillDatabase(const QSqlDatabase &database, const DatabaseFile &file)
{
    QString error;
    const QStringList statements = schemaStatements(QString::fromLatin1(file.schemaResource), &error);
    if (!error.isEmpty())
        return error;

    {
        db::Transaction transaction(database);
        if (!transaction.isActive())
            return db::lastError();
        for (const QString &statement : statements) {
            if (!db::exec(database, statement))
                return db::lastError();
        }
        // A pragma takes no bound parameters; the version is a constant of this program.
        if (!db::exec(database, QStringLiteral("PRAGMA user_version = %1").arg(file.version)))
            return db::lastError();
        if (!transaction.commit())
            return db::lastError();
    }

    // WAL is kept in the file itself, so every later connection reads while another writes.
    QSqlQuery journal(database);
    if (!db::exec(journal, QStringLiteral("PRAGMA journal_mode = WAL")))
        return db::lastError();
    if (!journal.next() || journal.value(0).toString().compare(u"wal", Qt::CaseInsensitive) != 0)
        return QStringLiteral("the journal mode could not be set to WAL");
    return {};
}

// Builds the database at path (which must not exist) and returns an error text or "".
QString buildDatabase(const QString &path, const DatabaseFile &file)
{
    const QString connection = QStringLiteral("quillon-provision:") + QUuid::createUuid().toString();
    QString error;
    {
        // The one place where a database file may be created.
        QSqlDatabase database = db::addSqliteConnection(connection, path, db::OpenMode::Create);
        if (!database.open())
            error = QStringLiteral("cannot create %1: %2").arg(path, database.lastError().text());
        else
            error = fillDatabase(database, file);
        database.close();
    }
    QSqlDatabase::removeDatabase(connection);
    // Closing the last connection folds the WAL back into the file. A WAL still lying there
    // holds part of the schema, which the rename would leave behind.
    if (error.isEmpty() && QFileInfo::exists(path + QStringLiteral("-wal")))
        error = QStringLiteral("cannot finish %1: its write-ahead log was not folded back").arg(path);
    return error;
}

// Makes one database file: built as "<name>.tmp", then renamed, so that a failure or a
// crash never leaves a half-made file under the real name.
QString createDatabase(const QString &path, const DatabaseFile &file)
{
    const QString temporary = path + QStringLiteral(".tmp");
    // A temporary file is only ever left by an interrupted run of this code.
    if (!files::removeWithSideFiles(temporary))
        return QStringLiteral("cannot remove the leftover %1").arg(temporary);

    QString error = buildDatabase(temporary, file);
    if (error.isEmpty()) {
        // A file that appeared meanwhile wins.
        if (const files::Result named = files::renameNew(temporary, path); !named)
            error = named.error;
    }
    if (!error.isEmpty())
        files::removeWithSideFiles(temporary);
    return error;
}

} // namespace

QString buildDataFile(const QString &path)
{
    return buildDatabase(path, kFiles[0]);
}

ProvisionReport provisionDataDir(const QString &dir)
{
    ProvisionReport report;
    if (dir.isEmpty()) {
        report.error = QStringLiteral("no data directory given");
        return report;
    }
    const QFileInfo dirInfo(dir);
    if (dirInfo.exists() && !dirInfo.isDir()) {
        report.error = QStringLiteral("%1 is not a directory").arg(dir);
        return report;
    }
    if (!dirInfo.exists() && !QDir().mkpath(dir)) {
        report.error = QStringLiteral("cannot create the directory %1").arg(dir);
        return report;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        report.error = QStringLiteral("the SQLite driver of Qt is not installed");
        return report;
    }

    report.recovered = recovery::recoverDataDir(dir);
    if (!report.recovered.keptWithoutData.isEmpty()) {
        report.error = QStringLiteral("%1 is missing, but these data files were kept beside it: %2. Rename the one to use "
                                      "to %3, or move them away to start with empty data, and run again")
                           .arg(QDir(dir).filePath(QStringLiteral("QLNVData.mdb")),
                                report.recovered.keptWithoutData.join(QStringLiteral(", ")), QStringLiteral("QLNVData.mdb"));
        return report;
    }

    const QDir directory(dir);
    for (const DatabaseFile &file : kFiles) {
        const QString path = directory.filePath(QString::fromLatin1(file.fileName));
        const QFileInfo info(path);
        // An existing file is the user's data: only an upgrade below may change it.
        if (info.exists()) {
            if (!info.isFile()) {
                report.error = QStringLiteral("%1 is not a file").arg(path);
                return report;
            }
            report.kept << path;
            continue;
        }
        if (!QFileInfo(directory.path()).isWritable()) {
            report.error = QStringLiteral("cannot create %1: the directory %2 is not writable")
                               .arg(path, directory.path());
            return report;
        }
        const QString error = createDatabase(path, file);
        if (!error.isEmpty()) {
            report.error = error;
            return report;
        }
        report.created << path;
    }

    const UpgradeReport upgrade = upgradeDataDir(dir);
    report.upgraded = upgrade.upgraded;
    report.backups = upgrade.backups;
    if (!upgrade.ok())
        report.error = upgrade.error + u'\n' + db::failureText(upgrade.failure, upgrade.failedFile);
    else if (!upgrade.newer.isEmpty())
        report.error = QStringLiteral("%1 was made by a newer version of the program and is left as it is")
                           .arg(upgrade.newer.join(QStringLiteral(", ")));
    return report;
}

} // namespace schema
