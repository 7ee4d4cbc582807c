#include "data/Backup.h"

#include "app/Locations.h"
#include "data/SchemaUpgrade.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

namespace backup {

namespace {

QString stamp(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
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
    if (!db::backupDatabase(db::data(), path)) {
        out.failure = db::lastFailure();
        out.problem = db::lastError();
        return out;
    }
    out.made = true;
    out.path = path;
    return out;
}

QString restoreProblem(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("ファイル %1 を読めません。").arg(shown);
    if (file.read(16) != QByteArray("SQLite format 3\0", 16))
        return QStringLiteral("ファイル %1 はこのプログラムのデータファイルではありません。").arg(shown);
    file.close();
    int tables = 0;
    std::optional<int> version;
    db::withOwnConnection(path, true, [&](const QSqlDatabase &database) {
        QSqlQuery q(database);
        if (q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                                  "('自社情報', '請求書ヘッダ', '請求書', '顧客マスタ', '商品マスタ')"))
            && q.next())
            tables = q.value(0).toInt();
        QSqlQuery v(database);
        if (v.exec(QStringLiteral("PRAGMA user_version")) && v.next())
            version = v.value(0).toInt();
    });
    if (tables != 5 || !version)
        return QStringLiteral("ファイル %1 はこのプログラムのデータファイルではありません。").arg(shown);
    if (*version > db::DataFileVersion)
        return QStringLiteral("ファイル %1 はこのプログラムより新しい版のデータファイルのため、復元できません。").arg(shown);
    return {};
}

RestoreOutcome restoreDataFile(const QString &path, const QDateTime &now)
{
    RestoreOutcome out;
    if (out.problem = restoreProblem(path); !out.problem.isEmpty())
        return out;
    const QString dataPath = ModQLNV::DataMdbPath;
    const QString restoring = dataPath + QStringLiteral(".restoring");
    QFile::remove(restoring);

    // A consistent copy of the backup first, beside the data file: the data file is only
    // touched once a whole copy is there.
    bool copied = false;
    db::withOwnConnection(path, true, [&](const QSqlDatabase &database) { copied = db::backupDatabase(database, restoring); });
    if (!copied) {
        out.problem = QStringLiteral("バックアップを写せなかったため、復元しませんでした。") +
                      db::failureText(db::lastFailure(), restoring);
        return out;
    }

    // Closing the last connection folds the write-ahead log back into the file. The work file
    // stays open under the grids that read it.
    db::closeFile(dataPath);
    if (QFileInfo::exists(dataPath + QStringLiteral("-wal"))) {
        QFile::remove(restoring);
        out.problem = QStringLiteral("データファイルがほかのプログラムで使用中のため、復元しませんでした。");
        return out;
    }
    out.keptPath = dataPath + QStringLiteral(".before-restore-") + stamp(now);
    if (QFileInfo::exists(dataPath) && !QFile::rename(dataPath, out.keptPath)) {
        QFile::remove(restoring);
        out.problem = QStringLiteral("データファイルを置き換えられなかったため、復元しませんでした。") +
                      db::failureText(db::Failure::CannotWrite, dataPath);
        out.keptPath.clear();
        return out;
    }
    QFile::remove(dataPath + QStringLiteral("-shm"));
    if (!QFile::rename(restoring, dataPath)) {
        QFile::rename(out.keptPath, dataPath); // the old file goes back where it was
        QFile::remove(restoring);
        out.problem = QStringLiteral("データファイルを置き換えられなかったため、復元しませんでした。");
        out.keptPath.clear();
        return out;
    }
    out.restored = true;
    // A backup of an older version is brought up to date like any older data file; until
    // then the start-up names it.
    const schema::UpgradeReport upgrade = schema::upgradeDataDir(ModQLNV::DataDir);
    if (!upgrade.ok())
        out.problem = QStringLiteral("復元したデータファイルを新しい版に更新できませんでした。") +
                      db::failureText(upgrade.failure, dataPath);
    // The data file reads while it is written, as a new one does.
    db::withOwnConnection(dataPath, false, [](const QSqlDatabase &database) {
        QSqlQuery(database).exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    });
    return out;
}

} // namespace backup
