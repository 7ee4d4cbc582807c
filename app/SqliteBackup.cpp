#include "app/SqliteBackup.h"

#include "app/DbFailure.h"
#include "app/SafeFiles.h"
#include "app/SqliteFile.h"

#include <QFile>
#include <QSqlDriver>

#include <sqlite3.h>

namespace db {

bool backupDatabase(const QSqlDatabase &source, const QString &path)
{
    sqlite3 *from = sqliteHandle(source);
    if (!source.isOpen() || !from) {
        noteFailure(QStringLiteral("cannot back up: the source is not open [%1]").arg(path), Failure::Other);
        return false;
    }
    const QString partial = path + QStringLiteral(".part");
    files::removeWithSideFiles(partial);
    sqlite3 *to = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(partial).constData(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
        if (!backup) {
            rc = sqlite3_errcode(to);
        } else {
            // All pages in one step: the copy is one snapshot of the committed data. A writer
            // of another connection holding its lock is waited for a bounded time.
            for (int waited = 0;; waited += 10) {
                rc = sqlite3_backup_step(backup, -1);
                if ((rc != SQLITE_BUSY && rc != SQLITE_LOCKED) || waited >= BusyTimeoutMs)
                    break;
                sqlite3_sleep(10);
            }
            const int finished = sqlite3_backup_finish(backup);
            if (rc == SQLITE_DONE)
                rc = finished;
        }
    }
    // The copy is one file that stands alone, readable also from a medium that cannot be
    // written (a write-ahead log would want its shared-memory file there).
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(to, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
    QString problem = QString::fromUtf8(to ? sqlite3_errmsg(to) : "out of memory");
    if (sqlite3_close(to) != SQLITE_OK && rc == SQLITE_OK)
        rc = SQLITE_IOERR;
    Failure failure = rc == SQLITE_OK ? Failure::None : failureOfSqliteCode(rc);
    if (rc == SQLITE_OK) {
        const files::Result done = files::renameNew(partial, path);
        failure = done.failure;
        problem = done.error;
    }
    if (failure != Failure::None) {
        files::removeWithSideFiles(partial);
        noteFailure(QStringLiteral("backup to %1 failed: %2").arg(path, problem), failure);
        return false;
    }
    return true;
}

} // namespace db
