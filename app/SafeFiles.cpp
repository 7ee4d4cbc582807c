#include "app/SafeFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace files {

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

db::Failure failureOfErrno(int error)
{
    switch (error) {
    case 0:
        return db::Failure::None;
    case EEXIST:
        return db::Failure::Exists;
    case ENOSPC:
    case EDQUOT:
        return db::Failure::DiskFull;
    case EROFS:
    case EACCES:
    case EPERM:
        return db::Failure::CannotWrite;
    default:
        return db::Failure::Other;
    }
}

Result failed(const QString &what, int error)
{
    return {failureOfErrno(error), QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(error)))};
}

// Writes a whole copy of from at to, which is not there: beside it first, synced, then named.
Result copyNew(const QString &from, const QString &to)
{
    const QString part = to + QStringLiteral(".part");
    QFile::remove(part);
    QFile source(from);
    QFile target(part);
    if (!source.open(QIODevice::ReadOnly))
        return {db::Failure::Other, QStringLiteral("cannot read %1: %2").arg(from, source.errorString())};
    if (!target.open(QIODevice::NewOnly | QIODevice::WriteOnly))
        return {target.error() == QFileDevice::ResourceError ? db::Failure::DiskFull : db::Failure::CannotWrite,
                QStringLiteral("cannot create %1: %2").arg(part, target.errorString())};
    QByteArray block;
    bool whole = true;
    while (whole && !(block = source.read(1 << 20)).isEmpty())
        whole = target.write(block) == block.size();
    whole = whole && source.atEnd() && target.flush();
    const int error = errno;
    target.close();
    if (!whole) {
        QFile::remove(part);
        return failed(QStringLiteral("cannot copy %1 to %2").arg(from, part), error ? error : EIO);
    }
    Result named = renameNew(part, to);
    if (!named)
        QFile::remove(part);
    return named;
}

} // namespace

Result sync(const QString &path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failed(QStringLiteral("cannot open %1 to sync it").arg(path), errno);
    const int rc = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    // Some file systems cannot sync a folder; what they hold is then as safe as they make it.
    if (rc != 0 && error != EINVAL && error != EROFS)
        return failed(QStringLiteral("cannot sync %1").arg(path), error);
    return {};
}

Result syncFolderOf(const QString &path)
{
    return sync(QFileInfo(path).absolutePath());
}

Result renameNew(const QString &from, const QString &to)
{
    if (Result synced = sync(from); !synced)
        return synced;
    if (::renameat2(AT_FDCWD, native(from).constData(), AT_FDCWD, native(to).constData(), RENAME_NOREPLACE) != 0) {
        if (errno != EINVAL && errno != ENOSYS)
            return failed(QStringLiteral("cannot rename %1 to %2").arg(from, to), errno);
        // A file system without the flag: a link fails as well on a name that is taken.
        if (::link(native(from).constData(), native(to).constData()) != 0)
            return failed(QStringLiteral("cannot rename %1 to %2").arg(from, to), errno);
        ::unlink(native(from).constData());
    }
    return syncFolderOf(to);
}

Result renameOver(const QString &from, const QString &to)
{
    if (Result synced = sync(from); !synced)
        return synced;
    if (::rename(native(from).constData(), native(to).constData()) != 0)
        return failed(QStringLiteral("cannot rename %1 over %2").arg(from, to), errno);
    return syncFolderOf(to);
}

Result keepAs(const QString &from, const QString &to)
{
    if (::link(native(from).constData(), native(to).constData()) == 0)
        return syncFolderOf(to);
    switch (errno) {
    case EPERM: // a file system that has no hard links says so in one of these
    case EXDEV:
    case EMLINK:
    case EOPNOTSUPP:
        return copyNew(from, to);
    default:
        return failed(QStringLiteral("cannot keep %1 as %2").arg(from, to), errno);
    }
}

bool removeWithSideFiles(const QString &path)
{
    bool removed = true;
    for (const char *suffix : {"", "-journal", "-wal", "-shm"}) {
        const QString side = path + QLatin1String(suffix);
        const QFileInfo info(side);
        if (info.exists() || info.isSymLink())
            removed = QFile::remove(side) && removed;
    }
    return removed;
}

bool writeWhole(const QString &path, const QByteArray &bytes, bool syncFolder)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return false;
    if (syncFolder)
        syncFolderOf(path); // the file is there; this only makes its name outlast a power cut
    return true;
}

} // namespace files
