#include "data/Recovery.h"

#include "app/SafeFiles.h"
#include "data/Backup.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace recovery {

namespace {

const QString DataName = QStringLiteral("QLNVData.mdb");
const QString WorkName = QStringLiteral("QLNVWork.mdb");

bool sameFile(const QString &a, const QString &b)
{
    struct stat first {};
    struct stat second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 && ::stat(QFile::encodeName(b).constData(), &second) == 0
           && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// The data files a restore or an upgrade kept beside the data file, newest restore first.
QStringList keptFiles(const QDir &folder)
{
    QStringList restores = folder.entryList({DataName + backup::KeptSuffix + u'*'}, QDir::Files, QDir::Name | QDir::Reversed);
    QStringList upgrades = folder.entryList({DataName + QStringLiteral(".v*.bak")}, QDir::Files, QDir::Name);
    restores.removeIf([](const QString &name) { return name.endsWith(QStringLiteral(".part")); });
    return restores + upgrades;
}

// Names only ever left by work stopped half-way: the copy a restore makes ready, the copies an
// upgrade or a restore write beside their names, and what SQLite keeps beside those.
bool isHalfMade(const QString &name)
{
    return name.startsWith(DataName + backup::RestoringSuffix)
           || ((name.startsWith(DataName + u'.') || name.startsWith(WorkName + u'.')) && name.contains(QStringLiteral(".part")));
}

} // namespace

Report recoverDataDir(const QString &dir)
{
    Report report;
    const QDir folder(dir);
    if (!folder.exists())
        return report;
    const QString dataPath = folder.filePath(DataName);
    const QString restoring = dataPath + backup::RestoringSuffix;

    if (!QFileInfo::exists(dataPath)) {
        // The program used to move the data file away before it moved the restored copy in: a
        // stop between the two left both beside a missing data file. The data file from before
        // goes back; the restore did not happen.
        const QStringList kept = keptFiles(folder);
        if (QFileInfo::exists(restoring) && !kept.isEmpty() && kept.first().contains(backup::KeptSuffix)) {
            const QString candidate = folder.filePath(kept.first());
            // Only its first bytes are looked at: a connection would leave files beside it, and
            // the start-up reads it like any data file.
            if (db::startsAsSqlite(candidate) && files::renameNew(candidate, dataPath)) {
                report.putBack = candidate;
                report.restoreStopped = true;
            }
        }
        if (!QFileInfo::exists(dataPath)) {
            for (const QString &name : kept)
                report.keptWithoutData << folder.filePath(name);
            if (QFileInfo::exists(restoring))
                report.keptWithoutData << restoring;
            if (!report.keptWithoutData.isEmpty())
                return report; // nothing is touched until the user chooses
        }
    }

    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden)) {
        const QString path = folder.filePath(name);
        // A restore stopped after the data file got its second name and before the copy took
        // its first: that name is the data file itself, not a copy of what it was.
        const bool secondName = name.startsWith(DataName + backup::KeptSuffix) && sameFile(path, dataPath);
        if (!secondName && !isHalfMade(name))
            continue;
        if (secondName || name.startsWith(DataName + backup::RestoringSuffix))
            report.restoreStopped = true;
        if (QFile::remove(path))
            report.removed << path;
    }
    if (!report.removed.isEmpty())
        files::sync(dir);
    return report;
}

QString statusText(const Report &report)
{
    if (!report.keptWithoutData.isEmpty()) {
        QStringList shown;
        for (const QString &path : report.keptWithoutData)
            shown << QDir::toNativeSeparators(path);
        return QStringLiteral("控えのデータファイル %1 があります。使うファイルの名前を %2 に変えてから起動し直してください。")
            .arg(shown.join(QStringLiteral("、")), DataName);
    }
    if (!report.putBack.isEmpty())
        return QStringLiteral("前回の復元が途中で止まっていたため、復元前のデータファイル（%1）を元に戻しました。")
            .arg(QDir::toNativeSeparators(report.putBack));
    if (report.restoreStopped)
        return QStringLiteral("前回の復元は途中で止まったため、データファイルは復元前のままです。");
    return {};
}

} // namespace recovery
