#include "app/DbFailure.h"

#include "app/DataSource.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlError>
#include <QStorageInfo>
#include <QThreadStorage>

#include <atomic>
#include <mutex>

Q_LOGGING_CATEGORY(lcSql, "quillon.sql")

namespace db {

namespace {

QThreadStorage<QString> t_lastError;
QThreadStorage<Failure> t_lastFailure;
QThreadStorage<QString> t_lastCause;

std::mutex s_listenerMutex;
std::function<void(const QString &)> s_serverListener;
std::atomic<bool> s_serverUnreachable = false;

void tellServerStatus(const QString &problem)
{
    std::function<void(const QString &)> listener;
    {
        const std::lock_guard lock(s_listenerMutex);
        listener = s_serverListener;
    }
    if (listener)
        listener(problem);
}

// Less free space than this on the disk of a file that failed counts as a full disk: a
// write needs room for a few pages of the file and its journal.
constexpr qint64 MinimumFreeBytes = 64 * 1024;

} // namespace

Failure failureOfSqliteCode(int code)
{
    switch (code & 0xff) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
        return Failure::InUse;
    case 3:  // SQLITE_PERM
    case 8:  // SQLITE_READONLY
    case 14: // SQLITE_CANTOPEN
        return Failure::CannotWrite;
    case 13: // SQLITE_FULL
        return Failure::DiskFull;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return Failure::Damaged;
    case 10: // SQLITE_IOERR: the shared-memory file that could not be made or grown
        switch (code >> 8) {
        case 18: // SHMOPEN
        case 19: // SHMSIZE
        case 21: // SHMMAP
            return Failure::CannotWrite;
        default:
            return Failure::Other;
        }
    default:
        return Failure::Other;
    }
}

Failure failureOf(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    if (!ok)
        return error.isValid() ? Failure::Other : Failure::None;
    return failureOfSqliteCode(code);
}

QString lastError()
{
    return t_lastError.localData();
}

Failure lastFailure()
{
    return t_lastFailure.hasLocalData() ? t_lastFailure.localData() : Failure::None;
}

QString lastCause()
{
    return t_lastCause.localData();
}

void noteFailure(const QString &what, Failure failure, const QString &cause)
{
    t_lastError.setLocalData(what);
    t_lastFailure.setLocalData(failure);
    t_lastCause.setLocalData(cause);
    qCWarning(lcSql).noquote() << what;
    if (failure == Failure::Unreachable && dataSource().isServer()) {
        s_serverUnreachable = true;
        tellServerStatus(failureText(failure, dataPlace()));
    }
}

void setServerStatusListener(std::function<void(const QString &problem)> listener)
{
    const std::lock_guard lock(s_listenerMutex);
    s_serverListener = std::move(listener);
}

void noteServerReached()
{
    if (s_serverUnreachable.exchange(false))
        tellServerStatus(QString());
}

void noteFailureText(const QString &what)
{
    t_lastError.setLocalData(what);
    qCWarning(lcSql).noquote() << what;
}

void noteFailure(const QString &what, const QSqlError &error)
{
    noteFailure(what, failureOf(error));
}

namespace {

QString serverFailureText(Failure failure, const QString &place)
{
    switch (failure) {
    case Failure::None:
        return {};
    case Failure::Unreachable:
        // A settings file that names no usable server says so itself.
        if (const QString problem = dataSource().problem; !problem.isEmpty())
            return problem;
        return QStringLiteral("データベースサーバー %1 に接続できません。%2").arg(place, lastCause());
    case Failure::InUse:
        return QStringLiteral("サーバー %1 のデータはほかの PC が使用中です。しばらくしてからやり直してください。").arg(place);
    case Failure::DiskFull:
        return QStringLiteral("サーバー %1 のディスクに空きがないため、書き込めません。").arg(place);
    case Failure::CannotWrite:
        return QStringLiteral("サーバー %1 のデータベースに書き込めません（書き込む権限がないか、読み取り専用です）。").arg(place);
    case Failure::Damaged:
        return QStringLiteral("サーバー %1 のデータを読めません（壊れている可能性があります）。").arg(place);
    case Failure::Exists:
    case Failure::Other:
        break;
    }
    return QStringLiteral("サーバー %1 のデータを読み書きできませんでした。").arg(place);
}

} // namespace

QString failureText(Failure failure, const QString &path)
{
    // The server that cannot be reached is named, whatever the caller was writing or reading.
    if (failure == Failure::Unreachable)
        return serverFailureText(failure, dataSource().isServer() ? dataPlace() : path);
    if (dataSource().isServer() && path == dataPlace())
        return serverFailureText(failure, path);
    const QString file = QDir::toNativeSeparators(path);
    const QString folderPath = QFileInfo(path).absolutePath();
    const QString folder = QDir::toNativeSeparators(folderPath);
    const QString diskFull = QStringLiteral("ディスクに空きがないため、フォルダ %1 に書き込めません。").arg(folder);
    switch (failure) {
    case Failure::None:
        return {};
    case Failure::InUse:
        return QStringLiteral("ファイル %1 はほかのプログラムが使用中です。しばらくしてからやり直してください。").arg(file);
    case Failure::DiskFull:
        return diskFull;
    case Failure::Damaged:
        return QStringLiteral("ファイル %1 を読めません（壊れている可能性があります）。").arg(file);
    case Failure::Exists:
        return QStringLiteral("同じ名前のファイル %1 がちょうど作られたため、置き換えずにそのままにしました。").arg(file);
    case Failure::CannotWrite:
    case Failure::Unreachable:
    case Failure::Other:
        break;
    }
    // SQLite makes its journal and shared-memory files beside the file, and fails with
    // whatever it was doing when one of them cannot be made: find the cause on the disk.
    if (!QFileInfo(folderPath).isWritable())
        return QStringLiteral("フォルダ %1 に書き込めません（読み取り専用です）。").arg(folder);
    if (QFileInfo::exists(path) && !QFileInfo(path).isWritable())
        return QStringLiteral("ファイル %1 は読み取り専用です。").arg(file);
    const QStorageInfo disk(folderPath);
    if (disk.isValid() && disk.bytesAvailable() < MinimumFreeBytes)
        return diskFull;
    for (const char *suffix : {"-wal", "-shm", "-journal"}) {
        const QFileInfo companion(path + QLatin1String(suffix));
        if (companion.exists() && (!companion.isFile() || !companion.isWritable()))
            return QStringLiteral("ファイル %1 を作れないため、%2 を使えません。")
                .arg(QDir::toNativeSeparators(companion.filePath()), file);
    }
    if (failure == Failure::CannotWrite)
        return QStringLiteral("ファイル %1 を開けません。").arg(file);
    return QStringLiteral("ファイル %1 を読み書きできませんでした。").arg(file);
}

} // namespace db
