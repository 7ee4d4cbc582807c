#include "data/Backup.h"

#include "app/DataSource.h"
#include "app/Locations.h"
#include "app/SafeFiles.h"
#include "app/SqliteBackup.h"
#include "data/MasterChanges.h"
#include "data/SchemaFiles.h"
#include "data/SchemaUpgrade.h"
#include "data/Provision.h"
#include "data/ServerSchema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace backup {

namespace {

QString stamp(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

// The server's data written as a data file at path, as a local backup is: built beside it with
// every table, filled from one snapshot of the server, without a write-ahead log (the copy
// stands alone), and named when whole.
bool backupServer(const QString &path, BackupOutcome *out)
{
    const QString part = path + QStringLiteral(".part");
    files::removeWithSideFiles(part);
    const auto fail = [&](db::Failure failure, const QString &problem) {
        files::removeWithSideFiles(part);
        out->failure = failure;
        out->problem = problem;
        return false;
    };
    const QSqlDatabase server = db::data();
    if (!server.isOpen())
        return fail(db::lastFailure(), db::lastError());
    if (const QString built = schema::buildDataFile(part); !built.isEmpty())
        return fail(db::Failure::CannotWrite, built); // failureText looks at the folder for why
    QString error;
    if (!schema::copyServerToFile(server, part, &error))
        return fail(db::lastFailure(), error);
    bool alone = false;
    db::withOwnConnection(part, false, [&](const QSqlDatabase &file) {
        QSqlQuery q(file);
        alone = q.exec(QStringLiteral("PRAGMA journal_mode = DELETE")) && q.next();
    });
    if (!alone)
        return fail(db::Failure::CannotWrite, QStringLiteral("cannot finish %1").arg(part));
    if (const files::Result synced = files::sync(part); !synced)
        return fail(synced.failure, synced.error);
    if (const files::Result named = files::renameNew(part, path); !named)
        return fail(named.failure, named.error);
    return true;
}

} // namespace

QString backupFileName(const QDateTime &when)
{
    return QStringLiteral("QLNVData_%1.mdb").arg(when.toString(QStringLiteral("yyyyMMdd_HHmmss")));
}

BackupOutcome backupDataFile(const QString &folder, const QDateTime &now)
{
    BackupOutcome out;
    // Two copies in one second get a number; an older copy is never replaced.
    QString path = QDir(folder).filePath(backupFileName(now));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("QLNVData_%1_%2.mdb").arg(now.toString(QStringLiteral("yyyyMMdd_HHmmss"))).arg(n));
    if (db::dataSource().isServer() ? !backupServer(path, &out) : !db::backupDatabase(db::data(), path)) {
        if (out.problem.isEmpty()) {
            out.failure = db::lastFailure();
            out.problem = db::lastError();
        }
        return out;
    }
    out.made = true;
    out.path = path;
    return out;
}

namespace {

quint32 bigEndian(const QByteArray &bytes, int at, int size)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = value << 8 | quint8(bytes.at(at + i));
    return value;
}

// Whether the file's length fits its header: a whole number of pages, and no fewer pages than
// the header counts (a copy cut short has fewer).
bool lengthFitsHeader(const QByteArray &header, qint64 size)
{
    quint32 pageSize = bigEndian(header, 16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 || size % pageSize != 0)
        return false;
    // The header's page count holds while the change counter it was written with is current.
    const bool countValid = bigEndian(header, 24, 4) == bigEndian(header, 92, 4);
    return !countValid || qint64(bigEndian(header, 28, 4)) * pageSize <= size;
}

QString damagedText(const QString &shown)
{
    return QStringLiteral("ファイル %1 は壊れているか途中で切れているため、復元できません。").arg(shown);
}

QString notOursText(const QString &shown)
{
    return QStringLiteral("ファイル %1 はこのプログラムのデータファイルではありません。").arg(shown);
}

} // namespace

QString restoreProblem(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("ファイル %1 を読めません。").arg(shown);
    const QByteArray header = file.read(100);
    if (!header.startsWith(db::SqliteHeader))
        return notOursText(shown);
    if (header.size() < 100 || !lengthFitsHeader(header, file.size()))
        return damagedText(shown);
    file.close();
    std::optional<int> tables;
    std::optional<int> version;
    bool sound = false;
    db::withOwnConnection(path, true, [&](const QSqlDatabase &database) {
        QSqlQuery q(database);
        if (q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                                  "('自社情報', '請求書ヘッダ', '請求書', '顧客マスタ', '商品マスタ')"))
            && q.next())
            tables = q.value(0).toInt();
        QSqlQuery v(database);
        if (v.exec(QStringLiteral("PRAGMA user_version")) && v.next())
            version = v.value(0).toInt();
        // Every page of every table and index read once: a damaged page anywhere says so.
        QSqlQuery check(database);
        sound = check.exec(QStringLiteral("PRAGMA integrity_check")) && check.next()
                && check.value(0).toString() == u"ok" && !check.next();
    });
    if (!tables || !version)
        return damagedText(shown); // SQLite's header, but its tables cannot be listed
    if (*tables != 5)
        return notOursText(shown);
    if (*version > db::DataFileVersion)
        return QStringLiteral("ファイル %1 はこのプログラムより新しい版のデータファイルのため、復元できません。").arg(shown);
    if (!sound)
        return damagedText(shown);
    return {};
}

namespace {

// What a copy made for a restore still needs before it can take the data file's place: brought
// up to this version, every table and column there, and a write-ahead log as a new data file
// has. Empty when it is ready.
QString prepareCopy(const QString &copy, const QString &shownBackup)
{
    const schema::UpgradeReport upgrade = schema::upgradeDataCopy(copy);
    if (!upgrade.ok())
        return QStringLiteral("バックアップを新しい版に更新できなかったため、復元しませんでした。") +
               db::failureText(upgrade.failure, copy);
    QStringList missing;
    QString error;
    QString journal;
    db::withOwnConnection(copy, false, [&](const QSqlDatabase &database) {
        missing = schema::missingFromSchema(database, QStringLiteral(":/quillon/schema/data.sql"), &error);
        QSqlQuery q(database);
        if (q.exec(QStringLiteral("PRAGMA journal_mode = WAL")) && q.next())
            journal = q.value(0).toString();
    });
    if (!error.isEmpty() || journal.compare(u"wal", Qt::CaseInsensitive) != 0)
        return QStringLiteral("バックアップを写せなかったため、復元しませんでした。") + db::failureText(db::lastFailure(), copy);
    if (!missing.isEmpty())
        return QStringLiteral("ファイル %1 はこのプログラムのデータファイルではありません（%2 がありません）。")
            .arg(shownBackup, missing.join(QStringLiteral("、")));
    return {};
}

} // namespace

namespace {

// The backup's rows in place of the server's, in one transaction: the server's data is as it
// was unless every table was replaced.
RestoreOutcome restoreIntoServer(const QString &path)
{
    RestoreOutcome out;
    const QTemporaryDir scratch;
    const QString copy = QDir(scratch.path()).filePath(QStringLiteral("restore.mdb"));
    bool copied = false;
    db::withOwnConnection(path, true, [&](const QSqlDatabase &database) { copied = db::backupDatabase(database, copy); });
    if (!scratch.isValid() || !copied) {
        out.problem = QStringLiteral("バックアップを写せなかったため、復元しませんでした。") + db::failureText(db::lastFailure(), copy);
        return out;
    }
    if (out.problem = prepareCopy(copy, QDir::toNativeSeparators(path)); !out.problem.isEmpty())
        return out;
    QString error;
    const QList<schema::TableColumns> tables = schema::dataTables(&error);
    const QSqlDatabase server = db::data();
    bool replaced = error.isEmpty() && server.isOpen();
    if (replaced) {
        db::Transaction tx(server);
        const auto before = masterchanges::currentAll(server);
        replaced = tx.isActive() && before && schema::copyFileToServer(server, copy, tables, nullptr, &error)
                   && masterchanges::moveBeyond(server, *before) && tx.commit();
    }
    if (!replaced) {
        qWarning("Quillon: the restore into the server failed: %s", qPrintable(error.isEmpty() ? db::lastError() : error));
        out.problem = QStringLiteral("サーバーのデータを置き換えられなかったため、復元しませんでした。")
                      + db::failureText(db::lastFailure(), db::dataPlace());
        return out;
    }
    out.restored = true;
    return out;
}

} // namespace

RestoreOutcome restoreDataFile(const QString &path, const QDateTime &now)
{
    RestoreOutcome out;
    if (out.problem = restoreProblem(path); !out.problem.isEmpty())
        return out;
    if (db::dataSource().isServer())
        return restoreIntoServer(path);
    const QString dataPath = ModQLNV::DataMdbPath;
    const QString restoring = dataPath + RestoringSuffix;
    files::removeWithSideFiles(restoring);

    // The backup is copied beside the data file and made ready there; until the one rename at
    // the end, the data file is what it was.
    bool copied = false;
    db::withOwnConnection(path, true, [&](const QSqlDatabase &database) { copied = db::backupDatabase(database, restoring); });
    if (!copied) {
        out.problem = QStringLiteral("バックアップを写せなかったため、復元しませんでした。") +
                      db::failureText(db::lastFailure(), restoring);
        return out;
    }
    if (out.problem = prepareCopy(restoring, QDir::toNativeSeparators(path)); !out.problem.isEmpty()) {
        files::removeWithSideFiles(restoring);
        return out;
    }
    // The masters' change numbers go on from the data file's (as far as it can still be read),
    // not back to the backup's.
    const masterchanges::Numbers before =
        QFileInfo::exists(dataPath) ? masterchanges::currentAll(db::data()).value_or(masterchanges::Numbers()) : masterchanges::Numbers();
    bool carried = false;
    db::withOwnConnection(restoring, false, [&](const QSqlDatabase &copy) { carried = masterchanges::moveBeyond(copy, before); });
    if (!carried) {
        files::removeWithSideFiles(restoring);
        out.problem = QStringLiteral("バックアップを写せなかったため、復元しませんでした。") +
                      db::failureText(db::lastFailure(), restoring);
        return out;
    }

    // Closing the last connection folds the write-ahead log back into the file. The work file
    // stays open under the grids that read it.
    db::closeFile(dataPath);
    if (QFileInfo::exists(dataPath + QStringLiteral("-wal"))) {
        files::removeWithSideFiles(restoring);
        out.problem = QStringLiteral("データファイルがほかのプログラムで使用中のため、復元しませんでした。");
        return out;
    }
    // The replaced file keeps a name of its own before the new one takes the data file's.
    QString kept = dataPath + KeptSuffix + stamp(now);
    for (int n = 2; QFileInfo::exists(kept); ++n) // two restores in one second
        kept = dataPath + KeptSuffix + stamp(now) + QStringLiteral("-%1").arg(n);
    if (QFileInfo::exists(dataPath)) {
        if (const files::Result keep = files::keepAs(dataPath, kept); !keep) {
            db::noteFailure(keep.error, keep.failure);
            files::removeWithSideFiles(restoring);
            out.problem = QStringLiteral("データファイルの控えを残せなかったため、復元しませんでした。") +
                          db::failureText(keep.failure, kept);
            return out;
        }
        out.keptPath = kept;
    }
    QFile::remove(dataPath + QStringLiteral("-shm"));
    if (const files::Result placed = files::renameOver(restoring, dataPath); !placed) {
        db::noteFailure(placed.error, placed.failure);
        files::removeWithSideFiles(restoring);
        QFile::remove(out.keptPath); // the second name of the data file, which stays as it was
        out.keptPath.clear();
        out.problem = QStringLiteral("データファイルを置き換えられなかったため、復元しませんでした。") +
                      db::failureText(placed.failure, dataPath);
        return out;
    }
    out.restored = true;
    return out;
}

} // namespace backup
